// Registry keys of one test: made under a name of the test's own and deleted, with everything
// below them, when the test ends. Writes take any type and size, so that tests can store values of
// the wrong type too.
#ifndef LUMA_POLICY_TESTING_TEST_REGISTRY_H_
#define LUMA_POLICY_TESTING_TEST_REGISTRY_H_

#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <string>

#include "foundation/win/unique_handle.h"

namespace luma::testing {

// "<base>\<suite>.<test>" for the running test.
inline std::wstring TestKeyPath(const std::wstring& base) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string(info->test_suite_name()) + "." + info->name();
  return base + L"\\" + std::wstring(name.begin(), name.end());
}

class CTestKey {
 public:
  CTestKey(HKEY root, std::wstring path) : root(root), path(std::move(path)) {
    RegDeleteTreeW(root, this->path.c_str());
    EXPECT_EQ(RegCreateKeyExW(root, this->path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                              nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
  }
  CTestKey(const CTestKey&) = delete;
  CTestKey& operator=(const CTestKey&) = delete;
  ~CTestKey() {
    key.reset();
    RegDeleteTreeW(root, path.c_str());
  }

  HKEY get() const { return key.get(); }
  HKEY Root() const { return root; }
  const std::wstring& Path() const { return path; }

  // subKey may be empty (the key itself) or a relative path ("OTP\de").
  void SetRaw(const std::wstring& subKey, const wchar_t* name, DWORD type, const void* data,
              DWORD size) const {
    CRegistryKeyHandle target;
    ASSERT_EQ(RegCreateKeyExW(key.get(), subKey.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr,
                              target.put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(target.get(), name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  void SetText(const std::wstring& subKey, const wchar_t* name, const std::wstring& text,
               DWORD type = REG_SZ) const {
    SetRaw(subKey, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  void SetNumber(const std::wstring& subKey, const wchar_t* name, DWORD value) const {
    SetRaw(subKey, name, REG_DWORD, &value, sizeof(value));
  }
  void SetMulti(const std::wstring& subKey, const wchar_t* name,
                std::initializer_list<const wchar_t*> texts) const {
    std::wstring data;
    for (const wchar_t* text : texts) data.append(text).push_back(L'\0');
    data.push_back(L'\0');
    SetRaw(subKey, name, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size() * sizeof(wchar_t)));
  }
  void CreateSubKey(const std::wstring& subKey) const {
    CRegistryKeyHandle target;
    ASSERT_EQ(RegCreateKeyExW(key.get(), subKey.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr,
                              target.put(), nullptr),
              ERROR_SUCCESS);
  }

 private:
  HKEY root;
  std::wstring path;
  CRegistryKeyHandle key;
};

// True when the tests run under Wine, whose answers for some system facts differ from Windows'.
inline bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace luma::testing

#endif  // LUMA_POLICY_TESTING_TEST_REGISTRY_H_
