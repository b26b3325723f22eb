#include "policy/core/setting_list.h"

namespace luma::policy {

std::vector<WString> SplitSettingList(const std::vector<WString>& entries) {
  std::vector<WString> items;
  for (const WString& entry : entries) {
    WString piece;
    for (const auto c : entry) {
      if (c == WSTR(' ')) continue;
      if (c == WSTR(',') || c == WSTR(';')) {
        if (!piece.empty()) items.push_back(piece);
        piece.clear();
      } else {
        piece += c;
      }
    }
    if (!piece.empty()) items.push_back(piece);
  }
  return items;
}

}  // namespace luma::policy
