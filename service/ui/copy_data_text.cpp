#include "service/ui/copy_data_text.h"

namespace luma::ui {

bool ReadCopyDataText(const COPYDATASTRUCT* data, std::wstring& text) {
  if (data == nullptr || data->lpData == nullptr || data->cbData == 0 ||
      data->cbData % sizeof(wchar_t) != 0) {
    return false;
  }
  const std::size_t units = data->cbData / sizeof(wchar_t);
  if (units > kMaxProtocolUrlLength + 1) return false;
  const auto* begin = static_cast<const wchar_t*>(data->lpData);
  std::size_t length = 0;
  while (length < units && begin[length] != L'\0') ++length;
  if (length == units) return false;
  text.assign(begin, length);
  return true;
}

}  // namespace luma::ui
