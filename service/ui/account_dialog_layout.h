// The account list's saved size and column widths: one text value per display configuration (named
// by the display's signature) under the user's key, in the 64-bit registry view.
#ifndef LUMA_SERVICE_UI_ACCOUNT_DIALOG_LAYOUT_H_
#define LUMA_SERVICE_UI_ACCOUNT_DIALOG_LAYOUT_H_

#include <windows.h>

#include <string>

#include "ui/core/account_list_layout.h"

namespace luma {
namespace ui {

class CAccountDialogLayout {
 public:
  static constexpr const wchar_t* kKeyPath = L"Software\\nuvak\\lumaPassV\\AccountDialog";

  explicit CAccountDialogLayout(std::wstring keyPath = kKeyPath) : keyPath(std::move(keyPath)) {}

  // Reads the value into the record; false, with the record all 0, when it is missing, not text or
  // longer than the 64-character buffer it is read into.
  bool Load(const std::wstring& valueName);
  // Writes the record as "%d;%d;%d;%d;%d" with its terminator; false when the key cannot be opened
  // or the value not written.
  bool Save(const std::wstring& valueName) const;
  // Saves under the display signature of the window's monitor; nothing without one.
  bool SaveForWindow(HWND window) const;

  accounts::AccountDialogLayout record;

 private:
  std::wstring keyPath;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_ACCOUNT_DIALOG_LAYOUT_H_
