#include "policy/filters/expression_filter_objects.h"

#include "policy/filters/system_name_source.h"

namespace luma::policy {

void RegisterBuiltInAttributes(CAttributeFilterFactory<CertFilterItem>& factory) {
  factory.Register(WSTR("KeyUsage"), CCertKeyUsageAttributeFilter());
  factory.Register(WSTR("ExtendedKeyUsage"), CCertExtendedKeyUsageAttributeFilter());
  factory.Register(WSTR("KeyLength"), CCertKeyLengthFilter());
  factory.Register(WSTR("Lifetime"), CCertLifetimeFilter());
  factory.Register(WSTR("RemainingLifetime"), CCertRemainingLifetimeFilter());
  factory.Register(WSTR("AuthorityKeyIdentifier"), CCertAuthorityKeyIdentifierFilter());
  factory.Register(WSTR("SubjectDN"), CCertSubjectDNFilter());
  factory.Register(WSTR("IssuerDN"), CCertIssuerDNFilter());
  factory.Register(WSTR("SubjectAltName"), CCertSubjectAltNameFilter());
  factory.Register(WSTR("Extension"), CCertExtensionFilter());
  factory.Register(WSTR("Fingerprint"), CCertFingerprintFilter());
  factory.Register(WSTR("SerialNumber"), CCertSerialnumberFilter());
  factory.Register(WSTR("CertificatePolicy"), CCertPoliciesFilter());
  factory.Register(WSTR("CertificateTemplate"), CCertTemplateFilter());
  factory.Register(WSTR("KeyType"), CCertKeyTypeFilter());
}

CProcessFilterObjects<CertFilterItem> GetCertFilterObjects() {
  static const CWindowsSystemNameSource systemNames;
  return GetProcessFilterObjects<CertFilterItem>(RegisterBuiltInAttributes, systemNames);
}

}  // namespace luma::policy
