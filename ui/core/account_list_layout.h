// The account list's sizes without its window: the saved layout record and its registry text, the
// window and column widths chosen from it or from the settings, the height that shows every account,
// where the controls go when the window is resized, and the expiry date's text.
#ifndef LUMA_UI_CORE_ACCOUNT_LIST_LAYOUT_H_
#define LUMA_UI_CORE_ACCOUNT_LIST_LAYOUT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "ui/core/window_geometry.h"

namespace luma::ui::accounts {

// {window width, window height, certificate, validity and status column widths}, saved per display.
struct AccountDialogLayout {
  int windowWidth = 0;
  int windowHeight = 0;
  int certificateWidth = 0;
  int validityWidth = 0;
  int statusWidth = 0;
  bool operator==(const AccountDialogLayout& other) const {
    return windowWidth == other.windowWidth && windowHeight == other.windowHeight &&
           certificateWidth == other.certificateWidth && validityWidth == other.validityWidth &&
           statusWidth == other.statusWidth;
  }
};

// The registry value is read into a buffer of this many characters, terminator included.
constexpr std::size_t kLayoutBufferChars = 64;
// A field above this is not a size anybody saved: the record is not used.
constexpr int kMaxLayoutField = 32767;

// The text of a value as read: `units` UTF-16 units of the buffer (at most kLayoutBufferChars), cut
// at the first terminator. None when the buffer is full without one (the value is too long).
std::optional<std::wstring> TerminatedLayoutText(const wchar_t* data, std::size_t units);
// "%d;%d;%d;%d;%d": fields split at ";" (empty fields skipped, as the tokenizer does), each read as a
// decimal number like _wtoi (digits after optional blanks and sign; anything else 0; clamped to int);
// fields without a token stay 0.
AccountDialogLayout ParseLayout(const std::wstring& text);
std::wstring FormatLayout(const AccountDialogLayout& layout);
// A saved record is used only when every field is above 0 and none is implausibly large.
bool IsUsableLayout(const AccountDialogLayout& layout);

// The width settings as stored (DWORDs; a value of 0 or, read as a signed number, less means unset).
struct WidthSettings {
  std::uint32_t dialogWidth = 0;
  std::uint32_t certificateWidth = 200;
  std::uint32_t validityWidth = 80;
  std::uint32_t statusWidth = 0;
};

struct ChosenWidths {
  int window = 0;
  int certificate = 0;
  int validity = 0;
  int status = 0;  // 0: takes the rest (StatusColumnWidth)
  bool operator==(const ChosenWidths& other) const {
    return window == other.window && certificate == other.certificate && validity == other.validity &&
           status == other.status;
  }
};

// A usable saved record sets the window and the first two columns (never the height; the status
// column takes the rest); otherwise the scaled settings, with the current window width, scaled 200
// and scaled 80 for the unset ones.
ChosenWidths ChooseWidths(const std::optional<AccountDialogLayout>& saved, const WidthSettings& settings,
                          const CDpiScale& dpi, int currentWindowWidth);

// The status column's width when it takes the rest of the list: the list's client width as it will
// be at the chosen window width, less two scroll bars and the other columns; scaled 32 at least.
int StatusColumnWidth(int listClientWidth, int chosenWindowWidth, int currentWindowWidth, int scrollBarWidth,
                      int certificateWidth, int validityWidth, const CDpiScale& dpi);

// The window height that shows every group, or none when the client area already does: the sum of
// the group rectangles' heights, 4 more per group, the header and a scroll bar; never above the
// desktop less the taskbar (when it lies at the top or bottom) less two scaled margins of 8, and not
// grown at all when even the initial height exceeds that.
struct HeightInputs {
  int groupHeights = 0;
  int groupCount = 0;
  int headerHeight = 0;
  int scrollBarHeight = 0;
  int clientHeight = 0;
  int initialWindowHeight = 0;
  int desktopHeight = 0;
  int taskbarHeight = 0;  // 0 when the taskbar is at the left or right edge
};
std::optional<int> FittingWindowHeight(const HeightInputs& in, const CDpiScale& dpi);

// Where the controls go for a client area of cx by cy: the list at (0, 0) growing with the window,
// the labels and buttons at a fixed distance from the right edge, the about icon at fixed right and
// bottom margins.
struct ResizeMetrics {
  int initialClientWidth = 0;
  int initialListWidth = 0;
  int buttonOffsetFromRight = 0;  // client right edge to the buttons' left edge
  int iconRightMargin = 0;
  int iconBottomMargin = 0;
  int iconWidth = 0;
  int iconHeight = 0;
};
struct ResizedLayout {
  CRectI list;
  int buttonsLeft = 0;
  CRectI icon;
};
ResizedLayout LayOutForSize(int cx, int cy, const ResizeMetrics& metrics);

// The expiry column's text: the format (string 10010, "%d.%m.%Y") with %d, %m and %Y (and %%)
// replaced by the local date; other characters as they are.
std::wstring FormatDate(const std::wstring& format, int year, int month, int day);

}  // namespace luma::ui::accounts

#endif  // LUMA_UI_CORE_ACCOUNT_LIST_LAYOUT_H_
