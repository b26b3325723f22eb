#include "policy/filters/legacy_cert_filters.h"

#include <wincrypt.h>

#include "foundation/core/little_endian.h"
#include "foundation/core/string_utils.h"
#include "policy/core/legacy_filter_rules.h"
#include "policy/core/legacy_keyword_tables.h"
#include "policy/filters/cert_wrapper.h"

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

std::uint64_t FileTimeValue(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The key usage bits, read once into the wrapper when the call succeeds; 0 without the extension.
std::uint32_t KeyUsageOf(CCertWrapper& wrapper) {
  if (wrapper.GetKeyUsage() == 0 && wrapper.GetCertificate()) {
    BYTE bits[4] = {};
    if (CertGetIntendedKeyUsage(kEncoding, wrapper.GetCertificate()->pCertInfo, bits, sizeof(bits))) {
      wrapper.SetKeyUsage(luma::ReadLE32(bits));
    }
  }
  return wrapper.GetKeyUsage();
}

}  // namespace

CKeyUsageCertFilter::CKeyUsageCertFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), mask(luma::policy::KeyUsageMaskOf(value)) {}

bool CKeyUsageCertFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || mask == 0) return false;
  return luma::policy::MatchLegacyKeyUsage(op, KeyUsageOf(*certificate), mask);
}

CExtendedKeyUsageCertFilter::CExtendedKeyUsageCertFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), usage(luma::policy::EnhancedKeyUsageOidOf(value)) {}

bool CExtendedKeyUsageCertFilter::Match(CCertWrapper* certificate) const {
  if (!certificate) return false;
  if (certificate->GetEnhancedKeyUsages().empty()) certificate->LoadEnhancedKeyUsages();
  return luma::policy::MatchLegacyEnhancedKeyUsages(op, certificate->GetEnhancedKeyUsages(), usage);
}

CAuthorityKeyIdentifierFilter::CAuthorityKeyIdentifierFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), text(luma::policy::LegacyTextValue(value)) {}

bool CAuthorityKeyIdentifierFilter::Match(CCertWrapper* certificate) const {
  if (!certificate) return false;
  return luma::policy::MatchLegacyIdentifier(op, certificate->GetAuthorityKeyIdentifier(), text);
}

CIssuerDNFilter::CIssuerDNFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), text(luma::policy::LegacyTextValue(value)) {}

bool CIssuerDNFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || !certificate->GetCertificate()) return false;
  return luma::policy::MatchLegacyText(
      op, luma::ToUpperCase(luma::policy::GetIssuerName(certificate->GetCertificate())), text);
}

CSubjectDNFilter::CSubjectDNFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), text(luma::policy::LegacyTextValue(value)) {}

bool CSubjectDNFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || !certificate->GetCertificate()) return false;
  return luma::policy::MatchLegacyText(
      op, luma::ToUpperCase(luma::policy::GetSubjectName(certificate->GetCertificate())), text);
}

CUPNFilter::CUPNFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), text(luma::policy::LegacyTextValue(value)) {}

bool CUPNFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || !certificate->GetCertificate()) return false;
  return luma::policy::MatchLegacyText(
      op, luma::ToUpperCase(luma::policy::GetUserPrincipalName(certificate->GetCertificate())), text);
}

CLifetimeFilter::CLifetimeFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), days(luma::policy::LegacyNumberValue(value)) {}

bool CLifetimeFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || !certificate->GetCertificate()) return false;
  const CERT_INFO& info = *certificate->GetCertificate()->pCertInfo;
  return luma::policy::MatchLegacyNumber(
      op, luma::policy::CertificateLifetimeDays(FileTimeValue(info.NotBefore), FileTimeValue(info.NotAfter)),
      days);
}

CRemainingLifetimeFilter::CRemainingLifetimeFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), days(luma::policy::LegacyNumberValue(value)) {}

bool CRemainingLifetimeFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || !certificate->GetCertificate()) return false;
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  const CERT_INFO& info = *certificate->GetCertificate()->pCertInfo;
  return luma::policy::MatchLegacyNumber(
      op, luma::policy::CertificateRemainingDays(FileTimeValue(now), FileTimeValue(info.NotAfter)), days);
}

CKeyLengthFilter::CKeyLengthFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), bits(luma::policy::LegacyNumberValue(value)) {}

bool CKeyLengthFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || !certificate->GetCertificate()) return false;
  const DWORD length = CertGetPublicKeyLength(
      X509_ASN_ENCODING,
      const_cast<CERT_PUBLIC_KEY_INFO*>(&certificate->GetCertificate()->pCertInfo->SubjectPublicKeyInfo));
  return luma::policy::MatchLegacyNumber(op, length, bits);
}
