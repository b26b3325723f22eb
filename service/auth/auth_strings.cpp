#include "service/auth/auth_strings.h"

#include "foundation/win/resource_string.h"
#include "foundation/win/system_utils.h"

namespace luma::auth {
namespace {

const wchar_t* BuiltInText(UINT id) {
  switch (id) {
    case kStrAuthenticationTitle:
      return L"luma-Pass V - Authentication";
    case kStrDomainNotAllowed:
      return L"The account is not allowed to be used in the current Windows Domain";
    case kStrHostNotAllowed:
      return L"The account is not allowed to be used on the current computer";
    case kStrOtpLoginFailed:
      return L"Authentication of %s failed!\n\nWrong OTP PIN or Passcode.";
    case kStrSelectAuthCertificate:
      return L"Select the certificate to use for service authentication";
    case kStrNoAuthCertificate:
      return L"No certificate available for service authentication";
    case kStrSignatureFailed:
      return L"An error occurred while creating the signature:\n\n%s";
    case kStrDecryptionFailed:
      return L"An error occurred while decrypting the data:\n\n%s";
    case kStrInvalidKeyUsage:
      return L"The certificate may not be used for the requested operation";
    case kStrInvalidPin:
      return L"An invalid password was given";
    case kStrCertificateBlocked:
      return L"The certificate is blocked";
    case kStrUnexpectedError:
      return L"An unexpected error occurred";
    default:
      return nullptr;
  }
}

// The program's own table first: a localised build overrides the English text.
std::wstring TableText(UINT id) {
  std::wstring text = LoadStringResource(GetModuleHandleW(nullptr), GetEffectiveUILanguage(), id);
  if (text.empty()) text = LoadStringResource(GetModuleHandleW(nullptr), 1033, id);
  return text;
}

}  // namespace

std::wstring ServiceText(UINT id) {
  std::wstring text = TableText(id);
  if (!text.empty()) return text;
  const wchar_t* builtIn = BuiltInText(id);
  return builtIn != nullptr ? std::wstring(builtIn) : std::wstring(L"<undefined>");
}

std::wstring FormatServiceText(UINT id, const std::wstring& argument) {
  std::wstring text = ServiceText(id);
  const size_t at = text.find(L"%s");
  if (at != std::wstring::npos) text.replace(at, 2, argument);
  return text;
}

}  // namespace luma::auth
