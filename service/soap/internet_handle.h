// The owner of a WinINet handle (session, connection or request).
#ifndef LUMA_SERVICE_SOAP_INTERNET_HANDLE_H_
#define LUMA_SERVICE_SOAP_INTERNET_HANDLE_H_

#include <windows.h>
// after windows.h
#include <wininet.h>

#include "foundation/win/unique_handle.h"

namespace luma::service {

inline void CloseInternetHandle(HINTERNET handle) { InternetCloseHandle(handle); }

using CInternetHandle = CUniqueHandle<handle_traits::NullEmpty<HINTERNET, CloseInternetHandle>>;

}  // namespace luma::service

#endif  // LUMA_SERVICE_SOAP_INTERNET_HANDLE_H_
