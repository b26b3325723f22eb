// Self-registration under the provider key, with a provider name of the test's own so that the real
// providers' registrations stay untouched.
#include "plugins/csp/csp_registration.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/win/unique_handle.h"
#include "plugins/csp/tests/csp_test_support.h"

namespace luma::csp {
namespace {

const ProviderIdentity kTestIdentity = {"lumaPass registration test provider", 24};
const std::string kTestKey = std::string(kProvidersKey) + "\\" + kTestIdentity.name;

// The path the stand-in for GetModuleFileNameA reports, and the error it leaves when it reports none.
std::string reportedPath;
DWORD reportedError = 0;

DWORD WINAPI ReportPath(HMODULE, LPSTR path, DWORD size) {
  if (reportedPath.empty()) {
    SetLastError(reportedError);
    return 0;
  }
  // As the platform does: a path that does not fit fills the whole buffer, without its zero.
  const DWORD length =
      static_cast<DWORD>(reportedPath.size()) < size ? static_cast<DWORD>(reportedPath.size()) : size;
  std::memcpy(path, reportedPath.data(), length);
  if (length < size) path[length] = '\0';
  return length;
}

HMODULE SomeModule() { return GetModuleHandleW(nullptr); }

bool TestKeyExists() {
  luma::CRegistryKeyHandle key;
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::string ImagePath() {
  char value[1024] = {};
  DWORD size = sizeof(value) - 1;
  RegGetValueA(HKEY_LOCAL_MACHINE, kTestKey.c_str(), "Image Path", RRF_RT_REG_SZ, nullptr, value, &size);
  return value;
}

class CspRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reportedError = 0;
    // As if an earlier registration had succeeded: a failing one must remove it.
    reportedPath = "C:\\earlier\\lumaPassCSP.dll";
    ASSERT_EQ(S_OK, RegisterProvider(SomeModule(), kTestIdentity, &ReportPath));
  }
  void TearDown() override { UnregisterProvider(kTestIdentity); }
};

TEST_F(CspRegistrationTest, WritesImagePathAndTypeAndUnregisteringRemovesThem) {
  reportedPath = "C:\\Program Files\\lumaPass\\lumaPassRSACSP.dll";
  ASSERT_EQ(S_OK, RegisterProvider(SomeModule(), kTestIdentity, &ReportPath));
  EXPECT_EQ(reportedPath, ImagePath());
  DWORD type = 0;
  DWORD size = sizeof(type);
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, kTestKey.c_str(), "Type", RRF_RT_REG_DWORD,
                                        nullptr, &type, &size));
  EXPECT_EQ(24u, type);
  EXPECT_EQ(S_OK, UnregisterProvider(kTestIdentity));
  EXPECT_FALSE(TestKeyExists());
  EXPECT_EQ(S_OK, UnregisterProvider(kTestIdentity));
}

TEST_F(CspRegistrationTest, APathOfTheLongestLengthThatFitsIsRegisteredWhole) {
  reportedPath = "C:\\" + std::string(MAX_PATH - 1 - 3 - 4, 'p') + ".dll";
  ASSERT_EQ(static_cast<size_t>(MAX_PATH - 1), reportedPath.size());
  ASSERT_EQ(S_OK, RegisterProvider(SomeModule(), kTestIdentity, &ReportPath));
  EXPECT_EQ(reportedPath, ImagePath());
}

struct FailureCase {
  const char* label;
  std::string path;  // empty: the path cannot be read
  DWORD error;       // the error left when it cannot be read
  bool withModule;
  HRESULT expected;
};

TEST_F(CspRegistrationTest, AFailedRegistrationAnswersItsErrorAndLeavesNoKeyBehind) {
  const FailureCase table[] = {
      {"no dot in the file name", "C:\\dir\\lumaPassCSP", 0, true, static_cast<HRESULT>(0x8007007B)},
      {"a dot only in a folder name", "C:\\dir.d\\lumaPassCSP", 0, true, static_cast<HRESULT>(0x8007007B)},
      {"a path that fills the buffer", "C:\\" + std::string(MAX_PATH, 'p') + ".dll", 0, true,
       static_cast<HRESULT>(0x8007007A)},
      {"a path exactly as long as the buffer", "C:\\" + std::string(MAX_PATH - 3 - 4, 'p') + ".dll", 0, true,
       static_cast<HRESULT>(0x8007007A)},
      {"an unreadable path", "", ERROR_MOD_NOT_FOUND, true, HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
      {"no module", "C:\\dir\\lumaPassCSP.dll", 0, false, static_cast<HRESULT>(0x80070006)},
  };
  for (const FailureCase& row : table) {
    SCOPED_TRACE(row.label);
    reportedPath = "C:\\earlier\\lumaPassCSP.dll";
    ASSERT_EQ(S_OK, RegisterProvider(SomeModule(), kTestIdentity, &ReportPath));
    reportedPath = row.path;
    reportedError = row.error;
    EXPECT_EQ(row.expected,
              RegisterProvider(row.withModule ? SomeModule() : nullptr, kTestIdentity, &ReportPath));
    EXPECT_FALSE(TestKeyExists());
  }
}

TEST_F(CspRegistrationTest, TheRealModuleLoadedFromAFileWithoutADotIsNotRegistered) {
  const std::wstring copy = ProgramFolder() + L"lumaPassCSP_without_extension";
  ASSERT_TRUE(CopyFileW((ProgramFolder() + L"lumaPassCSP.dll").c_str(), copy.c_str(), FALSE));
  {
    // A trailing "." keeps the loader from adding ".dll".
    const luma::CModuleHandle module(LoadLibraryW((copy + L".").c_str()));
    ASSERT_TRUE(module) << GetLastError();
    char loadedFrom[MAX_PATH] = {};
    GetModuleFileNameA(module.get(), loadedFrom, MAX_PATH);
    ASSERT_EQ(nullptr, std::strchr(std::strrchr(loadedFrom, '\\'), '.')) << loadedFrom;
    EXPECT_EQ(static_cast<HRESULT>(0x8007007B), RegisterProvider(module.get(), kTestIdentity));
    EXPECT_FALSE(TestKeyExists());
  }
  DeleteFileW(copy.c_str());
}

}  // namespace
}  // namespace luma::csp
