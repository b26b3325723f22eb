// A registry key of the configuration opened for reading in the 64-bit view and closed when the
// owner goes out of scope. A key that does not open is null: every reader then gives its defaults.
#ifndef LUMA_POLICY_CONFIG_CONFIG_KEY_H_
#define LUMA_POLICY_CONFIG_CONFIG_KEY_H_

#include <windows.h>

#include <string>

class CConfigKey {
 public:
  CConfigKey(HKEY parent, const std::wstring& subKey) {
    if (parent == nullptr ||
        RegOpenKeyExW(parent, subKey.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
      key = nullptr;
    }
  }
  CConfigKey(const CConfigKey&) = delete;
  CConfigKey& operator=(const CConfigKey&) = delete;
  ~CConfigKey() {
    if (key != nullptr) RegCloseKey(key);
  }

  HKEY get() const { return key; }
  explicit operator bool() const { return key != nullptr; }

 private:
  HKEY key = nullptr;
};

#endif  // LUMA_POLICY_CONFIG_CONFIG_KEY_H_
