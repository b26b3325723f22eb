#include "policy/filters/legacy_cert_filter_list.h"

namespace luma::policy {

std::unique_ptr<CCertFilter> MakeCertFilter(const LegacyFilterItem& item) {
  switch (item.attribute) {
    case LegacyFilterAttribute::KEY_USAGE:
      return std::make_unique<CKeyUsageCertFilter>(item.op, item.value);
    case LegacyFilterAttribute::ENHANCED_KEY_USAGE:
      return std::make_unique<CExtendedKeyUsageCertFilter>(item.op, item.value);
    case LegacyFilterAttribute::AUTHORITY_KEY_IDENTIFIER:
      return std::make_unique<CAuthorityKeyIdentifierFilter>(item.op, item.value);
    case LegacyFilterAttribute::ISSUER_DN:
      return std::make_unique<CIssuerDNFilter>(item.op, item.value);
    case LegacyFilterAttribute::SUBJECT_DN:
      return std::make_unique<CSubjectDNFilter>(item.op, item.value);
    case LegacyFilterAttribute::USER_PRINCIPAL_NAME:
      return std::make_unique<CUPNFilter>(item.op, item.value);
    case LegacyFilterAttribute::LIFETIME:
      return std::make_unique<CLifetimeFilter>(item.op, item.value);
    case LegacyFilterAttribute::REMAINING_LIFETIME:
      return std::make_unique<CRemainingLifetimeFilter>(item.op, item.value);
    case LegacyFilterAttribute::KEY_LENGTH:
      return std::make_unique<CKeyLengthFilter>(item.op, item.value);
  }
  return nullptr;
}

std::vector<std::unique_ptr<CCertFilter>> ParseCertFilterList(const WString& text) {
  std::vector<std::unique_ptr<CCertFilter>> filters;
  for (const auto& item : ParseLegacyFilterList(text)) {
    if (auto filter = MakeCertFilter(item)) filters.push_back(std::move(filter));
  }
  return filters;
}

}  // namespace luma::policy
