// Serves one named pipe of the virtual smart card protocol: the per-user pipe of the provider
// plug-ins, or the virtual reader's pipe. Requests and answers are opaque bytes here; the endpoint
// handler gives them meaning.
//
// Design. A pool of instance threads keeps kListeningInstances pipe instances waiting for clients
// (overlapped ConnectNamedPipe), so that that many clients can connect at the same moment without
// finding the pipe busy, and serves each client on the thread that accepted it: no thread is
// started per connection. A manager thread tops the pool up whenever instances get taken.
//
// How it maps onto a server with one accept thread and one thread per connection:
// - the accept thread is the manager thread (VSCServerThread, same start and end log lines); it
//   creates instances with the same pipe mode, buffers and security descriptor, retries a failed
//   creation every 10 ms and logs the same lines;
// - a connection thread is an instance thread (ClientHandlerThread) once its client is connected:
//   it logs "Named pipe connected, starting client handler thread", reads and answers requests
//   until the client closes (ServePipeConnection), with the request and response hex dumps;
// - Stop sets a stop event that wakes every waiting instance at once, instead of connecting to
//   its own pipe to wake a blocked ConnectNamedPipe, and waits a bounded time; no thread is ever
//   terminated: one still serving a client ends when its client does, holding the handler;
// - instances are created non-inheritable (child processes get no pipe handle) and are not
//   flushed before disconnecting: every answer is written whole before the next read, and the
//   client has read it by the time it closes its end.
#ifndef LUMA_SERVICE_PIPE_VSC_SERVER_H_
#define LUMA_SERVICE_PIPE_VSC_SERVER_H_

#include <windows.h>

#include <memory>
#include <string>

#include "foundation/core/vsc_endpoint_handler.h"
#include "foundation/win/unique_handle.h"
#include "service/core/pipe_security_text.h"

class CVSCServer {
 public:
  using Handler = VirtualSmartCardProtocol::CVirtualSmartCardProtocolEndpointHandler;

  // Instances kept waiting for clients; clients beyond that may briefly find the pipe busy.
  static constexpr LONG kListeningInstances = 64;
  // Instances that finished serving wait for the next client until this many wait already.
  static constexpr LONG kMaxListeningInstances = 2 * kListeningInstances;
  // The pipe's own limit on instances (PIPE_UNLIMITED_INSTANCES).
  static constexpr LONG kMaxInstances = 255;
  // How long Stop waits for the waiting instances to close.
  static constexpr DWORD kStopWaitMilliseconds = 2000;

  // `name` is the pipe's name without "\\.\pipe\".
  CVSCServer(const std::wstring& name, std::shared_ptr<Handler> handler, luma::service::PipeMode mode);
  virtual ~CVSCServer();
  CVSCServer(const CVSCServer&) = delete;
  CVSCServer& operator=(const CVSCServer&) = delete;

  // Starts serving; nothing when already running.
  void Start();
  // Closes every waiting instance and returns within about kStopWaitMilliseconds. Connections in
  // progress go on until their clients close; each keeps the handler alive until then.
  void Stop();

  const std::wstring& GetPipeName() const { return pipeName; }
  // Instances waiting for a client now; 0 while stopped. For the health log and for tests.
  LONG GetListeningInstances() const;
  // Instances with a thread, waiting or serving; 0 while stopped. For the benchmark.
  LONG GetInstanceCount() const;

 private:
  struct CState;

  static DWORD WINAPI VSCServerThread(void* parameter);
  static DWORD WINAPI ClientHandlerThread(void* parameter);
  static void ManageInstances(const std::shared_ptr<CState>& state);
  static void ServeInstance(const std::shared_ptr<CState>& state, luma::CKernelHandle pipe);

  luma::CKernelHandle thread;
  std::shared_ptr<CState> state;  // shared with the server's threads, which may outlive Stop
  std::wstring pipeName;
  luma::service::PipeMode mode;
  std::shared_ptr<Handler> handler;
};

#endif  // LUMA_SERVICE_PIPE_VSC_SERVER_H_
