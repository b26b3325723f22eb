#include "foundation/win/der_helpers.h"

#include <wincrypt.h>

#include "foundation/core/der_codec.h"
#include "foundation/win/unique_handle.h"

namespace {
// The platform's block, freed by its local-memory owner; wiped first when it held a secret.
class CPlatformBlock {
 public:
  CPlatformBlock() = default;
  CPlatformBlock(const CPlatformBlock&) = delete;
  CPlatformBlock& operator=(const CPlatformBlock&) = delete;
  ~CPlatformBlock() {
    if (wipeSize != 0) luma::SecureWipe(block, wipeSize);
    const luma::CLocalMemoryHandle owner(block);
  }
  void* block = nullptr;
  DWORD size = 0;
  DWORD wipeSize = 0;
};

bool Decode(LPCSTR structType, const CSecureBuffer& encoding, CPlatformBlock& decoded) {
  if (encoding.empty()) return false;
  return CryptDecodeObjectEx(X509_ASN_ENCODING, structType, encoding.data, encoding.size,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &decoded.block, &decoded.size) != FALSE;
}

// Encodes and replaces out with the encoding; the platform's block is wiped before it is freed.
bool Encode(LPCSTR structType, const void* value, CSecureBuffer& out) {
  CPlatformBlock encoded;
  if (!CryptEncodeObjectEx(X509_ASN_ENCODING, structType, value, CRYPT_ENCODE_ALLOC_FLAG, nullptr,
                           &encoded.block, &encoded.size)) {
    return false;
  }
  encoded.wipeSize = encoded.size;
  CSecureBuffer copy(encoded.size, encoded.block);
  if (copy.size != encoded.size) return false;  // out of memory is a failure, never an empty success
  out = std::move(copy);
  return true;
}

bool CopyBytes(const BYTE* bytes, DWORD size, CSecureBuffer& out) {
  CSecureBuffer copy(size, bytes);
  if (copy.size != size) return false;
  out = std::move(copy);
  return true;
}

// The codec of some platforms lacks a structure (file not found) or fails on a part of it it does
// not know (bad tag); only then does the portable reader answer.
bool PlatformLacksStructure() {
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == static_cast<DWORD>(CRYPT_E_ASN1_BADTAG);
}

bool EncodeString(DWORD valueType, const CSecureBuffer& utf16, CSecureBuffer& out) {
  static WCHAR empty[1] = {0};
  CERT_NAME_VALUE value = {};
  value.dwValueType = valueType;
  value.Value.cbData = utf16.size & ~1u;  // whole UTF-16 code units only
  value.Value.pbData = utf16.empty() ? reinterpret_cast<BYTE*>(empty) : utf16.data;
  return Encode(X509_UNICODE_ANY_STRING, &value, out);
}

void SetOtherNameText(luma::der::AltName& name) {
  luma::der::Element element;
  if (luma::der::ReadWholeElement(name.value.data, name.value.size, element))
    luma::der::DecodeText(element, name.text);
}

bool ConvertAltName(const CERT_ALT_NAME_ENTRY& entry, luma::der::AltName& name) {
  name.choice = entry.dwAltNameChoice;
  switch (entry.dwAltNameChoice) {
    case CERT_ALT_NAME_OTHER_NAME:
      if (entry.pOtherName == nullptr || entry.pOtherName->pszObjId == nullptr) return false;
      name.oid = entry.pOtherName->pszObjId;
      if (!CopyBytes(entry.pOtherName->Value.pbData, entry.pOtherName->Value.cbData, name.value))
        return false;
      SetOtherNameText(name);
      return true;
    case CERT_ALT_NAME_RFC822_NAME:
      if (entry.pwszRfc822Name != nullptr) name.text = entry.pwszRfc822Name;
      return true;
    case CERT_ALT_NAME_DNS_NAME:
      if (entry.pwszDNSName != nullptr) name.text = entry.pwszDNSName;
      return true;
    case CERT_ALT_NAME_URL:
      if (entry.pwszURL != nullptr) name.text = entry.pwszURL;
      return true;
    case CERT_ALT_NAME_DIRECTORY_NAME:
      return CopyBytes(entry.DirectoryName.pbData, entry.DirectoryName.cbData, name.value);
    case CERT_ALT_NAME_IP_ADDRESS:
      return CopyBytes(entry.IPAddress.pbData, entry.IPAddress.cbData, name.value);
    case CERT_ALT_NAME_REGISTERED_ID:
      if (entry.pszRegisteredID != nullptr) name.oid = entry.pszRegisteredID;
      return true;
    default:
      return true;
  }
}
}  // namespace

namespace luma {

bool DecodeSequenceOfAny(const CSecureBuffer& encoding, std::vector<CSecureBuffer>& elements) {
  CPlatformBlock decoded;
  if (!Decode(X509_SEQUENCE_OF_ANY, encoding, decoded)) return false;
  const auto* sequence = static_cast<const CRYPT_SEQUENCE_OF_ANY*>(decoded.block);
  std::vector<CSecureBuffer> found;
  found.reserve(sequence->cValue);
  for (DWORD i = 0; i < sequence->cValue; ++i) {
    found.emplace_back();
    if (!CopyBytes(sequence->rgValue[i].pbData, sequence->rgValue[i].cbData, found.back())) return false;
  }
  for (auto& element : found) elements.push_back(std::move(element));
  return true;
}

bool DecodeOctetString(const CSecureBuffer& encoding, CSecureBuffer& octets) {
  CPlatformBlock decoded;
  if (!Decode(X509_OCTET_STRING, encoding, decoded)) return false;
  const auto* blob = static_cast<const CRYPT_DATA_BLOB*>(decoded.block);
  return CopyBytes(blob->pbData, blob->cbData, octets);
}

bool DecodeUnicodeString(const CSecureBuffer& encoding, std::wstring& text) {
  // The program's one string reader, so that every caller accepts the same string types.
  luma::der::Element element;
  return encoding.data != nullptr && luma::der::ReadWholeElement(encoding.data, encoding.size, element) &&
         luma::der::DecodeText(element, text);
}

bool DecodeBitString(const CSecureBuffer& encoding, CSecureBuffer& bits, DWORD& unusedBits) {
  CPlatformBlock decoded;
  if (!Decode(X509_BITS, encoding, decoded)) return false;
  decoded.wipeSize = decoded.size;
  const auto* blob = static_cast<const CRYPT_BIT_BLOB*>(decoded.block);
  if (!CopyBytes(blob->pbData, blob->cbData, bits)) return false;
  unusedBits = blob->cUnusedBits;
  return true;
}

bool DecodeInteger(const CSecureBuffer& encoding, LONG& value) {
  if (encoding.empty()) return false;
  int decoded = 0;
  DWORD size = sizeof(decoded);
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_INTEGER, encoding.data, encoding.size, 0, nullptr,
                           &decoded, &size)) {
    return false;
  }
  value = decoded;
  return true;
}

bool DecodeContextTag(const CSecureBuffer& encoding, DWORD& tagNumber, CSecureBuffer& inner) {
  if (encoding.size < 2) return false;
  const BYTE first = encoding.data[0];
  if (first < 0xA0 || first > 0xBF) return false;  // context-specific and constructed only
  if ((first & 0x1F) == 0x1F) return false;        // the high-tag-number form has its number elsewhere
  CSecureBuffer copy(encoding);
  if (copy.size != encoding.size) return false;
  copy.data[0] = luma::der::kTagOctetString;  // re-tagged so the platform reads the contents
  CSecureBuffer contents;
  if (!DecodeOctetString(copy, contents)) return false;
  tagNumber = first & 0x1F;
  inner = std::move(contents);
  return true;
}

bool DecodeTime(const CSecureBuffer& encoding, FILETIME& time) {
  if (encoding.empty()) return false;
  FILETIME decoded = {};
  DWORD size = sizeof(decoded);
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_CHOICE_OF_TIME, encoding.data, encoding.size, 0, nullptr,
                           &decoded, &size)) {
    return false;
  }
  time = decoded;
  return true;
}

bool EncodeUTF8String(const CSecureBuffer& utf16, CSecureBuffer& encoding) {
  return EncodeString(CERT_RDN_UTF8_STRING, utf16, encoding);
}

bool EncodeIA5String(const std::wstring& text, CSecureBuffer& encoding) {
  const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  CSecureBuffer units(size, text.data());
  if (units.size != size) return false;
  return EncodeIA5String(units, encoding);
}

bool EncodeIA5String(const CSecureBuffer& utf16, CSecureBuffer& encoding) {
  return EncodeString(CERT_RDN_IA5_STRING, utf16, encoding);
}

bool EncodeOctetString(const CSecureBuffer& octets, CSecureBuffer& encoding) {
  static BYTE none = 0;
  CRYPT_DATA_BLOB blob = {octets.size, octets.empty() ? &none : octets.data};
  return Encode(X509_OCTET_STRING, &blob, encoding);
}

bool EncodeSequenceOfAny(const std::vector<CSecureBuffer>& elements, CSecureBuffer& encoding) {
  std::vector<CRYPT_DER_BLOB> blobs;
  blobs.reserve(elements.size());
  for (const auto& element : elements) blobs.push_back({element.size, element.data});
  CRYPT_SEQUENCE_OF_ANY sequence = {static_cast<DWORD>(blobs.size()), blobs.empty() ? nullptr : blobs.data()};
  const bool encoded = Encode(X509_SEQUENCE_OF_ANY, &sequence, encoding);
  if (!blobs.empty()) luma::SecureWipe(blobs.data(), blobs.size() * sizeof(CRYPT_DER_BLOB));
  return encoded;
}

bool EncodeAlgorithmIdentifier(const std::string& oid, CSecureBuffer& encoding) {
  static BYTE nullParameters[] = {0x05, 0x00};
  CRYPT_ALGORITHM_IDENTIFIER identifier = {};
  identifier.pszObjId = const_cast<char*>(oid.c_str());
  identifier.Parameters = {sizeof(nullParameters), nullParameters};
  if (Encode(X509_ALGORITHM_IDENTIFIER, &identifier, encoding)) return true;
  return PlatformLacksStructure() && luma::der::BuildAlgorithmIdentifier(oid, encoding);
}

bool DecodeAlgorithmIdentifier(const CSecureBuffer& encoding, std::string& oid) {
  CPlatformBlock decoded;
  if (Decode(X509_ALGORITHM_IDENTIFIER, encoding, decoded)) {
    const auto* identifier = static_cast<const CRYPT_ALGORITHM_IDENTIFIER*>(decoded.block);
    if (identifier->pszObjId == nullptr) return false;
    oid = identifier->pszObjId;
    return true;
  }
  luma::der::AlgorithmIdentifier fallback;
  if (!PlatformLacksStructure() || !luma::der::ParseAlgorithmIdentifier(encoding, fallback)) return false;
  oid = fallback.oid;
  return true;
}

bool DecodeCertificateTemplate(const CSecureBuffer& encoding, luma::der::CertificateTemplate& value) {
  CPlatformBlock decoded;
  if (Decode(X509_CERTIFICATE_TEMPLATE, encoding, decoded)) {
    const auto* extension = static_cast<const CERT_TEMPLATE_EXT*>(decoded.block);
    if (extension->pszObjId == nullptr) return false;
    value.oid = extension->pszObjId;
    value.majorVersion = extension->dwMajorVersion;
    value.hasMinorVersion = extension->fMinorVersion != FALSE;
    value.minorVersion = value.hasMinorVersion ? extension->dwMinorVersion : 0;
    return true;
  }
  return PlatformLacksStructure() && luma::der::ParseCertificateTemplate(encoding, value);
}

bool DecodeSubjectAltName(const CSecureBuffer& encoding, std::vector<luma::der::AltName>& names) {
  CPlatformBlock decoded;
  if (Decode(X509_ALTERNATE_NAME, encoding, decoded)) {
    const auto* info = static_cast<const CERT_ALT_NAME_INFO*>(decoded.block);
    std::vector<luma::der::AltName> converted(info->cAltEntry);
    for (DWORD i = 0; i < info->cAltEntry; ++i) {
      if (!ConvertAltName(info->rgAltEntry[i], converted[i])) return false;
    }
    names.swap(converted);
    return true;
  }
  return PlatformLacksStructure() && luma::der::ParseSubjectAltName(encoding, names);
}

bool LookupHashAlgorithm(const std::string& oid, ALG_ID& algId, std::wstring& cngName) {
  algId = 0xFFFFFFFF;
  cngName.clear();
  const CRYPT_OID_INFO* info =
      CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<char*>(oid.c_str()), CRYPT_HASH_ALG_OID_GROUP_ID);
  if (info == nullptr) return false;
  algId = info->Algid;
  // Older or partial platforms leave the CNG name out of their table.
  if (info->cbSize >= offsetof(CRYPT_OID_INFO, pwszCNGAlgid) + sizeof(info->pwszCNGAlgid) &&
      info->pwszCNGAlgid != nullptr && info->pwszCNGAlgid[0] != 0) {
    cngName = info->pwszCNGAlgid;
  } else if (const wchar_t* name = luma::der::CngHashAlgorithmName(algId)) {
    cngName = name;
  }
  return true;
}

}  // namespace luma
