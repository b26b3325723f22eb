#include "service/core/enveloped_data.h"

#include <initializer_list>
#include <string>
#include <utility>

#include "foundation/core/der_codec.h"

namespace luma {
namespace service {

namespace {
using der::Element;

constexpr BYTE kTagExplicit0 = der::kClassContext | der::kConstructed | 0;         // [0] constructed
constexpr BYTE kTagExplicit1 = der::kClassContext | der::kConstructed | 1;         // [1] constructed
constexpr BYTE kTagImplicitContent = der::kClassContext | 0;                       // [0] primitive
constexpr BYTE kTagSegmentedContent = der::kClassContext | der::kConstructed | 0;  // [0] constructed

// The children of an element that must carry the given tag; false when it does not or they do not
// fill it.
bool ChildrenOf(const Element& element, BYTE tag, std::vector<Element>& children) {
  return element.tag == tag && der::ReadChildren(element, children);
}

bool IsOid(const Element& element, const char* dotted) {
  std::string oid;
  return element.tag == der::kTagOid && der::DecodeOid(element.content, element.contentSize, oid) &&
         oid == dotted;
}

bool IsValidOid(const Element& element) {
  std::string oid;
  return element.tag == der::kTagOid && der::DecodeOid(element.content, element.contentSize, oid);
}

// A small non-negative INTEGER such as a version.
bool ReadVersion(const Element& element, std::int32_t& version) {
  return element.tag == der::kTagInteger && der::DecodeInt32(element.content, element.contentSize, version);
}

CSecureBuffer Copy(const BYTE* data, DWORD size) { return CSecureBuffer(size, data); }

// A copy must hold all bytes; a short copy means memory ran out.
bool CopyInto(const BYTE* data, DWORD size, CSecureBuffer& out) {
  out = Copy(data, size);
  return out.size == size;
}

// Name ::= SEQUENCE OF RelativeDistinguishedName (SET): only its outline is checked, the bytes are
// compared whole.
bool IsName(const Element& element) {
  std::vector<Element> sets;
  if (!ChildrenOf(element, der::kTagSequence, sets)) return false;
  std::vector<Element> attributes;
  for (const Element& set : sets) {
    if (!ChildrenOf(set, der::kTagSet, attributes) || attributes.empty()) return false;
  }
  return true;
}

EnvelopeFault ReadIssuerAndSerial(const Element& issuerElement, const Element& serialElement,
                                  IssuerAndSerial& out) {
  if (!IsName(issuerElement)) return EnvelopeFault::kMalformed;
  if (serialElement.tag != der::kTagInteger || serialElement.contentSize == 0 ||
      serialElement.contentSize > kMaxSerialNumberSize) {
    return EnvelopeFault::kMalformed;
  }
  IssuerAndSerial id;
  if (!CopyInto(issuerElement.encoding, issuerElement.encodingSize, id.issuer) ||
      !CopyInto(serialElement.content, serialElement.contentSize, id.serialNumber)) {
    return EnvelopeFault::kMalformed;
  }
  out = std::move(id);
  return EnvelopeFault::kNone;
}

// AlgorithmIdentifier ::= SEQUENCE { algorithm OID, parameters ANY OPTIONAL }.
bool ReadAlgorithm(const Element& element, std::vector<Element>& parts) {
  return ChildrenOf(element, der::kTagSequence, parts) && (parts.size() == 1 || parts.size() == 2) &&
         IsValidOid(parts[0]);
}

// KeyTransRecipientInfo ::= SEQUENCE { version 0, rid IssuerAndSerialNumber,
//   keyEncryptionAlgorithm rsaEncryption, encryptedKey OCTET STRING }.
EnvelopeFault ReadRecipient(const Element& element, EnvelopeRecipient& out) {
  if (element.tag != der::kTagSequence) {
    // The other recipient kinds (key agreement, key encryption key, password) are tagged choices.
    return (element.tag & der::kClassContext) ? EnvelopeFault::kUnsupportedForm : EnvelopeFault::kMalformed;
  }
  std::vector<Element> parts;
  std::int32_t version = 0;
  if (!der::ReadChildren(element, parts) || parts.size() != 4 || !ReadVersion(parts[0], version)) {
    return EnvelopeFault::kMalformed;
  }
  if (version != 0 || parts[1].tag != der::kTagSequence) {
    return EnvelopeFault::kUnsupportedForm;  // version 2 names the key by its subject key identifier
  }
  std::vector<Element> rid;
  if (!der::ReadChildren(parts[1], rid) || rid.size() != 2) return EnvelopeFault::kMalformed;
  EnvelopeRecipient recipient;
  const EnvelopeFault idFault = ReadIssuerAndSerial(rid[0], rid[1], recipient.id);
  if (idFault != EnvelopeFault::kNone) return idFault;

  std::vector<Element> algorithm;
  if (!ReadAlgorithm(parts[2], algorithm)) return EnvelopeFault::kMalformed;
  if (!IsOid(algorithm[0], kOidRsaEncryption)) return EnvelopeFault::kUnsupportedAlgorithm;
  if (algorithm.size() == 2 && (algorithm[1].tag != der::kTagNull || algorithm[1].contentSize != 0)) {
    return EnvelopeFault::kMalformed;
  }
  const Element& key = parts[3];
  if (key.tag != der::kTagOctetString || key.contentSize == 0 || key.contentSize > kMaxEncryptedKeySize ||
      !CopyInto(key.content, key.contentSize, recipient.encryptedKey)) {
    return EnvelopeFault::kMalformed;
  }
  out = std::move(recipient);
  return EnvelopeFault::kNone;
}

// EncryptedContentInfo ::= SEQUENCE { contentType id-data, contentEncryptionAlgorithm aes256-CBC with
//   the IV as OCTET STRING, encryptedContent [0] IMPLICIT OCTET STRING }.
EnvelopeFault ReadEncryptedContent(const Element& element, Envelope& out) {
  std::vector<Element> parts;
  if (!ChildrenOf(element, der::kTagSequence, parts) || parts.size() < 2 || parts.size() > 3 ||
      !IsValidOid(parts[0])) {
    return EnvelopeFault::kMalformed;
  }
  if (!IsOid(parts[0], kOidData)) return EnvelopeFault::kUnsupportedForm;
  std::vector<Element> algorithm;
  if (!ReadAlgorithm(parts[1], algorithm)) return EnvelopeFault::kMalformed;
  if (!IsOid(algorithm[0], kOidAes256Cbc)) return EnvelopeFault::kUnsupportedAlgorithm;
  if (algorithm.size() != 2 || algorithm[1].tag != der::kTagOctetString ||
      algorithm[1].contentSize != kCipherBlockSize) {
    return EnvelopeFault::kMalformed;
  }
  if (parts.size() == 2) return EnvelopeFault::kUnsupportedForm;  // content carried elsewhere
  const Element& content = parts[2];
  if (content.tag == kTagSegmentedContent) return EnvelopeFault::kUnsupportedForm;  // BER only
  if (content.tag != kTagImplicitContent || content.contentSize == 0 ||
      content.contentSize % kCipherBlockSize != 0) {
    return EnvelopeFault::kMalformed;
  }
  if (!CopyInto(algorithm[1].content, algorithm[1].contentSize, out.iv) ||
      !CopyInto(content.content, content.contentSize, out.encryptedContent)) {
    return EnvelopeFault::kMalformed;
  }
  return EnvelopeFault::kNone;
}

// EnvelopedData ::= SEQUENCE { version 0, recipientInfos SET OF RecipientInfo,
//   encryptedContentInfo } without originatorInfo [0] and unprotectedAttrs [1].
EnvelopeFault ReadEnvelopedData(const Element& element, Envelope& out) {
  std::vector<Element> parts;
  if (!ChildrenOf(element, der::kTagSequence, parts) || parts.size() < 3 || parts.size() > 5) {
    return EnvelopeFault::kMalformed;
  }
  std::int32_t version = 0;
  if (!ReadVersion(parts[0], version)) return EnvelopeFault::kMalformed;
  if (parts[1].tag == kTagExplicit0 || parts.back().tag == kTagExplicit1) {
    return EnvelopeFault::kUnsupportedForm;
  }
  if (parts.size() != 3) return EnvelopeFault::kMalformed;
  if (version != 0) return EnvelopeFault::kUnsupportedForm;

  std::vector<Element> recipientInfos;
  if (!ChildrenOf(parts[1], der::kTagSet, recipientInfos) || recipientInfos.empty()) {
    return EnvelopeFault::kMalformed;
  }
  if (recipientInfos.size() > kMaxRecipients) return EnvelopeFault::kUnsupportedForm;
  Envelope envelope;
  for (const Element& info : recipientInfos) {
    EnvelopeRecipient recipient;
    const EnvelopeFault fault = ReadRecipient(info, recipient);
    if (fault != EnvelopeFault::kNone) return fault;
    envelope.recipients.push_back(std::move(recipient));
  }
  const EnvelopeFault fault = ReadEncryptedContent(parts[2], envelope);
  if (fault != EnvelopeFault::kNone) return fault;
  out = std::move(envelope);
  return EnvelopeFault::kNone;
}

bool Append(BYTE tag, const CSecureBuffer& content, CSecureBuffer& out) {
  return der::AppendElement(tag, content.data, content.size, out);
}

// Appends the concatenation of parts as one element.
bool AppendConstructed(BYTE tag, std::initializer_list<const CSecureBuffer*> parts, CSecureBuffer& out) {
  CSecureBuffer content;
  for (const CSecureBuffer* part : parts) {
    const DWORD before = content.size;
    content.Append(part->size, part->data);
    if (content.size != before + part->size) return false;
  }
  return Append(tag, content, out);
}

bool AppendOid(const char* dotted, CSecureBuffer& out) {
  CSecureBuffer content;
  return der::EncodeOid(dotted, content) && Append(der::kTagOid, content, out);
}

bool IsSerialNumber(const CSecureBuffer& serial) {
  return !serial.empty() && serial.size <= kMaxSerialNumberSize;
}
}  // namespace

const char* DescribeEnvelopeFault(EnvelopeFault fault) {
  switch (fault) {
    case EnvelopeFault::kNone:
      return "no fault";
    case EnvelopeFault::kMalformed:
      return "the envelope is not well-formed DER enveloped data";
    case EnvelopeFault::kNotEnvelopedData:
      return "the message is not enveloped data";
    case EnvelopeFault::kUnsupportedForm:
      return "the envelope uses a version, option or recipient kind that is not supported";
    case EnvelopeFault::kUnsupportedAlgorithm:
      return "the envelope uses an algorithm other than RSA key transport and AES-256-CBC";
  }
  return "unknown fault";
}

EnvelopeFault ReadEnvelope(const BYTE* data, DWORD size, Envelope& out) {
  Element contentInfo;
  std::vector<Element> parts;
  if (!der::ReadWholeElement(data, size, contentInfo) || !ChildrenOf(contentInfo, der::kTagSequence, parts) ||
      parts.size() != 2 || !IsValidOid(parts[0]) || parts[1].tag != kTagExplicit0) {
    return EnvelopeFault::kMalformed;
  }
  if (!IsOid(parts[0], kOidEnvelopedData)) return EnvelopeFault::kNotEnvelopedData;
  Element envelopedData;
  if (!der::ReadWholeElement(parts[1].content, parts[1].contentSize, envelopedData)) {
    return EnvelopeFault::kMalformed;
  }
  return ReadEnvelopedData(envelopedData, out);
}

bool WriteEnvelope(const Envelope& envelope, CSecureBuffer& out) {
  if (envelope.recipients.size() != 1 || envelope.iv.size != kCipherBlockSize ||
      envelope.encryptedContent.empty() || envelope.encryptedContent.size % kCipherBlockSize != 0) {
    return false;
  }
  const EnvelopeRecipient& recipient = envelope.recipients.front();
  Element issuer;
  if (!der::ReadWholeElement(recipient.id.issuer.data, recipient.id.issuer.size, issuer) || !IsName(issuer) ||
      !IsSerialNumber(recipient.id.serialNumber) || recipient.encryptedKey.empty() ||
      recipient.encryptedKey.size > kMaxEncryptedKeySize) {
    return false;
  }
  static const BYTE kZero = 0;
  const CSecureBuffer zero(1, &kZero);
  const CSecureBuffer noParameters;

  // KeyTransRecipientInfo
  CSecureBuffer version, serial, issuerAndSerial, rsa, rsaAlgorithm, encryptedKey, recipientInfo;
  CSecureBuffer recipientInfos;
  const bool recipientWritten =
      Append(der::kTagInteger, zero, version) &&
      Append(der::kTagInteger, recipient.id.serialNumber, serial) &&
      AppendConstructed(der::kTagSequence, {&recipient.id.issuer, &serial}, issuerAndSerial) &&
      AppendOid(kOidRsaEncryption, rsa) && Append(der::kTagNull, noParameters, rsa) &&
      Append(der::kTagSequence, rsa, rsaAlgorithm) &&
      Append(der::kTagOctetString, recipient.encryptedKey, encryptedKey) &&
      AppendConstructed(der::kTagSequence, {&version, &issuerAndSerial, &rsaAlgorithm, &encryptedKey},
                        recipientInfo) &&
      Append(der::kTagSet, recipientInfo, recipientInfos);
  if (!recipientWritten) return false;

  // EncryptedContentInfo
  CSecureBuffer dataType, aes, aesAlgorithm, content, encryptedContentInfo;
  const bool contentWritten =
      AppendOid(kOidData, dataType) && AppendOid(kOidAes256Cbc, aes) &&
      Append(der::kTagOctetString, envelope.iv, aes) && Append(der::kTagSequence, aes, aesAlgorithm) &&
      Append(kTagImplicitContent, envelope.encryptedContent, content) &&
      AppendConstructed(der::kTagSequence, {&dataType, &aesAlgorithm, &content}, encryptedContentInfo);
  if (!contentWritten) return false;

  CSecureBuffer envelopedData, wrapped, contentType, contentInfo;
  const bool written = AppendConstructed(der::kTagSequence,
                                         {&version, &recipientInfos, &encryptedContentInfo}, envelopedData) &&
                       Append(kTagExplicit0, envelopedData, wrapped) &&
                       AppendOid(kOidEnvelopedData, contentType) &&
                       AppendConstructed(der::kTagSequence, {&contentType, &wrapped}, contentInfo);
  if (!written) return false;
  out = std::move(contentInfo);
  return true;
}

EnvelopeFault ReadCertificateIssuerAndSerial(const BYTE* data, DWORD size, IssuerAndSerial& out) {
  // Certificate ::= SEQUENCE { tbsCertificate, signatureAlgorithm, signature }
  // TBSCertificate ::= SEQUENCE { [0] version OPTIONAL, serialNumber, signature, issuer, ... }
  Element certificate;
  std::vector<Element> parts, tbs;
  if (!der::ReadWholeElement(data, size, certificate) || !ChildrenOf(certificate, der::kTagSequence, parts) ||
      parts.size() != 3 || !ChildrenOf(parts[0], der::kTagSequence, tbs)) {
    return EnvelopeFault::kMalformed;
  }
  const std::size_t first = (!tbs.empty() && tbs[0].tag == kTagExplicit0) ? 1 : 0;
  if (tbs.size() < first + 6 || tbs[first + 1].tag != der::kTagSequence) return EnvelopeFault::kMalformed;
  return ReadIssuerAndSerial(tbs[first + 2], tbs[first], out);
}

const EnvelopeRecipient* FindRecipient(const Envelope& envelope, const IssuerAndSerial& id) {
  for (const EnvelopeRecipient& recipient : envelope.recipients) {
    if (recipient.id == id) return &recipient;
  }
  return nullptr;
}

}  // namespace service
}  // namespace luma
