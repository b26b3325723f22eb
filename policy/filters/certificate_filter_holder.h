// A set of acceptable certificates as the configuration writes it: a filter text in the expression
// syntax (it starts with "(" after blanks) or in the older list syntax ("KU+digitalSignature;..."),
// parsed once when the holder is built. A text that is no valid filter still gives a holder; it
// matches nothing.
#ifndef LUMA_POLICY_FILTERS_CERTIFICATE_FILTER_HOLDER_H_
#define LUMA_POLICY_FILTERS_CERTIFICATE_FILTER_HOLDER_H_

#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <memory>
#include <vector>

#include "foundation/core/platform.h"
#include "policy/core/compound_filter.h"
#include "policy/filters/certificate_attributes.h"
#include "policy/filters/legacy_cert_filters.h"

class CCertWrapper;

using CCertificateExpression = CCompoundFilter<CertFilterItem>;

class CCertificateFilter {
 public:
  CCertificateFilter(const WString& name, const WString& filterText);
  // Copies own their list items; the parsed expression is shared.
  CCertificateFilter(const CCertificateFilter& other);
  CCertificateFilter& operator=(const CCertificateFilter& other);
  ~CCertificateFilter() = default;

  // List items: all must match, in order. Expression: its root decides. Neither: no certificate.
  // Only the wrapper's caches are written, so threads with their own wrappers may share a holder.
  bool Match(CCertWrapper* certificate) const;

  WString name;  // registry value name of a named application-profile filter, else empty
  std::vector<std::unique_ptr<CCertFilter>> legacyFilters;
  std::shared_ptr<CCertificateExpression> expression;
};

#endif  // LUMA_POLICY_FILTERS_CERTIFICATE_FILTER_HOLDER_H_
