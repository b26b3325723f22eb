// One condition of a filter expression: an attribute of the item, an optional parameter, an operator
// and a value, as in "(KeyLength>=2048)". Concrete attributes derive from this template (or from the
// string- and integer-based bases) and decide in their constructors what they accept.
#ifndef LUMA_POLICY_CORE_ATTRIBUTE_FILTER_H_
#define LUMA_POLICY_CORE_ATTRIBUTE_FILTER_H_

#include <cstdint>
#include <memory>

#include "foundation/core/platform.h"
#include "foundation/core/string_utils.h"
#include "policy/core/filter_text.h"

enum class AttributeFilterOperator : std::int32_t {
  NONE = 0,  // prototypes only
  EQUALS = 1,
  PRESENT = 2,
  CONTAINS = 3,
  GREATER_OR_EQUAL = 4,
  LESS_OR_EQUAL = 5,
};

namespace luma::policy {

// The operator as ToString writes it: " EQUALS ", " PRESENT", ...; empty outside the known values.
WString AttributeFilterOperatorText(AttributeFilterOperator op);

}  // namespace luma::policy

template <typename T>
class CAttributeFilter {
 public:
  using Ptr = std::shared_ptr<CAttributeFilter<T>>;

  virtual ~CAttributeFilter() = default;

  // A new filter of the same concrete class, built from the four parts of a filter text.
  virtual Ptr Create(const WString& name, const WString& parameter, AttributeFilterOperator op,
                     const WString& value) const = 0;
  // A copy of this filter; prototypes enter the factory this way.
  virtual Ptr Clone() const = 0;
  virtual bool IsValid() const { return valid; }
  virtual bool Match(const T& item) const = 0;
  // "keylength GREATER_OR_EQUAL 2048", "subjectaltname{UPN} EQUALS x", "subjectdn PRESENT".
  virtual WString ToString() const {
    WString text = attributeName;
    if (!parameter.empty()) text += WSTR("{") + parameter + WSTR("}");
    return text + luma::policy::AttributeFilterOperatorText(filterOperator) + value;
  }

  const WString& AttributeName() const { return attributeName; }
  const WString& Parameter() const { return parameter; }
  AttributeFilterOperator Operator() const { return filterOperator; }
  const WString& Value() const { return value; }

 protected:
  CAttributeFilter() = default;
  CAttributeFilter(const WString& name, const WString& parameterText, AttributeFilterOperator op,
                   const WString& valueText)
      : attributeName(luma::ToLowerCase(name)),
        parameter(parameterText),
        filterOperator(op),
        value(valueText) {}
  CAttributeFilter(const CAttributeFilter&) = default;
  CAttributeFilter& operator=(const CAttributeFilter&) = delete;

  bool valid = true;
  WString attributeName;
  WString parameter;
  AttributeFilterOperator filterOperator = AttributeFilterOperator::NONE;
  WString value;  // after variable expansion and unescaping
};

#endif  // LUMA_POLICY_CORE_ATTRIBUTE_FILTER_H_
