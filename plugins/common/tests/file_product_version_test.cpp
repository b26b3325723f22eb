#include "plugins/common/file_product_version.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace luma::plugin {
namespace {

// The fixture DLLs are built next to the test program.
std::wstring BesideTheProgram(const wchar_t* fileName) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory(path);
  return directory.substr(0, directory.find_last_of(L'\\') + 1) + fileName;
}

TEST(FileProductVersionTest, TakesTheFirstTranslationThatHasAProductVersion) {
  const std::wstring path = BesideTheProgram(L"version_two_translations_fixture.dll");
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
  EXPECT_EQ(L"2.5.0.1-beta", GetFileProductVersion(path.c_str()));
}

TEST(FileProductVersionTest, FallsBackToZerosWithoutAVersion) {
  const std::wstring unversioned = BesideTheProgram(L"version_none_fixture.dll");
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(unversioned.c_str()));
  EXPECT_EQ(L"0.0.0.0", GetFileProductVersion(unversioned.c_str()));
  EXPECT_EQ(L"0.0.0.0", GetFileProductVersion(BesideTheProgram(L"no_such_file.dll").c_str()));
  EXPECT_EQ(L"0.0.0.0", GetFileProductVersion(nullptr));
}

}  // namespace
}  // namespace luma::plugin
