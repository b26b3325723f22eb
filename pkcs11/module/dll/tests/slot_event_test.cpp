// Slot events through the loaded module: a store change is the only event; the stop event of
// C_Finalize ends a blocking wait.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "pkcs11/module/dll/tests/p11_client.h"

namespace {

TEST(SlotEventTest, PollingWithoutAStoreChangeFindsNoEvent) {
  CP11Client p11;
  ASSERT_TRUE(p11.loaded());
  CK_SLOT_ID slot = 99;
  EXPECT_EQ(CKR_CRYPTOKI_NOT_INITIALIZED, p11->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr));
  ASSERT_EQ(CKR_OK, p11->C_Initialize(nullptr));
  EXPECT_EQ(CKR_ARGUMENTS_BAD, p11->C_WaitForSlotEvent(CKF_DONT_BLOCK, nullptr, nullptr));
  EXPECT_EQ(CKR_ARGUMENTS_BAD, p11->C_WaitForSlotEvent(0, nullptr, nullptr));
  EXPECT_EQ(CKR_NO_EVENT, p11->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr));
  EXPECT_EQ(99u, slot);
  EXPECT_EQ(CKR_OK, p11->C_Finalize(nullptr));
}

TEST(SlotEventTest, ABlockingWaitEndsWhenAnotherThreadFinalises) {
  CP11Client p11;
  ASSERT_TRUE(p11.loaded());
  ASSERT_EQ(CKR_OK, p11->C_Initialize(nullptr));
  const CK_SESSION_HANDLE session = p11.openSession();

  std::atomic<CK_RV> waited{CKR_GENERAL_ERROR};
  CK_SLOT_ID slot = 99;
  std::atomic<bool> returned{false};
  std::thread waiter([&] {
    waited = p11->C_WaitForSlotEvent(0, &slot, nullptr);
    returned = true;
  });
  // The wait blocks: nothing in the store changes.
  Sleep(200);
  EXPECT_FALSE(returned.load());
  // Other calls go on meanwhile: the wait holds no module lock.
  CK_SESSION_INFO info;
  EXPECT_EQ(CKR_OK, p11->C_GetSessionInfo(session, &info));

  EXPECT_EQ(CKR_OK, p11->C_Finalize(nullptr));
  waiter.join();
  EXPECT_EQ(CKR_CRYPTOKI_NOT_INITIALIZED, waited.load());
  EXPECT_EQ(99u, slot);

  // Initialised again, a new wait blocks again until the next finalisation.
  ASSERT_EQ(CKR_OK, p11->C_Initialize(nullptr));
  returned = false;
  std::thread second([&] {
    waited = p11->C_WaitForSlotEvent(0, &slot, nullptr);
    returned = true;
  });
  Sleep(100);
  EXPECT_FALSE(returned.load());
  EXPECT_EQ(CKR_OK, p11->C_Finalize(nullptr));
  second.join();
  EXPECT_EQ(CKR_CRYPTOKI_NOT_INITIALIZED, waited.load());
}

}  // namespace
