#include "service/testing/test_signing_service.h"

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "foundation/win/started_process.h"
#include "foundation/win/unique_handle.h"

namespace luma::service::testing {
namespace {

constexpr int kServiceLifetimeSeconds = 120;
constexpr DWORD kStartWaitMilliseconds = 20000;
constexpr size_t kMaxFileBytes = 16 * 1024 * 1024;

std::atomic<int> g_runCounter{0};

// Z:\a\b -> /a/b: the service is a program of the build machine and takes its paths.
std::string UnixPath(const std::wstring& windowsPath) {
  std::string path;
  const size_t start = windowsPath.size() >= 2 && windowsPath[1] == L':' ? 2 : 0;
  for (size_t i = start; i < windowsPath.size(); ++i) {
    path.push_back(windowsPath[i] == L'\\' ? '/' : static_cast<char>(windowsPath[i]));
  }
  return path;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string Trim(const std::string& text) {
  const size_t end = text.find_last_not_of(" \r\n");
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

std::string LoggedRequest::Header(const std::string& name) const {
  const std::string prefix = LowerAscii(name) + ": ";
  for (const std::string& header : headers) {
    if (LowerAscii(header.substr(0, prefix.size())) == prefix) return header.substr(prefix.size());
  }
  return std::string();
}

bool LoggedRequest::HasHeader(const std::string& name) const {
  const std::string prefix = LowerAscii(name) + ":";
  for (const std::string& header : headers) {
    if (LowerAscii(header.substr(0, prefix.size())) == prefix) return true;
  }
  return false;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::string ReadSmallFile(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  if (!file) return std::string();
  std::ostringstream content;
  content << file.rdbuf();
  std::string text = content.str();
  return text.size() <= kMaxFileBytes ? text : std::string();
}

bool TrustTestServiceCa() {
  const std::string der = ReadSmallFile(ProgramFolder() + L"testdata\\service\\service_ca.der");
  if (der.empty()) return false;
  CCertStoreHandle root(
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root"));
  return root && CertAddEncodedCertificateToStore(
                     root.get(), X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                     static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
}

std::wstring TestCaFingerprint() {
  return Widen(Trim(ReadSmallFile(ProgramFolder() + L"testdata\\service\\service_ca.sha1")));
}

std::wstring UntrustedCaFingerprint() {
  return Widen(Trim(ReadSmallFile(ProgramFolder() + L"testdata\\service\\untrusted_ca.sha1")));
}

CTestSigningService::CTestSigningService(ServiceIdentity identity) {
  const std::wstring folder = ProgramFolder();
  CreateDirectoryW((folder + L"service_runs").c_str(), nullptr);
  m_runDir = folder + L"service_runs\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(g_runCounter++) + L"-" + std::to_wstring(GetTickCount());
  if (!CreateDirectoryW(m_runDir.c_str(), nullptr)) return;

  const std::string certs = UnixPath(folder + L"testdata\\service\\");
  std::string arguments = " --run-dir \"" + UnixPath(m_runDir) + "\" --lifetime " +
                          std::to_string(kServiceLifetimeSeconds) + " --vault-dir \"" + certs + "vault\"";
  switch (identity) {
    case ServiceIdentity::kTrusted:
      arguments += " --cert-chain \"" + certs + "service_chain.pem\" --key \"" + certs + "service.key\"";
      break;
    case ServiceIdentity::kUntrusted:
      arguments += " --cert-chain \"" + certs + "untrusted_chain.pem\" --key \"" + certs + "untrusted.key\"";
      break;
  }
  std::wstring commandLine = L"\"" + folder + L"host\\signing_service\"" + Widen(arguments);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return;
  }
  // A Linux program: Wine hands back no handles of it (see started_process.h).
  const luma::CStartedProcess started = luma::TakeStartedProcess(process);

  // The service writes its port file whole and renames it into place once it listens.
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kStartWaitMilliseconds) {
    const std::string port = Trim(ReadSmallFile(m_runDir + L"\\port"));
    if (!port.empty()) {
      m_port = std::atoi(port.c_str());
      break;
    }
    Sleep(20);
  }
}

CTestSigningService::~CTestSigningService() {
  if (m_runDir.empty()) return;
  CKernelHandle stop(CreateFileW((m_runDir + L"\\stop").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::wstring CTestSigningService::Url(const std::wstring& path) const {
  return L"https://localhost:" + std::to_wstring(m_port) + path;
}

std::vector<LoggedRequest> CTestSigningService::Requests() const {
  return ReadRequestLog(m_runDir + L"\\requests.log");
}

std::vector<LoggedRequest> CTestSigningService::ArrivedRequests() const {
  return ReadRequestLog(m_runDir + L"\\arrivals.log");
}

std::vector<LoggedRequest> CTestSigningService::ReadRequestLog(const std::wstring& path) {
  std::vector<LoggedRequest> requests;
  std::istringstream log(ReadSmallFile(path));
  std::string line;
  while (std::getline(log, line)) {
    if (line.rfind("request ", 0) == 0) {
      LoggedRequest request;
      std::istringstream words(line);
      std::string keyword, number, peer;
      words >> keyword >> number >> request.method >> request.target >> peer >> request.peerPort;
      requests.push_back(request);
    } else if (requests.empty()) {
      continue;
    } else if (line.rfind("header ", 0) == 0) {
      requests.back().headers.push_back(line.substr(7));
    } else if (line.rfind("body ", 0) == 0) {
      requests.back().body = line.substr(5);
    }
  }
  return requests;
}

}  // namespace luma::service::testing
