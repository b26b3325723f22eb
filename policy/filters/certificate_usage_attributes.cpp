// The set-valued attributes: key usage, extended key usage and certificate policies.
#include <algorithm>

#include "foundation/core/string_utils.h"
#include "policy/core/cert_attribute_values.h"
#include "policy/filters/cert_wrapper.h"
#include "policy/filters/certificate_attribute_reading.h"
#include "policy/filters/certificate_attributes.h"

using luma::cert_filters::HasParameterOrRange;
using luma::cert_values::IsDottedDigits;
using luma::cert_values::ParseValueList;

namespace {

// CONTAINS of the set attributes: the certificate has something, and everything asked for.
bool HoldsAll(const std::set<WString>& certificateItems, const std::set<WString>& wanted) {
  return !certificateItems.empty() &&
         std::includes(certificateItems.begin(), certificateItems.end(), wanted.begin(), wanted.end());
}

}  // namespace

CCertKeyUsageAttributeFilter::CCertKeyUsageAttributeFilter(const WString& name, const WString& parameter,
                                                           AttributeFilterOperator op, const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  for (const WString& item : ParseValueList(value)) {
    DWORD bit = 0;
    if (!luma::cert_values::LookupKeyUsageBit(item, bit)) {
      valid = false;
      continue;
    }
    flags |= bit;
  }
  if (HasParameterOrRange(parameter, op)) valid = false;
}

bool CCertKeyUsageAttributeFilter::Match(const CertFilterItem& certificate) const {
  if (!valid || certificate == nullptr) return false;
  DWORD usage = 0;
  // Without the extension the call fails and the usage stays 0.
  CertGetIntendedKeyUsage(luma::cert_filters::kCertEncoding, certificate->pCertInfo,
                          reinterpret_cast<BYTE*>(&usage), sizeof(usage));
  switch (filterOperator) {
    case AttributeFilterOperator::EQUALS:
      return usage == flags;
    case AttributeFilterOperator::CONTAINS:
      return (usage & flags) == flags;
    default:
      return false;
  }
}

CCertExtendedKeyUsageAttributeFilter::CCertExtendedKeyUsageAttributeFilter(const WString& name,
                                                                           const WString& parameter,
                                                                           AttributeFilterOperator op,
                                                                           const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  for (const WString& item : ParseValueList(value)) {
    WString oid;
    if (luma::cert_values::LookupExtendedKeyUsageOid(item, oid)) {
      usages.insert(oid);
    } else if (IsDottedDigits(item)) {
      usages.insert(item);  // the empty item too: it matches no certificate
    } else {
      valid = false;
    }
  }
  if (HasParameterOrRange(parameter, op)) valid = false;
}

bool CCertExtendedKeyUsageAttributeFilter::Match(const CertFilterItem& certificate) const {
  if (!valid || certificate == nullptr) return false;
  CCertWrapper wrapper(certificate);
  // The platform also answers for a certificate without the extension, with no usages.
  const bool queried = wrapper.LoadEnhancedKeyUsages();
  const std::set<WString>& present = wrapper.GetEnhancedKeyUsages();
  switch (filterOperator) {
    case AttributeFilterOperator::EQUALS:
      return present == usages;
    case AttributeFilterOperator::PRESENT:
      return queried;
    case AttributeFilterOperator::CONTAINS:
      return HoldsAll(present, usages);
    default:
      return false;
  }
}

CCertPoliciesFilter::CCertPoliciesFilter(const WString& name, const WString& parameter,
                                         AttributeFilterOperator op, const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  for (const WString& item : ParseValueList(value)) {
    if (IsDottedDigits(item)) {
      policies.insert(item);
    } else {
      valid = false;
    }
  }
  if (HasParameterOrRange(parameter, op)) valid = false;
}

bool CCertPoliciesFilter::Match(const CertFilterItem& certificate) const {
  if (!valid) return false;
  std::set<WString> present;
  const CERT_EXTENSION* extension = luma::cert_filters::FindCertExtension(certificate, szOID_CERT_POLICIES);
  if (extension != nullptr) {
    const auto decoded = luma::cert_filters::DecodeCertExtension(*extension, X509_CERT_POLICIES);
    if (decoded) {
      const auto* info = static_cast<const CERT_POLICIES_INFO*>(decoded.get());
      for (DWORD i = 0; i < info->cPolicyInfo; ++i) {
        if (info->rgPolicyInfo[i].pszPolicyIdentifier != nullptr) {
          present.insert(luma::NarrowToWide(info->rgPolicyInfo[i].pszPolicyIdentifier));
        }
      }
    }
  }
  switch (filterOperator) {
    case AttributeFilterOperator::EQUALS:
      return present == policies;
    case AttributeFilterOperator::PRESENT:
      return extension != nullptr && !present.empty();
    case AttributeFilterOperator::CONTAINS:
      return HoldsAll(present, policies);
    default:
      return false;
  }
}
