#include "run_control.h"

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>

namespace signing_service {
namespace {

std::atomic<bool> g_signalled{false};

void OnStopSignal(int) { g_signalled = true; }

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

}  // namespace

bool WritePortFile(const std::string& runDir, int port) {
  const std::string path = runDir + "/port";
  const std::string partial = path + ".partial";
  std::FILE* file = std::fopen(partial.c_str(), "w");
  if (!file) return false;
  const bool written = std::fprintf(file, "%d\n", port) > 0;
  if (std::fclose(file) != 0 || !written) return false;
  return std::rename(partial.c_str(), path.c_str()) == 0;
}

StopWatcher::StopWatcher(httplib::Server& server, const std::string& runDir, int lifetimeSeconds) {
  std::signal(SIGTERM, OnStopSignal);
  std::signal(SIGINT, OnStopSignal);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(lifetimeSeconds);
  const std::string stopPath = runDir + "/stop";
  m_thread = std::thread([this, &server, deadline, stopPath] {
    while (!m_listenEnded && !g_signalled && !FileExists(stopPath) &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // The server may not be listening yet: keep asking until its listen loop has ended.
    while (!m_listenEnded) {
      server.stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
}

StopWatcher::~StopWatcher() {
  m_listenEnded = true;
  m_thread.join();
}

}  // namespace signing_service
