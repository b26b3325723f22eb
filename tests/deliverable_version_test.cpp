// Every deliverable carries the project's version: read back from each built file through the
// system's version API, and through the reader the plug-ins' banners use.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "plugins/common/file_product_version.h"

namespace {

// The deliverables are built next to this test program.
std::wstring BesideTheProgram(const wchar_t* fileName) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring program(path);
  return program.substr(0, program.find_last_of(L'\\') + 1) + fileName;
}

std::wstring StringValue(const std::vector<BYTE>& block, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
  if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0) return std::wstring();
  return std::wstring(static_cast<const wchar_t*>(value), length - 1);  // without the terminating zero
}

TEST(DeliverableVersionTest, EveryFileReportsTheProjectVersion) {
  const wchar_t* const files[] = {L"lumaPassV.exe",         L"lumaPassKSP.dll", L"lumaPassCSP.dll",
                                  L"lumaPassCertStore.dll", L"lumaPassP11.dll", L"DumpStore.exe"};
  for (const wchar_t* file : files) {
    SCOPED_TRACE(::testing::Message() << std::string(file, file + wcslen(file)));
    const std::wstring path = BesideTheProgram(file);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_NE(0u, size) << "no version resource, error " << GetLastError();
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    ASSERT_GE(fixedSize, sizeof(VS_FIXEDFILEINFO));
    wchar_t numbers[64];
    swprintf(numbers, 64, L"%u.%u.%u.%u", HIWORD(fixed->dwProductVersionMS),
             LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
             LOWORD(fixed->dwProductVersionLS));
    EXPECT_EQ(LUMA_PRODUCT_VERSION, std::wstring(numbers));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    EXPECT_EQ(LUMA_PRODUCT_VERSION, StringValue(block, L"ProductVersion"));
    EXPECT_EQ(LUMA_PRODUCT_VERSION, StringValue(block, L"FileVersion"));
    EXPECT_EQ(L"luma-Pass V", StringValue(block, L"ProductName"));
    EXPECT_EQ(file, StringValue(block, L"OriginalFilename"));
    // What a plug-in's banner prints for its own module and for its host program.
    EXPECT_EQ(LUMA_PRODUCT_VERSION, luma::plugin::GetFileProductVersion(path.c_str()));
  }
}

}  // namespace
