#include "foundation/win/started_process.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// What Wine hands back for a started Linux program: no process handle, and a thread handle that is
// whatever its stack held, here the value of a live event of this process.
TEST(StartedProcessTest, ALeftOverThreadValueIsNeverTakenSoTheHandleItEqualsStaysOpen) {
  const luma::CKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  PROCESS_INFORMATION info = {};
  info.hThread = event.get();
  info.dwThreadId = 0x140000;
  {
    const luma::CStartedProcess started = luma::TakeStartedProcess(info);
    EXPECT_FALSE(started.process);
    EXPECT_FALSE(started.thread);
  }
  EXPECT_TRUE(SetEvent(event.get())) << GetLastError();
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.get(), 0));
}

TEST(StartedProcessTest, AWindowsProgramsHandlesAreTakenAndShowItsEnd) {
  wchar_t system[MAX_PATH] = {};
  ASSERT_NE(0u, GetSystemDirectoryW(system, MAX_PATH));
  std::wstring command = std::wstring(L"\"") + system + L"\\cmd.exe\" /c exit 7";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                             &startup, &info))
      << GetLastError();
  const luma::CStartedProcess started = luma::TakeStartedProcess(info);
  ASSERT_TRUE(started.process);
  EXPECT_TRUE(started.thread);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(started.process.get(), 60000));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(started.process.get(), &code));
  EXPECT_EQ(7u, code);
}

// The case itself: a Linux program started through CreateProcessW, where the platform can do that.
TEST(StartedProcessTest, ALinuxProgramGivesNoHandleToClose) {
  if (GetFileAttributesW(L"Z:\\bin\\true") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no Linux host here";
  wchar_t command[] = L"Z:\\bin\\true";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  const luma::CStartedProcess started = luma::TakeStartedProcess(info);
  EXPECT_FALSE(started.process);
  EXPECT_FALSE(started.thread);
}

}  // namespace
