#include "service/pipe/vsc_driver_mutex.h"

#include <gtest/gtest.h>

#include "foundation/win/unique_handle.h"
#include "service/pipe/tests/pipe_test_support.h"

namespace {

class VSCDriverMutexTest : public ::testing::Test {
 protected:
  // What the virtual reader does: look whether the signal exists.
  bool SignalExists() const {
    const luma::CKernelHandle seen(OpenMutexW(SYNCHRONIZE, FALSE, (L"Global\\" + name).c_str()));
    return static_cast<bool>(seen);
  }

  std::wstring name = L"{" + luma::service::testing::UniquePipeName() + L"}";
};

TEST_F(VSCDriverMutexTest, CreateAndDestroyShowAndRemoveTheCard) {
  CVSCDriverMutex signal(name);
  EXPECT_FALSE(SignalExists());
  EXPECT_TRUE(signal.Create());
  EXPECT_TRUE(SignalExists());
  EXPECT_FALSE(signal.Create());  // already present: still one handle
  EXPECT_TRUE(signal.Destroy());
  EXPECT_FALSE(SignalExists());
  EXPECT_FALSE(signal.Destroy());
  EXPECT_TRUE(signal.Create());  // present again after a policy update
  EXPECT_TRUE(SignalExists());
}

TEST_F(VSCDriverMutexTest, DestroyWithoutCreateAndDestructionRemoveNothingTwice) {
  {
    CVSCDriverMutex signal(name);
    EXPECT_FALSE(signal.Destroy());
    ASSERT_TRUE(signal.Create());
  }
  EXPECT_FALSE(SignalExists());  // the destructor closed it
}

TEST_F(VSCDriverMutexTest, FailedCreateReportsFalseAndCanBeRetried) {
  // Another kind of object already holds the name, so the mutex cannot be created.
  luma::CKernelHandle squatter(CreateEventW(nullptr, TRUE, FALSE, (L"Global\\" + name).c_str()));
  ASSERT_TRUE(squatter);
  CVSCDriverMutex signal(name);
  EXPECT_FALSE(signal.Create());
  EXPECT_FALSE(signal.Destroy());  // nothing was stored
  squatter.reset();
  EXPECT_TRUE(signal.Create());
  EXPECT_TRUE(SignalExists());
}

}  // namespace
