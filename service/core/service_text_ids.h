// String table entries of the texts the service shows or hands back to a user, English and German
// in the program's resources. Every id the service's code formats is listed in kServiceTextIds, so
// that one test can check both languages of the table against the code.
#ifndef LUMA_SERVICE_CORE_SERVICE_TEXT_IDS_H_
#define LUMA_SERVICE_CORE_SERVICE_TEXT_IDS_H_

#include <cstdint>

namespace luma {
namespace service {

// Authentication and accounts.
constexpr std::uint32_t kStrAuthenticationTitle = 10001;    // "luma-Pass V - Authentication"
constexpr std::uint32_t kStrDomainNotAllowed = 10026;       // the account's Windows domain constraint
constexpr std::uint32_t kStrHostNotAllowed = 10028;         // the account's computer constraint
constexpr std::uint32_t kStrOtpLoginFailed = 10041;         // %s: the user identifier
constexpr std::uint32_t kStrProcessNotAuthorized = 10047;   // %s: the calling process
constexpr std::uint32_t kStrSelectAuthCertificate = 10099;  // prompt of the certificate choice
constexpr std::uint32_t kStrNoAuthCertificate = 10100;      // no client certificate could be chosen

// Signing and decryption errors; %s of the first two: the reason, one of the other four or the
// service's own text.
constexpr std::uint32_t kStrSignatureFailed = 10063;
constexpr std::uint32_t kStrDecryptionFailed = 10086;
constexpr std::uint32_t kStrInvalidKeyUsage = 10087;
constexpr std::uint32_t kStrInvalidPin = 10088;
constexpr std::uint32_t kStrCertificateBlocked = 10089;
constexpr std::uint32_t kStrUnexpectedError = 10090;

// The program's own windows and start-up.
constexpr std::uint32_t kStrUnsupportedOperation = 10192;  // a protocol URL whose action is not "add"
constexpr std::uint32_t kStrUnknownProvider = 10193;       // a protocol URL naming no provider
constexpr std::uint32_t kStrTrayIconFailed = 10194;        // %08X: the error code
// Command-line errors; %s: the option text the parser reported.
constexpr std::uint32_t kStrInvalidOption = 10195;
constexpr std::uint32_t kStrAmbiguousOption = 10196;
constexpr std::uint32_t kStrArgumentNotAllowed = 10197;
constexpr std::uint32_t kStrArgumentFormInvalid = 10198;
constexpr std::uint32_t kStrArgumentMissing = 10199;
constexpr std::uint32_t kStrArgumentLooksLikeOption = 10200;

constexpr std::uint32_t kServiceTextIds[] = {
    kStrAuthenticationTitle,  kStrDomainNotAllowed,        kStrHostNotAllowed,     kStrOtpLoginFailed,
    kStrProcessNotAuthorized, kStrSelectAuthCertificate,   kStrNoAuthCertificate,  kStrSignatureFailed,
    kStrDecryptionFailed,     kStrInvalidKeyUsage,         kStrInvalidPin,         kStrCertificateBlocked,
    kStrUnexpectedError,      kStrUnsupportedOperation,    kStrUnknownProvider,    kStrTrayIconFailed,
    kStrInvalidOption,        kStrAmbiguousOption,         kStrArgumentNotAllowed, kStrArgumentFormInvalid,
    kStrArgumentMissing,      kStrArgumentLooksLikeOption,
};

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_CORE_SERVICE_TEXT_IDS_H_
