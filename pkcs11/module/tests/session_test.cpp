// Sessions over a slot of the test's own store: their object copies and slot, the PIN kept under
// DPAPI and guarded against concurrent change, and the session table's closing rules.
#include "pkcs11/module/session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "pkcs11/module/session_table.h"
#include "pkcs11/module/tests/token_test_support.h"

namespace {

class SessionObjectsTest : public ::testing::Test {
 protected:
  SessionObjectsTest() : stopEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

  std::shared_ptr<CSlot> makeSlot() {
    CSlotEnvironment environment;
    environment.isMarked = [this](PCCERT_CONTEXT certificate) {
      return marked.count(bytesOf(luma::pkcs11::certificateHash(certificate))) != 0;
    };
    environment.settingsKey = settings.path();
    return std::make_shared<CSlot>(0, "LPV", store.name(), stopEvent.get(), std::move(environment));
  }

  Bytes addMarked(const CCertificateSetup& setup) {
    const Bytes hash = store.add(setup);
    marked.insert(hash);
    return hash;
  }

  luma::CKernelHandle stopEvent;
  CTestSystemStore store;
  CTestSettingsKey settings;
  std::set<Bytes> marked;
};

std::string textOf(const CByteBuffer& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.size());
}

CByteBuffer bufferOf(const std::string& text) { return CByteBuffer(text.size(), text.data()); }

TEST_F(SessionObjectsTest, ASessionCopiesTheSlotObjectsAndKeepsTheSlotAlive) {
  addMarked({"signing", L"Alice"});
  std::shared_ptr<CSlot> slot = makeSlot();
  CSlot* const slotAddress = slot.get();
  auto session = std::make_shared<CSession>(slot);
  slot.reset();  // the module let the slot go (its last C_Finalize)

  EXPECT_EQ(slotAddress, &session->getSlot());
  CWinMutexLock held = session->lock();
  ASSERT_NE(nullptr, session->getObject(1));
  EXPECT_EQ(CKO_CERTIFICATE, session->getObject(1)->getObjectClass());
  EXPECT_EQ(CKO_PUBLIC_KEY, session->getObject(3)->getObjectClass());
  EXPECT_EQ(nullptr, session->getObject(4));
  std::vector<CK_OBJECT_HANDLE> found;
  CK_OBJECT_CLASS privateKey = CKO_PRIVATE_KEY;
  CK_ATTRIBUTE byClass = {CKA_CLASS, &privateKey, sizeof(privateKey)};
  session->findObjects(&byClass, 1, found);
  EXPECT_EQ((std::vector<CK_OBJECT_HANDLE>{2}), found);
  EXPECT_FALSE(session->reloadIfChanged());  // the slot is still there to ask
}

TEST_F(SessionObjectsTest, ThePinIsKeptProtectedAndAnEmptyOneForgetsIt) {
  CSession session(makeSlot());
  EXPECT_TRUE(session.getPin().empty());
  session.setPin(bufferOf("1234"));
  EXPECT_EQ("1234", textOf(session.getPin()));
  session.setPin(bufferOf("a longer pass phrase"));
  EXPECT_EQ("a longer pass phrase", textOf(session.getPin()));
  session.setPin(CByteBuffer());
  EXPECT_TRUE(session.getPin().empty());
}

TEST_F(SessionObjectsTest, ThePinChangedAndReadFromManyThreadsIsAlwaysAWholePin) {
  CSession session(makeSlot());
  const std::string pins[] = {"1111", "two-two-two-two", ""};
  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  std::vector<std::thread> threads;
  for (int writer = 0; writer < 2; ++writer) {
    threads.emplace_back([&, writer] {
      for (int round = 0; round < 150; ++round) session.setPin(bufferOf(pins[(round + writer) % 3]));
    });
  }
  for (int reader = 0; reader < 3; ++reader) {
    threads.emplace_back([&] {
      while (!stop.load()) {
        const std::string read = textOf(session.getPin());
        if (read != pins[0] && read != pins[1] && read != pins[2]) ++torn;
      }
    });
  }
  threads[0].join();
  threads[1].join();
  stop = true;
  for (std::size_t index = 2; index < threads.size(); ++index) threads[index].join();
  EXPECT_EQ(0, torn.load());
}

TEST_F(SessionObjectsTest, OperationsAreSharedWithTheCallsThatUseThem) {
  CSession session(makeSlot());
  struct CCounted : Operation {
    explicit CCounted(int& alive) : alive(alive) { ++alive; }
    ~CCounted() override { --alive; }
    int& alive;
  };
  int alive = 0;
  session.setOperation(kOperationSign, std::make_shared<CCounted>(alive));
  std::shared_ptr<Operation> inUse = session.getOperation(kOperationSign);
  session.removeOperation(kOperationSign);  // another thread ends it
  EXPECT_EQ(nullptr, session.getOperation(kOperationSign));
  EXPECT_EQ(1, alive);  // the call working on it still has it
  inUse.reset();
  EXPECT_EQ(0, alive);
  session.setOperation(kOperationSearch, std::make_shared<CCounted>(alive));
  session.setOperation(kOperationSearch, std::make_shared<CCounted>(alive));
  EXPECT_EQ(1, alive);  // replaced
}

TEST_F(SessionObjectsTest, TheTableClosesOnlyIdleSessionsAfterASlotEventButAllOnRequest) {
  const std::shared_ptr<CSlot> slot = makeSlot();
  CSessionTable table;
  const CK_SESSION_HANDLE idle = table.open(slot);
  const CK_SESSION_HANDLE busy = table.open(slot);
  EXPECT_EQ(1u, idle);
  EXPECT_EQ(2u, busy);
  CSessionRef call;
  ASSERT_EQ(CKR_OK, table.lookup(busy, call));  // a call is inside this one
  EXPECT_EQ(2, call->getUsageCount());

  table.closeAll(0, true);
  CSessionRef probe;
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, table.lookup(idle, probe));
  EXPECT_EQ(CKR_OK, table.lookup(busy, probe));
  probe.reset();
  EXPECT_EQ(1u, table.count(0));
  EXPECT_EQ(0u, table.count(1));

  table.closeAll(0, false);
  EXPECT_EQ(0u, table.count(0));
  EXPECT_FALSE(call->isValid());  // the running call sees it closed, and still has the session
  EXPECT_EQ(1, call->getUsageCount());
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, table.close(busy));

  const CK_SESSION_HANDLE third = table.open(slot);
  EXPECT_EQ(3u, third);
  CK_SESSION_INFO info = {};
  ASSERT_EQ(CKR_OK, table.describe(third, info));
  EXPECT_EQ(CKF_SERIAL_SESSION, info.flags);
  table.clear();
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, table.describe(third, info));
}

}  // namespace
