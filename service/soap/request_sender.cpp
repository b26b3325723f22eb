#include "service/soap/request_sender.h"

namespace luma::service {

DWORD CWininetRequestSender::SendRequestEx(HINTERNET request) {
  return HttpSendRequestExW(request, nullptr, nullptr, 0, 0) ? ERROR_SUCCESS : GetLastError();
}

DWORD CWininetRequestSender::SetClientCertificate(HINTERNET request, PCCERT_CONTEXT certificate) {
  const BOOL done =
      InternetSetOptionW(request, INTERNET_OPTION_CLIENT_CERT_CONTEXT, const_cast<CERT_CONTEXT*>(certificate),
                         certificate != nullptr ? sizeof(CERT_CONTEXT) : 0);
  return done ? ERROR_SUCCESS : GetLastError();
}

CWininetRequestSender& PlatformRequestSender() {
  static CWininetRequestSender sender;
  return sender;
}

}  // namespace luma::service
