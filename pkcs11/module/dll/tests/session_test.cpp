// Sessions through the loaded module: their life cycle, the login states, and many threads opening,
// using and closing sessions, also while the module is finalised under them.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "pkcs11/module/dll/tests/p11_client.h"

namespace {

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(p11.loaded());
    ASSERT_EQ(CKR_OK, p11->C_Initialize(nullptr));
  }
  void TearDown() override {
    if (p11.loaded()) {
      EXPECT_EQ(CKR_OK, p11->C_Finalize(nullptr));
    }
  }

  CK_ULONG sessionCount() {
    CK_TOKEN_INFO info = {};
    EXPECT_EQ(CKR_OK, p11->C_GetTokenInfo(0, &info));
    return info.ulSessionCount;
  }

  CP11Client p11;
};

TEST_F(SessionTest, OpeningChecksSlotPointerAndSerialFlagInThatOrder) {
  CK_SESSION_HANDLE session = 0;
  EXPECT_EQ(CKR_SLOT_ID_INVALID, p11->C_OpenSession(1, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ(CKR_ARGUMENTS_BAD, p11->C_OpenSession(0, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ(CKR_SESSION_PARALLEL_NOT_SUPPORTED,
            p11->C_OpenSession(0, CKF_RW_SESSION, nullptr, nullptr, &session));
  EXPECT_EQ(0u, session);
  EXPECT_EQ(0u, sessionCount());

  // Read-write is accepted but never reported.
  int application = 0;
  ASSERT_EQ(CKR_OK,
            p11->C_OpenSession(0, CKF_SERIAL_SESSION | CKF_RW_SESSION, &application, nullptr, &session));
  EXPECT_EQ(1u, session);
  CGuarded<CK_SESSION_INFO> info;
  ASSERT_EQ(CKR_OK, p11->C_GetSessionInfo(session, info.get()));
  EXPECT_EQ(concat({littleEndian32(0), littleEndian32(CKS_RO_USER_FUNCTIONS),
                    littleEndian32(CKF_SERIAL_SESSION), littleEndian32(0)}),
            info.structure());
  EXPECT_TRUE(info.guardIntact());
  EXPECT_EQ(CKR_ARGUMENTS_BAD, p11->C_GetSessionInfo(session, nullptr));
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, p11->C_GetSessionInfo(session + 1, info.get()));
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, p11->C_GetSessionInfo(session + 1, nullptr));
}

TEST_F(SessionTest, ClosingOneOrAllSessions) {
  const CK_SESSION_HANDLE first = p11.openSession();
  const CK_SESSION_HANDLE second = p11.openSession();
  const CK_SESSION_HANDLE third = p11.openSession();
  EXPECT_EQ(3u, sessionCount());

  EXPECT_EQ(CKR_OK, p11->C_CloseSession(second));
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, p11->C_CloseSession(second));
  EXPECT_EQ(2u, sessionCount());
  CK_SESSION_INFO info;
  EXPECT_EQ(CKR_OK, p11->C_GetSessionInfo(first, &info));

  EXPECT_EQ(CKR_SLOT_ID_INVALID, p11->C_CloseAllSessions(3));
  EXPECT_EQ(2u, sessionCount());
  EXPECT_EQ(CKR_OK, p11->C_CloseAllSessions(0));
  EXPECT_EQ(0u, sessionCount());
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, p11->C_GetSessionInfo(first, &info));
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, p11->C_CloseSession(third));
  EXPECT_EQ(4u, p11.openSession());  // handles are never reused
}

TEST_F(SessionTest, LoginKeepsAnyUserPinWithoutCheckingIt) {
  const CK_SESSION_HANDLE session = p11.openSession();
  CK_UTF8CHAR pin[] = {'1', '2', '3', '4'};
  struct Case {
    CK_SESSION_HANDLE session;
    CK_USER_TYPE user;
    CK_UTF8CHAR* pin;
    CK_ULONG length;
    CK_RV expected;
  };
  const Case cases[] = {
      {session + 9, CKU_SO, nullptr, 4, CKR_SESSION_HANDLE_INVALID},  // the session first
      {session, CKU_SO, pin, 4, CKR_USER_TYPE_INVALID},
      {session, CKU_SO, nullptr, 4, CKR_USER_TYPE_INVALID},
      {session, CKU_USER, nullptr, 4, CKR_ARGUMENTS_BAD},
      {session, CKU_USER, pin, 4, CKR_OK},
      {session, CKU_USER, pin, 4, CKR_OK},  // again: no "already logged in"
      {session, CKU_CONTEXT_SPECIFIC, pin, 2, CKR_OK},
      {session, 77, pin, 4, CKR_OK},            // an unknown user type is a user
      {session, CKU_USER, nullptr, 0, CKR_OK},  // an empty PIN forgets the stored one
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, p11->C_Login(c.session, c.user, c.pin, c.length))
        << "user " << c.user << " length " << c.length;
  }
  EXPECT_EQ(CKR_OK, p11->C_Logout(session));
  EXPECT_EQ(CKR_OK, p11->C_Logout(session));  // also when no PIN is stored
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, p11->C_Logout(session + 9));
  CK_SESSION_INFO info;
  ASSERT_EQ(CKR_OK, p11->C_GetSessionInfo(session, &info));
  EXPECT_EQ(CKS_RO_USER_FUNCTIONS, info.state);  // whether logged in or not
}

TEST_F(SessionTest, ManyThreadsOpenLogInAndCloseSessions) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 100;
  std::vector<std::vector<CK_SESSION_HANDLE>> handles(kThreads);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      CK_UTF8CHAR pin[] = {'p', 'i', 'n', static_cast<CK_UTF8CHAR>('0' + t)};
      for (int round = 0; round < kRounds; ++round) {
        CK_SESSION_HANDLE session = 0;
        CK_SESSION_INFO info;
        if (p11->C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &session) != CKR_OK ||
            p11->C_Login(session, CKU_USER, pin, sizeof(pin)) != CKR_OK ||
            p11->C_GetSessionInfo(session, &info) != CKR_OK || p11->C_Logout(session) != CKR_OK ||
            p11->C_CloseSession(session) != CKR_OK) {
          ++failures;
        }
        handles[t].push_back(session);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(0, failures.load());
  std::set<CK_SESSION_HANDLE> distinct;
  for (const auto& list : handles) distinct.insert(list.begin(), list.end());
  EXPECT_EQ(static_cast<std::size_t>(kThreads * kRounds), distinct.size());
  EXPECT_EQ(1u, *distinct.begin());
  EXPECT_EQ(static_cast<CK_SESSION_HANDLE>(kThreads * kRounds), *distinct.rbegin());
  EXPECT_EQ(0u, sessionCount());
}

// Finalising under running calls is outside what the standard allows an application, but the module
// must survive it: every call either completes on a session and slot that stay alive until it
// returns, or answers as if the module or the session were gone.
TEST_F(SessionTest, CallsRunningWhileTheModuleIsFinalisedAndInitialisedAgainKeepTheirSessionAndSlot) {
  constexpr int kThreads = 6;
  std::atomic<bool> stop{false};
  std::atomic<int> unexpected{0};
  std::atomic<int> completed{0};
  std::vector<std::thread> threads;
  const auto expected = [](CK_RV rv) {
    return rv == CKR_OK || rv == CKR_CRYPTOKI_NOT_INITIALIZED || rv == CKR_SESSION_HANDLE_INVALID ||
           rv == CKR_SLOT_ID_INVALID || rv == CKR_NO_EVENT;
  };
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      CK_UTF8CHAR pin[] = {'1', '2', '3', '4'};
      while (!stop.load()) {
        CK_SESSION_HANDLE session = 0;
        CK_RV rv = p11->C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &session);
        if (!expected(rv)) ++unexpected;
        if (rv != CKR_OK) continue;
        CK_TOKEN_INFO token;
        CK_SESSION_INFO info;
        CK_SLOT_ID slot = 0;
        const CK_RV results[] = {p11->C_Login(session, CKU_USER, pin, sizeof(pin)),
                                 p11->C_GetTokenInfo(0, &token),
                                 p11->C_GetSessionInfo(session, &info),
                                 p11->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr),
                                 p11->C_GetOperationState(session, nullptr, nullptr) == CKR_STATE_UNSAVEABLE
                                     ? CKR_OK
                                     : CKR_SESSION_HANDLE_INVALID,
                                 p11->C_CloseSession(session)};
        for (CK_RV result : results) {
          if (!expected(result)) ++unexpected;
        }
        ++completed;
      }
    });
  }
  for (int cycle = 0; cycle < 40; ++cycle) {
    EXPECT_EQ(CKR_OK, p11->C_Finalize(nullptr));
    EXPECT_EQ(CKR_OK, p11->C_Initialize(nullptr));
    Sleep(2);
  }
  // At least one full round ran on every thread's behalf before stopping.
  while (completed.load() < kThreads) Sleep(1);
  stop = true;
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(0, unexpected.load());
}

}  // namespace
