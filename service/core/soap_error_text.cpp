#include "service/core/soap_error_text.h"

namespace luma::service {
namespace {

void ReplaceWhenNotEmpty(std::wstring& text, std::wstring replacement) {
  if (!replacement.empty()) text = std::move(replacement);
}

}  // namespace

const wchar_t* SoapErrorStateText(int state) {
  switch (state) {
    case kSoapInitializationFailed:
      return L"Initialization failed, most likely an MSXML installation problem";
    case kSoapOutOfMemory:
      return L"Out of memory";
    case kSoapGenerateFailed:
      return L"Failed in generating the response";
    case kSoapConnectFailed:
      return L"Failed connecting to server";
    case kSoapSendFailed:
      return L"Failed in sending message";
    case kSoapServerError:
      return L"Server error";
    case kSoapFaultReturned:
      return L"A SOAP Fault was returned by the server";
    case kSoapFaultParseFailed:
      return L"Failed in parsing SOAP fault";
    case kSoapReadFailed:
      return L"Failed in reading response";
    case kSoapParseFailed:
      return L"Failed in parsing response";
    default:
      return L"Unknown error";
  }
}

std::uint32_t DescribeSoapOutcome(const SoapOutcome& outcome, const SystemErrorTextFn& systemText,
                                  std::wstring& text) {
  if (outcome.lastError != 0) {
    ReplaceWhenNotEmpty(text, systemText(outcome.lastError));
    return outcome.lastError;
  }
  if (outcome.status == 500 && outcome.errorState == kSoapFaultReturned) {
    text = outcome.faultString.empty() ? L"Internal server error" : outcome.faultString;
    return kSoapErrorFault;
  }
  if (outcome.status == 200 && outcome.errorState == kSoapSuccess) {
    if (outcome.lastResult < 0) {
      ReplaceWhenNotEmpty(text, systemText(static_cast<std::uint32_t>(outcome.lastResult)));
      return kSoapErrorLastResult;
    }
    ReplaceWhenNotEmpty(text, systemText(0));
    return 0;
  }
  if (outcome.status == 200) {
    text =
        L"SOAP error " + std::to_wstring(outcome.errorState) + L": " + SoapErrorStateText(outcome.errorState);
    return kSoapErrorSoapClient;
  }
  text = L"Server returned status " + std::to_wstring(outcome.status) + L": " + outcome.statusText;
  return kSoapErrorSoapClient;
}

}  // namespace luma::service
