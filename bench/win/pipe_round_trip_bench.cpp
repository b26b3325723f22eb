// Round trips of OpenSession and GetContainerInfo through lumaPassV's pipe server (test protocol
// handler), each beside a bare CallNamedPipeW echo of the same request and reply sizes in the same
// run: prints both medians and their ratio. Goal: the server adds at most 50% to the bare round trip.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/core/tests/test_endpoint_handler.h"
#include "plugins/common/unconnected_named_pipe_client.h"
#include "plugins/common/virtual_smart_card_client.h"
#include "service/pipe/vsc_server.h"

namespace {

constexpr int kRounds = 10;
constexpr int kCallsPerRound = 200;
constexpr int kEchoInstances = 4;

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

// The transport of the plug-ins, timing each call and noting the sizes.
class CTimedTransport final : public CRemotingClient {
 public:
  explicit CTimedTransport(const std::wstring& pipe) : inner(pipe, kPipeTimeoutMilliseconds) {}
  DWORD Transact(const CSecureBuffer& request, CSecureBuffer& reply) noexcept override {
    const auto start = Clock::now();
    const DWORD result = inner.Transact(request, reply);
    samples.push_back(Microseconds(Clock::now() - start));
    requestSize = request.size;
    replySize = reply.size;
    lastRequest = request;
    return result;
  }
  DWORD Reset() noexcept override { return 0; }

  std::vector<double> samples;
  DWORD requestSize = 0;
  DWORD replySize = 0;
  CSecureBuffer lastRequest;

 private:
  CUnconnectedNamedPipeClient inner;
};

// The least a pipe server can do: instances on threads that already run, each reading a request
// and answering with replySize bytes.
class CEchoServer {
 public:
  CEchoServer(const std::wstring& pipe, DWORD replySize) : pipe(pipe), reply(replySize, 0x5A) {
    for (int i = 0; i < kEchoInstances; ++i) {
      HANDLE instance =
          CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_DUPLEX,
                           PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_REJECT_REMOTE_CLIENTS,
                           PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
      threads.emplace_back([this, instance] { Serve(instance); });
    }
  }
  ~CEchoServer() {
    stopping = true;
    for (size_t i = 0; i < threads.size(); ++i) {  // wake every instance with one last call
      BYTE byte = 0;
      DWORD read = 0;
      CallNamedPipeW(pipe.c_str(), &byte, 1, &byte, 1, &read, 1000);
    }
    for (std::thread& thread : threads) thread.join();
  }

 private:
  void Serve(HANDLE instance) {
    std::vector<BYTE> buffer(65536);
    while (!stopping) {
      if (!ConnectNamedPipe(instance, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) continue;
      DWORD read = 0, written = 0;
      if (ReadFile(instance, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
        WriteFile(instance, reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr);
      }
      DisconnectNamedPipe(instance);
    }
    CloseHandle(instance);
  }

  std::wstring pipe;
  std::vector<BYTE> reply;
  std::vector<std::thread> threads;
  std::atomic<bool> stopping{false};
};

double EchoOnce(const std::wstring& pipe, const std::vector<BYTE>& request, std::vector<BYTE>& reply) {
  DWORD read = 0;
  const auto start = Clock::now();
  CallNamedPipeW(pipe.c_str(), const_cast<BYTE*>(request.data()), static_cast<DWORD>(request.size()),
                 reply.data(), static_cast<DWORD>(reply.size()), &read, kPipeTimeoutMilliseconds);
  return Microseconds(Clock::now() - start);
}

// The test handler, timing its own work on the server's threads.
class CTimedHandler final : public VirtualSmartCardProtocol::CTestEndpointHandler {
 public:
  bool ProcessMessage(const CSecureBuffer& request, CSecureBuffer& response) override {
    const auto start = Clock::now();
    const bool result = CTestEndpointHandler::ProcessMessage(request, response);
    const double elapsed = Microseconds(Clock::now() - start);
    std::lock_guard<std::mutex> guard(lock);
    samples.push_back(elapsed);
    return result;
  }
  std::vector<double> Take() {
    std::lock_guard<std::mutex> guard(lock);
    return std::exchange(samples, {});
  }

 private:
  std::mutex lock;
  std::vector<double> samples;
};

// The handler's own share of a round trip: the same request through ProcessMessage, no pipe.
double HandlerMedian(CTimedHandler& handler, const CSecureBuffer& request) {
  std::vector<double> samples;
  CSecureBuffer response;
  for (int i = 0; i < kRounds * kCallsPerRound; ++i) {
    const auto start = Clock::now();
    handler.ProcessMessage(request, response);
    samples.push_back(Microseconds(Clock::now() - start));
  }
  return Median(samples);
}

void Report(const char* name, CTimedTransport& server, const std::wstring& echoPipe,
            const std::function<void()>& call, CTimedHandler& handler) {
  server.samples.clear();
  call();  // learn the sizes, warm up
  const std::vector<BYTE> request(server.requestSize, 0x11);
  std::vector<BYTE> reply(65536);
  const CEchoServer echo(echoPipe, server.replySize);
  Sleep(50);
  std::vector<double> bare;
  server.samples.clear();
  handler.Take();
  for (int round = 0; round < kRounds; ++round) {  // alternate, so drift hits both alike
    for (int i = 0; i < kCallsPerRound; ++i) bare.push_back(EchoOnce(echoPipe, request, reply));
    for (int i = 0; i < kCallsPerRound; ++i) call();
  }
  const double serverMedian = Median(server.samples);
  const double bareMedian = Median(bare);
  const double inServerMedian = Median(handler.Take());
  const double handlerMedian = HandlerMedian(handler, server.lastRequest);
  std::printf(
      "%-16s request %5lu B, reply %5lu B: server median %8.1f us, bare echo median %7.1f us, ratio %.2f"
      " (handler on the server's threads %.1f us, on the main thread %.1f us)\n",
      name, static_cast<unsigned long>(server.requestSize), static_cast<unsigned long>(server.replySize),
      serverMedian, bareMedian, serverMedian / bareMedian, inServerMedian, handlerMedian);
}

}  // namespace

int main() {
  const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
  auto handler = std::make_shared<CTimedHandler>();
  CVSCServer server(L"lumaPassV-bench-" + suffix, handler, luma::service::PipeMode::PerUser);
  server.Start();
  while (server.GetListeningInstances() < CVSCServer::kListeningInstances) Sleep(10);

  CTimedTransport transport(server.GetPipeName());
  CVirtualSmartCardClient client(&transport, L"lumaPassKSP");
  BYTE sessionId[16] = {};
  DWORD containers = 0;
  if (client.OpenSession(sessionId, containers) != 0) {
    std::printf("OpenSession failed\n");
    return 1;
  }
  std::printf("%d round trips each, medians (Wine named pipes, one client at a time)\n",
              kRounds * kCallsPerRound);
  Report(
      "OpenSession", transport, L"\\\\.\\pipe\\lumaPassV-bench-echo1-" + suffix,
      [&] {
        BYTE id[16];
        DWORD count = 0;
        client.OpenSession(id, count);
      },
      *handler);
  Report(
      "GetContainerInfo", transport, L"\\\\.\\pipe\\lumaPassV-bench-echo2-" + suffix,
      [&] {
        CSecureBuffer info, keyInfo, certificate;
        client.GetContainerInfo(sessionId, 0, info, keyInfo, certificate);
      },
      *handler);
  return 0;
}
