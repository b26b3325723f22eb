#include "vault_protocol.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "../../service/core/vault_namespace.h"
#include "soap_envelope.h"
#include "vault_crypto.h"

namespace signing_service {
namespace {

constexpr char kLoginPage[] = "https://localhost/login?expired=1";
constexpr size_t kMaxPolicyBytes = 1024 * 1024;

struct Answer {
  std::string status;
  std::vector<std::pair<std::string, std::string>> fields;  // name, escaped XML text
};

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::string();
  std::ostringstream content;
  content << file.rdbuf();
  const std::string text = content.str();
  return text.size() <= kMaxPolicyBytes ? text : std::string();
}

void Fault(httplib::Response& response, const std::string& text) {
  response.status = 500;
  response.set_content(SoapFaultEnvelope("soap:Client", text, "", text), "text/xml; charset=utf-8");
}

void Redirect(httplib::Response& response) {
  response.status = 303;
  response.set_header("Location", kLoginPage);
}

void Respond(httplib::Response& response, const std::string& operation, const Answer& answer) {
  std::string element =
      "<ns2:" + operation + "Response xmlns:ns2=\"" + luma::service::kVaultCoreNamespace + "\">";
  if (!answer.status.empty()) element += "<status>" + XmlEscape(answer.status) + "</status>";
  for (const auto& field : answer.fields)
    element += "<" + field.first + ">" + field.second + "</" + field.first + ">";
  element += "</ns2:" + operation + "Response>";
  response.status = 200;
  response.set_content(SoapEnvelope(element), "text/xml; charset=utf-8");
}

// The text of the first element of that name in the request, empty when absent.
std::string ElementText(const std::string& body, const std::string& name) {
  const std::string open = "<" + name + ">";
  const size_t start = body.find(open);
  if (start == std::string::npos) return std::string();
  const size_t end = body.find("</" + name + ">", start);
  return end == std::string::npos ? std::string()
                                  : body.substr(start + open.size(), end - start - open.size());
}

std::string SessionAccount(const httplib::Request& request) {
  const std::string cookie = request.get_header_value("Cookie");
  const std::string prefix = "SESSION=";
  if (cookie.rfind(prefix, 0) != 0) return std::string();
  const std::string account = cookie.substr(prefix.size(), cookie.find(';') - prefix.size());
  for (const char c : account) {
    if (!isalnum(static_cast<unsigned char>(c))) return std::string();
  }
  return account;
}

// The status of an alias before the key is used; empty when the key may be used.
std::string PinStatus(const std::string& alias, const std::string& pin, Answer& answer) {
  if (alias == "blocked") {
    answer.fields.emplace_back("remainingTries", "0");
    return "BLOCKED";
  }
  if (alias == "nosign") return "INVALID_KEY_USAGE";
  // The demo account's key, released on the service login alone.
  if (alias == "nopin") return "OK";
  if (alias == "empty") return "OK";
  if (alias == "strange") return "MAINTENANCE";
  if (alias != "alice" && alias != "lower") return "INVALID_KEY_USAGE";
  if (pin != "1234") {
    answer.fields.emplace_back("remainingTries", "2");
    return "INVALID_PIN";
  }
  answer.fields.emplace_back("remainingTries", "3");
  return alias == "lower" ? "ok" : "OK";
}

class VaultService {
 public:
  explicit VaultService(std::string dir) : m_dir(std::move(dir)) {}

  // keyOperationDelay: how long signatures and decryptions take (a slow service).
  void Handle(const httplib::Request& request, httplib::Response& response, bool expired,
              std::chrono::milliseconds keyOperationDelay = std::chrono::milliseconds(0)) const {
    std::string action = request.get_header_value("SOAPAction");
    if (action.size() >= 2 && action.front() == '"' && action.back() == '"')
      action = action.substr(1, action.size() - 2);
    const std::string ns = luma::service::kVaultCoreNamespace;
    if (action.rfind(ns, 0) != 0) return Fault(response, "Unknown action");
    const std::string operation = action.substr(ns.size());
    if (expired) return Redirect(response);
    if (request.body.find("<ns2:" + operation + "Request xmlns:ns2=\"" + ns + "\">") == std::string::npos) {
      return Fault(response, "Unknown request element");
    }
    Answer answer;
    if (operation == "IsAlive") return Respond(response, operation, answer);
    if (operation == "GetPolicy") {
      const std::string account = SessionAccount(request);
      const std::string policy =
          account.empty() ? std::string() : ReadFile(m_dir + "/policy_" + account + ".p7");
      if (policy.empty()) return Redirect(response);
      answer.fields.emplace_back("policy", EncodeBase64Text(policy));
      return Respond(response, operation, answer);
    }
    Bytes envelope, der;
    std::vector<Bytes> parameters;
    if (!DecodeBase64Text(ElementText(request.body, "encParameters"), envelope) ||
        !OpenEnvelope(envelope, m_dir + "/service_enc.pem", m_dir + "/service_enc.key", der) ||
        !ReadParameterSequence(der, parameters)) {
      return Fault(response, "The parameters cannot be opened");
    }
    const size_t expected = operation == "VerifyPin" ? 2 : operation == "RsaRawDecrypt" ? 4 : 3;
    if (parameters.size() != expected) return Fault(response, "Wrong parameters for " + operation);
    const std::string& alias = parameters[0];
    answer.status = PinStatus(alias, parameters[1], answer);
    const bool usable = answer.status == "OK" || answer.status == "ok";
    if (operation == "VerifyPin") return Respond(response, operation, answer);
    if (operation == "ChangePin") {
      if (usable && parameters[2].size() < 4) answer.status = "PIN_POLICY_VIOLATION";
      return Respond(response, operation, answer);
    }
    answer.fields.clear();
    std::this_thread::sleep_for(keyOperationDelay);
    const std::string key = m_dir + "/alice.key";
    if (operation == "RsaPkcs1Sign") {
      // "empty" answers OK with an empty signature.
      if (alias == "empty") {
        answer.fields.emplace_back("signature", "");
        return Respond(response, operation, answer);
      }
      Bytes signature;
      if (usable && !SignPkcs1(key, parameters[2], signature)) return Fault(response, "Signing failed");
      if (usable) answer.fields.emplace_back("signature", EncodeBase64Text(signature));
      return Respond(response, operation, answer);
    }
    if (operation == "RsaRawDecrypt") {
      if (parameters[3].empty()) return Fault(response, "No exchange certificate");
      Bytes plain, sealed;
      if (usable && (!RawDecrypt(key, parameters[2], plain) || !MakeEnvelope(plain, parameters[3], sealed))) {
        return Fault(response, "Decryption failed");
      }
      if (usable) answer.fields.emplace_back("encResponse", EncodeBase64Text(sealed));
      return Respond(response, operation, answer);
    }
    Fault(response, "Unknown operation");
  }

 private:
  std::string m_dir;
};

void Login(const httplib::Request& request, httplib::Response& response) {
  const std::string user = request.get_param_value("user");
  const bool password = request.has_param("password") && request.get_param_value("password") == "pa=ss w0rd";
  const bool otp = request.has_param("otp") && request.get_param_value("otp") == "123 456";
  if (user == "anna" && (password || otp)) {
    response.status = 200;
    response.set_header("Set-Cookie", "SESSION=anna; Path=/; Secure; HttpOnly");
    response.set_content("welcome", "text/plain");
    return;
  }
  response.status = 403;
  response.set_content("Wrong user name or password.", "text/plain; charset=utf-8");
}

}  // namespace

void RegisterVaultModes(httplib::Server& server, RequestLog& log, const std::string& vaultDir) {
  auto vault = std::make_shared<VaultService>(vaultDir);
  server.Post("/vault", [&log, vault](const httplib::Request& request, httplib::Response& response) {
    log.Record(request);
    vault->Handle(request, response, false);
  });
  server.Post("/vault/expired", [&log, vault](const httplib::Request& request, httplib::Response& response) {
    log.Record(request);
    vault->Handle(request, response, true);
  });
  // An integrated login (Kerberos, Negotiate) as the service sees it once the connection has
  // authenticated: the account comes from the path instead of a session cookie.
  server.Post(R"(/vault/integrated/([a-z]{1,32}))",
              [&log, vault](const httplib::Request& request, httplib::Response& response) {
                log.Record(request);
                httplib::Request authenticated = request;
                authenticated.headers.erase("Cookie");
                authenticated.headers.emplace("Cookie", "SESSION=" + request.matches[1].str());
                vault->Handle(authenticated, response, false);
              });
  // The same, from a slow service: each signature or decryption takes the given milliseconds (at
  // most 10 s).
  server.Post(R"(/vault/integrated/([a-z]{1,32})/slow/(\d{1,5}))",
              [&log, vault](const httplib::Request& request, httplib::Response& response) {
                log.Record(request);
                httplib::Request authenticated = request;
                authenticated.headers.erase("Cookie");
                authenticated.headers.emplace("Cookie", "SESSION=" + request.matches[1].str());
                const long delay = std::min(std::stol(request.matches[2].str()), 10000L);
                vault->Handle(authenticated, response, false, std::chrono::milliseconds(delay));
              });
  server.Post("/login", [&log](const httplib::Request& request, httplib::Response& response) {
    log.Record(request);
    Login(request, response);
  });
  server.Post("/login/nocookie", [&log](const httplib::Request& request, httplib::Response& response) {
    log.Record(request);
    response.status = 200;
    response.set_content("welcome", "text/plain");
  });
}

}  // namespace signing_service
