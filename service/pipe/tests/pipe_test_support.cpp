#include "service/pipe/tests/pipe_test_support.h"

#include <atomic>

namespace luma::service::testing {

std::wstring UniquePipeName() {
  static std::atomic<unsigned> counter{0};
  return L"lumaPassV-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(5);
  }
  return true;
}

bool CRecordingHandler::ProcessMessage(const CSecureBuffer& request, CSecureBuffer& response) {
  {
    std::lock_guard<std::mutex> guard(log->lock);
    log->requests.push_back(request);
  }
  ++log->calls;
  return CTestEndpointHandler::ProcessMessage(request, response);
}

CConnectedPipeClient::CConnectedPipeClient(const std::wstring& pipePath) {
  const DWORD start = GetTickCount();
  for (;;) {
    pipe.reset(
        CreateFileW(pipePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (pipe || GetLastError() != ERROR_PIPE_BUSY || GetTickCount() - start > 5000) break;
    WaitNamedPipeW(pipePath.c_str(), 100);
  }
  DWORD mode = PIPE_READMODE_MESSAGE;
  if (pipe && !SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr)) pipe.reset();
}

DWORD CConnectedPipeClient::Transact(const CSecureBuffer& request, CSecureBuffer& reply) noexcept {
  reply.Clear();
  DWORD written = 0;
  if (!WriteFile(pipe.get(), request.data, request.size, &written, nullptr)) return GetLastError();
  CSecureBuffer piece(65536);
  for (;;) {
    DWORD read = 0;
    const BOOL complete = ReadFile(pipe.get(), piece.data, piece.size, &read, nullptr);
    if (!complete && GetLastError() != ERROR_MORE_DATA) return GetLastError();
    reply.Append(read, piece.data);
    if (complete) return 0;
  }
}

}  // namespace luma::service::testing
