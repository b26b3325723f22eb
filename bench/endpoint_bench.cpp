// Dispatch cost of the two requests every provider sends first: OpenSession and GetContainerInfo,
// through ProcessMessage against the test protocol handler, on one thread and on all cores.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "foundation/core/tests/test_endpoint_handler.h"

using namespace VirtualSmartCardProtocol;

namespace {
constexpr int kMessagesPerThread = 50000;
// Sessions pile up until the policy update clears them; the benchmark clears them this often per
// thread, so OpenSession is measured against a table of realistic size.
constexpr int kClearEvery = 1024;

CSecureBuffer ToWire(const CSerializableMessage& message) {
  CMessageSerialization s;
  CSecureBuffer bytes;
  message.Serialize(s);
  s.Serialize(bytes);
  return bytes;
}

// Runs `threads` threads of kMessagesPerThread messages each; returns the wall time in seconds.
double Run(CTestEndpointHandler& handler, const CSecureBuffer& request, unsigned threads,
           bool clearSessions) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> workers;
  for (unsigned t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      CSecureBuffer response;
      for (int i = 1; i <= kMessagesPerThread; ++i) {
        handler.ProcessMessage(request, response);
        if (clearSessions && i % kClearEvery == 0) handler.ClearSessions();
      }
    });
  }
  for (auto& worker : workers) worker.join();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Measure(const char* name, CTestEndpointHandler& handler, const CSecureBuffer& request,
             bool clearSessions) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  for (unsigned threads : {1u, cores}) {
    Run(handler, request, threads, clearSessions);  // warm-up
    const double seconds = Run(handler, request, threads, clearSessions);
    const double messages = static_cast<double>(threads) * kMessagesPerThread;
    std::printf("%-18s %2u thread(s): %10.0f messages/s  %7.2f us/message per thread\n", name, threads,
                messages / seconds, seconds * 1e6 * threads / messages);
  }
}
}  // namespace

int main() {
  CTestEndpointHandler handler;

  COpenSessionRequest open;
  open.SetReaderName(WSTR("lumaPassKSP"));
  open.SetProcessPath(WSTR("C:\\Program Files\\Office\\winword.exe"));
  open.SetProcessVersion(WSTR("16.0.1.0"));
  open.SetClientVersion(WSTR("1.0.0.0"));
  open.SetClientComputerName(WSTR("DESKTOP-1"));
  Measure("OpenSession", handler, ToWire(open), true);

  CSecureBuffer response;
  handler.ProcessMessage(ToWire(open), response);
  CMessageSerialization s;
  DWORD consumed = 0;
  COpenSessionResponse opened;
  s.Deserialize(response, consumed);
  opened.Deserialize(s);
  CGetContainerInfoRequest info;
  info.SetSessionId(opened.GetSessionId());
  Measure("GetContainerInfo", handler, ToWire(info), false);

  // The answer carries the container: make sure the benchmark measured real work.
  handler.ProcessMessage(ToWire(info), response);
  CGetContainerInfoResponse answer;
  s.Deserialize(response, consumed);
  if (!answer.Deserialize(s) || answer.GetStatus() != 0 || answer.GetCertificate().size != 1200) {
    std::printf("GetContainerInfo did not answer the container\n");
    return 1;
  }
  return 0;
}
