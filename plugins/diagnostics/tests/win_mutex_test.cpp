#include "plugins/diagnostics/win_mutex.h"

// windows.h first: sddl.h needs its types.
// clang-format off
#include <windows.h>
#include <sddl.h>
// clang-format on

#include <gtest/gtest.h>

#include <thread>

#include "plugins/diagnostics/module_debug_log.h"
#include "plugins/diagnostics/tests/log_test_support.h"

namespace luma::diagnostics {
namespace {

TEST(WinMutexTest, GuardsATableAgainstConcurrentUpdates) {
  CWinMutex mutex;
  long counter = 0;  // deliberately not atomic: only the mutex keeps the updates apart
  auto work = [&] {
    for (int i = 0; i < 2000; ++i) {
      CWinMutexLock lock = mutex.lock();
      const long seen = counter;
      if (i % 100 == 0) Sleep(0);
      counter = seen + 1;
    }
  };
  std::thread a(work), b(work), c(work);
  a.join();
  b.join();
  c.join();
  EXPECT_EQ(6000, counter);
}

TEST(WinMutexTest, IsReentrantAndCanBeGivenUpEarly) {
  CWinMutex mutex;
  CWinMutexLock outer = mutex.lock();
  {
    CWinMutexLock inner = mutex.lock();  // the owner enters again
    EXPECT_TRUE(inner.isLocked());
  }
  outer.release();
  EXPECT_FALSE(outer.isLocked());
  outer.release();  // a second release does nothing

  // Another thread can now take it at once.
  DWORD waited = WAIT_FAILED;
  std::thread other([&] {
    waited = WaitForSingleObject(mutex.getHandle(), 0);
    if (waited == WAIT_OBJECT_0) ReleaseMutex(mutex.getHandle());
  });
  other.join();
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), waited);
}

TEST(WinMutexTest, NamedInstancesShareOneKernelMutex) {
  const std::string name = "lumaPassMutexTest" + std::to_string(GetCurrentProcessId());
  CWinMutex first(name.c_str());
  CWinMutex second(name.c_str());
  CWinMutexLock lock = first.lock();
  DWORD waited = WAIT_FAILED;
  std::thread other([&] { waited = WaitForSingleObject(second.getHandle(), 0); });
  other.join();
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), waited);
}

// A wait that cannot succeed must not be reported as a lock. Two ways to get there: a name that
// belongs to an object of another kind (no mutex at all), and a mutex whose owner grants nobody the
// right to wait on it (the instance keeps a handle that only holds the object alive).
TEST(WinMutexTest, AFailedWaitLeavesTheLockUnlocked) {
  const std::string prefix = "lumaPassMutexTest" + std::to_string(GetCurrentProcessId());
  const luma::CKernelHandle event(CreateEventA(nullptr, TRUE, FALSE, (prefix + "Event").c_str()));
  ASSERT_TRUE(event);
  CWinMutex notAMutex((prefix + "Event").c_str());
  EXPECT_FALSE(notAMutex.getHandle());
  CWinMutexLock noLock = notAMutex.lock();
  EXPECT_FALSE(noLock.isLocked());

  // Only access right 2 for everyone: neither SYNCHRONIZE nor MUTEX_MODIFY_STATE.
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), nullptr, FALSE};
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
      "D:(A;;0x2;;;WD)", SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr));
  const luma::CLocalMemoryHandle descriptor(attributes.lpSecurityDescriptor);
  const luma::CKernelHandle guarded(CreateMutexA(&attributes, FALSE, (prefix + "Guarded").c_str()));
  ASSERT_TRUE(guarded);
  CWinMutex presenceOnly((prefix + "Guarded").c_str());
  ASSERT_TRUE(presenceOnly.getHandle());
  CWinMutexLock refused = presenceOnly.lock();
  EXPECT_FALSE(refused.isLocked());
}

TEST(WinMutexTest, TakesOverAMutexWhoseOwnerEndedWithoutReleasingIt) {
  CWinMutex mutex;
  std::thread owner([&] {
    CWinMutexLock lock = mutex.lock();
    ASSERT_TRUE(lock.isLocked());
    WaitForSingleObject(mutex.getHandle(), 0);  // a second, unbalanced hold that nobody releases
  });
  owner.join();
  CWinMutexLock lock = mutex.lock();
  EXPECT_TRUE(lock.isLocked());
}

TEST(WinMutexTest, TracesEveryStepAtLevelFourOnlyWhenAsked) {
  CTestLogSettings settings;
  settings.enableFile(kLogDetail);
  unsigned long value = 0;
  {
    CModuleDebugLog log(settings.moduleName().c_str());
    CWinMutex untraced;
    { CWinMutexLock lock = untraced.lock(); }
    CWinMutex traced(nullptr, &log);
    value = static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(traced.getHandle()));
    { CWinMutexLock lock = traced.lock(); }
  }
  char hex[16];
  std::snprintf(hex, sizeof(hex), "%08lx", value);
  std::vector<std::string> messages;
  for (const std::string& line : settings.lines()) messages.push_back(MessageOf(line));
  EXPECT_EQ(
      (std::vector<std::string>{
          "     ### Mutex " + std::string(hex), "     ### Acquiring mutex " + std::string(hex),
          "     ### Mutex " + std::string(hex) + " acquired", "     ### Releasing " + std::string(hex)}),
      messages);
}

}  // namespace
}  // namespace luma::diagnostics
