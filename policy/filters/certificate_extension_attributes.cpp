// The attributes over whole extensions: alternative names and the presence of an extension.
#include <vector>

#include "foundation/core/der_structures.h"
#include "foundation/core/string_utils.h"
#include "foundation/win/der_helpers.h"
#include "policy/filters/certificate_attribute_reading.h"
#include "policy/filters/certificate_attributes.h"

namespace {

DWORD AltNameChoiceOf(std::int32_t kind) {
  switch (kind) {
    case CCertSubjectAltNameFilter::kEmail:
      return luma::der::kAltNameRfc822;
    case CCertSubjectAltNameFilter::kDnsName:
      return luma::der::kAltNameDns;
    default:
      return luma::der::kAltNameOtherName;
  }
}

// The names of one kind, in the order of the extension. The DER helper reads the extension with
// the portable reader where the platform decoder refuses an otherName, so that the e-mail and DNS
// names of a certificate with a principal name are found too.
std::vector<WString> CollectAltNames(PCCERT_CONTEXT certificate, std::int32_t kind) {
  std::vector<WString> found;
  const CERT_EXTENSION* extension =
      luma::cert_filters::FindCertExtension(certificate, szOID_SUBJECT_ALT_NAME2);
  if (extension == nullptr) return found;
  std::vector<luma::der::AltName> names;
  if (!luma::DecodeSubjectAltName(CSecureBuffer(extension->Value.cbData, extension->Value.pbData), names)) {
    return found;
  }
  const DWORD choice = AltNameChoiceOf(kind);
  for (const auto& name : names) {
    if (name.choice != choice) continue;
    // A principal name is an otherName of its type whose value is a character string.
    if (choice == luma::der::kAltNameOtherName &&
        (name.oid != luma::der::kUpnOtherNameOid || name.text.empty())) {
      continue;
    }
    found.push_back(name.text);
  }
  return found;
}

}  // namespace

CCertSubjectAltNameFilter::CCertSubjectAltNameFilter(const WString& name, const WString& parameterText,
                                                     AttributeFilterOperator op, const WString& value)
    : CCertFilterOf(name, luma::ToUpperCase(parameterText), op, value) {
  if (parameter == WSTR("UPN")) {
    nameKind = kPrincipalName;
  } else if (parameter == WSTR("RFC822") || parameter == WSTR("EMAIL") || parameter == WSTR("MAIL")) {
    nameKind = kEmail;
  } else if (parameter == WSTR("DNS") || parameter == WSTR("DNSNAME")) {
    nameKind = kDnsName;
  }
  if (op == AttributeFilterOperator::CONTAINS) upperValue = luma::ToUpperCase(value);
  valid = nameKind != kNone && op != AttributeFilterOperator::GREATER_OR_EQUAL &&
          op != AttributeFilterOperator::LESS_OR_EQUAL;
}

bool CCertSubjectAltNameFilter::Match(const CertFilterItem& certificate) const {
  if (!valid) return false;
  const std::vector<WString> names = CollectAltNames(certificate, nameKind);
  switch (filterOperator) {
    case AttributeFilterOperator::PRESENT:
      return !names.empty();
    case AttributeFilterOperator::CONTAINS:
      for (const WString& name : names) {
        if (luma::ToUpperCase(name).find(upperValue) != WString::npos) return true;
      }
      return false;
    case AttributeFilterOperator::EQUALS:
      return names.size() == 1 && names.front() == value;
    default:
      return false;
  }
}

CCertExtensionFilter::CCertExtensionFilter(const WString& name, const WString& parameter,
                                           AttributeFilterOperator op, const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  valid = op == AttributeFilterOperator::PRESENT && !parameter.empty();
}

bool CCertExtensionFilter::Match(const CertFilterItem& certificate) const {
  if (!valid || filterOperator != AttributeFilterOperator::PRESENT) return false;
  const std::string oid = luma::WideToNarrow(parameter);
  return !oid.empty() && luma::cert_filters::FindCertExtension(certificate, oid.c_str()) != nullptr;
}
