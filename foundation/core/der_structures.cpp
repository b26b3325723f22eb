#include "foundation/core/der_structures.h"

#include "foundation/core/der_codec.h"

namespace luma {
namespace der {

namespace {
bool ReadTop(const CSecureBuffer& encoding, BYTE tag, std::vector<Element>& children) {
  Element top;
  return ReadWholeElement(encoding.data, encoding.size, top) && top.tag == tag && ReadChildren(top, children);
}

bool CopyBytes(const BYTE* bytes, DWORD size, CSecureBuffer& out) {
  CSecureBuffer copy(size, bytes);
  if (copy.size != size) return false;
  out = std::move(copy);
  return true;
}

bool DecodeVersion(const Element& element, DWORD& out) {
  std::int32_t value = 0;
  if (element.tag != kTagInteger || !DecodeInt32(element.content, element.contentSize, value) || value < 0) {
    return false;
  }
  out = static_cast<DWORD>(value);
  return true;
}

bool DecodeIa5(const Element& element, WString& text) {
  Element asIa5 = element;
  asIa5.tag = kTagIa5String;
  return DecodeText(asIa5, text);
}

bool DecodeGeneralName(const Element& element, AltName& name) {
  if ((element.tag & 0xC0) != kClassContext) return false;
  const BYTE number = element.tag & 0x1F;
  const bool constructed = (element.tag & kConstructed) != 0;
  name.choice = number + 1u;
  switch (number) {
    case 0: {  // otherName: SEQUENCE-like [0] { type-id OID, [0] EXPLICIT value }
      std::vector<Element> parts;
      if (!constructed || !ReadChildren(element, parts) || parts.size() != 2) return false;
      if (parts[0].tag != kTagOid || !DecodeOid(parts[0].content, parts[0].contentSize, name.oid))
        return false;
      Element inner;
      if (parts[1].tag != (kClassContext | kConstructed) ||
          !ReadWholeElement(parts[1].content, parts[1].contentSize, inner)) {
        return false;
      }
      if (!CopyBytes(inner.encoding, inner.encodingSize, name.value)) return false;
      DecodeText(inner, name.text);  // a value that is no string simply has no text
      return true;
    }
    case 1:  // rfc822Name
    case 2:  // dNSName
    case 6:  // uniformResourceIdentifier
      return !constructed && DecodeIa5(element, name.text);
    case 4: {  // directoryName: [4] EXPLICIT Name
      Element inner;
      return constructed && ReadWholeElement(element.content, element.contentSize, inner) &&
             inner.tag == kTagSequence && CopyBytes(inner.encoding, inner.encodingSize, name.value);
    }
    case 7:  // iPAddress
      return !constructed && (element.contentSize == 4 || element.contentSize == 16) &&
             CopyBytes(element.content, element.contentSize, name.value);
    case 8:  // registeredID
      return !constructed && DecodeOid(element.content, element.contentSize, name.oid);
    case 3:  // x400Address
    case 5:  // ediPartyName
      return constructed && CopyBytes(element.content, element.contentSize, name.value);
    default:
      return false;
  }
}
}  // namespace

bool ParseAlgorithmIdentifier(const CSecureBuffer& encoding, AlgorithmIdentifier& out) {
  std::vector<Element> parts;
  if (!ReadTop(encoding, kTagSequence, parts) || parts.empty() || parts.size() > 2) return false;
  AlgorithmIdentifier result;
  if (parts[0].tag != kTagOid || !DecodeOid(parts[0].content, parts[0].contentSize, result.oid)) return false;
  if (parts.size() == 2 && !CopyBytes(parts[1].encoding, parts[1].encodingSize, result.parameters))
    return false;
  out.oid.swap(result.oid);
  out.parameters = std::move(result.parameters);
  return true;
}

bool BuildAlgorithmIdentifier(const std::string& oid, CSecureBuffer& out) {
  CSecureBuffer oidContent;
  if (!EncodeOid(oid, oidContent)) return false;
  CSecureBuffer content;
  if (!AppendElement(kTagOid, oidContent.data, oidContent.size, content) ||
      !AppendElement(kTagNull, nullptr, 0, content)) {
    return false;
  }
  CSecureBuffer encoding;
  if (!AppendElement(kTagSequence, content.data, content.size, encoding)) return false;
  out = std::move(encoding);
  return true;
}

bool ParseCertificateTemplate(const CSecureBuffer& encoding, CertificateTemplate& out) {
  std::vector<Element> parts;
  if (!ReadTop(encoding, kTagSequence, parts) || parts.size() < 2 || parts.size() > 3) return false;
  CertificateTemplate result;
  if (parts[0].tag != kTagOid || !DecodeOid(parts[0].content, parts[0].contentSize, result.oid)) return false;
  if (!DecodeVersion(parts[1], result.majorVersion)) return false;
  if (parts.size() == 3) {
    if (!DecodeVersion(parts[2], result.minorVersion)) return false;
    result.hasMinorVersion = true;
  }
  out = result;
  return true;
}

bool ParseSubjectAltName(const CSecureBuffer& encoding, std::vector<AltName>& out) {
  std::vector<Element> parts;
  if (!ReadTop(encoding, kTagSequence, parts)) return false;
  std::vector<AltName> names(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (!DecodeGeneralName(parts[i], names[i])) return false;
  }
  out.swap(names);
  return true;
}

const WCHAR* CngHashAlgorithmName(DWORD algId) {
  switch (algId) {
    case 0x8003:
      return WSTR("MD5");
    case 0x8004:
      return WSTR("SHA1");
    case 0x800C:
      return WSTR("SHA256");
    case 0x800D:
      return WSTR("SHA384");
    case 0x800E:
      return WSTR("SHA512");
    default:
      return nullptr;
  }
}

namespace {

constexpr DigestInfoHash kDigestInfoHashes[] = {
    {0x8003, "1.2.840.113549.2.5", 16},      // MD5
    {0x8004, "1.3.14.3.2.26", 20},           // SHA-1
    {0x800C, "2.16.840.1.101.3.4.2.1", 32},  // SHA-256
    {0x800D, "2.16.840.1.101.3.4.2.2", 48},  // SHA-384
    {0x800E, "2.16.840.1.101.3.4.2.3", 64},  // SHA-512
};

}  // namespace

const DigestInfoHash* DigestInfoHashOf(DWORD algId) {
  for (const DigestInfoHash& hash : kDigestInfoHashes) {
    if (hash.algId == algId) return &hash;
  }
  return nullptr;
}

const DigestInfoHash* DigestInfoHashOfOid(const std::string& oid) {
  for (const DigestInfoHash& hash : kDigestInfoHashes) {
    if (oid == hash.oid) return &hash;
  }
  return nullptr;
}

}  // namespace der
}  // namespace luma
