#include "policy/signed/certificate_policy.h"

#include <ctime>

#include "foundation/win/system_utils.h"
#include "policy/core/policy_decoder.h"

CCertificatePolicy::CCertificatePolicy(const std::wstring& accountKey, const CSecureBuffer& encoded)
    : accountKey(accountKey) {
  luma::policy::CertificatePolicyFields fields = luma::policy::DecodeCertificatePolicy(encoded);
  version = fields.version;
  alias = fields.alias;
  friendlyName = fields.friendlyName;
  pinPolicy = CPinPolicy(fields.pinPolicy);
  policyNotification = fields.policyNotification;
  constraints = CCertificateConstraints(fields.constraints);
  certificateType = fields.certificateType;
  containerName = luma::Sha1GuidString(fields.certificate);
  descriptor = CCertificateDescriptor(containerName, fields.certificate);
  enabled = true;
}

bool CCertificatePolicy::operator==(const CCertificatePolicy& other) const {
  const CPinPolicy& pin = pinPolicy;
  const CPinPolicy& otherPin = other.pinPolicy;
  return version == other.version && accountKey == other.accountKey && alias == other.alias &&
         friendlyName == other.friendlyName && pin.version == otherPin.version &&
         pin.maxPinCacheTime == otherPin.maxPinCacheTime &&
         pin.maxPinCacheReuse == otherPin.maxPinCacheReuse &&
         CompareFileTime(&pin.nextPinChange, &otherPin.nextPinChange) == 0 &&
         pin.pinConstraints == otherPin.pinConstraints && policyNotification == other.policyNotification &&
         constraints.version == other.constraints.version &&
         constraints.processNames == other.constraints.processNames &&
         certificateType.bits == other.certificateType.bits && containerName == other.containerName &&
         GetEncodedCertificate() == other.GetEncodedCertificate();
}

namespace {

// Seconds since 1970 of calendar fields read as local time by the runtime; -1 when it cannot.
__int64 LocalFieldsToTime64(const SYSTEMTIME& fields) {
  std::tm value = {};
  value.tm_year = fields.wYear - 1900;
  value.tm_mon = fields.wMonth - 1;
  value.tm_mday = fields.wDay;
  value.tm_hour = fields.wHour;
  value.tm_min = fields.wMinute;
  value.tm_sec = fields.wSecond;
  value.tm_isdst = -1;
  return _mktime64(&value);
}

}  // namespace

std::int64_t CCertificatePolicy::GetDaysUntilExpiry() const {
  PCCERT_CONTEXT certificate = descriptor.GetCertificate();
  if (certificate == nullptr) return 0;
  FILETIME local;
  SYSTEMTIME notAfter;
  if (!FileTimeToLocalFileTime(&certificate->pCertInfo->NotAfter, &local) ||
      !FileTimeToSystemTime(&local, &notAfter)) {
    return 0;
  }
  SYSTEMTIME now;
  GetSystemTime(&now);
  // The present's UTC fields are read as local time, so the local offset enters the difference.
  const __int64 present = now.wYear < 1900 ? 0 : LocalFieldsToTime64(now);
  return (LocalFieldsToTime64(notAfter) - present) / 86400;
}

bool CCertificatePolicy::IsPinChangeDueBeforeExpiry() const {
  if (pinPolicy.HasNoPin()) return false;
  if (certificateType.flags[CCertificateType::kEncryption]) return true;
  const std::int64_t daysUntilExpiry = GetDaysUntilExpiry();
  if (daysUntilExpiry < 0) return false;
  return pinPolicy.GetDaysUntilPinChange() < daysUntilExpiry;
}
