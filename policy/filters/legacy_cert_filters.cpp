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
    : CCloneableCertFilter(op), mask(KeyUsageMaskOf(value)) {}

bool CKeyUsageCertFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || mask == 0) return false;
  return MatchLegacyKeyUsage(op, KeyUsageOf(*certificate), mask);
}

CExtendedKeyUsageCertFilter::CExtendedKeyUsageCertFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), usage(EnhancedKeyUsageOidOf(value)) {}

bool CExtendedKeyUsageCertFilter::Match(CCertWrapper* certificate) const {
  if (!certificate) return false;
  if (certificate->GetEnhancedKeyUsages().empty()) certificate->LoadEnhancedKeyUsages();
  return MatchLegacyEnhancedKeyUsages(op, certificate->GetEnhancedKeyUsages(), usage);
}

CAuthorityKeyIdentifierFilter::CAuthorityKeyIdentifierFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), text(LegacyTextValue(value)) {}

bool CAuthorityKeyIdentifierFilter::Match(CCertWrapper* certificate) const {
  if (!certificate) return false;
  return MatchLegacyIdentifier(op, certificate->GetAuthorityKeyIdentifier(), text);
}

CIssuerDNFilter::CIssuerDNFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), text(LegacyTextValue(value)) {}

bool CIssuerDNFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || !certificate->GetCertificate()) return false;
  return MatchLegacyText(op, luma::ToUpperCase(GetIssuerName(certificate->GetCertificate())), text);
}

CSubjectDNFilter::CSubjectDNFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), text(LegacyTextValue(value)) {}

bool CSubjectDNFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || !certificate->GetCertificate()) return false;
  return MatchLegacyText(op, luma::ToUpperCase(GetSubjectName(certificate->GetCertificate())), text);
}

CUPNFilter::CUPNFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), text(LegacyTextValue(value)) {}

bool CUPNFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || !certificate->GetCertificate()) return false;
  return MatchLegacyText(op, luma::ToUpperCase(GetUserPrincipalName(certificate->GetCertificate())), text);
}

CLifetimeFilter::CLifetimeFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), days(LegacyNumberValue(value)) {}

bool CLifetimeFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || !certificate->GetCertificate()) return false;
  const CERT_INFO& info = *certificate->GetCertificate()->pCertInfo;
  return MatchLegacyNumber(
      op, CertificateLifetimeDays(FileTimeValue(info.NotBefore), FileTimeValue(info.NotAfter)), days);
}

CRemainingLifetimeFilter::CRemainingLifetimeFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), days(LegacyNumberValue(value)) {}

bool CRemainingLifetimeFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || !certificate->GetCertificate()) return false;
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  const CERT_INFO& info = *certificate->GetCertificate()->pCertInfo;
  return MatchLegacyNumber(op, CertificateRemainingDays(FileTimeValue(now), FileTimeValue(info.NotAfter)),
                           days);
}

CKeyLengthFilter::CKeyLengthFilter(LegacyFilterOperator op, const WString& value)
    : CCloneableCertFilter(op), bits(LegacyNumberValue(value)) {}

bool CKeyLengthFilter::Match(CCertWrapper* certificate) const {
  if (!certificate || !certificate->GetCertificate()) return false;
  const DWORD length = CertGetPublicKeyLength(
      X509_ASN_ENCODING,
      const_cast<CERT_PUBLIC_KEY_INFO*>(&certificate->GetCertificate()->pCertInfo->SubjectPublicKeyInfo));
  return MatchLegacyNumber(op, length, bits);
}
