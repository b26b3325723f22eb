#include "policy/core/policy_decoder.h"

#include "policy/core/policy_exception.h"

namespace luma {
namespace policy {

namespace {

using der::Element;

[[noreturn]] void Fail(const WCHAR* message) { throw CPolicyException(message); }

Element WholeOrNothing(const CSecureBuffer& encoded) {
  Element element;
  if (!ReadWhole(encoded.data, encoded.size, element)) element = Element();
  return element;
}

// The texts of the common head of every structure: SEQUENCE, not empty, version 1, element count.
struct StructureTexts {
  const WCHAR* notSequence;
  const WCHAR* empty;
  const WCHAR* noVersion;
  const WCHAR* badVersion;
  const WCHAR* badCount;  // null when the count is checked by the caller
};

std::vector<Element> ReadHead(const Element& element, const StructureTexts& texts, size_t count,
                              std::int32_t& version) {
  std::vector<Element> children;
  if (!ReadSequence(element, children)) Fail(texts.notSequence);
  if (children.empty()) Fail(texts.empty);
  if (!ReadInteger(children[0], version)) Fail(texts.noVersion);
  if (version != 1) Fail(texts.badVersion);
  if (texts.badCount != nullptr && children.size() != count) Fail(texts.badCount);
  return children;
}

void ReadStringOrFail(const Element& element, WString& text, const WCHAR* message) {
  if (!ReadString(element, text)) Fail(message);
}

PolicyConstraintsFields DecodePolicyConstraintsElement(const Element& element) {
  static const StructureTexts kTexts = {
      WSTR("ASN.1 Error: Malformed PolicyConstraints. Element is not a SEQUENCE."),
      WSTR("ASN.1 Error: Malformed PolicyConstraints. Empty SEQUENCE."),
      WSTR("ASN.1 Error: Malformed PolicyConstraints. Version not present."),
      WSTR("ASN.1 Error: Unsupported PolicyConstraints version"), nullptr};
  PolicyConstraintsFields fields;
  const std::vector<Element> children = ReadHead(element, kTexts, 0, fields.version);
  DWORD tag = 0;
  Element inner;
  if (children.size() > 1 && ReadTagged(children[1], tag, inner)) {
    if (tag == 0) {
      ReadStringOrFail(inner, fields.domain,
                       WSTR("ASN.1 Error: Malformed PolicyConstraints. Domain is not an IA5String."));
    } else if (tag == 1) {
      ReadStringOrFail(inner, fields.hostname,
                       WSTR("ASN.1 Error: Malformed PolicyConstraints. Hostname is not an IA5String."));
    } else {
      Fail(WSTR("ASN.1 Error: Malformed PolicyConstraints. Unsupported tag."));
    }
  }
  if (children.size() > 2 && ReadTagged(children[2], tag, inner)) {
    if (tag != 1 || !fields.hostname.empty())
      Fail(WSTR("ASN.1 Error: Malformed PolicyConstraints. Unexpected tag."));
    ReadStringOrFail(inner, fields.hostname,
                     WSTR("ASN.1 Error: Malformed PolicyConstraints.  Hostname is not an IA5String."));
  }
  return fields;
}

PinPolicyFields DecodePinPolicyElement(const Element& element) {
  static const StructureTexts kTexts = {
      WSTR("ASN.1 Error: Malformed PinPolicy. Element is not a SEQUENCE."),
      WSTR("ASN.1 Error: Malformed PinPolicy. Empty SEQUENCE."),
      WSTR("ASN.1 Error: Malformed PinPolicy. Version not present."),
      WSTR("ASN.1 Error: Unsupported PinPolicy version"),
      WSTR("ASN.1 Error: Malformed PinPolicy. SEQUENCE does not contain 5 elements.")};
  PinPolicyFields fields;
  const std::vector<Element> children = ReadHead(element, kTexts, 5, fields.version);
  std::int32_t value = 0;
  if (!ReadInteger(children[1], value))
    Fail(WSTR("ASN.1 Error: Malformed PinPolicy. Wrong type for maxPinCacheTime."));
  fields.maxPinCacheTime = static_cast<DWORD>(value);
  if (!ReadInteger(children[2], value))
    Fail(WSTR("ASN.1 Error: Malformed PinPolicy. Wrong type for maxPinCacheReuse."));
  fields.maxPinCacheReuse = static_cast<DWORD>(value);
  if (!ReadTime(children[3], fields.nextPinChange)) {
    Fail(WSTR("ASN.1 Error: Malformed PinPolicy. Wrong type for nextPinChange."));
  }
  fields.pinConstraints = CPinConstraints(children[4]);
  return fields;
}

CertificateConstraintsFields DecodeCertificateConstraintsElement(const Element& element) {
  static const StructureTexts kTexts = {
      WSTR("ASN.1 Error: Malformed CertificateConstraints. Element is not a SEQUENCE."),
      WSTR("ASN.1 Error: Malformed CertificateConstraints. Empty SEQUENCE."),
      WSTR("ASN.1 Error: Malformed CertificateConstraints. Version not present."),
      WSTR("ASN.1 Error: Unsupported CertificateConstraints version"), nullptr};
  CertificateConstraintsFields fields;
  const std::vector<Element> children = ReadHead(element, kTexts, 0, fields.version);
  if (children.size() > 2)
    Fail(WSTR("ASN.1 Error: Malformed CertificateConstraints. Unexpected data present."));
  DWORD tag = 0;
  Element inner;
  if (children.size() == 2 && ReadTagged(children[1], tag, inner)) {
    if (tag != 0) Fail(WSTR("ASN.1 Error: Malformed CertificateConstraints. Unsupported tag."));
    std::vector<Element> names;
    if (!ReadSequence(inner, names)) {
      Fail(WSTR("ASN.1 Error: Malformed CertificateConstraints. Wrong data type for processNames."));
    }
    for (const Element& name : names) {
      WString text;
      ReadStringOrFail(
          name, text,
          WSTR("ASN.1 Error: Malformed CertificateConstraints. Wrong data type for processName."));
      fields.processNames.push_back(text);
    }
  }
  return fields;
}

CertificatePolicyFields DecodeCertificatePolicyElement(const Element& element) {
  static const StructureTexts kTexts = {
      WSTR("ASN.1 Error: Malformed CertificatePolicy. Element is not a SEQUENCE."),
      WSTR("ASN.1 Error: Malformed CertificatePolicy. Empty SEQUENCE."),
      WSTR("ASN.1 Error: Malformed CertificatePolicy. Version not present."),
      WSTR("ASN.1 Error: Unsupported CertificatePolicy version"),
      WSTR("ASN.1 Error: Malformed CertificatePolicy. SEQUENCE does not contain 8 elements.")};
  CertificatePolicyFields fields;
  const std::vector<Element> children = ReadHead(element, kTexts, 8, fields.version);
  ReadStringOrFail(children[1], fields.alias,
                   WSTR("ASN.1 Error: Malformed CertificatePolicy. alias is not an IA5String."));
  ReadStringOrFail(children[2], fields.friendlyName,
                   WSTR("ASN.1 Error: Malformed CertificatePolicy. friendlyName is not an IA5String."));
  fields.pinPolicy = DecodePinPolicyElement(children[3]);
  ReadStringOrFail(children[4], fields.policyNotification,
                   WSTR("ASN.1 Error: Malformed CertificatePolicy. policyNotification is not an IA5String."));
  fields.constraints = DecodeCertificateConstraintsElement(children[5]);
  fields.certificateType = CCertificateType(children[6]);
  if (!ReadOctetString(children[7], fields.certificate)) {
    Fail(WSTR("ASN.1 Error: Malformed CertificatePolicy. certificate is not an OCTET STRING."));
  }
  return fields;
}

}  // namespace

PolicyFields DecodePolicy(const CSecureBuffer& encoded) {
  static const StructureTexts kTexts = {
      WSTR("ASN.1 Error: Malformed Policy. Element is not a SEQUENCE."),
      WSTR("ASN.1 Error: Malformed Policy. Empty SEQUENCE."),
      WSTR("ASN.1 Error: Malformed Policy. Version not present."),
      WSTR("ASN.1 Error: Unsupported Policy version"),
      WSTR("ASN.1 Error: Malformed Policy. SEQUENCE does not contain 10 elements.")};
  PolicyFields fields;
  const std::vector<Element> children = ReadHead(WholeOrNothing(encoded), kTexts, 10, fields.version);
  if (!ReadTime(children[1], fields.thisUpdate))
    Fail(WSTR("ASN.1 Error: Malformed Policy. Wrong type for thisUpdate."));
  if (!ReadTime(children[2], fields.nextUpdate))
    Fail(WSTR("ASN.1 Error: Malformed Policy. Wrong type for nextUpdate."));
  ReadStringOrFail(children[3], fields.issuerId,
                   WSTR("ASN.1 Error: Malformed CertificatePolicy. issuerId is not an IA5String."));
  if (!ReadOctetString(children[4], fields.issuerIcon)) {
    Fail(WSTR("ASN.1 Error: Malformed Policy. issuerIcon is not an OCTET STRING."));
  }
  if (!ReadOctetString(children[5], fields.issuerEncCert)) {
    Fail(WSTR("ASN.1 Error: Malformed Policy. issuerEncCert is not an OCTET STRING."));
  }
  ReadStringOrFail(children[6], fields.userId,
                   WSTR("ASN.1 Error: Malformed CertificatePolicy. userId is not an IA5String."));
  ReadStringOrFail(children[7], fields.userFriendlyName,
                   WSTR("ASN.1 Error: Malformed CertificatePolicy. userFriendlyName is not an IA5String."));
  fields.constraints = DecodePolicyConstraintsElement(children[8]);
  std::vector<Element> certificatePolicies;
  if (!ReadSequence(children[9], certificatePolicies)) {
    Fail(WSTR("ASN.1 Error: Malformed Policy. certificatePolicies is not a SEQUENCE."));
  }
  for (const Element& certificatePolicy : certificatePolicies) {
    fields.certificatePolicies.emplace_back(certificatePolicy.encodingSize, certificatePolicy.encoding);
  }
  return fields;
}

PolicyConstraintsFields DecodePolicyConstraints(const CSecureBuffer& encoded) {
  return DecodePolicyConstraintsElement(WholeOrNothing(encoded));
}

CertificatePolicyFields DecodeCertificatePolicy(const CSecureBuffer& encoded) {
  return DecodeCertificatePolicyElement(WholeOrNothing(encoded));
}

PinPolicyFields DecodePinPolicy(const CSecureBuffer& encoded) {
  return DecodePinPolicyElement(WholeOrNothing(encoded));
}

CertificateConstraintsFields DecodeCertificateConstraints(const CSecureBuffer& encoded) {
  return DecodeCertificateConstraintsElement(WholeOrNothing(encoded));
}

}  // namespace policy
}  // namespace luma
