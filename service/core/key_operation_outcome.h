// What a status code of the remote key operations means for the worker that made the call: the
// trace line it logs, what happens to the certificate's cached PIN, and the text the user is shown
// when no result came back.
#ifndef LUMA_SERVICE_CORE_KEY_OPERATION_OUTCOME_H_
#define LUMA_SERVICE_CORE_KEY_OPERATION_OUTCOME_H_

#include "foundation/core/platform.h"

namespace luma {
namespace service {

// String resources of the signing and decryption errors.
constexpr DWORD kStrSignatureFailed = 10063;   // "An error occurred while creating the signature:..."
constexpr DWORD kStrDecryptionFailed = 10086;  // "An error occurred while decrypting the data:..."
constexpr DWORD kStrInvalidKeyUsage = 10087;
constexpr DWORD kStrInvalidPin = 10088;
constexpr DWORD kStrCertificateBlocked = 10089;
constexpr DWORD kStrUnexpectedError = 10090;

// The status of every failed key operation after the user was told.
constexpr DWORD kKeyOperationFailed = 0x8010006A;  // SCARD_W_SECURITY_VIOLATION

enum class PinCacheEffect {
  kNone,
  kRemovePin,             // a wrong PIN: ask again next time
  kRemovePinMarkBlocked,  // the next authentication reports the block
};

struct KeyOperationOutcome {
  const char* logLine;
  PinCacheEffect pinCache;
  DWORD errorText;  // a string resource
};

// The row of a service status code (0 OK, 1 INVALID_PIN, 2 BLOCKED, 3 INVALID_KEY_USAGE,
// 4 PIN_POLICY_VIOLATION); any other code gets the unexpected error without a cache change.
KeyOperationOutcome OutcomeOfStatus(int code);

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_CORE_KEY_OPERATION_OUTCOME_H_
