#include "plugins/common/tests/scripted_pipe_server.h"

#include <atomic>
#include <stdexcept>

#include "foundation/core/message_serialization.h"

namespace {
constexpr DWORD kPipeBufferSize = 128 * 1024;
}  // namespace

namespace luma::plugin {

std::wstring UniqueTestPipeName() {
  static std::atomic<int> counter{0};
  return L"\\\\.\\pipe\\lumaPassTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++counter);
}

DWORD MessageTypeOf(const CSecureBuffer& bytes) {
  CMessageSerialization serialization;
  DWORD consumed = 0;
  DWORD type = 0;
  if (!serialization.Deserialize(bytes, consumed) || !serialization.GetDWORD(type)) return 0;
  return type;
}

}  // namespace luma::plugin

CScriptedPipeServer::CScriptedPipeServer(const std::wstring& pipeName, Script script, int instances)
    : script(std::move(script)), stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  for (int i = 0; i < instances; ++i) {
    luma::CKernelHandle pipe(CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                              PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                              PIPE_UNLIMITED_INSTANCES, kPipeBufferSize, kPipeBufferSize, 0,
                                              nullptr));
    if (!pipe) throw std::runtime_error("CreateNamedPipeW failed");
    pipes.push_back(std::move(pipe));
  }
  for (const auto& pipe : pipes) threads.emplace_back([this, raw = pipe.get()] { Serve(raw); });
}

// The threads end before the handles they use are closed by the members' owners.
CScriptedPipeServer::~CScriptedPipeServer() {
  SetEvent(stopEvent.get());
  for (auto& thread : threads) thread.join();
}

std::vector<CSecureBuffer> CScriptedPipeServer::Requests() const {
  std::lock_guard<std::mutex> guard(lock);
  return requests;
}

// Waits for an overlapped operation or the stop event; false when stopped or failed.
bool CScriptedPipeServer::WaitFor(HANDLE pipe, OVERLAPPED& overlapped, BOOL started, DWORD& transferred) {
  transferred = 0;
  if (!started) {
    const DWORD error = GetLastError();
    if (error == ERROR_PIPE_CONNECTED) return true;
    if (error != ERROR_IO_PENDING && error != ERROR_MORE_DATA) return false;
  }
  HANDLE waits[2] = {overlapped.hEvent, stopEvent.get()};
  if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
    CancelIo(pipe);
    GetOverlappedResult(pipe, &overlapped, &transferred, TRUE);
    return false;
  }
  return GetOverlappedResult(pipe, &overlapped, &transferred, FALSE) != FALSE;
}

void CScriptedPipeServer::Serve(HANDLE pipe) {
  std::vector<BYTE> buffer(kPipeBufferSize);
  while (WaitForSingleObject(stopEvent.get(), 0) != WAIT_OBJECT_0) {
    const luma::CKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED overlapped = {};
    overlapped.hEvent = event.get();
    DWORD transferred = 0;
    if (!WaitFor(pipe, overlapped, ConnectNamedPipe(pipe, &overlapped), transferred)) {
      DisconnectNamedPipe(pipe);
      continue;
    }
    ResetEvent(event.get());
    const bool read = WaitFor(
        pipe, overlapped, ReadFile(pipe, buffer.data(), kPipeBufferSize, nullptr, &overlapped), transferred);
    if (read) {
      CSecureBuffer request(transferred, buffer.data());
      CSecureBuffer reply;
      {
        std::lock_guard<std::mutex> guard(lock);
        requests.push_back(request);
        reply = script(request);
      }
      ResetEvent(event.get());
      if (WaitFor(pipe, overlapped, WriteFile(pipe, reply.data, reply.size, nullptr, &overlapped),
                  transferred)) {
        // The client closes its end once it has read the reply; that ends this read.
        ResetEvent(event.get());
        WaitFor(pipe, overlapped, ReadFile(pipe, buffer.data(), kPipeBufferSize, nullptr, &overlapped),
                transferred);
      }
    }
    DisconnectNamedPipe(pipe);
  }
}
