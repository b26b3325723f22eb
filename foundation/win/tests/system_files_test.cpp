#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "foundation/win/system_utils.h"
#include "foundation/win/tests/test_temp_dir.h"
#include "foundation/win/unique_handle.h"

namespace {

CSecureBuffer Pattern(DWORD size) {
  CSecureBuffer buffer(size);
  for (DWORD i = 0; i < size; ++i) buffer.data[i] = static_cast<BYTE>(i * 7 + 3);
  return buffer;
}

TEST(SystemFilesTest, CreateDirectoryPathMakesEveryLevel) {
  CTestTempDir dir;
  const std::wstring deep = dir / L"a\\b\\c";
  EXPECT_EQ(0u, luma::CreateDirectoryPath(deep));
  EXPECT_NE(0u, GetFileAttributesW(deep.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(0u, luma::CreateDirectoryPath(deep));  // exists already
  ASSERT_EQ(0u, luma::WriteFileData(dir / L"a\\file", Pattern(1)));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DIRECTORY), luma::CreateDirectoryPath(dir / L"a\\file"));
  // A regular file in the way of a parent stops the creation with the parent's error.
  EXPECT_EQ(static_cast<DWORD>(ERROR_DIRECTORY), luma::CreateDirectoryPath(dir / L"a\\file\\x"));
}

TEST(SystemFilesTest, WriteAndReadWholeFiles) {
  CTestTempDir dir;
  for (DWORD size : {0u, 1u, 2048u, 2049u, 10000u}) {
    const CSecureBuffer data = Pattern(size);
    ASSERT_EQ(0u, luma::WriteFileData(dir / L"data.bin", data));
    CSecureBuffer read = Pattern(5);
    ASSERT_EQ(0u, luma::ReadFileData(dir / L"data.bin", read));
    EXPECT_TRUE(data == read) << size;
  }
  CSecureBuffer read = Pattern(5);
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), luma::ReadFileData(dir / L"missing.bin", read));
  EXPECT_TRUE(read.empty());
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), luma::WriteFileData(dir / L"no\\such.bin", Pattern(3)));
}

// A file of `size` bytes, all zero but the last, which is 0x5A; written sparsely, so it is quick.
void MakeSizedFile(const std::wstring& path, DWORD size) {
  luma::CKernelHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  LARGE_INTEGER last;
  last.QuadPart = size - 1;
  ASSERT_TRUE(SetFilePointerEx(file.get(), last, nullptr, FILE_BEGIN));
  const BYTE marker = 0x5A;
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file.get(), &marker, 1, &written, nullptr));
}

TEST(SystemFilesTest, ReadRefusesAFileAboveTheCapBeforeReadingIt) {
  CTestTempDir dir;
  const DWORD cap = luma::kMaxWholeFileSize;
  MakeSizedFile(dir / L"over.pol", cap + 1);
  MakeSizedFile(dir / L"at.pol", cap);
  // The file above the cap is refused on its size alone: no block is allocated for it, so the
  // pending allocation failure is still there for the next allocation.
  CSecureBuffer read = Pattern(5);
  luma::testing::FailNextHeapAllocations(1);
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_TOO_LARGE), luma::ReadFileData(dir / L"over.pol", read));
  EXPECT_EQ(nullptr, CSecureBuffer(1).data);
  luma::testing::FailNextHeapAllocations(0);
  EXPECT_TRUE(read.empty());

  ASSERT_EQ(0u, luma::ReadFileData(dir / L"at.pol", read));
  ASSERT_EQ(cap, read.size);
  EXPECT_EQ(0x5A, read.data[cap - 1]);
  EXPECT_EQ(0, read.data[0]);
}

TEST(SystemFilesTest, ReadReportsMemoryShortage) {
  CTestTempDir dir;
  ASSERT_EQ(0u, luma::WriteFileData(dir / L"data.bin", Pattern(100)));
  CSecureBuffer read = Pattern(5);
  luma::testing::FailNextHeapAllocations(1);
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), luma::ReadFileData(dir / L"data.bin", read));
  luma::testing::FailNextHeapAllocations(0);
  EXPECT_TRUE(read.empty());
}

TEST(SystemFilesTest, FindFilesListsFilesOnly) {
  CTestTempDir dir;
  ASSERT_EQ(0u, luma::WriteFileData(dir / L"one.pol", Pattern(1)));
  ASSERT_EQ(0u, luma::WriteFileData(dir / L"two.pol", Pattern(1)));
  ASSERT_EQ(0u, luma::WriteFileData(dir / L"other.txt", Pattern(1)));
  ASSERT_EQ(0u, luma::CreateDirectoryPath(dir / L"dir.pol"));
  std::list<std::wstring> files = {L"stale"};
  luma::FindFiles(dir.path(), L"*.pol", files);
  std::vector<std::wstring> sorted(files.begin(), files.end());
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ((std::vector<std::wstring>{dir / L"one.pol", dir / L"two.pol"}), sorted);
  luma::FindFiles(dir.path(), L"*.none", files);
  EXPECT_TRUE(files.empty());
}

TEST(SystemFilesTest, CollectResourceProcCopiesResources) {
  std::list<CSecureBuffer> resources;
  HMODULE self = GetModuleHandleW(nullptr);
  EXPECT_TRUE(EnumResourceNamesW(self, RT_VERSION, luma::CollectResourceProc,
                                 reinterpret_cast<LONG_PTR>(&resources)));
  ASSERT_EQ(1u, resources.size());
  EXPECT_GT(resources.front().size, 100u);
  // The version block starts with its own length.
  EXPECT_EQ(resources.front().size,
            static_cast<DWORD>(resources.front().data[0] | resources.front().data[1] << 8));
}

}  // namespace
