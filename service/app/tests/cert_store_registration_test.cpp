#include "service/app/cert_store_registration.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace luma::app {
namespace {

// Counts the calls and answers as told.
struct Calls {
  std::atomic<int> registerPhysical{0};
  std::atomic<int> registerSystem{0};
  std::atomic<int> unregisterPhysical{0};
  std::atomic<int> unregisterSystem{0};
  bool physicalWorks = true;
  bool systemWorks = true;
};

class CFakeRegistrar : public CCertStoreRegistrar {
 public:
  explicit CFakeRegistrar(Calls& calls) : calls(calls) {}
  bool RegisterPhysicalStore() override { return ++calls.registerPhysical, calls.physicalWorks; }
  bool RegisterSystemStore() override { return ++calls.registerSystem, calls.systemWorks; }
  bool UnregisterPhysicalStore() override { return ++calls.unregisterPhysical, true; }
  bool UnregisterSystemStore() override { return ++calls.unregisterSystem, true; }

 private:
  Calls& calls;
};

TEST(CertStoreRegistrationTest, RegistersBothAndRemovesBoth) {
  Calls calls;
  CCertStoreRegistration registration(std::make_unique<CFakeRegistrar>(calls));
  EXPECT_TRUE(registration.Register());
  EXPECT_TRUE(registration.IsRegistered());
  EXPECT_TRUE(registration.Unregister());
  EXPECT_EQ(1, calls.unregisterPhysical);
  EXPECT_EQ(1, calls.unregisterSystem);
  EXPECT_FALSE(registration.Unregister());  // nothing left to remove
  EXPECT_EQ(1, calls.unregisterPhysical);
}

TEST(CertStoreRegistrationTest, AnInstanceThatRegisteredNothingUnregistersNothing) {
  Calls calls;
  calls.physicalWorks = false;
  CCertStoreRegistration registration(std::make_unique<CFakeRegistrar>(calls));
  EXPECT_FALSE(registration.Register());
  EXPECT_EQ(0, calls.registerSystem);  // only after the physical store
  EXPECT_FALSE(registration.Unregister());
  EXPECT_EQ(0, calls.unregisterPhysical);
  EXPECT_EQ(0, calls.unregisterSystem);
}

TEST(CertStoreRegistrationTest, OnlyThePhysicalStoreIsRemovedWhenTheSystemStoreFailed) {
  Calls calls;
  calls.systemWorks = false;
  CCertStoreRegistration registration(std::make_unique<CFakeRegistrar>(calls));
  EXPECT_FALSE(registration.Register());
  EXPECT_FALSE(registration.Unregister());
  EXPECT_EQ(1, calls.unregisterPhysical);
  EXPECT_EQ(0, calls.unregisterSystem);
}

// A waitable object that stands for the previous instance's process.
luma::CKernelHandle PreviousInstance() {
  return luma::CKernelHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

TEST(CertStoreRegistrationTest, RegistersAgainWhenThePreviousInstanceEndsLate) {
  Calls calls;
  CCertStoreRegistration registration(std::make_unique<CFakeRegistrar>(calls));
  ASSERT_TRUE(registration.Register());
  luma::CKernelHandle previous = PreviousInstance();
  const HANDLE ends = previous.get();
  luma::CKernelHandle own;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), ends, GetCurrentProcess(), own.put(), 0, FALSE,
                              DUPLICATE_SAME_ACCESS));
  registration.CheckAgainWhenEnded(std::move(previous));
  EXPECT_EQ(1, calls.registerPhysical);
  SetEvent(own.get());  // the previous instance ends and has removed the registration
  for (int i = 0; i < 500 && calls.registerSystem < 2; ++i) Sleep(10);
  EXPECT_EQ(2, calls.registerPhysical);
  EXPECT_EQ(2, calls.registerSystem);
  EXPECT_TRUE(registration.Unregister());
}

TEST(CertStoreRegistrationTest, NoSecondRegistrationWhenNothingWasRegistered) {
  Calls calls;
  calls.physicalWorks = false;
  CCertStoreRegistration registration(std::make_unique<CFakeRegistrar>(calls));
  EXPECT_FALSE(registration.Register());
  luma::CKernelHandle previous = PreviousInstance();
  SetEvent(previous.get());
  registration.CheckAgainWhenEnded(std::move(previous));
  registration.Unregister();  // waits for the check to end
  EXPECT_EQ(1, calls.registerPhysical);
}

TEST(CertStoreRegistrationTest, ShutDownEndsTheWaitWithoutRegistering) {
  Calls calls;
  CCertStoreRegistration registration(std::make_unique<CFakeRegistrar>(calls));
  ASSERT_TRUE(registration.Register());
  registration.CheckAgainWhenEnded(PreviousInstance());  // never ends
  EXPECT_TRUE(registration.Unregister());
  EXPECT_EQ(1, calls.registerPhysical);
}

}  // namespace
}  // namespace luma::app
