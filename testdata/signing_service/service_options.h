// Command line of the test signing service.
#ifndef LUMA_TESTDATA_SIGNING_SERVICE_SERVICE_OPTIONS_H_
#define LUMA_TESTDATA_SIGNING_SERVICE_SERVICE_OPTIONS_H_

#include <string>

namespace signing_service {

// Longest time the service runs before it stops by itself.
constexpr int kMaxLifetimeSeconds = 600;

struct ServiceOptions {
  std::string runDir;         // gets "port" and "requests.log"; a file "stop" there ends the service
  std::string certChainPath;  // PEM: server certificate, then the certificates sent with it
  std::string keyPath;        // PEM: the server certificate's private key
  std::string vaultDir;       // the vault fixtures (keys, certificates, policies)
  int lifetimeSeconds = 120;
};

// --run-dir D --cert-chain F --key F [--vault-dir D] [--lifetime S]. False with a message on a usage error.
bool ParseServiceOptions(int argc, char** argv, ServiceOptions& options, std::string& error);

}  // namespace signing_service

#endif  // LUMA_TESTDATA_SIGNING_SERVICE_SERVICE_OPTIONS_H_
