// Texts of the authentication and account calls: the program's string table when it has the
// entry (localised), else the English text built in here, so that libraries and tests without
// the program's resources say the same.
#ifndef LUMA_SERVICE_AUTH_AUTH_STRINGS_H_
#define LUMA_SERVICE_AUTH_AUTH_STRINGS_H_

#include <windows.h>

#include <string>

#include "service/core/key_operation_outcome.h"

namespace luma::auth {

constexpr UINT kStrAuthenticationTitle = 10001;    // "luma-Pass V - Authentication"
constexpr UINT kStrDomainNotAllowed = 10026;       // the account's Windows domain constraint
constexpr UINT kStrHostNotAllowed = 10028;         // the account's computer constraint
constexpr UINT kStrOtpLoginFailed = 10041;         // "%s": the user identifier
constexpr UINT kStrSelectAuthCertificate = 10099;  // prompt of the selection dialog
constexpr UINT kStrNoAuthCertificate = 10100;      // no client certificate could be chosen
// The signing and decryption errors ("%s" of the first two: the reason).
using luma::service::kStrCertificateBlocked;
using luma::service::kStrDecryptionFailed;
using luma::service::kStrInvalidKeyUsage;
using luma::service::kStrInvalidPin;
using luma::service::kStrSignatureFailed;
using luma::service::kStrUnexpectedError;

// The text of the id; an id this library does not know and the table lacks gives "<undefined>".
std::wstring ServiceText(UINT id);
// The text used as a format whose only "%s" takes the argument.
std::wstring FormatServiceText(UINT id, const std::wstring& argument);

}  // namespace luma::auth

#endif  // LUMA_SERVICE_AUTH_AUTH_STRINGS_H_
