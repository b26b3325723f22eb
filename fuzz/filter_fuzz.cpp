// Feeds arbitrary text to the filter expression parser. Every text must parse into a tree that keeps
// the parser's invariants, or fail with a message and a position inside the text and match nothing;
// nothing may crash or recurse without bound. The same text goes through the list syntax's parser,
// whose items must each come from one piece of the text.
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "policy/core/compound_filter.h"
#include "policy/core/legacy_filter_list.h"
#include "policy/core/legacy_filter_rules.h"
#include "policy/core/legacy_keyword_tables.h"
#include "policy/core/tests/test_filters.h"

namespace {

using luma::testing::TestItem;
using Filter = CCompoundFilter<TestItem>;

// Returns the depth of a parsed tree after checking the shape of every node.
int CheckTree(const Filter& node) {
  const auto& subs = node.SubFilters();
  switch (node.Type()) {
    case CompoundFilterType::ATTRIBUTE:
      if (!node.Leaf() || !node.Leaf()->IsValid() || !subs.empty()) std::abort();
      return 1;
    case CompoundFilterType::AND:
    case CompoundFilterType::OR:
      if (subs.size() < 2 || node.Leaf()) std::abort();
      break;
    case CompoundFilterType::NOT:
      if (subs.size() != 1 || node.Leaf()) std::abort();
      break;
    default:
      std::abort();
  }
  int depth = 0;
  for (const auto& sub : subs) depth = std::max(depth, CheckTree(*sub));
  return depth + 1;
}

std::shared_ptr<CVariableProvider> MakeVariables() {
  auto provider = std::make_shared<CMapVariableProvider>(WSTR("<undef>"));
  provider->SetVariables({{WSTR("USER_UPN"), WSTR("alice@corp")},
                          {WSTR("SELF"), WSTR("{SELF}")},
                          {WSTR("TWICE"), WSTR("{TWICE}{TWICE}")},
                          {WSTR("OPEN"), WSTR("{")},
                          {WSTR("CLOSE"), WSTR("}")}});
  return provider;
}

void CheckLegacyList(const WString& text) {
  const auto items = luma::policy::ParseLegacyFilterList(text);
  if (items.size() > text.size() / 3 + 1) std::abort();  // an item takes a name, an operator and ";"
  for (const auto& item : items) {
    if (item.value.size() > text.size()) std::abort();
    if (static_cast<int>(item.op) < 0 || static_cast<int>(item.op) > 3) std::abort();
    luma::policy::KeyUsageMaskOf(item.value);
    luma::policy::EnhancedKeyUsageOidOf(item.value);
    luma::policy::MatchLegacyText(item.op, text, luma::policy::LegacyTextValue(item.value));
    luma::policy::MatchLegacyNumber(item.op, 2048, luma::policy::LegacyNumberValue(item.value));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const auto factory = luma::testing::MakeTestFactory();
  static const auto variables = MakeVariables();
  if (size > 1 << 16) return 0;

  // Bytes as UTF-16 little-endian code units when the first byte is odd, else one character each, so
  // that short ASCII texts are easy to reach and every code unit stays possible.
  WString text;
  if (size > 0 && (data[0] & 1)) {
    for (size_t i = 1; i + 1 < size; i += 2) text += static_cast<WCHAR>(data[i] | (data[i + 1] << 8));
  } else {
    for (size_t i = 1; i < size; ++i) text += static_cast<WCHAR>(data[i]);
  }

  CheckLegacyList(text);

  auto filter = std::make_shared<Filter>(factory, variables);
  TestItem item;
  item.name = WSTR("alice@corp");
  item.size = 2048;
  if (filter->Parse(text)) {
    if (filter->ErrorPosition() != 0 || !filter->ErrorText().empty()) std::abort();
    if (CheckTree(*filter) > luma::policy::kMaxFilterNesting) std::abort();
    filter->Match(item);
    item.name.clear();
    filter->Match(item);
  } else {
    if (filter->ErrorPosition() < 0 || static_cast<size_t>(filter->ErrorPosition()) > text.size())
      std::abort();
    // Only a "!" without sub filter fails without a message.
    if (filter->ErrorText().empty() && text.find(WSTR('!')) == WString::npos) std::abort();
    if (!filter->SubFilters().empty() || filter->Leaf() || filter->Match(item)) std::abort();
  }
  return 0;
}
