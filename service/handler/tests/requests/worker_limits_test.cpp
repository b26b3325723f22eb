// What one client can make lumaPassV's request path hold: the threads' stack reservations and the
// cap on concurrent request workers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "service/core/thread_stacks.h"
#include "service/handler/tests/requests/handler_request_fixture.h"

namespace luma::service::testing {
namespace {

// The address space reserved for the calling thread's stack: the one allocation its stack lies in.
SIZE_T CurrentStackReservation() {
  MEMORY_BASIC_INFORMATION info = {};
  if (VirtualQuery(&info, &info, sizeof info) == 0) return 0;
  BYTE* const base = static_cast<BYTE*>(info.AllocationBase);
  SIZE_T total = 0;
  for (BYTE* cursor = base;;) {
    MEMORY_BASIC_INFORMATION region = {};
    if (VirtualQuery(cursor, &region, sizeof region) == 0 || region.AllocationBase != base) break;
    total += region.RegionSize;
    cursor += region.RegionSize;
  }
  return total;
}

DWORD WINAPI RecordReservation(void* out) {
  *static_cast<SIZE_T*>(out) = CurrentStackReservation();
  return 0;
}

// The least a thread reserves here, whatever it asks for: a platform may round small reservations
// up (Wine reserves at least 1 MiB for every thread).
SIZE_T PlatformLeastReservation() {
  SIZE_T reserved = 0;
  const luma::CKernelHandle thread(CreateThread(nullptr, 64 * 1024, RecordReservation, &reserved,
                                                STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  if (thread) WaitForSingleObject(thread.get(), INFINITE);
  return reserved;
}

// Records the stack reservation of the threads that serve a session and finish a signature.
class CStackRecordingHandler final : public CScriptedUserHandler {
 public:
  using CScriptedUserHandler::CScriptedUserHandler;
  using CVSCProtocolHandler::handle;
  bool handle(const VirtualSmartCardProtocol::COpenSessionRequest& request,
              VirtualSmartCardProtocol::COpenSessionResponse& response) override {
    pipeThreadStack = CurrentStackReservation();
    return CScriptedUserHandler::handle(request, response);
  }
  DWORD Authenticate(const CCertContext& context, const CSessionRequest& request,
                     CAuthResult& result) override {
    workerThreadStack = CurrentStackReservation();
    return CScriptedUserHandler::Authenticate(context, request, result);
  }
  std::atomic<SIZE_T> pipeThreadStack{0};
  std::atomic<SIZE_T> workerThreadStack{0};
};

class WorkerLimitsTest : public HandlerRequestTest {
 protected:
  DWORD Sign(CPipeSession& session) {
    CSecureBuffer signature;
    return session.client.SignData(session.sessionId, ContainerOf(L"alice"), CALG_SHA_256,
                                   TypeOneBlock(Sha256DigestInfo()), signature);
  }
};

// Without a reservation of their own, threads would take the program's 2 MiB default each.
TEST_F(WorkerLimitsTest, PipeAndWorkerThreadsReserveTheirNamedStacks) {
  server.reset();
  auto recording = std::make_shared<CStackRecordingHandler>(
      std::make_shared<CVSCDriverMutex>(UniquePipeName()), std::make_unique<CCertStoreConfig>(),
      ReadyExchangeKey(container.name()));
  handler = recording;
  handler->SetUpdateTimingForTesting(0, 0);
  handler->SetCertPropertyWriterForTesting([](PCCERT_CONTEXT, DWORD, DWORD, const void*) { return TRUE; });
  ASSERT_NO_FATAL_FAILURE(Serve(UniquePipeName()));
  Provision(L"ACME", L"/vault");
  CPipeSession session(server->GetPipeName());
  ASSERT_EQ(0u, session.Open());
  ASSERT_EQ(0u, Sign(session));

  // The platform may add a guard region of its own, or round a small reservation up; the program's
  // default of 2 MiB stays above both.
  constexpr SIZE_T kSlack = 64 * 1024;
  const SIZE_T least = PlatformLeastReservation();
  ASSERT_GT(least, 0u);
  EXPECT_GE(recording->pipeThreadStack.load(), kPipeThreadStackBytes);
  EXPECT_LE(recording->pipeThreadStack.load(), std::max<SIZE_T>(kPipeThreadStackBytes, least) + kSlack);
  EXPECT_GE(recording->workerThreadStack.load(), kWorkerThreadStackBytes);
  EXPECT_LE(recording->workerThreadStack.load(), std::max<SIZE_T>(kWorkerThreadStackBytes, least) + kSlack);
}

// A request over the cap is answered at once with the status of a worker that failed, leaves no
// transaction and reaches no service; once workers end, their slots serve requests again.
TEST_F(WorkerLimitsTest, RequestOverTheWorkerCapIsRefusedAtOnceUntilASlotIsFree) {
  Provision(L"ACME", L"/vault");
  CPipeSession session(server->GetPipeName());
  ASSERT_EQ(0u, session.Open());
  std::vector<CWorkerSlot> held;
  for (std::size_t i = 0; i < CVSCProtocolHandler::kMaxTransactedWorkers; ++i) {
    held.push_back(handler->WorkerSlots().TryTake());
    ASSERT_TRUE(held.back()) << i;
  }
  const auto hitsBefore = handler->WorkerSlots().Notice().Hits();
  EXPECT_EQ(1359u, Sign(session));
  EXPECT_EQ(0u, handler->Transactions().Count());
  EXPECT_TRUE(service.Requests().empty());
  EXPECT_EQ(hitsBefore + 1, handler->WorkerSlots().Notice().Hits());

  held.pop_back();
  EXPECT_EQ(0u, Sign(session));
  // The worker gives its slot back as it ends, just after its answer was stored.
  EXPECT_TRUE(WaitUntil(
      [&] { return handler->WorkerSlots().InUse() == CVSCProtocolHandler::kMaxTransactedWorkers - 1; }));
  held.clear();
  EXPECT_EQ(0u, handler->WorkerSlots().InUse());
}

}  // namespace
}  // namespace luma::service::testing
