#include "policy/core/legacy_filter_list.h"

#include "foundation/core/string_utils.h"

namespace {

bool IsCapitalLetter(WCHAR c) { return c >= WSTR('A') && c <= WSTR('Z'); }

LegacyFilterOperator OperatorOf(WCHAR c) {
  switch (c) {
    case WSTR('-'):
      return LegacyFilterOperator::EXCLUDES;
    case WSTR('='):
      return LegacyFilterOperator::EQUALS;
    case WSTR('!'):
      return LegacyFilterOperator::NOT_EQUALS;
    default:
      return LegacyFilterOperator::INCLUDES;
  }
}

}  // namespace

namespace luma::policy {

bool LegacyFilterAttributeOf(const WString& name, LegacyFilterAttribute& attribute) {
  static const struct {
    const WCHAR* name;
    LegacyFilterAttribute attribute;
  } kNames[] = {
      {WSTR("KU"), LegacyFilterAttribute::KEY_USAGE},
      {WSTR("EKU"), LegacyFilterAttribute::ENHANCED_KEY_USAGE},
      {WSTR("AKI"), LegacyFilterAttribute::AUTHORITY_KEY_IDENTIFIER},
      {WSTR("IDN"), LegacyFilterAttribute::ISSUER_DN},
      {WSTR("SDN"), LegacyFilterAttribute::SUBJECT_DN},
      {WSTR("UPN"), LegacyFilterAttribute::USER_PRINCIPAL_NAME},
      {WSTR("CLT"), LegacyFilterAttribute::LIFETIME},
      {WSTR("RLT"), LegacyFilterAttribute::REMAINING_LIFETIME},
      {WSTR("LEN"), LegacyFilterAttribute::KEY_LENGTH},
  };
  for (const auto& entry : kNames) {
    if (name == entry.name) {
      attribute = entry.attribute;
      return true;
    }
  }
  return false;
}

std::vector<LegacyFilterItem> ParseLegacyFilterList(const WString& text) {
  std::vector<LegacyFilterItem> items;
  for (const WString& piece : luma::SplitString(text, WSTR(";"))) {
    std::size_t nameLength = 0;
    while (nameLength < piece.size() && IsCapitalLetter(piece[nameLength])) ++nameLength;
    // A piece of capital letters only has no operator character to read.
    if (nameLength == 0 || nameLength == piece.size()) continue;

    LegacyFilterItem item;
    if (!LegacyFilterAttributeOf(piece.substr(0, nameLength), item.attribute)) continue;
    item.op = OperatorOf(piece[nameLength]);
    item.value = luma::TrimWhitespace(piece.substr(nameLength + 1));
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace luma::policy
