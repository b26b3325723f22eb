#include "service/pipe/vsc_server.h"

#include <objbase.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "foundation/core/cap_notice.h"
#include "foundation/win/debug_log.h"
#include "service/core/thread_stacks.h"
#include "service/pipe/pipe_connection.h"
#include "service/pipe/pipe_security.h"

// What the server's threads share; it lives as long as the last of them.
struct CVSCServer::CState {
  std::wstring pipeName;
  std::shared_ptr<Handler> handler;  // each connection is served through this reference
  luma::service::PipeMode mode;
  luma::CKernelHandle stopEvent;  // manual reset: wakes every waiting instance at once
  luma::CLocalMemoryHandle securityDescriptor;

  std::mutex lock;  // guards the fields below
  std::condition_variable changed;
  bool stopping = false;
  LONG listening = 0;  // instances waiting for a client
  LONG instances = 0;  // instances with a thread, waiting or serving
};

namespace {

constexpr DWORD kPipeBufferSize = 4096;
constexpr DWORD kRetryMilliseconds = 10;

// One instance handed to its thread.
struct CInstanceStart {
  std::shared_ptr<void> state;
  HANDLE pipe;
};

// The first hit of each burst against one of the limits on what clients can make lumaPassV hold.
void LogCapReached(const wchar_t* name, std::size_t cap) {
  CDebugLog::Log(LOG_WARNING, L"Limit of %u %s reached; further hits go unlogged until it rests for %u s",
                 static_cast<unsigned>(cap), name,
                 static_cast<unsigned>(luma::CCapNotice::kQuietTime.count()));
}

// Each pipe thread lives in a single-threaded COM apartment, left only when it was entered.
class CComApartment {
 public:
  CComApartment() : result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~CComApartment() {
    if (SUCCEEDED(result)) CoUninitialize();
  }
  CComApartment(const CComApartment&) = delete;
  CComApartment& operator=(const CComApartment&) = delete;

 private:
  HRESULT result;
};

// Waits on an overlapped ConnectNamedPipe until a client is connected (true) or the server stops or
// the instance fails (false).
bool WaitForClient(HANDLE pipe, HANDLE ioEvent, HANDLE stopEvent) {
  for (;;) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = ioEvent;
    if (ConnectNamedPipe(pipe, &overlapped)) return true;
    DWORD error = GetLastError();
    if (error == ERROR_PIPE_CONNECTED) return true;
    if (error == ERROR_IO_PENDING) {
      const HANDLE events[] = {stopEvent, ioEvent};
      if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
        // Stopping: the operation must be over before its OVERLAPPED goes out of scope.
        CancelIo(pipe);
        DWORD ignored = 0;
        GetOverlappedResult(pipe, &overlapped, &ignored, TRUE);
        return false;
      }
      DWORD ignored = 0;
      if (GetOverlappedResult(pipe, &overlapped, &ignored, FALSE)) return true;
      error = GetLastError();
    }
    if (error == ERROR_NO_DATA) {
      // The client came and went before it was accepted: make the instance free again.
      DisconnectNamedPipe(pipe);
      if (WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0) return false;
      continue;
    }
    CDebugLog::Log(LOG_DEBUG, L"Unable to connect named pipe 0x%08x", error);
    return false;
  }
}

}  // namespace

CVSCServer::CVSCServer(const std::wstring& name, std::shared_ptr<Handler> handler,
                       luma::service::PipeMode mode)
    : pipeName(L"\\\\.\\pipe\\" + name), mode(mode), handler(std::move(handler)) {
  CDebugLog::Log(LOG_DEBUG, L"CVSCServer::CVSCServer()");
}

CVSCServer::~CVSCServer() {
  CDebugLog::Log(LOG_DEBUG, L"CVSCServer::~CVSCServer");
  Stop();
}

void CVSCServer::Start() {
  if (thread) return;
  luma::SetCapNoticeSink(LogCapReached);
  auto fresh = std::make_shared<CState>();
  fresh->pipeName = pipeName;
  fresh->handler = handler;
  fresh->mode = mode;
  fresh->stopEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!fresh->stopEvent) {
    CDebugLog::Log(LOG_ERROR, L"Unable to create the pipe server's stop event 0x%08x", GetLastError());
    return;
  }
  auto parameter = std::make_unique<std::shared_ptr<CState>>(fresh);
  const HANDLE started = CreateThread(nullptr, luma::service::kPipeThreadStackBytes, VSCServerThread,
                                      parameter.get(), STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (started == nullptr) {
    CDebugLog::Log(LOG_ERROR, L"Unable to start the pipe server thread 0x%08x", GetLastError());
    return;
  }
  static_cast<void>(parameter.release());  // the thread owns it now
  thread.reset(started);
  state = std::move(fresh);
}

void CVSCServer::Stop() {
  CDebugLog::Log(LOG_DEBUG, L"CVSCServer::Stop");
  if (!thread) return;
  {
    std::lock_guard<std::mutex> guard(state->lock);
    state->stopping = true;
  }
  SetEvent(state->stopEvent.get());
  state->changed.notify_all();
  // The manager thread blocks nowhere but in its bounded wait for the instances to close.
  if (WaitForSingleObject(thread.get(), kStopWaitMilliseconds + 1000) == WAIT_TIMEOUT) {
    CDebugLog::Log(LOG_WARNING, L"Pipe server thread did not end in time; it ends on its own");
  }
  thread.reset();
  state.reset();
}

LONG CVSCServer::GetListeningInstances() const {
  if (!state) return 0;
  std::lock_guard<std::mutex> guard(state->lock);
  return state->listening;
}

LONG CVSCServer::GetInstanceCount() const {
  if (!state) return 0;
  std::lock_guard<std::mutex> guard(state->lock);
  return state->instances;
}

DWORD WINAPI CVSCServer::VSCServerThread(void* parameter) {
  const std::unique_ptr<std::shared_ptr<CState>> state(static_cast<std::shared_ptr<CState>*>(parameter));
  try {
    CDebugLog::Log(LOG_DEBUG, L"VSCServerThread started");
    (*state)->securityDescriptor = luma::service::CreatePipeSecurityDescriptor((*state)->mode);
    ManageInstances(*state);
    CDebugLog::Log(LOG_DEBUG, L"VSCServerThread");
  } catch (...) {
    // Only the pool's bookkeeping can throw (out of memory); the waiting instances still stop.
    CDebugLog::Log(LOG_ERROR, L"VSCServerThread ended by an unexpected error");
  }
  return 0;
}

void CVSCServer::ManageInstances(const std::shared_ptr<CState>& state) {
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), state->securityDescriptor.get(), FALSE};
  const auto needsInstance = [&] {
    return state->listening < kListeningInstances && state->instances < kMaxInstances;
  };
  std::unique_lock<std::mutex> lock(state->lock);
  while (!state->stopping) {
    if (!needsInstance()) {
      state->changed.wait(lock, [&] { return state->stopping || needsInstance(); });
      continue;
    }
    lock.unlock();
    luma::CKernelHandle pipe(
        CreateNamedPipeW(state->pipeName.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                         PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_REJECT_REMOTE_CLIENTS,
                         PIPE_UNLIMITED_INSTANCES, kPipeBufferSize, kPipeBufferSize, 0, &attributes));
    if (!pipe) {
      CDebugLog::Log(LOG_DEBUG, L"Unable to create named pipe 0x%08x", GetLastError());
      lock.lock();
      state->changed.wait_for(lock, std::chrono::milliseconds(kRetryMilliseconds),
                              [&] { return state->stopping; });
      continue;
    }
    lock.lock();
    ++state->listening;
    ++state->instances;
    lock.unlock();
    auto start = std::make_unique<CInstanceStart>(CInstanceStart{state, pipe.get()});
    // The thread runs detached and owns the pipe handle from here on.
    const luma::CKernelHandle instanceThread(CreateThread(nullptr, luma::service::kPipeThreadStackBytes,
                                                          ClientHandlerThread, start.get(),
                                                          STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (instanceThread) {
      static_cast<void>(start.release());
      static_cast<void>(pipe.release());
      lock.lock();
      continue;
    }
    CDebugLog::Log(LOG_DEBUG, L"Unable to create client handling thread 0x%08x", GetLastError());
    pipe.reset();
    lock.lock();
    --state->listening;
    --state->instances;
    state->changed.wait_for(lock, std::chrono::milliseconds(kRetryMilliseconds),
                            [&] { return state->stopping; });
  }
  // Stopping: give the waiting instances a bounded time to close, so the pipe is gone for new clients.
  state->changed.wait_for(lock, std::chrono::milliseconds(kStopWaitMilliseconds),
                          [&] { return state->listening == 0; });
}

DWORD WINAPI CVSCServer::ClientHandlerThread(void* parameter) {
  const std::unique_ptr<CInstanceStart> start(static_cast<CInstanceStart*>(parameter));
  luma::CKernelHandle pipe(start->pipe);
  const std::shared_ptr<CState> state = std::static_pointer_cast<CState>(start->state);
  try {
    const CComApartment apartment;
    ServeInstance(state, std::move(pipe));
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Pipe instance ended by an unexpected error");
  }
  return 0;
}

void CVSCServer::ServeInstance(const std::shared_ptr<CState>& state, luma::CKernelHandle pipe) {
  // Leaves the pool's counts right on every way out.
  struct CCountGuard {
    CState& state;
    bool listening = true;
    ~CCountGuard() {
      {
        std::lock_guard<std::mutex> guard(state.lock);
        if (listening) --state.listening;
        --state.instances;
      }
      state.changed.notify_all();
    }
  } counts{*state};

  const luma::CKernelHandle ioEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!ioEvent) {
    Sleep(kRetryMilliseconds);  // the manager replaces this instance; do not let it spin
    return;
  }
  for (;;) {
    if (!WaitForClient(pipe.get(), ioEvent.get(), state->stopEvent.get())) {
      if (WaitForSingleObject(state->stopEvent.get(), 0) != WAIT_OBJECT_0) Sleep(kRetryMilliseconds);
      return;
    }
    {
      std::lock_guard<std::mutex> guard(state->lock);
      --state->listening;
      counts.listening = false;
    }
    state->changed.notify_all();  // the manager puts another instance in this one's place
    CDebugLog::Log(LOG_DEBUG, L"Named pipe connected, starting client handler thread");
    luma::service::ServePipeConnection(pipe.get(), ioEvent.get(), *state->handler);
    DisconnectNamedPipe(pipe.get());
    std::lock_guard<std::mutex> guard(state->lock);
    // Waits again unless a burst of clients left far more instances than the pool needs: starting
    // a thread costs more than a whole round trip, so instances are reused rather than replaced.
    if (state->stopping || state->listening >= kMaxListeningInstances) return;
    ++state->listening;
    counts.listening = true;
  }
}
