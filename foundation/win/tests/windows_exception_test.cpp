#include "foundation/win/windows_exception.h"

#include <gtest/gtest.h>
#include <wininet.h>

#include "foundation/win/unique_handle.h"

namespace {

// An application-defined code (bit 29) that neither the system nor WinINet knows.
constexpr DWORD kUnknownCode = 0x20001234;

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(WindowsExceptionTest, Win32CodeGivesTheTrimmedSystemText) {
  const std::wstring plain = luma::FormatSystemErrorMessage(ERROR_FILE_NOT_FOUND, false);
  ASSERT_FALSE(plain.empty());
  EXPECT_EQ(std::wstring::npos, plain.find_first_of(L"\r\n"));
  EXPECT_NE(L' ', plain.front());
  EXPECT_NE(L' ', plain.back());
  EXPECT_NE(L'[', plain.front());
  EXPECT_EQ(plain + L" [0x00000002]", luma::FormatSystemErrorMessage(ERROR_FILE_NOT_FOUND, true));
}

TEST(WindowsExceptionTest, UnknownCodeGivesOnlyTheBracketedCode) {
  EXPECT_EQ(L"[0x20001234]", luma::FormatSystemErrorMessage(kUnknownCode, false));
  EXPECT_EQ(L"[0x20001234]", luma::FormatSystemErrorMessage(kUnknownCode, true));
}

TEST(WindowsExceptionTest, WinINetCodesAreReadOnlyWhenWinINetIsLoaded) {
  // 12002: the request timed out. The formatter never loads WinINet itself; the test does.
  luma::CModuleHandle wininet(LoadLibraryW(L"WinINet.dll"));
  ASSERT_TRUE(wininet);
  const std::wstring text = luma::FormatSystemErrorMessage(ERROR_INTERNET_TIMEOUT, true);
  wininet.reset();
  EXPECT_TRUE(EndsWith(text, L" [0x00002ee2]")) << text.c_str();
  EXPECT_GT(text.size(), std::wstring(L" [0x00002ee2]").size());
}

TEST(WindowsExceptionTest, CarriesCodeAndText) {
  SetLastError(ERROR_ACCESS_DENIED);
  const CWindowsException fromLastError;
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), fromLastError.GetError());
  EXPECT_EQ(luma::FormatSystemErrorMessage(ERROR_ACCESS_DENIED, false), fromLastError.GetMessage());
  EXPECT_EQ(luma::FormatSystemErrorMessage(ERROR_ACCESS_DENIED, true), fromLastError.GetErrorText());

  try {
    throw CWindowsException(kUnknownCode);
  } catch (const CWindowsException& e) {
    const CWindowsException copy = e;
    EXPECT_EQ(kUnknownCode, copy.GetError());
    EXPECT_EQ(L"[0x20001234]", copy.GetMessage());
    EXPECT_EQ(L"[0x20001234]", copy.GetErrorText());
  }
}

}  // namespace
