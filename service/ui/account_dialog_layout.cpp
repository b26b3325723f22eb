#include "service/ui/account_dialog_layout.h"

#include "foundation/win/system_utils.h"
#include "foundation/win/unique_handle.h"

namespace luma {
namespace ui {

bool CAccountDialogLayout::Load(const std::wstring& valueName) {
  record = {};
  CRegistryKeyHandle key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) !=
      ERROR_SUCCESS) {
    return false;
  }
  wchar_t buffer[accounts::kLayoutBufferChars] = {};
  DWORD type = 0;
  DWORD bytes = sizeof(buffer);
  // ERROR_MORE_DATA (a value longer than the buffer) counts as no record.
  if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                       &bytes) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return false;
  }
  const std::optional<std::wstring> text = accounts::TerminatedLayoutText(buffer, bytes / sizeof(wchar_t));
  if (!text) return false;
  record = accounts::ParseLayout(*text);
  return true;
}

bool CAccountDialogLayout::Save(const std::wstring& valueName) const {
  CRegistryKeyHandle key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                      nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::wstring text = accounts::FormatLayout(record);
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        bytes) == ERROR_SUCCESS;
}

bool CAccountDialogLayout::SaveForWindow(HWND window) const {
  const std::wstring signature = GetDisplaySignature(window);
  return !signature.empty() && Save(signature);
}

}  // namespace ui
}  // namespace luma
