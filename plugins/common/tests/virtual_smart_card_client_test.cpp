#include "plugins/common/virtual_smart_card_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <optional>
#include <thread>

#include "foundation/core/tests/test_bytes.h"
#include "plugins/common/file_product_version.h"
#include "plugins/common/tests/scripted_pipe_server.h"
#include "plugins/common/unconnected_named_pipe_client.h"
#include "plugins/diagnostics/tests/refused_allocations.h"

using namespace VirtualSmartCardProtocol;

namespace luma::plugin {
namespace {

constexpr DWORD kSha256AlgId = 0x800C;
constexpr DWORD kTransactionId = 77;
const BYTE kSessionId[16] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7,
                             0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF};

template <typename Response>
CSecureBuffer Answer(DWORD status, DWORD transactionId, std::function<void(Response&)> fill = nullptr) {
  Response response;
  response.SetStatus(status);
  response.SetTransactionId(transactionId);
  if (fill) fill(response);
  return ToWire(response);
}

CSecureBuffer SignatureAnswer(DWORD status, DWORD transactionId,
                              const CSecureBuffer& signature = CSecureBuffer()) {
  return Answer<CSignDataResponse>(status, transactionId,
                                   [&](CSignDataResponse& r) { r.SetResult(signature); });
}

// What lumaPassV answers when it cannot tell the kind of response, for example an unknown transaction.
CSecureBuffer GenericAnswer(DWORD status) {
  CResponseMessage response(MessageTypeGeneric);
  response.SetStatus(status);
  return ToWire(response);
}

CSecureBuffer SessionIdBytes() { return CSecureBuffer(16, kSessionId); }

// A session client on a fresh pipe name; the test starts a server on that name when it wants one.
class VirtualSmartCardClientTest : public ::testing::Test {
 protected:
  void Serve(CScriptedPipeServer::Script script, int instances = 2) {
    server = std::make_unique<CScriptedPipeServer>(pipeName, std::move(script), instances);
  }
  std::vector<CSecureBuffer> Requests() const {
    return server ? server->Requests() : std::vector<CSecureBuffer>();
  }

  std::wstring pipeName = UniqueTestPipeName();
  CUnconnectedNamedPipeClient transport{pipeName, kPipeTimeoutMilliseconds};
  CVirtualSmartCardClient client{&transport, L"lumaPassKSP"};
  std::unique_ptr<CScriptedPipeServer> server;
};

TEST_F(VirtualSmartCardClientTest, OpenSessionSendsTheIdentityStringsAndCopiesTheSession) {
  Serve([](const CSecureBuffer&) {
    return Answer<COpenSessionResponse>(0, 0, [](COpenSessionResponse& r) {
      r.SetSessionId(SessionIdBytes());
      r.SetContainerCount(3);
    });
  });

  BYTE sessionId[16] = {};
  DWORD count = 0;
  SetLastError(1234);
  EXPECT_EQ(0u, client.OpenSession(sessionId, count));
  EXPECT_EQ(0u, GetLastError());
  EXPECT_EQ(SessionIdBytes(), CSecureBuffer(16, sessionId));
  EXPECT_EQ(3u, count);

  const auto requests = Requests();
  ASSERT_EQ(1u, requests.size());
  COpenSessionRequest sent;
  ASSERT_TRUE(FromWire(requests[0], sent));
  wchar_t exePath[2048] = {};
  GetModuleFileNameW(nullptr, exePath, 2048);
  wchar_t computer[16] = {};
  DWORD computerChars = 16;
  ASSERT_TRUE(GetComputerNameW(computer, &computerChars));
  EXPECT_EQ(L"lumaPassKSP", sent.GetReaderName());
  EXPECT_EQ(exePath, sent.GetProcessPath());
  // The test program carries no version resource, and the library is linked into it.
  EXPECT_EQ(L"0.0.0.0", sent.GetProcessVersion());
  EXPECT_EQ(L"0.0.0.0", sent.GetClientVersion());
  EXPECT_EQ(computer, sent.GetClientComputerName());
  EXPECT_EQ(client.GetProcessPath(), sent.GetProcessPath());
}

TEST_F(VirtualSmartCardClientTest, SignDataPollsEveryPendingAnswerUntilTheSignatureArrives) {
  const CSecureBuffer signature = Bytes({0x5A, 0x01, 0x02, 0x03});
  int answered = 0;
  Serve([&](const CSecureBuffer&) {
    ++answered;
    return answered <= 3 ? SignatureAnswer(ERROR_NOT_READY, kTransactionId)
                         : SignatureAnswer(0, 0, signature);
  });

  const CSecureBuffer block = Bytes({0x00, 0x01, 0xFF, 0xFF, 0x00, 0x30});
  CSecureBuffer result = Bytes({9, 9});
  SetLastError(1234);
  EXPECT_EQ(0u, client.SignData(kSessionId, L"container-1", kSha256AlgId, block, result));
  EXPECT_EQ(0u, GetLastError());
  EXPECT_EQ(signature, result);

  const auto requests = Requests();
  ASSERT_EQ(4u, requests.size());
  CSignDataRequest sign;
  ASSERT_TRUE(FromWire(requests[0], sign));
  EXPECT_EQ(SessionIdBytes(), sign.GetSessionId());
  EXPECT_EQ(L"container-1", sign.GetContainerName());
  EXPECT_EQ(0u, sign.GetReserved());
  EXPECT_EQ(kSha256AlgId, sign.GetAlgorithmId());
  EXPECT_EQ(block, sign.GetData());
  for (size_t i = 1; i < requests.size(); ++i) {
    CCheckTransactionRequest check;
    ASSERT_TRUE(FromWire(requests[i], check)) << "request " << i;
    EXPECT_EQ(static_cast<DWORD>(MessageTypeSignData), check.GetRequestType());
    EXPECT_EQ(kTransactionId, check.GetTransactionId());
  }
}

TEST_F(VirtualSmartCardClientTest, DecryptDataAndGetContainerInfoCopyTheirResults) {
  const CSecureBuffer plain = Bytes({0x00, 0x02, 0x11, 0x00, 0x42});
  const CSecureBuffer certificate = Bytes({0x30, 0x03, 0x02, 0x01, 0x05});
  ContainerInfoRecord record;
  record.name = L"container-1";
  record.keySpec = 1;
  record.keyBits = 2048;
  Serve([&](const CSecureBuffer& request) {
    if (MessageTypeOf(request) == MessageTypeDecryptData)
      return Answer<CDecryptDataResponse>(0, 0, [&](CDecryptDataResponse& r) { r.SetResult(plain); });
    return Answer<CGetContainerInfoResponse>(0, 0, [&](CGetContainerInfoResponse& r) {
      r.SetContainerInfo(record.Encode());
      r.SetCertificate(certificate);
    });
  });

  CSecureBuffer result;
  EXPECT_EQ(0u, client.DecryptData(kSessionId, L"container-1", Bytes({3, 2, 1}), result));
  EXPECT_EQ(plain, result);
  CSecureBuffer info, keyInfo, cert;
  EXPECT_EQ(0u, client.GetContainerInfo(kSessionId, 2, info, keyInfo, cert));
  EXPECT_EQ(record.Encode(), info);
  EXPECT_EQ(CSecureBuffer(ContainerKeyInfoRecord::kSize), keyInfo);
  EXPECT_EQ(certificate, cert);

  const auto requests = Requests();
  ASSERT_EQ(2u, requests.size());
  CDecryptDataRequest decrypt;
  ASSERT_TRUE(FromWire(requests[0], decrypt));
  EXPECT_EQ(0u, decrypt.GetReserved());
  EXPECT_EQ(0u, decrypt.GetAlgorithmId());
  EXPECT_EQ(Bytes({3, 2, 1}), decrypt.GetData());
  CGetContainerInfoRequest containerRequest;
  ASSERT_TRUE(FromWire(requests[1], containerRequest));
  EXPECT_EQ(SessionIdBytes(), containerRequest.GetSessionId());
  EXPECT_EQ(2u, containerRequest.GetIndex());
}

// Every failed exchange is reported as ERROR_READ_FAULT, whatever went wrong underneath.
struct FailureCase {
  const char* name;
  bool serve;
  std::function<CSecureBuffer(int answer)> script;
  bool openSession;  // the case runs OpenSession rather than SignData
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class VirtualSmartCardClientFailureTest : public VirtualSmartCardClientTest,
                                          public ::testing::WithParamInterface<FailureCase> {};

TEST_P(VirtualSmartCardClientFailureTest, GivesReadFaultWithTheLastErrorSet) {
  const FailureCase& c = GetParam();
  int answers = 0;
  if (c.serve) Serve([&](const CSecureBuffer&) { return c.script(answers++); });

  SetLastError(0);
  if (c.openSession) {
    BYTE sessionId[16];
    std::memset(sessionId, 0x55, sizeof(sessionId));
    DWORD count = 99;
    EXPECT_EQ(30u, client.OpenSession(sessionId, count));
    EXPECT_EQ(CSecureBuffer(16), CSecureBuffer(16, sessionId));
    EXPECT_EQ(0u, count);
  } else {
    CSecureBuffer result = Bytes({1});
    EXPECT_EQ(30u, client.SignData(kSessionId, L"c", kSha256AlgId, Bytes({0, 1, 0xFF, 0}), result));
    EXPECT_TRUE(result.empty());
  }
  EXPECT_EQ(30u, GetLastError());
}

INSTANTIATE_TEST_SUITE_P(
    Exchanges, VirtualSmartCardClientFailureTest,
    ::testing::Values(FailureCase{"NoServer", false, nullptr, false},
                      FailureCase{"ReplyOfAnotherType", true,
                                  [](int) { return Answer<CCloseSessionResponse>(0, 0); }, false},
                      FailureCase{"PollAnsweredWithAnotherType", true,
                                  [](int n) {
                                    return n == 0 ? SignatureAnswer(ERROR_NOT_READY, kTransactionId)
                                                  : Answer<CDecryptDataResponse>(0, 0);
                                  },
                                  false},
                      FailureCase{"UnknownTransactionWhilePolling", true,
                                  [](int n) {
                                    return n == 0 ? SignatureAnswer(ERROR_NOT_READY, kTransactionId)
                                                  : GenericAnswer(ERROR_INVALID_HANDLE);
                                  },
                                  false},
                      FailureCase{"ReplyOver64KiB", true,
                                  [](int) { return SignatureAnswer(0, 0, CSecureBuffer(kMaxReplySize)); },
                                  false},
                      FailureCase{"UndecodableReply", true,
                                  [](int) {
                                    return Bytes({0x10, 0, 0, 0, 1, 2, 3});
                                  },
                                  false},
                      FailureCase{"SessionIdOfWrongLength", true,
                                  [](int) {
                                    return Answer<COpenSessionResponse>(0, 0, [](COpenSessionResponse& r) {
                                      r.SetSessionId(Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
                                      r.SetContainerCount(1);
                                    });
                                  },
                                  true}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST_F(VirtualSmartCardClientTest, ServerStatusesPassUnchangedAndLeaveTheOutputsEmpty) {
  int answers = 0;
  Serve([&](const CSecureBuffer& request) {
    ++answers;
    switch (MessageTypeOf(request)) {
      case MessageTypeGetContainerInfo:
        return Answer<CGetContainerInfoResponse>(ERROR_INVALID_HANDLE, 0);
      case MessageTypeDecryptData:
        return Answer<CDecryptDataResponse>(0x8010006A, 0,
                                            [](CDecryptDataResponse& r) { r.SetResult(Bytes({1})); });
      case MessageTypeCloseSession:
        return Answer<CCloseSessionResponse>(ERROR_INVALID_HANDLE, 0);
      default:  // a pending answer without a transaction id is final
        return SignatureAnswer(ERROR_NOT_READY, 0);
    }
  });

  CSecureBuffer info = Bytes({1}), keyInfo = Bytes({2}), cert = Bytes({3});
  EXPECT_EQ(6u, client.GetContainerInfo(kSessionId, 0, info, keyInfo, cert));
  EXPECT_EQ(6u, GetLastError());
  EXPECT_TRUE(info.empty() && keyInfo.empty() && cert.empty());

  CSecureBuffer result;
  EXPECT_EQ(0x8010006Au, client.DecryptData(kSessionId, L"c", Bytes({1, 2}), result));
  EXPECT_EQ(0x8010006Au, GetLastError());
  EXPECT_TRUE(result.empty());

  EXPECT_EQ(21u, client.SignData(kSessionId, L"c", kSha256AlgId, Bytes({1, 2}), result));
  EXPECT_EQ(21u, GetLastError());

  EXPECT_EQ(6u, client.CloseSession(kSessionId));
  EXPECT_EQ(4, answers);  // no polling for a pending answer without a transaction
}

// A transport that first asks to be reset, then passes every call on to the pipe transport.
class CResetFirstTransport final : public CRemotingClient {
 public:
  CResetFirstTransport(CRemotingClient& pipe, DWORD resetResult) : pipe(pipe), resetResult(resetResult) {}
  DWORD Transact(const CSecureBuffer& request, CSecureBuffer& reply) noexcept override {
    if (!askedForReset) {
      askedForReset = true;
      return 0x80100068;  // SCARD_W_RESET_CARD
    }
    return pipe.Transact(request, reply);
  }
  DWORD Reset() noexcept override {
    ++resets;
    return resetResult;
  }
  int resets = 0;

 private:
  CRemotingClient& pipe;
  DWORD resetResult;
  bool askedForReset = false;
};

TEST_F(VirtualSmartCardClientTest, AResetAnswerIsRetriedOnceAfterASuccessfulReset) {
  Serve([](const CSecureBuffer&) { return Answer<CCloseSessionResponse>(0, 0); });

  CResetFirstTransport resetting(transport, 0);
  CVirtualSmartCardClient retrying(&resetting, L"lumaPassCSP");
  EXPECT_EQ(0u, retrying.CloseSession(kSessionId));
  EXPECT_EQ(1, resetting.resets);
  EXPECT_EQ(1u, Requests().size());

  CResetFirstTransport failing(transport, ERROR_GEN_FAILURE);
  CVirtualSmartCardClient notRetrying(&failing, L"lumaPassCSP");
  EXPECT_EQ(30u, notRetrying.CloseSession(kSessionId));
  EXPECT_EQ(1u, Requests().size());  // a failed reset sends nothing more
}

TEST_F(VirtualSmartCardClientTest, WithoutATransportEveryOperationFails) {
  CVirtualSmartCardClient detached(nullptr, L"lumaPassCSP");
  EXPECT_EQ(30u, detached.CloseSession(kSessionId));
  EXPECT_EQ(30u, GetLastError());
}

TEST_F(VirtualSmartCardClientTest, SeveralThreadsShareOneClientEachWithItsOwnPipeCall) {
  constexpr int kThreads = 4;
  constexpr int kCallsPerThread = 25;
  // As many listening instances as clients: Wine's CallNamedPipeW retries a busy pipe only once.
  Serve(
      [](const CSecureBuffer& request) {
        CSignDataRequest sign;
        if (!FromWire(request, sign)) return CSecureBuffer();
        return SignatureAnswer(0, 0, sign.GetData());  // echoes the block
      },
      2 * kThreads);

  // Under a loaded machine Wine may still answer a call with a busy pipe (ERROR_READ_FAULT here):
  // that is the platform's limit, not the client's. What must never happen is a wrong answer.
  std::atomic<int> wrong{0}, busy{0}, served{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kCallsPerThread; ++i) {
        const CSecureBuffer block = Bytes({t, i, 0xEE});
        CSecureBuffer result;
        const DWORD status = client.SignData(kSessionId, L"c", kSha256AlgId, block, result);
        if (status == ERROR_READ_FAULT && result.empty()) {
          ++busy;
        } else if (status != 0 || result != block) {
          ++wrong;
          ADD_FAILURE() << "thread " << t << " call " << i << " status " << status;
        } else {
          ++served;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(0, wrong.load());
  EXPECT_GT(served.load(), kThreads * kCallsPerThread / 2) << busy.load() << " calls found the pipe busy";
  EXPECT_GE(Requests().size(), static_cast<size_t>(served.load()));
}

// Counts the calls that reach the transport; answers none of them.
class CCountingTransport final : public CRemotingClient {
 public:
  DWORD Transact(const CSecureBuffer&, CSecureBuffer& reply) noexcept override {
    ++calls;
    reply.Clear();
    return ERROR_PIPE_BUSY;
  }
  DWORD Reset() noexcept override { return 0; }
  int calls = 0;
};

// The client is made inside a plug-in's entry point: running out of memory there must neither throw
// nor leave a client that sends half its identity. Each allocation of the constructor is refused in
// turn; such a client fails every operation with ERROR_NOT_ENOUGH_MEMORY and sends nothing.
TEST(VirtualSmartCardClientConstructionTest, WithoutMemoryTheClientIsUnusableAndSendsNothing) {
  // Longer than any short-string buffer, so that storing it needs the heap.
  const std::wstring readerName(64, L'r');
  bool completed = false;
  for (int allowed = 0; !completed && allowed < 64; ++allowed) {
    CCountingTransport counting;
    std::optional<CVirtualSmartCardClient> client;
    {
      luma::testing::CRefusedAllocations refusal(allowed);
      client.emplace(&counting, readerName.c_str());
      completed = !refusal.refusedAny();
    }
    EXPECT_EQ(completed, client->isUsable()) << "allocations allowed: " << allowed;
    if (completed) break;
    BYTE sessionId[16] = {1};
    DWORD count = 7;
    SetLastError(0);
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), client->OpenSession(sessionId, count));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
    EXPECT_EQ(0u, count);
    CSecureBuffer result = Bytes({9});
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY),
              client->SignData(kSessionId, L"c", kSha256AlgId, Bytes({1}), result));
    EXPECT_TRUE(result.empty());
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), client->CloseSession(kSessionId));
    EXPECT_EQ(0, counting.calls);
  }
  EXPECT_TRUE(completed);
}

}  // namespace
}  // namespace luma::plugin
