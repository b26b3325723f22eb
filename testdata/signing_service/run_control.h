// How a test finds and ends the service: the port goes into "<run dir>/port" (written whole, then
// renamed into place), and the service stops when "<run dir>/stop" appears, on SIGTERM or SIGINT,
// or when its lifetime is over, whichever comes first.
#ifndef LUMA_TESTDATA_SIGNING_SERVICE_RUN_CONTROL_H_
#define LUMA_TESTDATA_SIGNING_SERVICE_RUN_CONTROL_H_

#include <httplib.h>

#include <atomic>
#include <string>
#include <thread>

namespace signing_service {

bool WritePortFile(const std::string& runDir, int port);

// Watches for the end of the service's run on a thread of its own and stops the server then.
class StopWatcher {
 public:
  StopWatcher(httplib::Server& server, const std::string& runDir, int lifetimeSeconds);
  // Marks the end of the server's listen loop, so that the watcher stops asking it to stop.
  ~StopWatcher();
  StopWatcher(const StopWatcher&) = delete;
  StopWatcher& operator=(const StopWatcher&) = delete;

 private:
  std::atomic<bool> m_listenEnded{false};
  std::thread m_thread;
};

}  // namespace signing_service

#endif  // LUMA_TESTDATA_SIGNING_SERVICE_RUN_CONTROL_H_
