#include "policy/filters/certificate_filter_holder.h"

#include "foundation/core/string_utils.h"
#include "policy/filters/cert_wrapper.h"
#include "policy/filters/expression_filter_objects.h"
#include "policy/filters/legacy_cert_filter_list.h"

namespace {

std::vector<std::unique_ptr<CCertFilter>> CloneAll(const std::vector<std::unique_ptr<CCertFilter>>& filters) {
  std::vector<std::unique_ptr<CCertFilter>> copies;
  copies.reserve(filters.size());
  for (const auto& filter : filters) copies.push_back(filter->Clone());
  return copies;
}

}  // namespace

CCertificateFilter::CCertificateFilter(const WString& name, const WString& filterText) : name(name) {
  const WString trimmed = luma::TrimWhitespace(filterText);
  if (!trimmed.empty() && trimmed.front() == WSTR('(')) {
    const auto objects = luma::policy::GetCertFilterObjects();
    expression = std::make_shared<CCertificateExpression>(objects.factory, objects.variableProvider);
    // A text that does not parse leaves a root that matches nothing.
    expression->Parse(filterText);
  } else {
    legacyFilters = luma::policy::ParseCertFilterList(filterText);
  }
}

CCertificateFilter::CCertificateFilter(const CCertificateFilter& other)
    : name(other.name), legacyFilters(CloneAll(other.legacyFilters)), expression(other.expression) {}

CCertificateFilter& CCertificateFilter::operator=(const CCertificateFilter& other) {
  if (this == &other) return *this;
  auto items = CloneAll(other.legacyFilters);  // may throw: leave this holder whole until it did not
  name = other.name;
  legacyFilters = std::move(items);
  expression = other.expression;
  return *this;
}

bool CCertificateFilter::Match(CCertWrapper* certificate) const {
  if (!certificate) return false;
  if (!legacyFilters.empty()) {
    for (const auto& filter : legacyFilters) {
      if (!filter->Match(certificate)) return false;
    }
    return true;
  }
  if (expression) return expression->Match(certificate->GetCertificate());
  return false;
}
