// The local test signing service: HTTPS on a free port of localhost, one request log, the test
// modes of the transport tests and the remote signing service's protocol. Started by a test with
// its run folder; ends by itself.
#include <httplib.h>
#include <openssl/ssl.h>

#include <cstdio>
#include <string>

#include "request_log.h"
#include "run_control.h"
#include "service_options.h"
#include "test_modes.h"
#include "vault_protocol.h"

namespace {

// The server certificate and the certificates sent with it, and its key.
bool LoadTlsIdentity(SSL_CTX& context, const std::string& chainPath, const std::string& keyPath) {
  return SSL_CTX_use_certificate_chain_file(&context, chainPath.c_str()) == 1 &&
         SSL_CTX_use_PrivateKey_file(&context, keyPath.c_str(), SSL_FILETYPE_PEM) == 1 &&
         SSL_CTX_check_private_key(&context) == 1;
}

}  // namespace

int main(int argc, char** argv) {
  signing_service::ServiceOptions options;
  std::string error;
  if (!signing_service::ParseServiceOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "signing_service: %s\n", error.c_str());
    return 2;
  }
  httplib::SSLServer server([&options](SSL_CTX& context) {
    return LoadTlsIdentity(context, options.certChainPath, options.keyPath);
  });
  if (!server.is_valid()) {
    std::fprintf(stderr, "signing_service: cannot load the TLS identity %s\n", options.certChainPath.c_str());
    return 1;
  }
  signing_service::RequestLog log(options.runDir + "/requests.log");
  if (!log.IsOpen()) {
    std::fprintf(stderr, "signing_service: cannot open the request log in %s\n", options.runDir.c_str());
    return 1;
  }
  // Called once a request's headers are in, before its body is read.
  signing_service::RequestLog arrivals(options.runDir + "/arrivals.log");
  server.set_pre_routing_handler([&arrivals](const httplib::Request& request, httplib::Response&) {
    arrivals.RecordArrival(request);
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // Tests run many clients at once, each holding its keep-alive connection: a worker per connection.
  server.new_task_queue = [] { return new httplib::ThreadPool(128); };
  server.set_keep_alive_max_count(1000);
  server.set_keep_alive_timeout(30);
  server.set_payload_max_length(16 * 1024 * 1024);
  // An answer is written as its head and then its body: with Nagle's algorithm the body would wait
  // for the client's delayed acknowledgement of the head (about 40 ms on every call). The two writes
  // (two TLS records) are the library's own (Server::write_response_core in the packaged
  // libcpp-httplib), which offers no way to join them.
  server.set_tcp_nodelay(true);
  // Before the test modes, whose last route takes every other path.
  signing_service::RegisterVaultModes(server, log, options.vaultDir);
  signing_service::RegisterTestModes(server, log);

  const int port = server.bind_to_any_port("127.0.0.1");
  if (port <= 0 || !signing_service::WritePortFile(options.runDir, port)) {
    std::fprintf(stderr, "signing_service: cannot listen or write the port file\n");
    return 1;
  }
  signing_service::StopWatcher watcher(server, options.runDir, options.lifetimeSeconds);
  server.listen_after_bind();
  return 0;
}
