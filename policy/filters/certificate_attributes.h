// The fifteen attributes that a filter expression can test on a certificate, as in
// "(&(KeyUsage~=digitalSignature)(SubjectAltName:UPN={USER_UPN}))". Each constructor decides which
// parameter, operators and values it accepts; a rejected one leaves the filter invalid. Match reads
// the certificate again every time and keeps nothing, so any thread may match any filter.
#ifndef LUMA_POLICY_FILTERS_CERTIFICATE_ATTRIBUTES_H_
#define LUMA_POLICY_FILTERS_CERTIFICATE_ATTRIBUTES_H_

#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <cstdint>
#include <memory>
#include <set>

#include "policy/core/attribute_filter.h"
#include "policy/core/integer_based_attribute_filter.h"
#include "policy/core/string_based_attribute_filter.h"

// The item every certificate filter is matched against.
using CertFilterItem = PCCERT_CONTEXT;
using CCertAttributeFilter = CAttributeFilter<CertFilterItem>;
using CCertStringFilter = CStringBasedAttributeFilter<CertFilterItem>;
using CCertIntegerFilter = CIntegerBasedAttributeFilter<CertFilterItem>;

// Create and Clone of a concrete attribute, written once.
template <typename Derived, typename Base>
class CCertFilterOf : public Base {
 public:
  typename Base::Ptr Create(const WString& name, const WString& parameter, AttributeFilterOperator op,
                            const WString& value) const override {
    return std::make_shared<Derived>(name, parameter, op, value);
  }
  typename Base::Ptr Clone() const override {
    return std::make_shared<Derived>(static_cast<const Derived&>(*this));
  }

 protected:
  using Base::Base;
  CCertFilterOf() = default;
  CCertFilterOf(const CCertFilterOf&) = default;
};

#define LUMA_CERT_FILTER_CONSTRUCTORS(Class) \
  Class() = default;                         \
  Class(const Class&) = default;             \
  Class(const WString& name, const WString& parameter, AttributeFilterOperator op, const WString& value)

// "KeyUsage": every listed key-usage bit (EQUALS: exactly these bits; CONTAINS: at least these).
class CCertKeyUsageAttributeFilter
    : public CCertFilterOf<CCertKeyUsageAttributeFilter, CCertAttributeFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertKeyUsageAttributeFilter);
  bool Match(const CertFilterItem& certificate) const override;
  DWORD Flags() const { return flags; }

 private:
  DWORD flags = 0;
};

// "ExtendedKeyUsage": names of the usage table or dotted identifiers.
class CCertExtendedKeyUsageAttributeFilter
    : public CCertFilterOf<CCertExtendedKeyUsageAttributeFilter, CCertAttributeFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertExtendedKeyUsageAttributeFilter);
  bool Match(const CertFilterItem& certificate) const override;
  const std::set<WString>& Usages() const { return usages; }

 private:
  std::set<WString> usages;
};

// "KeyLength": bits of the public key.
class CCertKeyLengthFilter : public CCertFilterOf<CCertKeyLengthFilter, CCertIntegerFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertKeyLengthFilter);
  bool GetValue(const CertFilterItem& certificate, std::int32_t& number) const override;
};

// "Lifetime": whole days from NotBefore to NotAfter.
class CCertLifetimeFilter : public CCertFilterOf<CCertLifetimeFilter, CCertIntegerFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertLifetimeFilter);
  bool GetValue(const CertFilterItem& certificate, std::int32_t& number) const override;
};

// "RemainingLifetime": whole days until NotAfter by the system clock; 0 once expired.
class CCertRemainingLifetimeFilter : public CCertFilterOf<CCertRemainingLifetimeFilter, CCertIntegerFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertRemainingLifetimeFilter);
  bool GetValue(const CertFilterItem& certificate, std::int32_t& number) const override;
};

// "AuthorityKeyIdentifier": the issuer's key identifier in upper-case hexadecimal.
class CCertAuthorityKeyIdentifierFilter
    : public CCertFilterOf<CCertAuthorityKeyIdentifierFilter, CCertStringFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertAuthorityKeyIdentifierFilter);
  bool GetValue(const CertFilterItem& certificate, WString& text) const override;
};

// "SubjectDN" and "IssuerDN": the names rendered most specific first ("CN=..., O=..., C=...").
class CCertSubjectDNFilter : public CCertFilterOf<CCertSubjectDNFilter, CCertStringFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertSubjectDNFilter);
  bool GetValue(const CertFilterItem& certificate, WString& text) const override;
};

class CCertIssuerDNFilter : public CCertFilterOf<CCertIssuerDNFilter, CCertStringFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertIssuerDNFilter);
  bool GetValue(const CertFilterItem& certificate, WString& text) const override;
};

// "SubjectAltName:<kind>": the e-mail, principal or DNS names among the alternative names.
class CCertSubjectAltNameFilter : public CCertFilterOf<CCertSubjectAltNameFilter, CCertAttributeFilter> {
 public:
  enum NameKind : std::int32_t { kNone = 0, kEmail = 1, kPrincipalName = 2, kDnsName = 3 };

  LUMA_CERT_FILTER_CONSTRUCTORS(CCertSubjectAltNameFilter);
  bool Match(const CertFilterItem& certificate) const override;
  std::int32_t Kind() const { return nameKind; }

 private:
  std::int32_t nameKind = kNone;
  WString upperValue;  // set for CONTAINS only
};

// "Extension:<oid>=*": whether the certificate carries the extension.
class CCertExtensionFilter : public CCertFilterOf<CCertExtensionFilter, CCertAttributeFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertExtensionFilter);
  bool Match(const CertFilterItem& certificate) const override;
};

// "Fingerprint": the SHA-1 thumbprint in upper-case hexadecimal.
class CCertFingerprintFilter : public CCertFilterOf<CCertFingerprintFilter, CCertStringFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertFingerprintFilter);
  bool GetValue(const CertFilterItem& certificate, WString& text) const override;
};

// "SerialNumber": most significant byte first, leading zero bytes included.
class CCertSerialnumberFilter : public CCertFilterOf<CCertSerialnumberFilter, CCertStringFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertSerialnumberFilter);
  bool GetValue(const CertFilterItem& certificate, WString& text) const override;
};

// "CertificatePolicy": dotted policy identifiers.
class CCertPoliciesFilter : public CCertFilterOf<CCertPoliciesFilter, CCertAttributeFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertPoliciesFilter);
  bool Match(const CertFilterItem& certificate) const override;
  const std::set<WString>& Policies() const { return policies; }

 private:
  std::set<WString> policies;
};

// "CertificateTemplate": the template identifier of the certificate-template extension.
class CCertTemplateFilter : public CCertFilterOf<CCertTemplateFilter, CCertStringFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertTemplateFilter);
  bool GetValue(const CertFilterItem& certificate, WString& text) const override;
};

// "KeyType": "RSA", "ECC", "DSA" or a dotted identifier of the public-key algorithm.
class CCertKeyTypeFilter : public CCertFilterOf<CCertKeyTypeFilter, CCertStringFilter> {
 public:
  LUMA_CERT_FILTER_CONSTRUCTORS(CCertKeyTypeFilter);
  bool GetValue(const CertFilterItem& certificate, WString& text) const override;
};

#undef LUMA_CERT_FILTER_CONSTRUCTORS

#endif  // LUMA_POLICY_FILTERS_CERTIFICATE_ATTRIBUTES_H_
