// One item of a certificate filter list ("KU+digitalSignature", "LEN+2048", ...) as an object that a
// certificate, wrapped in a CCertWrapper, is matched against. The wrapper's caches are read and
// filled, so distinct wrappers may be matched against the same filter on several threads at once.
#ifndef LUMA_POLICY_FILTERS_LEGACY_CERT_FILTERS_H_
#define LUMA_POLICY_FILTERS_LEGACY_CERT_FILTERS_H_

#include <windows.h>

#include <cstdint>
#include <memory>

#include "foundation/core/platform.h"
#include "policy/core/legacy_filter_list.h"

class CCertWrapper;

class CCertFilter {
 public:
  explicit CCertFilter(LegacyFilterOperator op) : op(op) {}
  virtual ~CCertFilter() = default;

  virtual bool Match(CCertWrapper* certificate) const = 0;
  // A new filter of the same class with the same operator and value.
  virtual std::unique_ptr<CCertFilter> Clone() const = 0;

  LegacyFilterOperator Operator() const { return op; }

 protected:
  CCertFilter(const CCertFilter&) = default;
  CCertFilter& operator=(const CCertFilter&) = default;

  LegacyFilterOperator op;
};

// Gives each concrete filter its Clone.
template <typename Derived>
class CCloneableCertFilter : public CCertFilter {
 public:
  using CCertFilter::CCertFilter;
  std::unique_ptr<CCertFilter> Clone() const override {
    return std::make_unique<Derived>(static_cast<const Derived&>(*this));
  }
};

// "KU": the key usage bits; a keyword outside the table matches nothing.
class CKeyUsageCertFilter : public CCloneableCertFilter<CKeyUsageCertFilter> {
 public:
  CKeyUsageCertFilter(LegacyFilterOperator op, const WString& value);
  bool Match(CCertWrapper* certificate) const override;
  std::uint32_t Mask() const { return mask; }

 private:
  std::uint32_t mask;
};

// "EKU": the enhanced key usages, by keyword or object identifier.
class CExtendedKeyUsageCertFilter : public CCloneableCertFilter<CExtendedKeyUsageCertFilter> {
 public:
  CExtendedKeyUsageCertFilter(LegacyFilterOperator op, const WString& value);
  bool Match(CCertWrapper* certificate) const override;
  const WString& Usage() const { return usage; }

 private:
  WString usage;
};

// "AKI": the authority key identifier as upper-case hexadecimal text, compared whole.
class CAuthorityKeyIdentifierFilter : public CCloneableCertFilter<CAuthorityKeyIdentifierFilter> {
 public:
  CAuthorityKeyIdentifierFilter(LegacyFilterOperator op, const WString& value);
  bool Match(CCertWrapper* certificate) const override;

 private:
  WString text;
};

// The three name items compare an upper-cased certificate text with the upper-cased value.
class CIssuerDNFilter : public CCloneableCertFilter<CIssuerDNFilter> {
 public:
  CIssuerDNFilter(LegacyFilterOperator op, const WString& value);
  bool Match(CCertWrapper* certificate) const override;

 private:
  WString text;
};

class CSubjectDNFilter : public CCloneableCertFilter<CSubjectDNFilter> {
 public:
  CSubjectDNFilter(LegacyFilterOperator op, const WString& value);
  bool Match(CCertWrapper* certificate) const override;

 private:
  WString text;
};

class CUPNFilter : public CCloneableCertFilter<CUPNFilter> {
 public:
  CUPNFilter(LegacyFilterOperator op, const WString& value);
  bool Match(CCertWrapper* certificate) const override;

 private:
  WString text;
};

// "CLT": days from NotBefore to NotAfter.
class CLifetimeFilter : public CCloneableCertFilter<CLifetimeFilter> {
 public:
  CLifetimeFilter(LegacyFilterOperator op, const WString& value);
  bool Match(CCertWrapper* certificate) const override;

 private:
  std::int32_t days;
};

// "RLT": whole days from now to NotAfter, 0 once expired.
class CRemainingLifetimeFilter : public CCloneableCertFilter<CRemainingLifetimeFilter> {
 public:
  CRemainingLifetimeFilter(LegacyFilterOperator op, const WString& value);
  bool Match(CCertWrapper* certificate) const override;

 private:
  std::int32_t days;
};

// "LEN": the public key's length in bits, 0 when it cannot be determined.
class CKeyLengthFilter : public CCloneableCertFilter<CKeyLengthFilter> {
 public:
  CKeyLengthFilter(LegacyFilterOperator op, const WString& value);
  bool Match(CCertWrapper* certificate) const override;

 private:
  std::int32_t bits;
};

#endif  // LUMA_POLICY_FILTERS_LEGACY_CERT_FILTERS_H_
