// The text of a protocol request carried by WM_COPYDATA: any process of the desktop
// can send one, so every field is checked before the text is read.
#ifndef LUMA_SERVICE_UI_COPY_DATA_TEXT_H_
#define LUMA_SERVICE_UI_COPY_DATA_TEXT_H_

#include <windows.h>

#include <cstddef>
#include <string>

namespace luma::ui {

// The longest protocol URL taken from WM_COPYDATA, in characters.
constexpr std::size_t kMaxProtocolUrlLength = 32767;

// The text of a WM_COPYDATA block: UTF-16 up to its terminating zero. False for a block that is
// missing, of odd size, longer than kMaxProtocolUrlLength characters or without a terminating zero;
// nothing beyond cbData is read.
bool ReadCopyDataText(const COPYDATASTRUCT* data, std::wstring& text);

}  // namespace luma::ui

#endif  // LUMA_SERVICE_UI_COPY_DATA_TEXT_H_
