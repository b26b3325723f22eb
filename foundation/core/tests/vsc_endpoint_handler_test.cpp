#include "foundation/core/vsc_endpoint_handler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "foundation/core/random_source.h"
#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/tests/test_endpoint_handler.h"

namespace VirtualSmartCardProtocol {
namespace {

// The four header integers of an answer, and how many elements it had.
struct Header {
  DWORD type = 0;
  DWORD version = 0;
  DWORD status = 0;
  DWORD transactionId = 0;
  DWORD elements = 0;
};

Header ReadHeader(const CSecureBuffer& bytes) {
  Header h;
  CMessageSerialization s;
  DWORD consumed = 0;
  EXPECT_TRUE(s.Deserialize(bytes, consumed));
  EXPECT_EQ(consumed, bytes.size);
  h.elements = s.ElementCount();
  EXPECT_TRUE(s.GetDWORD(h.type) && s.GetDWORD(h.version) && s.GetDWORD(h.status) &&
              s.GetDWORD(h.transactionId));
  return h;
}

void ExpectGeneric(const CSecureBuffer& bytes, DWORD type, DWORD status) {
  const Header h = ReadHeader(bytes);
  EXPECT_EQ(h.elements, 4u) << "a generic response stands alone";
  EXPECT_EQ(h.type, type);
  EXPECT_EQ(h.version, 1u);
  EXPECT_EQ(h.status, status);
  EXPECT_EQ(h.transactionId, 0u);
}

CSecureBuffer Wire(std::initializer_list<DWORD> integers, const WCHAR* text = nullptr) {
  CMessageSerialization s;
  if (text != nullptr) s.AddString(text);
  for (DWORD v : integers) s.AddDWORD(v);
  CSecureBuffer bytes;
  s.Serialize(bytes);
  return bytes;
}

template <typename Request>
Request ForSession(const CSecureBuffer& sessionId) {
  Request request;
  request.SetSessionId(sessionId);
  return request;
}

CCheckTransactionRequest Check(DWORD requestType, DWORD id) {
  CCheckTransactionRequest request;
  request.SetRequestType(requestType);
  request.SetTransactionId(id);
  return request;
}

CCancelTransactionRequest Cancel(DWORD requestType, DWORD id) {
  CCancelTransactionRequest request;
  request.SetRequestType(requestType);
  request.SetTransactionId(id);
  return request;
}

// A stored response that breaks down half-way through writing itself.
class CBrokenResponse : public CSignDataResponse {
 public:
  bool Serialize(CMessageSerialization& out) const override {
    CResponseMessage::Serialize(out);
    throw std::runtime_error("broken response");
  }
};

class EndpointHandlerTest : public ::testing::Test {
 protected:
  CSecureBuffer Process(const CSecureBuffer& request) {
    CSecureBuffer response;
    EXPECT_TRUE(handler.ProcessMessage(request, response));
    return response;
  }

  template <typename Response, typename Request>
  Response Call(const Request& request) {
    Response response;
    EXPECT_TRUE(FromWire(Process(ToWire(request)), response)) << "answer of type " << request.GetType();
    return response;
  }

  CSecureBuffer Open(const WString& readerName = WSTR("lumaPassKSP")) {
    COpenSessionRequest request;
    request.SetReaderName(readerName);
    request.SetProcessPath(WSTR("C:\\app.exe"));
    request.SetProcessVersion(WSTR("1.0.0.0"));
    request.SetClientVersion(WSTR("2.0.0.0"));
    const auto response = Call<COpenSessionResponse>(request);
    EXPECT_EQ(response.GetStatus(), 0u);
    return response.GetSessionId();
  }

  DWORD VerifyStatus(const CSecureBuffer& sessionId) {
    return Call<CVerifySessionResponse>(ForSession<CVerifySessionRequest>(sessionId)).GetStatus();
  }

  CTestEndpointHandler handler;
};

TEST_F(EndpointHandlerTest, ErrorTable) {
  CMessageSerialization noSession;
  noSession.AddDWORD(MessageTypeVerifySession);
  noSession.AddDWORD(1);
  CSecureBuffer unreadable;
  noSession.Serialize(unreadable);

  struct ErrorCase {
    const char* name;
    CSecureBuffer request;
    DWORD type;
    DWORD status;
  } cases[] = {
      {"empty message", Bytes({0, 0, 0, 0}), MessageTypeGeneric, ERROR_INVALID_DATA},
      {"not a message", Bytes({9, 0}), MessageTypeGeneric, ERROR_INVALID_DATA},
      {"first element a string", Wire({1}, WSTR("OpenSession")), MessageTypeGeneric, ERROR_INVALID_DATA},
      {"unknown type", Wire({0x999, 1}), MessageTypeUnknown, ERROR_CALL_NOT_IMPLEMENTED},
      {"request its class cannot read", unreadable, MessageTypeGeneric, ERROR_INVALID_DATA},
      {"CheckTransaction without its fields", Wire({MessageTypeCheckTransaction, 1}), MessageTypeGeneric,
       ERROR_INVALID_DATA},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectGeneric(Process(c.request), c.type, c.status);
  }
}

TEST_F(EndpointHandlerTest, EscapingExceptionsGiveOnlyTheGenericResponse) {
  const CSecureBuffer session = Open();
  handler.throwOnGetProviders = true;
  ExpectGeneric(Process(ToWire(ForSession<CGetProvidersRequest>(session))), MessageTypeGeneric,
                ERROR_INTERNAL_ERROR);

  // The header of the stored response is already written when it throws; none of it may reach
  // the client in front of the generic response.
  const DWORD id = handler.Transactions().AddTransaction();
  ASSERT_TRUE(handler.Transactions().SetTransactionResult(id, std::make_unique<CBrokenResponse>()));
  ExpectGeneric(Process(ToWire(Check(MessageTypeSignData, id))), MessageTypeGeneric, ERROR_INTERNAL_ERROR);
}

TEST_F(EndpointHandlerTest, SessionLifeCycle) {
  const CSecureBuffer first = Open();
  const CSecureBuffer second = Open();
  ASSERT_EQ(first.size, kSessionIdSize);
  EXPECT_NE(first, second);
  EXPECT_NE(first, CSecureBuffer(kSessionIdSize));
  EXPECT_EQ(VerifyStatus(first), 0u);

  CVirtualSmartCardSession session;
  ASSERT_TRUE(handler.GetSession(ForSession<CVerifySessionRequest>(first), session));
  EXPECT_EQ(session.GetReaderName(), WSTR("lumaPassKSP"));
  EXPECT_EQ(session.GetProcessPath(), WSTR("C:\\app.exe"));
  EXPECT_EQ(session.GetClientVersion(), WSTR("2.0.0.0"));
  EXPECT_FALSE(session.IsVmwareCCID());

  // Identifiers of another length never match.
  CSecureBuffer shorter(15, first.data), longer(first);
  longer.Append(1, "x");
  EXPECT_EQ(VerifyStatus(shorter), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(VerifyStatus(longer), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(VerifyStatus(CSecureBuffer(kSessionIdSize)), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  EXPECT_EQ(Call<CCloseSessionResponse>(ForSession<CCloseSessionRequest>(first)).GetStatus(), 0u);
  EXPECT_EQ(VerifyStatus(first), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(Call<CCloseSessionResponse>(ForSession<CCloseSessionRequest>(first)).GetStatus(),
            static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(VerifyStatus(second), 0u);

  handler.ClearSessions();
  EXPECT_EQ(VerifyStatus(second), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(EndpointHandlerTest, SessionsOfTheCcidReaderGetPaddedResponses) {
  const CSecureBuffer padded = Open(WSTR("VMware Virtual USB CCID 0"));
  const CSecureBuffer shortName = Open(WSTR("VMware Virtual USB"));

  const Header verify = ReadHeader(Process(ToWire(ForSession<CVerifySessionRequest>(padded))));
  EXPECT_EQ(verify.status, 0u);
  EXPECT_EQ(verify.elements, 5u);
  EXPECT_EQ(ReadHeader(Process(ToWire(ForSession<CVerifySessionRequest>(shortName)))).elements, 4u);

  // The base behaviour of the padded kinds runs the same check.
  auto accounts = ForSession<CGetAccountsRequest>(padded);
  CMessageSerialization answer;
  DWORD consumed = 0;
  ASSERT_TRUE(answer.Deserialize(Process(ToWire(accounts)), consumed));
  ASSERT_EQ(answer.ElementCount(), 6u);  // header, padding, count 0
  EXPECT_EQ(answer.Elements()[4].value, Bytes({0xFF, 0xFF, 0xFF, 0xFF}));

  // An unknown session gets status 6 without padding, even for the CCID reader's classes.
  EXPECT_EQ(Call<CGetAccountsResponse>(ForSession<CGetAccountsRequest>(CSecureBuffer(16))).GetStatus(),
            static_cast<DWORD>(ERROR_INVALID_HANDLE));
  // A class that only checks the session is never padded.
  EXPECT_EQ(ReadHeader(Process(ToWire(ForSession<CGetAuthenticationStateRequest>(padded)))).elements, 6u);
}

// A flood of sessions keeps the count at the cap; the session that leaves is the one least recently
// used, so a client that keeps using its session keeps it.
TEST_F(EndpointHandlerTest, SessionsBeyondTheCapReplaceTheLeastRecentlyUsed) {
  const CSecureBuffer busy = Open();
  const CSecureBuffer idle = Open();
  for (std::size_t i = 2; i < CTestEndpointHandler::kMaxSessions; ++i) Open();
  ASSERT_EQ(handler.SessionCount(), CTestEndpointHandler::kMaxSessions);
  EXPECT_EQ(handler.SessionCapNotice().Hits(), 0u);

  EXPECT_EQ(VerifyStatus(busy), 0u);
  const CSecureBuffer fresh = Open();
  EXPECT_EQ(handler.SessionCount(), CTestEndpointHandler::kMaxSessions);
  EXPECT_EQ(VerifyStatus(idle), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(VerifyStatus(busy), 0u);
  EXPECT_EQ(VerifyStatus(fresh), 0u);

  for (int i = 0; i < 100; ++i) {
    Open();
    EXPECT_EQ(VerifyStatus(busy), 0u);
  }
  EXPECT_EQ(handler.SessionCount(), CTestEndpointHandler::kMaxSessions);
  EXPECT_EQ(handler.SessionCapNotice().Hits(), 101u);

  // A session replaced under its own identifier takes no other's place.
  handler.AddSession(busy, COpenSessionRequest());
  EXPECT_EQ(handler.SessionCount(), CTestEndpointHandler::kMaxSessions);
  EXPECT_EQ(handler.SessionCapNotice().Hits(), 101u);
}

TEST_F(EndpointHandlerTest, TransactionsRunUntilTheirResponseIsTakenOnce) {
  const CSecureBuffer session = Open();
  const auto first = Call<CSignDataResponse>(ForSession<CSignDataRequest>(session));
  const auto second = Call<CSignDataResponse>(ForSession<CSignDataRequest>(session));
  EXPECT_EQ(first.GetStatus(), static_cast<DWORD>(ERROR_NOT_READY));
  EXPECT_EQ(first.GetTransactionId(), 1u);
  EXPECT_EQ(second.GetTransactionId(), 2u);

  auto running = Call<CSignDataResponse>(Check(MessageTypeSignData, 1));
  EXPECT_EQ(running.GetStatus(), static_cast<DWORD>(ERROR_NOT_READY));
  EXPECT_EQ(running.GetTransactionId(), 1u);

  ASSERT_TRUE(handler.CompleteSignData(1, 0, Bytes({0x5A, 0xA5})));
  const auto done = Call<CSignDataResponse>(Check(MessageTypeSignData, 1));
  EXPECT_EQ(done.GetStatus(), 0u);
  EXPECT_EQ(done.GetTransactionId(), 0u);
  EXPECT_EQ(done.GetResult(), Bytes({0x5A, 0xA5}));
  ExpectGeneric(Process(ToWire(Check(MessageTypeSignData, 1))), MessageTypeGeneric, ERROR_INVALID_HANDLE);

  // Cancelling drops the transaction; the worker's later result is thrown away.
  EXPECT_EQ(Call<CSignDataResponse>(Cancel(MessageTypeSignData, 2)).GetStatus(), 0u);
  EXPECT_FALSE(handler.CompleteSignData(2, 0, Bytes({1})));
  ExpectGeneric(Process(ToWire(Check(MessageTypeSignData, 2))), MessageTypeGeneric, ERROR_INVALID_HANDLE);
  EXPECT_EQ(Call<CSignDataResponse>(Cancel(MessageTypeSignData, 2)).GetStatus(),
            static_cast<DWORD>(ERROR_INVALID_HANDLE));

  ExpectGeneric(Process(ToWire(Check(MessageTypeSignData, 12345))), MessageTypeGeneric, ERROR_INVALID_HANDLE);

  // A request for an unknown session starts nothing.
  const auto refused = Call<CSignDataResponse>(ForSession<CSignDataRequest>(CSecureBuffer(16)));
  EXPECT_EQ(refused.GetStatus(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(refused.GetTransactionId(), 0u);
}

TEST_F(EndpointHandlerTest, TypesWithoutAResponseClassArePolledWithTheGenericOne) {
  const CSecureBuffer session = Open();
  const auto started = Call<CValidatePINResponse>(ForSession<CValidatePINRequest>(session));
  ASSERT_EQ(started.GetStatus(), static_cast<DWORD>(ERROR_NOT_READY));
  const DWORD id = started.GetTransactionId();

  const Header poll = ReadHeader(Process(ToWire(Check(MessageTypeValidatePIN, id))));
  EXPECT_EQ(poll.type, static_cast<DWORD>(MessageTypeGeneric));
  EXPECT_EQ(poll.status, static_cast<DWORD>(ERROR_NOT_READY));
  EXPECT_EQ(poll.transactionId, id);
  ExpectGeneric(Process(ToWire(Cancel(MessageTypeValidatePIN, id))), MessageTypeGeneric, 0);

  const DWORD withClass[] = {0x101,   0x103,   0x1FF,    0x201,    0x202,    0x301,    0x302,   0x303,
                             0x304,   0x305,   0x311,    0x312,    0x321,    0x322,    0x1001,  0x10001,
                             0x10002, 0xF0001, 0x100001, 0x100011, 0x100021, 0x101001, 0x110001};
  for (DWORD type : withClass) {
    const auto response = CVirtualSmartCardProtocolEndpointHandler::CreateResponse(type);
    ASSERT_NE(response, nullptr);
    EXPECT_EQ(response->GetType(), type);
    EXPECT_EQ(response->GetStatus(), static_cast<DWORD>(ERROR_INVALID_DATA));
    CMessageSerialization s;
    EXPECT_TRUE(response->Serialize(s));
  }
  for (DWORD type : {0x11u, 0x12u, 0x331u, 0x332u, 0x1003u, 0x999u})
    EXPECT_EQ(CVirtualSmartCardProtocolEndpointHandler::CreateResponse(type)->GetType(),
              static_cast<DWORD>(MessageTypeGeneric))
        << type;
}

// Random generators a test can make fail or repeat.
std::atomic<int> g_draws{0};
bool NoRandom(BYTE*, DWORD) { return false; }
bool SameEveryTime(BYTE* data, DWORD size) {
  std::memset(data, 0x42, size);
  return true;
}
bool Zeros(BYTE* data, DWORD size) {
  std::memset(data, 0, size);
  return true;
}
// 0x11 twice, then zeros, then 0x22, 0x33, ...
bool RepeatsFirst(BYTE* data, DWORD size) {
  const int draw = g_draws++;
  std::memset(data, draw < 2 ? 0x11 : draw == 2 ? 0 : 0x11 * draw, size);
  return true;
}

TEST_F(EndpointHandlerTest, SessionIdentifiersNeverRepeatOrDefault) {
  {
    // The first generator fails: the second one is used.
    luma::testing::ScopedRandomGenerators generators(NoRandom, SameEveryTime);
    EXPECT_EQ(Open(), CSecureBuffer(kSessionIdSize, std::vector<BYTE>(16, 0x42).data()));
    // The same identifier again: drawing is retried and then given up, and the live session
    // keeps its owner.
    COpenSessionRequest other;
    other.SetReaderName(WSTR("intruder"));
    const auto refused = Call<COpenSessionResponse>(other);
    EXPECT_EQ(refused.GetStatus(), static_cast<DWORD>(ERROR_INTERNAL_ERROR));
    EXPECT_EQ(refused.GetSessionId(), CSecureBuffer(kSessionIdSize));
    CVirtualSmartCardSession session;
    EXPECT_FALSE(handler.GetSession(ForSession<CVerifySessionRequest>(refused.GetSessionId()), session));
    ASSERT_TRUE(handler.GetSession(
        ForSession<CVerifySessionRequest>(CSecureBuffer(16, std::vector<BYTE>(16, 0x42).data())), session));
    EXPECT_EQ(session.GetReaderName(), WSTR("lumaPassKSP"));
  }
  {
    // No generator at all: no session, rather than one under a guessable identifier.
    luma::testing::ScopedRandomGenerators generators(NoRandom, NoRandom);
    EXPECT_EQ(Call<COpenSessionResponse>(COpenSessionRequest()).GetStatus(),
              static_cast<DWORD>(ERROR_INTERNAL_ERROR));
    EXPECT_TRUE(CVirtualSmartCardProtocolEndpointHandler::GenerateSessionId().empty());
    luma::testing::ScopedRandomGenerators zeros(Zeros, Zeros);
    EXPECT_EQ(Call<COpenSessionResponse>(COpenSessionRequest()).GetStatus(),
              static_cast<DWORD>(ERROR_INTERNAL_ERROR));
    EXPECT_EQ(VerifyStatus(CSecureBuffer(kSessionIdSize)), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
  {
    // A repeated or all-zero draw is drawn again.
    handler.ClearSessions();
    g_draws = 0;
    luma::testing::ScopedRandomGenerators generators(RepeatsFirst, NoRandom);
    const CSecureBuffer a = Open();
    const CSecureBuffer b = Open();
    EXPECT_EQ(a.data[0], 0x11);
    EXPECT_EQ(b.data[0], 0x33);
    EXPECT_EQ(VerifyStatus(a), 0u);
    EXPECT_EQ(VerifyStatus(b), 0u);
  }
}

// Statuses a concurrent client may see; 1359 would mean the endpoint lost track of its own state.
void ExpectOneOf(DWORD status, std::initializer_list<DWORD> allowed) {
  EXPECT_NE(std::find(allowed.begin(), allowed.end(), status), allowed.end()) << "status " << status;
}

TEST_F(EndpointHandlerTest, ConcurrentPollsAndCancelsTakeAResultExactlyOnce) {
  constexpr int kRounds = 200;
  constexpr int kThreads = 4;
  for (int round = 0; round < kRounds; ++round) {
    const DWORD id = handler.Transactions().AddTransaction();
    ASSERT_TRUE(handler.CompleteSignData(id, 0, Bytes({1, 2, 3})));
    std::atomic<int> taken{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        CSecureBuffer answer;
        const bool cancel = t == 0 && round % 2 == 1;
        handler.ProcessMessage(
            cancel ? ToWire(Cancel(MessageTypeSignData, id)) : ToWire(Check(MessageTypeSignData, id)),
            answer);
        const Header h = ReadHeader(answer);
        ExpectOneOf(h.status, {0, ERROR_INVALID_HANDLE});
        if (h.status == 0) ++taken;
      });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(taken.load(), 1) << "round " << round;
  }
}

TEST_F(EndpointHandlerTest, StressOfSessionsAndTransactionsFromManyThreads) {
  constexpr int kThreads = 8;
  constexpr int kIterations = 150;
  std::vector<std::vector<DWORD>> ids(kThreads);
  std::atomic<bool> stop{false};
  // The policy update drops every session now and then.
  std::thread clearer([&] {
    while (!stop) {
      handler.ClearSessions();
      std::this_thread::yield();
    }
  });
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kIterations; ++i) {
        CSecureBuffer answer;
        COpenSessionRequest open;
        open.SetReaderName(i % 3 == 0 ? WSTR("VMware Virtual USB CCID") : WSTR("lumaPassCSP"));
        ASSERT_TRUE(handler.ProcessMessage(ToWire(open), answer));
        COpenSessionResponse opened;
        ASSERT_TRUE(FromWire(answer, opened));
        ASSERT_EQ(opened.GetStatus(), 0u);
        const CSecureBuffer session = opened.GetSessionId();

        handler.ProcessMessage(ToWire(ForSession<CGetContainerInfoRequest>(session)), answer);
        ExpectOneOf(ReadHeader(answer).status, {0, ERROR_INVALID_HANDLE});

        handler.ProcessMessage(ToWire(ForSession<CSignDataRequest>(session)), answer);
        CSignDataResponse started;
        ASSERT_TRUE(FromWire(answer, started));
        ExpectOneOf(started.GetStatus(), {ERROR_NOT_READY, ERROR_INVALID_HANDLE});
        if (started.GetStatus() == ERROR_NOT_READY) {
          const DWORD id = started.GetTransactionId();
          ids[t].push_back(id);
          handler.ProcessMessage(ToWire(Check(MessageTypeSignData, id)), answer);
          EXPECT_EQ(ReadHeader(answer).status, static_cast<DWORD>(ERROR_NOT_READY));
          if (i % 4 == 0) {
            handler.ProcessMessage(ToWire(Cancel(MessageTypeSignData, id)), answer);
            EXPECT_EQ(ReadHeader(answer).status, 0u);
            EXPECT_FALSE(handler.CompleteSignData(id, 0, Bytes({1})));
          } else {
            EXPECT_TRUE(handler.CompleteSignData(id, 0, Bytes({static_cast<int>(t), i})));
            handler.ProcessMessage(ToWire(Check(MessageTypeSignData, id)), answer);
            CSignDataResponse done;
            ASSERT_TRUE(FromWire(answer, done));
            EXPECT_EQ(done.GetResult(), Bytes({static_cast<int>(t), i}));
          }
          handler.ProcessMessage(ToWire(Check(MessageTypeSignData, id)), answer);
          EXPECT_EQ(ReadHeader(answer).status, static_cast<DWORD>(ERROR_INVALID_HANDLE));
        }
        handler.ProcessMessage(ToWire(ForSession<CCloseSessionRequest>(session)), answer);
        ExpectOneOf(ReadHeader(answer).status, {0, ERROR_INVALID_HANDLE});
      }
    });
  }
  for (auto& thread : threads) thread.join();
  stop = true;
  clearer.join();

  std::set<DWORD> unique;
  size_t total = 0;
  for (const auto& perThread : ids) {
    unique.insert(perThread.begin(), perThread.end());
    total += perThread.size();
  }
  EXPECT_EQ(unique.size(), total) << "transaction numbers are handed out once";
}

}  // namespace
}  // namespace VirtualSmartCardProtocol
