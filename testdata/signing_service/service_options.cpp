#include "service_options.h"

#include <cstdlib>
#include <cstring>

namespace signing_service {

bool ParseServiceOptions(int argc, char** argv, ServiceOptions& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (i + 1 >= argc) {
      error = "missing value of " + name;
      return false;
    }
    const char* value = argv[++i];
    if (name == "--run-dir") {
      options.runDir = value;
    } else if (name == "--cert-chain") {
      options.certChainPath = value;
    } else if (name == "--key") {
      options.keyPath = value;
    } else if (name == "--vault-dir") {
      options.vaultDir = value;
    } else if (name == "--lifetime") {
      options.lifetimeSeconds = std::atoi(value);
      if (options.lifetimeSeconds <= 0 || options.lifetimeSeconds > kMaxLifetimeSeconds) {
        error = "lifetime out of range 1.." + std::to_string(kMaxLifetimeSeconds);
        return false;
      }
    } else {
      error = "unknown option " + name;
      return false;
    }
  }
  if (options.runDir.empty() || options.certChainPath.empty() || options.keyPath.empty()) {
    error = "usage: signing_service --run-dir D --cert-chain F --key F [--vault-dir D] [--lifetime S]";
    return false;
  }
  return true;
}

}  // namespace signing_service
