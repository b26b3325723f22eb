// Test clients and a recording endpoint handler for the pipe server tests.
#ifndef LUMA_SERVICE_PIPE_TESTS_PIPE_TEST_SUPPORT_H_
#define LUMA_SERVICE_PIPE_TESTS_PIPE_TEST_SUPPORT_H_

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/core/tests/test_endpoint_handler.h"
#include "foundation/win/unique_handle.h"
#include "plugins/common/remoting_client.h"

namespace luma::service::testing {

// A pipe name (without "\\.\pipe\") that no other test or test process uses.
std::wstring UniquePipeName();

// Polls until the condition holds; false when it still does not after `timeoutMs`.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000);

// What the handler saw; kept apart from the handler so that it can be checked after the handler died.
struct CCallLog {
  std::mutex lock;
  std::vector<CSecureBuffer> requests;
  std::atomic<int> calls{0};
};

// The test protocol handler, recording every request it is given.
class CRecordingHandler : public VirtualSmartCardProtocol::CTestEndpointHandler {
 public:
  explicit CRecordingHandler(std::shared_ptr<CCallLog> log) : log(std::move(log)) {}
  bool ProcessMessage(const CSecureBuffer& request, CSecureBuffer& response) override;

 private:
  std::shared_ptr<CCallLog> log;
};

// A client connection that stays open across requests, so the session client can hold a whole
// conversation on one connection.
class CConnectedPipeClient final : public CRemotingClient {
 public:
  // Connects to the full pipe path, waiting while every instance is busy.
  explicit CConnectedPipeClient(const std::wstring& pipePath);
  ~CConnectedPipeClient() = default;

  bool IsConnected() const { return static_cast<bool>(pipe); }
  DWORD Transact(const CSecureBuffer& request, CSecureBuffer& reply) noexcept override;
  DWORD Reset() noexcept override { return 0; }
  void Close() { pipe.reset(); }
  HANDLE Handle() const { return pipe.get(); }

 private:
  CKernelHandle pipe;
};

}  // namespace luma::service::testing

#endif  // LUMA_SERVICE_PIPE_TESTS_PIPE_TEST_SUPPORT_H_
