// Setting up the transport and sending one request.
#include "service/soap/soap_secure_wininet_client.h"

#include <algorithm>
#include <new>

#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "service/core/soap_error_text.h"
#include "service/core/soap_fingerprint.h"
#include "service/core/soap_form_encoding.h"
#include "service/core/soap_request_headers.h"
#include "service/core/soap_secret_text.h"
#include "service/core/soap_url_escape.h"
#include "service/soap/msxml6_ids.h"

using namespace luma::service;

namespace {

constexpr DWORD kErrorRevocationFailed = 12057;  // ERROR_INTERNET_SEC_CERT_REV_FAILED
constexpr DWORD kErrorClientCertNeeded = 12044;  // ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED
constexpr DWORD kLocaleNameCharacters = 128;
constexpr DWORD kBodyWriteChunk = 64 * 1024;
constexpr size_t kMaxRequestBodyBytes = 0x7FFFFFFF;  // the Content-Length is sent as a signed 32-bit number

// Text in a code page; the temporary buffer is wiped, since the text may be a password.
bool WideToCodePage(UINT codePage, const wchar_t* text, std::string& converted) {
  WipeText(converted);
  if (text == nullptr || *text == L'\0') return true;
  const int length = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return false;
  converted.resize(static_cast<size_t>(length));
  if (WideCharToMultiByte(codePage, 0, text, -1, converted.data(), length, nullptr, nullptr) != length) {
    WipeText(converted);
    return false;
  }
  converted.resize(static_cast<size_t>(length) - 1);
  return true;
}

// Wipes a secret and empties it: a wiped but non-empty text would still be sent.
void WipeAndClear(std::wstring& text) {
  luma::WipeString(text);
  text.clear();
}

std::wstring AsciiToWide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Reads and drops what is left of a response, so that the request can be sent again.
void DrainResponse(HINTERNET request) {
  char chunk[1024];
  size_t total = 0;
  DWORD read = 0;
  while (total < kMaxResponseBodyBytes && InternetReadFile(request, chunk, sizeof chunk, &read) &&
         read != 0) {
    total += read;
  }
}

}  // namespace

CSoapSecureWininetClient::CSoapSecureWininetClient(const wchar_t* url)
    : m_sender(&PlatformRequestSender()), m_abort(CCallAbortScope::Current()) {
  SetUrl(url);
}

CSoapSecureWininetClient::~CSoapSecureWininetClient() {
  WipeAndClear(m_proxyUser);
  WipeAndClear(m_proxyPassword);
  WipeAndClear(m_cookie);
  CleanupClient();
  CleanupHandles();
}

Microsoft::WRL::ComPtr<ISAXXMLReader> CSoapSecureWininetClient::GetClientReader() {
  Microsoft::WRL::ComPtr<ISAXXMLReader> reader;
  CoCreateInstance(kClsidSaxXmlReader60, nullptr, CLSCTX_INPROC_SERVER, kIidSaxXmlReader,
                   reinterpret_cast<void**>(reader.GetAddressOf()));
  return reader;
}

HRESULT CSoapSecureWininetClient::SetUrl(const wchar_t* url) {
  CleanupHandles();
  m_secure = false;
  m_hostName.clear();
  m_port = 0;
  m_urlPath.clear();
  try {
    std::string utf8, escaped;
    if (!WideToCodePage(CP_UTF8, url, utf8) || !EscapeServiceUrl(utf8, escaped) || escaped.empty())
      return E_FAIL;
    const std::wstring escapedUrl = AsciiToWide(escaped);
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = 1;  // non-zero lengths with null pointers: point into the URL
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlW(escapedUrl.c_str(), static_cast<DWORD>(escapedUrl.size()), 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) ||
        parts.lpszHostName == nullptr || parts.dwHostNameLength == 0) {
      return E_FAIL;
    }
    m_secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    m_hostName.assign(parts.lpszHostName, parts.dwHostNameLength);
    m_port = parts.nPort != 0 ? parts.nPort
                              : (m_secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT);
    if (parts.lpszUrlPath != nullptr) m_urlPath.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo != nullptr) m_urlPath.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    return S_OK;
  } catch (const std::bad_alloc&) {
    m_hostName.clear();
    m_urlPath.clear();
    return E_OUTOFMEMORY;
  }
}

void CSoapSecureWininetClient::SetProxyCredentials(const wchar_t* user, const wchar_t* password) {
  WipeAndClear(m_proxyUser);
  WipeAndClear(m_proxyPassword);
  if (user != nullptr) m_proxyUser = user;
  if (password != nullptr) m_proxyPassword = password;
}

void CSoapSecureWininetClient::SetCookie(const wchar_t* cookie) {
  WipeAndClear(m_cookie);
  if (cookie == nullptr || *cookie == L'\0') return;
  if (!IsSendableCookie(cookie)) {
    CDebugLog::Log(LOG_WARNING, L"Cookie not sent: it is too long or holds control characters");
    return;
  }
  m_cookie = cookie;
}

void CSoapSecureWininetClient::SetRequestSender(CWininetRequestSender* sender) {
  m_sender = sender != nullptr ? sender : &PlatformRequestSender();
}

HRESULT CSoapSecureWininetClient::AddFormField(const wchar_t* name, const wchar_t* value) {
  try {
    std::string utf8Value, encoded, narrowName;
    const bool encodable = WideToCodePage(CP_UTF8, value, utf8Value) && EncodeFormValue(utf8Value, encoded) &&
                           WideToCodePage(CP_ACP, name, narrowName);
    WipeText(utf8Value);
    if (encodable) AppendFormField(m_requestBody, narrowName, encoded);
    WipeText(encoded);
    return encodable ? S_OK : E_FAIL;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

void CSoapSecureWininetClient::CleanupClient() {
  WipeText(m_requestBody);
  CloseRequest();
  m_fault.Clear();
  m_errorState = kSoapSuccess;
  m_lastError = 0;
}

void CSoapSecureWininetClient::CleanupHandles() {
  CloseRequest();
  CloseHandleOfSession(m_connection);
  CloseHandleOfSession(m_session);
}

void CSoapSecureWininetClient::CloseRequest() {
  if (m_request && m_clientCertificateSet && !IsAborted())
    m_sender->SetClientCertificate(m_request.get(), nullptr);
  m_clientCertificateSet = false;
  CloseHandleOfSession(m_request);
}

void CSoapSecureWininetClient::CloseHandleOfSession(CInternetHandle& handle) {
  if (!handle) return;
  if (m_abort && m_session) {
    // Through the abort group: a handle it closed with the session is not closed again.
    const HINTERNET session = m_session.get();
    m_abort->Close(session, handle.release());
  } else {
    handle.reset();
  }
}

bool CSoapSecureWininetClient::IsAborted() const { return m_abort && m_abort->IsAborted(); }

HRESULT CSoapSecureWininetClient::Finish(HRESULT result) {
  m_lastResult = result;
  return result;
}

HRESULT CSoapSecureWininetClient::ConnectToServer() {
  if (m_connection) return S_OK;
  const std::wstring userAgent = BuildUserAgent();
  const bool namedProxy = !m_proxyNames.empty();
  m_session.reset(InternetOpenW(userAgent.c_str(),
                                namedProxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
                                namedProxy ? m_proxyNames.c_str() : nullptr, nullptr, 0));
  if (!m_session) {
    CDebugLog::Log(LOG_ERROR, L"InternetOpen failed: 0x%08x", GetLastError());
    CleanupHandles();
    return E_FAIL;
  }
  if (m_abort && !m_abort->Attach(m_session.get())) {
    CDebugLog::Log(LOG_WARNING, L"Remote call not started: the program is stopping");
    m_session.reset();
    m_lastError = ERROR_INTERNET_OPERATION_CANCELLED;
    return E_FAIL;
  }
  CDebugLog::Log(LOG_TRACE, L"InternetOpen success");
  if (m_timeout != 0) {
    for (const DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT}) {
      DWORD timeout = m_timeout;
      InternetSetOptionW(m_session.get(), option, &timeout, sizeof timeout);
    }
  }
  m_connection.reset(InternetConnectW(m_session.get(), m_hostName.c_str(), m_port, nullptr, nullptr,
                                      INTERNET_SERVICE_HTTP, 0, 0));
  if (!m_connection) {
    CDebugLog::Log(LOG_ERROR, L"InternetConnect to %s:%d failed: 0x%08x", m_hostName.c_str(), m_port,
                   GetLastError());
    CleanupHandles();
    return E_FAIL;
  }
  CDebugLog::Log(LOG_TRACE, L"InternetConnect to %s:%d success", m_hostName.c_str(), m_port);
  return S_OK;
}

bool CSoapSecureWininetClient::BuildHeaders(const wchar_t* actionLine, std::wstring& headers) const {
  try {
    const bool soapCall = actionLine != nullptr && *actionLine != L'\0';
    wchar_t localeName[kLocaleNameCharacters] = {};
    const bool haveLocale =
        !soapCall && GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SNAME, localeName, kLocaleNameCharacters) > 0;
    headers = BuildRequestHeaders(soapCall ? actionLine : L"", haveLocale ? localeName : L"", m_cookie);
    headers += ContentLengthHeader(m_requestBody.size());
    return true;
  } catch (const std::bad_alloc&) {
    WipeAndClear(headers);
    return false;
  }
}

DWORD CSoapSecureWininetClient::SendEmptyRequest() {
  if (!HttpSendRequestW(m_request.get(), nullptr, 0, nullptr, 0)) {
    CDebugLog::Log(LOG_WARNING, L"Empty HttpSendRequest failed: 0x%08x", GetLastError());
  }
  DrainResponse(m_request.get());
  return GetStatusCode();
}

bool CSoapSecureWininetClient::CookieWaitsForIssuer() const {
  return m_secure && !m_issuerFingerprints.empty() && !m_cookie.empty();
}

HRESULT CSoapSecureWininetClient::RefuseIssuer() {
  CloseRequest();
  m_lastError = kUntrustedRootError;
  m_errorState = kSoapSendFailed;
  return Finish(E_FAIL);
}

HRESULT CSoapSecureWininetClient::RunNegotiatePreflight() {
  CDebugLog::Log(LOG_TRACE, L"Sending empty HttpSendRequest to start negotiate.");
  const auto sendEmpty = [this] { return SendEmptyRequest(); };
  DWORD status = sendEmpty();
  if (status == HTTP_STATUS_PROXY_AUTH_REQ) {
    CDebugLog::Log(LOG_TRACE,
                   L"Proxy authentication request received. Trying to set proxy user and password or execute "
                   L"negotiate.");
    if (!m_proxyUser.empty()) {
      InternetSetOptionW(m_request.get(), INTERNET_OPTION_PROXY_USERNAME,
                         const_cast<wchar_t*>(m_proxyUser.c_str()), static_cast<DWORD>(m_proxyUser.size()));
      InternetSetOptionW(m_request.get(), INTERNET_OPTION_PROXY_PASSWORD,
                         const_cast<wchar_t*>(m_proxyPassword.c_str()),
                         static_cast<DWORD>(m_proxyPassword.size()));
    }
    status = sendEmpty();
    if (status == HTTP_STATUS_PROXY_AUTH_REQ) {
      CDebugLog::Log(LOG_ERROR,
                     L"HttpSendRequest failed with status proxy authentication required. Proxy "
                     L"authentication or negotiate not successful.");
      return E_UNEXPECTED;
    }
    CDebugLog::Log(LOG_TRACE, L"Proxy authentication completed successfully.");
  }
  if (status == HTTP_STATUS_DENIED) {
    CDebugLog::Log(LOG_TRACE, L"Authentication request received. Trying to execute negotiate.");
    status = sendEmpty();
    if (status == HTTP_STATUS_DENIED) {
      CDebugLog::Log(LOG_ERROR, L"HttpSendRequest failed with status denied. Negotiate not successful.");
      return E_UNEXPECTED;
    }
    CDebugLog::Log(LOG_TRACE, L"Negotiate completed successfully.");
  }
  return S_OK;
}

DWORD CSoapSecureWininetClient::SendWithRetries() {
  DWORD error = m_sender->SendRequestEx(m_request.get());
  if (error == kErrorRevocationFailed) {
    CDebugLog::Log(LOG_WARNING,
                   L"HttpSendRequestEx failed. Server certificate revocation check failed. Retrying "
                   L"HttpSendRequestEx");
    error = m_sender->SendRequestEx(m_request.get());
  }
  if (error == kErrorClientCertNeeded) {
    CDebugLog::Log(LOG_WARNING,
                   L"HttpSendRequestEx failed. Client authentication certificate required. Retrying "
                   L"HttpSendRequestEx with no client certificate");
    m_sender->SetClientCertificate(m_request.get(), nullptr);
    m_clientCertificateSet = false;
    error = m_sender->SendRequestEx(m_request.get());
  }
  return error;
}

bool CSoapSecureWininetClient::IsIssuerAccepted() const {
  if (!m_secure || m_issuerFingerprints.empty()) return true;
  const std::wstring fingerprint = GetServerIssuerFingerprint();
  if (IsAcceptedIssuer(fingerprint, m_issuerFingerprints)) return true;
  CDebugLog::Log(
      LOG_ERROR,
      L"Server certificate not issued by an accepted CA. Issuing CA subject DN '%s', fingerprint %s",
      GetServerIssuerName().c_str(), fingerprint.c_str());
  return false;
}

HRESULT CSoapSecureWininetClient::SendRequest(const wchar_t* actionLine) {
  try {
    if (IsAborted()) {
      m_lastError = ERROR_INTERNET_OPERATION_CANCELLED;
      m_errorState = kSoapConnectFailed;
      return Finish(E_FAIL);
    }
    if (FAILED(ConnectToServer())) {
      m_errorState = kSoapConnectFailed;
      return Finish(E_FAIL);
    }
    m_errorState = kSoapServerError;
    if (m_requestBody.size() > kMaxRequestBodyBytes) {
      m_errorState = kSoapSendFailed;
      return Finish(E_FAIL);
    }
    std::wstring headers;
    if (!BuildHeaders(actionLine, headers)) return Finish(E_OUTOFMEMORY);
    struct HeaderWipe {
      std::wstring& text;
      ~HeaderWipe() { luma::WipeString(text); }  // the cookie travels in the headers
    } headerWipe{headers};

    CloseRequest();
    const wchar_t* acceptTypes[] = {L"text/*", nullptr};
    // Redirects come back to the caller: a session that expired answers with one.
    DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_COOKIES |
                  INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (m_secure) flags |= INTERNET_FLAG_SECURE;
    m_request.reset(HttpOpenRequestW(m_connection.get(), L"POST", m_urlPath.c_str(), L"HTTP/1.1", nullptr,
                                     acceptTypes, flags, 0));
    if (!m_request) {
      m_lastError = GetLastError();
      m_errorState = kSoapSendFailed;
      CDebugLog::Log(LOG_ERROR, L"HttpOpenRequest %s failed: 0x%08x", m_urlPath.c_str(), m_lastError);
      return Finish(E_FAIL);
    }
    if (m_abort) m_abort->SetRequest(m_session.get(), m_request.get());
    if (m_timeout != 0) {
      // Not every WinINet passes the session's time-outs on to its requests.
      for (const DWORD option : {INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT}) {
        DWORD timeout = m_timeout;
        InternetSetOptionW(m_request.get(), option, &timeout, sizeof timeout);
      }
    }
    if (m_secure) {
      DWORD securityFlags = m_securityFlags;
      InternetSetOptionW(m_request.get(), INTERNET_OPTION_SECURITY_FLAGS, &securityFlags,
                         sizeof securityFlags);
      if (m_clientCertificate != nullptr) {
        const DWORD error = m_sender->SetClientCertificate(m_request.get(), m_clientCertificate);
        if (error != ERROR_SUCCESS)
          CDebugLog::Log(LOG_WARNING, L"Setting the client certificate failed: 0x%08x", error);
        m_clientCertificateSet = error == ERROR_SUCCESS;
      }
    }
    if (m_negotiateSupport && FAILED(RunNegotiatePreflight())) return Finish(E_UNEXPECTED);
    // The session cookie is a bearer token: behind a TLS-inspecting proxy the machine trusts, it
    // would reach the proxy before the pin stops the body. So it leaves only once the server has
    // shown a certificate of a listed issuer, on an empty request of its own (the pre-flight's, when
    // there was one); the real request then follows on the same kept-alive connection.
    if (CookieWaitsForIssuer()) {
      if (!m_negotiateSupport) {
        CDebugLog::Log(LOG_TRACE, L"Sending empty HttpSendRequest to check the server's issuer.");
        SendEmptyRequest();
      }
      if (!IsIssuerAccepted()) return RefuseIssuer();
    }

    HttpAddRequestHeadersW(m_request.get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                           HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
    m_lastError = SendWithRetries();
    if (m_lastError != ERROR_SUCCESS) {
      CDebugLog::Log(LOG_ERROR, L"HttpSendRequestEx failed: 0x%08x", m_lastError);
      CloseRequest();
      m_errorState = kSoapSendFailed;
      return Finish(E_FAIL);
    }
    CDebugLog::Log(LOG_TRACE, L"HttpSendRequestEx success");
    if (!IsIssuerAccepted()) return RefuseIssuer();
    // A failed write ends the loop; HttpEndRequest then reports the failure.
    size_t written = 0;
    while (written < m_requestBody.size()) {
      const DWORD chunk =
          static_cast<DWORD>(std::min<size_t>(m_requestBody.size() - written, kBodyWriteChunk));
      DWORD done = 0;
      if (!InternetWriteFile(m_request.get(), m_requestBody.data() + written, chunk, &done) || done == 0)
        break;
      written += done;
    }
    if (!HttpEndRequestW(m_request.get(), nullptr, 0, 0)) {
      m_lastError = GetLastError();
      m_errorState = kSoapSendFailed;
      CDebugLog::Log(LOG_ERROR, L"HttpEndRequest failed: 0x%08x", m_lastError);
      return Finish(E_FAIL);
    }
    return FinishResponse(actionLine);
  } catch (const std::bad_alloc&) {
    return Finish(E_OUTOFMEMORY);
  } catch (...) {
    return Finish(E_FAIL);
  }
}

HRESULT CSoapSecureWininetClient::FinishResponse(const wchar_t* actionLine) {
  const bool soapCall = actionLine != nullptr && *actionLine != L'\0';
  const DWORD status = GetStatusCode();
  CDebugLog::Log(LOG_TRACE, L"HttpEndRequest success. HTTP response code %d", status);
  if (status == HTTP_STATUS_SERVER_ERROR) {
    if (!soapCall) return Finish(E_UNEXPECTED);
    m_errorState = kSoapFaultReturned;
    const Microsoft::WRL::ComPtr<ISAXXMLReader> reader = GetClientReader();
    const Microsoft::WRL::ComPtr<IStream> stream = GetReadStream();
    if (FAILED(ParseSoapFault(reader.Get(), stream.Get(), m_fault))) m_errorState = kSoapFaultParseFailed;
    return Finish(E_FAIL);
  }
  if (status >= 300 && status <= 399) {
    CDebugLog::Log(LOG_TRACE, L"HTTP response location header %s", GetLocationHeader().c_str());
  }
  if (status == HTTP_STATUS_OK) {
    m_errorState = kSoapSuccess;
    return Finish(S_OK);
  }
  return Finish(E_UNEXPECTED);
}

DWORD CSoapSecureWininetClient::GetErrorText(std::wstring& text) const {
  SoapOutcome outcome;
  outcome.lastError = m_lastError;
  outcome.errorState = m_errorState;
  outcome.lastResult = m_lastResult;
  if (m_lastError == 0) {
    outcome.status = GetStatusCode();
    outcome.faultString = m_fault.faultstring;
    outcome.statusText = GetStatusText();
  }
  return DescribeSoapOutcome(
      outcome, [](std::uint32_t code) { return luma::FormatSystemErrorMessage(code, true); }, text);
}
