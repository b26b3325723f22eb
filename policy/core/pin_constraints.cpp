#include "policy/core/pin_constraints.h"

#include <vector>

#include "policy/core/policy_der_reader.h"
#include "policy/core/policy_exception.h"

using luma::der::Element;

CPinConstraints::CPinConstraints(const CSecureBuffer& encoded) {
  Element element;
  if (!luma::policy::ReadWhole(encoded.data, encoded.size, element)) element = Element();
  Decode(element);
}

CPinConstraints::CPinConstraints(const Element& element) { Decode(element); }

void CPinConstraints::Decode(const Element& element) {
  std::vector<Element> children;
  if (!luma::policy::ReadSequence(element, children)) {
    throw CPolicyException(WSTR("ASN.1 Error: Malformed PinConstraints. Element is not a SEQUENCE."));
  }
  if (children.empty())
    throw CPolicyException(WSTR("ASN.1 Error: Malformed PinConstraints. Empty SEQUENCE."));
  if (!luma::policy::ReadInteger(children[0], version)) {
    throw CPolicyException(WSTR("ASN.1 Error: Malformed PinConstraints. Version not present."));
  }
  if (version != 1) throw CPolicyException(WSTR("ASN.1 Error: Unsupported PinConstraints version"));
  if (children.size() != 7) {
    throw CPolicyException(
        WSTR("ASN.1 Error: Malformed PinConstraints. SEQUENCE does not contain 7 elements."));
  }
  struct Field {
    DWORD* target;
    const WCHAR* error;
  };
  const Field fields[] = {
      {&minLength, WSTR("ASN.1 Error: Malformed PinConstraints. Wrong type for minLength.")},
      {&maxLength, WSTR("ASN.1 Error: Malformed PinConstraints. Wrong type for maxLength.")},
      {&minNumericCharacters,
       WSTR("ASN.1 Error: Malformed PinConstraints. Wrong type for minNumericCharacters.")},
      {&minSymbolCharacters,
       WSTR("ASN.1 Error: Malformed PinConstraints. Wrong type for minSymbolCharacters.")},
      {&minUpperCaseCharacters,
       WSTR("ASN.1 Error: Malformed PinConstraints. Wrong type for minUpperCaseCharacters.")},
      {&minLowerCaseCharacters,
       WSTR("ASN.1 Error: Malformed PinConstraints. Wrong type for minLowerCaseCharacters.")},
  };
  for (size_t i = 0; i < 6; ++i) {
    std::int32_t value = 0;
    if (!luma::policy::ReadInteger(children[i + 1], value)) throw CPolicyException(fields[i].error);
    *fields[i].target = static_cast<DWORD>(value);
  }
}

bool CPinConstraints::operator==(const CPinConstraints& other) const {
  return version == other.version && minLength == other.minLength && maxLength == other.maxLength &&
         minNumericCharacters == other.minNumericCharacters &&
         minSymbolCharacters == other.minSymbolCharacters &&
         minUpperCaseCharacters == other.minUpperCaseCharacters &&
         minLowerCaseCharacters == other.minLowerCaseCharacters;
}
