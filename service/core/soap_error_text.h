// The error code and English text that the service clients put into their exceptions, from the
// outcome of the transport's last call.
#ifndef LUMA_SERVICE_CORE_SOAP_ERROR_TEXT_H_
#define LUMA_SERVICE_CORE_SOAP_ERROR_TEXT_H_

#include <cstdint>
#include <functional>
#include <string>

namespace luma::service {

// States of the last SOAP exchange.
enum SoapErrorState : int {
  kSoapSuccess = 0,
  kSoapInitializationFailed = 1,
  kSoapOutOfMemory = 2,
  kSoapGenerateFailed = 3,
  kSoapConnectFailed = 4,
  kSoapSendFailed = 5,
  kSoapServerError = 6,
  kSoapFaultReturned = 7,
  kSoapFaultParseFailed = 8,
  kSoapReadFailed = 9,
  kSoapParseFailed = 10,
};

constexpr std::uint32_t kSoapErrorSoapClient = 0x803D000E;  // the exchange failed
constexpr std::uint32_t kSoapErrorLastResult = 0x803D000F;  // HTTP 200, yet the call failed
constexpr std::uint32_t kSoapErrorFault = 0x803D0013;       // the service answered a SOAP fault
constexpr std::uint32_t kUntrustedRootError = 0x800B0112;   // the server's issuer is not accepted

// The English text of an error state; "Unknown error" for any other value.
const wchar_t* SoapErrorStateText(int state);

struct SoapOutcome {
  std::uint32_t lastError = 0;  // Win32/WinINet error of the last failed call
  std::uint32_t status = 0;     // HTTP status of the last response, 0 when none
  int errorState = kSoapSuccess;
  std::int32_t lastResult = 0;  // HRESULT of the last send
  std::wstring faultString;
  std::wstring statusText;
};

// The system's text of a code with its " [0x%08x]" suffix, empty when it has none.
using SystemErrorTextFn = std::function<std::wstring(std::uint32_t code)>;

// Returns the error code of the outcome and sets its text. Some outcomes keep the caller's text
// when their own would be empty.
std::uint32_t DescribeSoapOutcome(const SoapOutcome& outcome, const SystemErrorTextFn& systemText,
                                  std::wstring& text);

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_SOAP_ERROR_TEXT_H_
