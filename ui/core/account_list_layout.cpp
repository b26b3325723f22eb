#include "ui/core/account_list_layout.h"

#include <algorithm>
#include <climits>

namespace luma::ui::accounts {
namespace {

// _wtoi's reading: blanks, an optional sign, decimal digits; clamped instead of overflowing.
int ReadInt(const std::wstring& token) {
  std::size_t i = 0;
  while (i < token.size() && (token[i] == L' ' || (token[i] >= L'\t' && token[i] <= L'\r'))) ++i;
  bool negative = false;
  if (i < token.size() && (token[i] == L'+' || token[i] == L'-')) negative = token[i++] == L'-';
  long long value = 0;
  for (; i < token.size() && token[i] >= L'0' && token[i] <= L'9'; ++i) {
    value = value * 10 + (token[i] - L'0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int Setting(std::uint32_t value) { return static_cast<int>(value); }

}  // namespace

std::optional<std::wstring> TerminatedLayoutText(const wchar_t* data, std::size_t units) {
  units = std::min(units, kLayoutBufferChars);
  const wchar_t* end = std::find(data, data + units, L'\0');
  if (end == data + kLayoutBufferChars) return std::nullopt;  // full and unterminated: too long
  return std::wstring(data, end);
}

AccountDialogLayout ParseLayout(const std::wstring& text) {
  int fields[5] = {};
  std::size_t count = 0;
  std::size_t position = 0;
  while (count < 5 && position < text.size()) {
    const std::size_t start = text.find_first_not_of(L';', position);
    if (start == std::wstring::npos) break;
    const std::size_t end = std::min(text.find(L';', start), text.size());
    fields[count++] = ReadInt(text.substr(start, end - start));
    position = end;
  }
  return {fields[0], fields[1], fields[2], fields[3], fields[4]};
}

std::wstring FormatLayout(const AccountDialogLayout& layout) {
  return std::to_wstring(layout.windowWidth) + L";" + std::to_wstring(layout.windowHeight) + L";" +
         std::to_wstring(layout.certificateWidth) + L";" + std::to_wstring(layout.validityWidth) + L";" +
         std::to_wstring(layout.statusWidth);
}

bool IsUsableLayout(const AccountDialogLayout& layout) {
  for (int field : {layout.windowWidth, layout.windowHeight, layout.certificateWidth, layout.validityWidth,
                    layout.statusWidth}) {
    if (field <= 0 || field > kMaxLayoutField) return false;
  }
  return true;
}

ChosenWidths ChooseWidths(const std::optional<AccountDialogLayout>& saved, const WidthSettings& settings,
                          const CDpiScale& dpi, int currentWindowWidth) {
  if (saved && IsUsableLayout(*saved))
    return {saved->windowWidth, saved->certificateWidth, saved->validityWidth, 0};
  ChosenWidths widths;
  widths.window =
      Setting(settings.dialogWidth) > 0 ? ScaleByDpi(dpi, Setting(settings.dialogWidth)) : currentWindowWidth;
  widths.certificate =
      ScaleByDpi(dpi, Setting(settings.certificateWidth) > 0 ? Setting(settings.certificateWidth) : 200);
  widths.validity =
      ScaleByDpi(dpi, Setting(settings.validityWidth) > 0 ? Setting(settings.validityWidth) : 80);
  widths.status = Setting(settings.statusWidth) > 0 ? ScaleByDpi(dpi, Setting(settings.statusWidth)) : 0;
  return widths;
}

int StatusColumnWidth(int listClientWidth, int chosenWindowWidth, int currentWindowWidth, int scrollBarWidth,
                      int certificateWidth, int validityWidth, const CDpiScale& dpi) {
  const long long width = static_cast<long long>(listClientWidth) + chosenWindowWidth - currentWindowWidth -
                          2LL * scrollBarWidth - certificateWidth - validityWidth;
  if (width <= 32) return ScaleByDpi(dpi, 32);
  return static_cast<int>(std::min<long long>(width, INT_MAX));
}

std::optional<int> FittingWindowHeight(const HeightInputs& in, const CDpiScale& dpi) {
  const long long needed =
      static_cast<long long>(in.groupHeights) + 4LL * in.groupCount + in.headerHeight + in.scrollBarHeight;
  if (needed <= in.clientHeight) return std::nullopt;
  const long long limit =
      static_cast<long long>(in.desktopHeight) - in.taskbarHeight - 2LL * ScaleByDpi(dpi, 8);
  if (in.initialWindowHeight > limit) return std::nullopt;
  const long long height = std::min<long long>(in.initialWindowHeight + (needed - in.clientHeight), limit);
  return static_cast<int>(height);
}

ResizedLayout LayOutForSize(int cx, int cy, const ResizeMetrics& metrics) {
  ResizedLayout layout;
  layout.list = {0, 0, cx - metrics.initialClientWidth + metrics.initialListWidth, cy};
  layout.buttonsLeft = cx - metrics.buttonOffsetFromRight;
  const int iconRight = cx - metrics.iconRightMargin;
  const int iconBottom = cy - metrics.iconBottomMargin;
  layout.icon = {iconRight - metrics.iconWidth, iconBottom - metrics.iconHeight, iconRight, iconBottom};
  return layout;
}

std::wstring FormatDate(const std::wstring& format, int year, int month, int day) {
  auto two = [](int value) {
    std::wstring text = std::to_wstring(value);
    return text.size() < 2 ? L"0" + text : text;
  };
  std::wstring text;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != L'%' || i + 1 == format.size()) {
      text += format[i];
      continue;
    }
    switch (format[++i]) {
      case L'd':
        text += two(day);
        break;
      case L'm':
        text += two(month);
        break;
      case L'Y':
        text += std::to_wstring(year);
        break;
      case L'%':
        text += L'%';
        break;
      default:
        text += L'%';
        text += format[i];
    }
  }
  return text;
}

}  // namespace luma::ui::accounts
