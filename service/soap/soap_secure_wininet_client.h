// The HTTPS transport of every conversation with the remote signing service: SOAP calls of the
// service proxy and web-form logins, posted over WinINet. Adds what the service's deployments need
// beyond a plain HTTP client: a proxy with its own credentials, a pre-flight request for integrated
// authentication, a TLS client certificate, pinning of the server certificate's issuing CA, a
// session cookie sent by hand, and the code and English text of the last call's outcome.
// One object serves one sequence of calls on one thread; it holds no lock. A transport made inside
// a CCallAbortScope belongs to that scope's group: an abort of the group ends its call in flight
// and fails its later ones (ERROR_INTERNET_OPERATION_CANCELLED).
#ifndef LUMA_SERVICE_SOAP_SOAP_SECURE_WININET_CLIENT_H_
#define LUMA_SERVICE_SOAP_SOAP_SECURE_WININET_CLIENT_H_

#include <windows.h>
// after windows.h
#include <msxml2.h>
#include <wincrypt.h>
#include <wininet.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "service/soap/call_abort.h"
#include "service/soap/internet_handle.h"
#include "service/soap/request_sender.h"
#include "service/soap/soap_fault.h"

class CServiceConfig;

// Largest response body read; a longer one reads as empty.
constexpr size_t kMaxResponseBodyBytes = 8 * 1024 * 1024;

class CSoapSecureWininetClient {
 public:
  // A URL that cannot be escaped or cracked leaves the URL empty without failing.
  explicit CSoapSecureWininetClient(const wchar_t* url);
  CSoapSecureWininetClient(const CSoapSecureWininetClient&) = delete;
  CSoapSecureWininetClient& operator=(const CSoapSecureWininetClient&) = delete;

  // A new MSXML 6 SAX reader, or null; the service proxy hands out its own.
  virtual Microsoft::WRL::ComPtr<ISAXXMLReader> GetClientReader();
  // Wipes the proxy credentials and the cookie, then closes every handle.
  virtual ~CSoapSecureWininetClient();

  // Closes all handles, then escapes and cracks the URL: E_FAIL when it cannot be.
  HRESULT SetUrl(const wchar_t* url);
  void SetProxyCredentials(const wchar_t* user, const wchar_t* password);
  // Null or empty: no cookie. A text that could not travel as one header line is dropped too.
  void SetCookie(const wchar_t* cookie);
  // Not owned; used from the next request on.
  void SetClientCertificate(PCCERT_CONTEXT certificate) { m_clientCertificate = certificate; }
  void SetTimeout(DWORD milliseconds) { m_timeout = milliseconds; }
  void SetSecurityFlags(DWORD flags) { m_securityFlags = flags; }
  void SetNegotiateSupport(bool enabled) { m_negotiateSupport = enabled; }
  void SetProxyNames(const std::wstring& names) { m_proxyNames = names; }
  void SetIssuerFingerprints(const std::vector<std::wstring>& fingerprints) {
    m_issuerFingerprints = fingerprints;
  }
  // For tests: the calls to WinINet that only the platform decides; null restores the real ones.
  void SetRequestSender(luma::service::CWininetRequestSender* sender);

  // Appends one form field; E_FAIL (and no field) when the encoded value is too long.
  HRESULT AddFormField(const wchar_t* name, const wchar_t* value);
  // The body of the next request, written by the service proxy (UTF-8).
  std::string& RequestBody() { return m_requestBody; }

  // Posts the request body; an action line makes it a SOAP call, null a form post.
  // S_OK only after HTTP 200. Never throws.
  HRESULT SendRequest(const wchar_t* actionLine);

  // Empties the body, closes the request handle, clears the fault and the error state.
  void CleanupClient();
  // Closes request, connection and session.
  void CleanupHandles();

  // Of the last response: status (0 when none), status text, first Set-Cookie, Location, body.
  DWORD GetStatusCode() const;
  std::wstring GetStatusText() const;
  std::wstring GetSetCookieHeader() const;
  std::wstring GetLocationHeader() const;
  std::string ReadResponseBody();
  // The rest of the response body as a stream for the SOAP parser; null when it cannot be read.
  Microsoft::WRL::ComPtr<IStream> GetReadStream();

  // SHA-1 and subject of the CA that issued the server certificate; empty when unknown.
  std::wstring GetServerIssuerFingerprint() const;
  std::wstring GetServerIssuerName() const;
  // SHA-1 of an encoded certificate in lower-case hexadecimal; empty on failure.
  static std::wstring GetCertificateFingerprint(const BYTE* encoded, DWORD length);

  // The error code of the last call, and its English text (some outcomes keep the caller's text).
  DWORD GetErrorText(std::wstring& text) const;

  // Outcome of the last call, for the service proxy.
  int GetErrorState() const { return m_errorState; }
  void SetErrorState(int state) { m_errorState = state; }
  DWORD GetLastErrorCode() const { return m_lastError; }
  HRESULT GetLastResult() const { return m_lastResult; }
  const luma::service::CSoapFault& GetFault() const { return m_fault; }
  const std::wstring& GetUrlPath() const { return m_urlPath; }
  const std::wstring& GetHostName() const { return m_hostName; }
  INTERNET_PORT GetPort() const { return m_port; }
  bool IsSecure() const { return m_secure; }

  // "<ProductName>/<ProductVersion> (Windows a.b.c.d <arch>)" of the running program.
  static std::wstring BuildUserAgent();

 private:
  HRESULT ConnectToServer();
  // The header block of this call; false when out of memory.
  bool BuildHeaders(const wchar_t* actionLine, std::wstring& headers) const;
  // Sends the empty pre-flight request and answers challenges; S_OK or E_UNEXPECTED.
  HRESULT RunNegotiatePreflight();
  // Sends the request with no headers of ours and no body, reads the answer away; its status.
  DWORD SendEmptyRequest();
  // Whether the session cookie may only leave after the server's issuer was checked.
  bool CookieWaitsForIssuer() const;
  // Closes the request and reports the server's issuer as not accepted.
  HRESULT RefuseIssuer();
  // HttpSendRequestEx with the retries for revocation and client certificates: 0 or the error.
  DWORD SendWithRetries();
  bool IsIssuerAccepted() const;
  HRESULT FinishResponse(const wchar_t* actionLine);
  void CloseRequest();
  // Closes one of the three handles, through the abort group when there is one.
  void CloseHandleOfSession(luma::service::CInternetHandle& handle);
  bool IsAborted() const;
  // The value of a response header into a buffer of bufferBytes, wiped after use; empty when
  // absent or longer.
  std::wstring QueryHeader(DWORD query, DWORD bufferBytes) const;
  // Records the result of the call and returns it.
  HRESULT Finish(HRESULT result);

  // The cracked URL.
  bool m_secure = false;
  std::wstring m_hostName;
  INTERNET_PORT m_port = 0;
  std::wstring m_urlPath;

  std::string m_requestBody;
  std::wstring m_proxyNames;
  std::wstring m_proxyUser;
  std::wstring m_proxyPassword;
  std::wstring m_cookie;
  DWORD m_timeout = 0;
  int m_errorState = 0;
  DWORD m_lastError = 0;
  PCCERT_CONTEXT m_clientCertificate = nullptr;
  bool m_clientCertificateSet = false;  // the request handle carries it
  DWORD m_securityFlags = 0;
  std::vector<std::wstring> m_issuerFingerprints;
  HRESULT m_lastResult = S_OK;
  bool m_negotiateSupport = false;
  luma::service::CWininetRequestSender* m_sender;
  std::shared_ptr<luma::service::CCallAbort> m_abort;  // null: calls are never cut short
  luma::service::CInternetHandle m_session;
  luma::service::CInternetHandle m_connection;
  luma::service::CInternetHandle m_request;
  luma::service::CSoapFault m_fault;
};

// Applies a service configuration to a transport: URL, time-out, security flags, integrated
// authentication, proxy with its credentials and the accepted issuers.
void ConfigureSoapClient(const CServiceConfig& config, CSoapSecureWininetClient& client);

#endif  // LUMA_SERVICE_SOAP_SOAP_SECURE_WININET_CLIENT_H_
