// A small item type and three attributes over it, to build and test the filter templates without
// certificates.
#ifndef LUMA_POLICY_CORE_TESTS_TEST_FILTERS_H_
#define LUMA_POLICY_CORE_TESTS_TEST_FILTERS_H_

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "policy/core/attribute_filter_factory.h"
#include "policy/core/integer_based_attribute_filter.h"
#include "policy/core/string_based_attribute_filter.h"

namespace luma::testing {

struct TestItem {
  WString name;                             // "Name"; an empty name counts as absent
  std::int32_t size = 0;                    // "Size"
  std::vector<WString>* visited = nullptr;  // where "Probe" filters log their values
};

// "Name": a text attribute without parameter; GREATER_OR_EQUAL and LESS_OR_EQUAL are refused.
class CNameFilter : public CStringBasedAttributeFilter<TestItem> {
 public:
  CNameFilter() = default;
  CNameFilter(const WString& name, const WString& parameter, AttributeFilterOperator op, const WString& value)
      : CStringBasedAttributeFilter(name, parameter, op, value) {
    if (!parameter.empty() || op == AttributeFilterOperator::GREATER_OR_EQUAL ||
        op == AttributeFilterOperator::LESS_OR_EQUAL) {
      valid = false;
    }
  }
  Ptr Create(const WString& name, const WString& parameter, AttributeFilterOperator op,
             const WString& value) const override {
    return std::make_shared<CNameFilter>(name, parameter, op, value);
  }
  Ptr Clone() const override { return std::make_shared<CNameFilter>(*this); }
  bool GetValue(const TestItem& item, WString& text) const override {
    text = item.name;
    return !text.empty();
  }
  const WString& UpperValue() const { return upperValue; }
};

// "Size": a number attribute; PRESENT and a parameter are refused.
class CSizeFilter : public CIntegerBasedAttributeFilter<TestItem> {
 public:
  CSizeFilter() = default;
  CSizeFilter(const WString& name, const WString& parameter, AttributeFilterOperator op, const WString& value)
      : CIntegerBasedAttributeFilter(name, parameter, op, value) {
    if (!parameter.empty() || op == AttributeFilterOperator::PRESENT) valid = false;
  }
  Ptr Create(const WString& name, const WString& parameter, AttributeFilterOperator op,
             const WString& value) const override {
    return std::make_shared<CSizeFilter>(name, parameter, op, value);
  }
  Ptr Clone() const override { return std::make_shared<CSizeFilter>(*this); }
  bool GetValue(const TestItem& item, std::int32_t& number) const override {
    number = item.size;
    return true;
  }
};

// "Probe": logs its value when matched and matches when the value starts with "yes".
class CProbeFilter : public CAttributeFilter<TestItem> {
 public:
  CProbeFilter() = default;
  CProbeFilter(const WString& name, const WString& parameter, AttributeFilterOperator op,
               const WString& value)
      : CAttributeFilter(name, parameter, op, value) {}
  Ptr Create(const WString& name, const WString& parameter, AttributeFilterOperator op,
             const WString& value) const override {
    return std::make_shared<CProbeFilter>(name, parameter, op, value);
  }
  Ptr Clone() const override { return std::make_shared<CProbeFilter>(*this); }
  bool Match(const TestItem& item) const override {
    if (item.visited) item.visited->push_back(value);
    return value.compare(0, 3, WSTR("yes")) == 0;
  }
};

inline std::shared_ptr<CAttributeFilterFactory<TestItem>> MakeTestFactory() {
  auto factory = std::make_shared<CAttributeFilterFactory<TestItem>>();
  factory->Register(WSTR("Name"), CNameFilter());
  factory->Register(WSTR("Size"), CSizeFilter());
  factory->Register(WSTR("Probe"), CProbeFilter());
  return factory;
}

// Readable wide texts in test failure messages (ASCII as is, other characters as \x{...}).
inline std::string Narrow(const WString& text) {
  std::string result;
  for (const auto c : text) {
    if (c >= 0x20 && c < 0x7F) {
      result += static_cast<char>(c);
    } else {
      result += "\\x{" + std::to_string(static_cast<unsigned>(c)) + "}";
    }
  }
  return result;
}

}  // namespace luma::testing

#endif  // LUMA_POLICY_CORE_TESTS_TEST_FILTERS_H_
