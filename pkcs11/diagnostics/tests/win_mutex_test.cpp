#include "pkcs11/diagnostics/win_mutex.h"

#include <gtest/gtest.h>

#include <thread>

#include "pkcs11/diagnostics/module_debug_log.h"
#include "pkcs11/diagnostics/tests/log_test_support.h"

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

TEST(WinMutexTest, TracesEveryStepAtLevelFourOnlyWhenAsked) {
  CTestLogSettings settings;
  settings.enableFile(kLogMutex);
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
