#include "policy/core/certificate_type.h"

#include "policy/core/policy_der_reader.h"
#include "policy/core/policy_exception.h"

using luma::der::Element;

CCertificateType::CCertificateType(const CSecureBuffer& encoded) {
  Element element;
  if (!luma::policy::ReadWhole(encoded.data, encoded.size, element)) element = Element();
  Decode(element);
}

CCertificateType::CCertificateType(const Element& element) { Decode(element); }

void CCertificateType::Decode(const Element& element) {
  CSecureBuffer content;
  if (!luma::policy::ReadBitString(element, content)) {
    throw CPolicyException(WSTR("ASN.1 Error: Malformed CertificateType. Element is not a BIT STRING."));
  }
  if (content.size != 1) {
    throw CPolicyException(WSTR("ASN.1 Error: Malformed CertificateType. Wrong size of BIT STRING."));
  }
  bits = content.data[0];
  for (int i = 0; i < kFlagCount; ++i) flags[i] = (bits & (1u << i)) != 0;
}
