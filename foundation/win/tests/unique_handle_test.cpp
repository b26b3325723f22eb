#include "foundation/win/unique_handle.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

namespace {

using luma::CFindHandle;
using luma::CKernelHandle;

// An event handle that is known to be open while the test holds it.
HANDLE NewEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(UniqueHandleTest, IsMoveOnlyAndClosesExactlyOnce) {
  static_assert(!std::is_copy_constructible_v<CKernelHandle>, "no copies");
  static_assert(!std::is_copy_assignable_v<CKernelHandle>, "no copies");
  static_assert(std::is_nothrow_move_constructible_v<CKernelHandle>, "moves never throw");

  const HANDLE raw = NewEvent();
  ASSERT_NE(nullptr, raw);
  {
    CKernelHandle first(raw);
    CKernelHandle second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(raw, second.get());
    CKernelHandle third;
    third = std::move(second);
    EXPECT_EQ(raw, third.get());
    third = std::move(third);  // self-move keeps the handle
    EXPECT_EQ(raw, third.get());
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));
}

TEST(UniqueHandleTest, ResetKeepsTheCallersLastError) {
  CKernelHandle owner(NewEvent());
  ASSERT_TRUE(owner);
  SetLastError(ERROR_FILE_NOT_FOUND);
  owner.reset();
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());

  // Also when closing itself fails: a registry key that is no open key.
  luma::CRegistryKeyHandle bogus(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234)));
  SetLastError(ERROR_ACCESS_DENIED);
  bogus.reset();
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
}

TEST(UniqueHandleTest, ReleaseGivesTheHandleUpUnclosedAndPutClosesFirst) {
  CKernelHandle owner(NewEvent());
  const HANDLE raw = owner.release();
  EXPECT_FALSE(owner);
  EXPECT_TRUE(IsOpen(raw));
  owner.reset(raw);

  HANDLE* slot = owner.put();
  EXPECT_FALSE(IsOpen(raw));
  EXPECT_EQ(nullptr, *slot);
}

TEST(UniqueHandleTest, InvalidHandleValueCountsAsNoHandle) {
  CKernelHandle file(
      CreateFileW(L"C:\\no\\such\\file.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_EQ(INVALID_HANDLE_VALUE, file.get());
  EXPECT_FALSE(file);
  file.reset();  // must not try to close INVALID_HANDLE_VALUE, which means the current process

  CFindHandle find;
  EXPECT_EQ(INVALID_HANDLE_VALUE, find.get());
  EXPECT_FALSE(find);
  WIN32_FIND_DATAW entry;
  find.reset(FindFirstFileW(L"C:\\no\\such\\*", &entry));
  EXPECT_FALSE(find);
}

}  // namespace
