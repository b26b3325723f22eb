// The WinINet calls whose outcome only the platform decides: sending a request and presenting a TLS
// client certificate. The transport makes them through this seam, so that tests can reach the
// retry paths that a real server cannot provoke where WinINet refuses client certificates.
#ifndef LUMA_SERVICE_SOAP_REQUEST_SENDER_H_
#define LUMA_SERVICE_SOAP_REQUEST_SENDER_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>
#include <wininet.h>

namespace luma::service {

class CWininetRequestSender {
 public:
  virtual ~CWininetRequestSender() = default;
  // HttpSendRequestExW without buffers: 0 on success, else the error.
  virtual DWORD SendRequestEx(HINTERNET request);
  // Sets the request's client-certificate context, or clears it for null: 0 or the error.
  virtual DWORD SetClientCertificate(HINTERNET request, PCCERT_CONTEXT certificate);
};

// The sender that makes the real calls.
CWininetRequestSender& PlatformRequestSender();

}  // namespace luma::service

#endif  // LUMA_SERVICE_SOAP_REQUEST_SENDER_H_
