// The numeric attributes: key length and the two validity counts.
#include "policy/core/cert_attribute_values.h"
#include "policy/filters/certificate_attributes.h"

namespace {

std::int64_t FileTimeSeconds(const FILETIME& time) {
  const std::uint64_t ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return luma::cert_values::TicksToSeconds(ticks);
}

// The integer-based base has refused CONTAINS and non-numbers; these refuse PRESENT and parameters.
bool HasParameterOrPresent(const WString& parameter, AttributeFilterOperator op) {
  return !parameter.empty() || op == AttributeFilterOperator::PRESENT;
}

}  // namespace

CCertKeyLengthFilter::CCertKeyLengthFilter(const WString& name, const WString& parameter,
                                           AttributeFilterOperator op, const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  if (HasParameterOrPresent(parameter, op)) valid = false;
}

bool CCertKeyLengthFilter::GetValue(const CertFilterItem& certificate, std::int32_t& number) const {
  number = 0;
  if (certificate == nullptr || certificate->pCertInfo == nullptr) return false;
  const DWORD bits = CertGetPublicKeyLength(X509_ASN_ENCODING, &certificate->pCertInfo->SubjectPublicKeyInfo);
  number = static_cast<std::int32_t>(bits);
  return bits != 0;
}

CCertLifetimeFilter::CCertLifetimeFilter(const WString& name, const WString& parameter,
                                         AttributeFilterOperator op, const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  if (HasParameterOrPresent(parameter, op)) valid = false;
}

bool CCertLifetimeFilter::GetValue(const CertFilterItem& certificate, std::int32_t& number) const {
  number = 0;
  if (certificate == nullptr || certificate->pCertInfo == nullptr) return true;
  number = luma::cert_values::LifetimeDays(FileTimeSeconds(certificate->pCertInfo->NotBefore),
                                           FileTimeSeconds(certificate->pCertInfo->NotAfter));
  return true;
}

CCertRemainingLifetimeFilter::CCertRemainingLifetimeFilter(const WString& name, const WString& parameter,
                                                           AttributeFilterOperator op, const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  if (HasParameterOrPresent(parameter, op)) valid = false;
}

bool CCertRemainingLifetimeFilter::GetValue(const CertFilterItem& certificate, std::int32_t& number) const {
  number = 0;
  if (certificate == nullptr || certificate->pCertInfo == nullptr) return true;
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  number = luma::cert_values::RemainingLifetimeDays(FileTimeSeconds(certificate->pCertInfo->NotAfter),
                                                    FileTimeSeconds(now));
  return true;
}
