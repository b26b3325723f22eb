#include "test_modes.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "soap_envelope.h"

namespace signing_service {

const char kFixedAnswerElement[] = "<IsAliveResponse><status>OK</status></IsAliveResponse>";

namespace {

constexpr long kMaxDelayMilliseconds = 10000;
constexpr long kMaxLargeBytes = 64L * 1024 * 1024;

using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

long NumberMatch(const httplib::Request& request, std::size_t index) {
  return std::strtol(request.matches[index].str().c_str(), nullptr, 10);
}

void AnswerFixed(httplib::Response& response) {
  response.status = 200;
  response.set_content(SoapEnvelope(kFixedAnswerElement), "text/xml; charset=utf-8");
}

// Counts, per path, the requests without a body that still get the pre-flight challenge.
class PreflightCounter {
 public:
  bool TakeChallenge(const std::string& path, long challenges) {
    std::lock_guard<std::mutex> hold(m_lock);
    long& sent = m_sent[path];
    if (sent >= challenges) return false;
    ++sent;
    return true;
  }

 private:
  std::mutex m_lock;
  std::map<std::string, long> m_sent;
};

void Route(httplib::Server& server, const char* pattern, RequestLog& log, Handler handler) {
  auto logged = [&log, handler](const httplib::Request& request, httplib::Response& response) {
    log.Record(request);
    handler(request, response);
  };
  server.Post(pattern, logged);
  server.Get(pattern, logged);
}

}  // namespace

void RegisterTestModes(httplib::Server& server, RequestLog& log) {
  Route(server, "/fixed", log,
        [](const httplib::Request&, httplib::Response& response) { AnswerFixed(response); });
  Route(server, "/echo", log, [](const httplib::Request& request, httplib::Response& response) {
    response.set_header("Set-Cookie", "SESSION=echo-session; Path=/; Secure; HttpOnly");
    response.set_content(request.body, "text/plain; charset=utf-8");
  });
  Route(server, "/fault", log, [](const httplib::Request&, httplib::Response& response) {
    response.status = 500;
    response.set_content(
        SoapFaultEnvelope("soap:Server", "Card blocked", "urn:test-service", "PIN tries exhausted"),
        "text/xml; charset=utf-8");
  });
  Route(server, "/fault/malformed", log, [](const httplib::Request&, httplib::Response& response) {
    response.status = 500;
    response.set_content("<soap:Envelope><unclosed>", "text/xml; charset=utf-8");
  });
  Route(server, R"(/status/(\d{3}))", log, [](const httplib::Request& request, httplib::Response& response) {
    response.status = static_cast<int>(NumberMatch(request, 1));
    response.set_content("status " + request.matches[1].str(), "text/plain");
  });
  Route(server, R"(/redirect/(30[23]))", log,
        [](const httplib::Request& request, httplib::Response& response) {
          response.status = static_cast<int>(NumberMatch(request, 1));
          response.set_header("Location", request.get_param_value("to"));
        });
  Route(server, R"(/delay/(\d{1,6}))", log, [](const httplib::Request& request, httplib::Response& response) {
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::min(NumberMatch(request, 1), kMaxDelayMilliseconds)));
    AnswerFixed(response);
  });
  auto counter = std::make_shared<PreflightCounter>();
  Route(server, R"(/preflight/(40[17])/(\d{1,3}))", log,
        [counter](const httplib::Request& request, httplib::Response& response) {
          const long status = NumberMatch(request, 1);
          if (request.body.empty() && counter->TakeChallenge(request.path, NumberMatch(request, 2))) {
            response.status = static_cast<int>(status);
            response.set_header(status == 401 ? "WWW-Authenticate" : "Proxy-Authenticate",
                                "Basic realm=\"test\"");
            response.set_content("authentication required", "text/plain");
            return;
          }
          AnswerFixed(response);
        });
  Route(server, R"(/large/(\d{1,9}))", log, [](const httplib::Request& request, httplib::Response& response) {
    response.set_content(
        std::string(static_cast<std::size_t>(std::min(NumberMatch(request, 1), kMaxLargeBytes)), 'x'),
        "text/plain");
  });
  Route(server, R"(/.*)", log, [](const httplib::Request&, httplib::Response& response) {
    response.status = 404;
    response.set_content("no such test mode", "text/plain");
  });
}

}  // namespace signing_service
