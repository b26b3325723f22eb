// Gives one test its own HKEY_CURRENT_USER: a fresh key that the process sees in its place until the
// test ends, so that tests running at the same time in other processes never share the user's
// values (the disabled certificates, for one).
#ifndef LUMA_POLICY_TESTING_USER_REGISTRY_OVERRIDE_H_
#define LUMA_POLICY_TESTING_USER_REGISTRY_OVERRIDE_H_

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "foundation/win/unique_handle.h"

class CUserRegistryOverride {
 public:
  CUserRegistryOverride() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(info->test_suite_name()) + "." + info->name();
    path = L"Software\\luma-tests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::wstring(name.begin(), name.end());
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, key.get()), ERROR_SUCCESS);
  }
  ~CUserRegistryOverride() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    key.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
  }
  CUserRegistryOverride(const CUserRegistryOverride&) = delete;
  CUserRegistryOverride& operator=(const CUserRegistryOverride&) = delete;

 private:
  std::wstring path;
  luma::CRegistryKeyHandle key;
};

#endif  // LUMA_POLICY_TESTING_USER_REGISTRY_OVERRIDE_H_
