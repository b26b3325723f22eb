// A filter in the expression syntax, such as
// "(&(KeyUsage~=digitalSignature)(SubjectAltName:UPN={USER_UPN}))": parsed once into a tree of
// nodes ("&", "|", "!" and attribute filters made by the factory), then matched against any number
// of items. Parsing never throws for a bad text: it records the first error and its position, and a
// node that failed matches nothing.
#ifndef LUMA_POLICY_CORE_COMPOUND_FILTER_H_
#define LUMA_POLICY_CORE_COMPOUND_FILTER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/core/string_utils.h"
#include "policy/core/attribute_filter_factory.h"
#include "policy/core/filter_messages.h"
#include "policy/core/filter_text.h"
#include "policy/core/variable_expansion.h"
#include "policy/core/variable_provider.h"

namespace luma::policy {

// Parse and Match recurse once per level of brackets: deeper texts are refused.
constexpr int kMaxFilterNesting = 64;

}  // namespace luma::policy

enum class CompoundFilterType : std::int32_t {
  UNKNOWN = 0,
  ATTRIBUTE = 1,
  AND = 2,  // "&"
  OR = 3,   // "|"
  NOT = 4,  // "!"
};

template <typename T>
class CCompoundFilter {
 public:
  using FactoryPtr = std::shared_ptr<CAttributeFilterFactory<T>>;
  using ProviderPtr = std::shared_ptr<CVariableProvider>;
  using FilterPtr = std::shared_ptr<CCompoundFilter<T>>;

  struct SubFilterOf {};

  // A root node.
  CCompoundFilter(FactoryPtr attributeFactory, ProviderPtr variables)
      : factory(std::move(attributeFactory)), variableProvider(std::move(variables)) {}
  // A sub filter: the parent's factory and variable provider, so that references expand at every depth.
  CCompoundFilter(const CCompoundFilter& parent, SubFilterOf)
      : factory(parent.factory),
        variableProvider(parent.variableProvider),
        nestingLevel(parent.nestingLevel + 1) {}
  CCompoundFilter(const CCompoundFilter&) = delete;
  CCompoundFilter& operator=(const CCompoundFilter&) = delete;

  // Discards what the node held and parses `filterText`; true when it is a valid filter.
  bool Parse(const WString& filterText);
  bool Match(const T& item) const;

  const WString& Text() const { return text; }
  std::int32_t ErrorPosition() const { return errorPosition; }
  const WString& ErrorText() const { return errorText; }
  CompoundFilterType Type() const { return type; }
  const std::shared_ptr<CAttributeFilter<T>>& Leaf() const { return leaf; }
  const std::vector<FilterPtr>& SubFilters() const { return subFilters; }

 private:
  bool Fail(std::size_t position, WString message) {
    subFilters.clear();
    leaf.reset();
    leafValueResolved = true;
    errorPosition = static_cast<std::int32_t>(position);
    errorText = std::move(message);
    return false;
  }
  WString Quoted(const WCHAR* message, const WString& quoted) const { return message + quoted + WSTR("'"); }
  bool Finish(std::ptrdiff_t depth);
  bool ParseLeaf(const WString& leafText);
  // Resolves the value's references through this node's provider; false when the bound was reached.
  bool ExpandVariables(const WString& value, WString& expanded) const {
    expanded = value;
    return !variableProvider || luma::policy::ExpandFilterVariables(value, *variableProvider, expanded);
  }
  bool MapOperator(const WString& leafText, const WString& operatorText, const WString& value,
                   AttributeFilterOperator& op);

  FactoryPtr factory;
  ProviderPtr variableProvider;
  int nestingLevel = 0;  // brackets around this node's text within the root's text
  WString text;
  std::int32_t errorPosition = 0;
  WString errorText;
  CompoundFilterType type = CompoundFilterType::UNKNOWN;
  std::shared_ptr<CAttributeFilter<T>> leaf;
  bool leafValueResolved = true;  // false when variable expansion of the leaf's value hit its bound
  std::vector<FilterPtr> subFilters;
};

template <typename T>
bool CCompoundFilter<T>::Parse(const WString& filterText) {
  using luma::filter_text::IsWhiteSpace;
  subFilters.clear();
  leaf.reset();
  leafValueResolved = true;
  text = filterText;
  errorPosition = 0;
  errorText.clear();
  type = CompoundFilterType::UNKNOWN;

  std::ptrdiff_t depth = 0;
  WString buffer;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const WCHAR c = text[i];
    if (c == WSTR('(')) {
      ++depth;
      buffer += c;
      if (type != CompoundFilterType::ATTRIBUTE) {
        if (nestingLevel + depth > luma::policy::kMaxFilterNesting)
          return Fail(i, Quoted(luma::policy::kFilterNestedTooDeeply, text));
        if (depth == 2) buffer.assign(1, c);  // a sub filter starts
      }
    } else if (c == WSTR(')')) {
      --depth;
      if (type == CompoundFilterType::ATTRIBUTE) {
        if (!ParseLeaf(buffer)) return Fail(i, errorText);
        break;  // nothing after an attribute filter's ")" is read
      }
      buffer += c;
      if (depth == 1) {
        auto sub = std::make_shared<CCompoundFilter<T>>(*this, SubFilterOf{});
        if (!sub->Parse(buffer)) return Fail(i, sub->errorText);
        subFilters.push_back(std::move(sub));
      }
    } else if (depth == 0) {
      if (!IsWhiteSpace(c)) return Fail(i, Quoted(luma::policy::kNothingBeforeFilter, text));
    } else if (type == CompoundFilterType::UNKNOWN) {
      if (IsWhiteSpace(c)) continue;
      if (c == WSTR('!')) {
        type = CompoundFilterType::NOT;
      } else if (c == WSTR('&')) {
        type = CompoundFilterType::AND;
      } else if (c == WSTR('|')) {
        type = CompoundFilterType::OR;
      } else {
        type = CompoundFilterType::ATTRIBUTE;
        buffer.assign(1, c);  // the attribute filter's text starts at its first non-white-space character
      }
    } else if (type == CompoundFilterType::ATTRIBUTE || depth != 1) {
      buffer += c;
    } else if (!IsWhiteSpace(c)) {
      return Fail(i, Quoted(luma::policy::kNothingBetweenSubFilters, text));
    }
  }
  return Finish(depth);
}

template <typename T>
bool CCompoundFilter<T>::Finish(std::ptrdiff_t depth) {
  if (depth != 0) return Fail(0, Quoted(luma::policy::kUnbalancedBrackets, text));
  switch (type) {
    case CompoundFilterType::NOT:
      if (subFilters.size() > 1) return Fail(0, Quoted(luma::policy::kNotNeedsSingleSubFilter, text));
      if (subFilters.empty()) return Fail(0, WString());
      return true;
    case CompoundFilterType::ATTRIBUTE:
      return leaf ? true : Fail(0, Quoted(luma::policy::kUnbalancedBrackets, text));
    default:
      if (subFilters.size() < 2) return Fail(0, Quoted(luma::policy::kMultipleSubFiltersRequired, text));
      return true;
  }
}

template <typename T>
bool CCompoundFilter<T>::ParseLeaf(const WString& leafText) {
  enum class State { ATTRIBUTE, PARAMETER, OPERATOR, VALUE } state = State::ATTRIBUTE;
  const auto isOperatorStart = [](WCHAR c) {
    return c == WSTR('<') || c == WSTR('>') || c == WSTR('~') || c == WSTR('=');
  };
  const auto isOperatorContinuation = [](WCHAR c) { return c == WSTR('=') || c == WSTR('*'); };
  WString name, parameter, operatorText, value;
  for (const WCHAR c : leafText) {
    switch (state) {
      case State::ATTRIBUTE:
      case State::PARAMETER:
        if (isOperatorStart(c)) {
          operatorText += c;
          state = State::OPERATOR;
        } else if (c == WSTR(':')) {
          state = State::PARAMETER;  // a further ":" in the parameter is dropped
        } else {
          (state == State::ATTRIBUTE ? name : parameter) += c;
        }
        break;
      case State::OPERATOR:
        if (isOperatorContinuation(c)) {
          operatorText += c;
        } else {
          value += c;
          state = State::VALUE;
        }
        break;
      case State::VALUE:
        value += c;
        break;
    }
  }
  name = luma::TrimWhitespace(name);
  parameter = luma::TrimWhitespace(parameter);
  value = luma::TrimWhitespace(value);

  AttributeFilterOperator op = AttributeFilterOperator::NONE;
  if (!MapOperator(leafText, operatorText, value, op)) return false;

  parameter = luma::filter_text::UnescapeFilterText(parameter);
  WString expanded;
  leafValueResolved = ExpandVariables(value, expanded);
  value = luma::filter_text::UnescapeFilterText(expanded);

  auto filter = factory ? factory->Create(name, parameter, op, value) : nullptr;
  if (!filter) {
    errorText = Quoted(luma::policy::kUnsupportedAttribute, name);
    return false;
  }
  if (!filter->IsValid()) {
    errorText = Quoted(luma::policy::kInvalidParameterOrOperation, leafText);
    return false;
  }
  leaf = std::move(filter);
  return true;
}

template <typename T>
bool CCompoundFilter<T>::MapOperator(const WString& leafText, const WString& operatorText,
                                     const WString& value, AttributeFilterOperator& op) {
  if (operatorText == WSTR("=")) {
    op = AttributeFilterOperator::EQUALS;
  } else if (operatorText == WSTR("=*")) {
    if (!value.empty()) {
      errorText = Quoted(luma::policy::kWildCardNotSupported, leafText);
      return false;
    }
    op = AttributeFilterOperator::PRESENT;
  } else if (operatorText == WSTR("~=")) {
    op = AttributeFilterOperator::CONTAINS;
  } else if (operatorText == WSTR(">=")) {
    op = AttributeFilterOperator::GREATER_OR_EQUAL;
  } else if (operatorText == WSTR("<=")) {
    op = AttributeFilterOperator::LESS_OR_EQUAL;
  } else {
    errorText = Quoted(luma::policy::kUnsupportedFilterType, leafText);
    return false;
  }
  if (op != AttributeFilterOperator::PRESENT && value.empty()) {
    errorText = Quoted(luma::policy::kValueMissing, leafText);
    return false;
  }
  return true;
}

template <typename T>
bool CCompoundFilter<T>::Match(const T& item) const {
  if (subFilters.empty() && !leaf) return false;
  switch (type) {
    case CompoundFilterType::ATTRIBUTE:
      return leafValueResolved && leaf && leaf->Match(item);
    case CompoundFilterType::AND:
      for (const auto& sub : subFilters) {
        if (!sub->Match(item)) return false;
      }
      return true;
    case CompoundFilterType::OR:
      for (const auto& sub : subFilters) {
        if (sub->Match(item)) return true;
      }
      return false;
    case CompoundFilterType::NOT:
      return subFilters.size() == 1 && !subFilters.front()->Match(item);
    default:
      return false;
  }
}

#endif  // LUMA_POLICY_CORE_COMPOUND_FILTER_H_
