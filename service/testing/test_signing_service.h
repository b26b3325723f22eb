// Starts the local test signing service (a program of the build machine, run by Wine from its Z:
// drive) for one test and stops it again; reads its request log.
#ifndef LUMA_SERVICE_TESTING_TEST_SIGNING_SERVICE_H_
#define LUMA_SERVICE_TESTING_TEST_SIGNING_SERVICE_H_

#include <string>
#include <vector>

namespace luma::service::testing {

enum class ServiceIdentity {
  kTrusted,    // certificate of the test CA, sent with that CA (a two-element chain)
  kUntrusted,  // certificate of a CA nobody trusts, sent alone (a one-element chain)
};

// One logged request of the service.
struct LoggedRequest {
  std::string method;
  std::string target;
  int peerPort = 0;
  std::vector<std::string> headers;  // "Name: value"
  std::string body;                  // escaped as in the log
  // The value of the first header of that name (any letter case); empty when absent.
  std::string Header(const std::string& name) const;
  bool HasHeader(const std::string& name) const;
};

class CTestSigningService {
 public:
  explicit CTestSigningService(ServiceIdentity identity = ServiceIdentity::kTrusted);
  // Asks the service to stop (it also stops by itself when its lifetime is over).
  ~CTestSigningService();
  CTestSigningService(const CTestSigningService&) = delete;
  CTestSigningService& operator=(const CTestSigningService&) = delete;

  bool IsRunning() const { return m_port != 0; }
  int Port() const { return m_port; }
  // "https://localhost:<port>" + path.
  std::wstring Url(const std::wstring& path) const;
  std::vector<LoggedRequest> Requests() const;
  // Every request whose headers arrived, with or without its body (the bodies are not kept).
  std::vector<LoggedRequest> ArrivedRequests() const;

 private:
  static std::vector<LoggedRequest> ReadRequestLog(const std::wstring& path);

  std::wstring m_runDir;  // Windows path
  int m_port = 0;
};

// The folder of the test program, with a trailing backslash.
std::wstring ProgramFolder();
// Reads a whole (small) file; empty when it cannot be read.
std::string ReadSmallFile(const std::wstring& path);
// Puts the test CA into the current user's "Root" store, so that WinINet trusts the service.
bool TrustTestServiceCa();
// The lower-case SHA-1 fingerprints of the test CA and of the untrusted CA.
std::wstring TestCaFingerprint();
std::wstring UntrustedCaFingerprint();

}  // namespace luma::service::testing

#endif  // LUMA_SERVICE_TESTING_TEST_SIGNING_SERVICE_H_
