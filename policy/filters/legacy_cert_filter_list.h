// Turns a filter text of the list syntax into its filter objects, in text order; unusable pieces are
// skipped without a message.
#ifndef LUMA_POLICY_FILTERS_LEGACY_CERT_FILTER_LIST_H_
#define LUMA_POLICY_FILTERS_LEGACY_CERT_FILTER_LIST_H_

#include <memory>
#include <vector>

#include "policy/core/legacy_filter_list.h"
#include "policy/filters/legacy_cert_filters.h"

namespace luma::policy {

std::unique_ptr<CCertFilter> MakeCertFilter(const LegacyFilterItem& item);
std::vector<std::unique_ptr<CCertFilter>> ParseCertFilterList(const WString& text);

}  // namespace luma::policy

#endif  // LUMA_POLICY_FILTERS_LEGACY_CERT_FILTER_LIST_H_
