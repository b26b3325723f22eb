// What a status code of the remote key operations means for the worker that made the call: the
// trace line it logs, what happens to the certificate's cached PIN, and the text the user is shown
// when no result came back.
#ifndef LUMA_SERVICE_CORE_KEY_OPERATION_OUTCOME_H_
#define LUMA_SERVICE_CORE_KEY_OPERATION_OUTCOME_H_

#include "foundation/core/platform.h"
#include "service/core/service_text_ids.h"

namespace luma {
namespace service {

// The status of every failed key operation after the user was told.
constexpr DWORD kKeyOperationFailed = 0x8010006A;  // SCARD_W_SECURITY_VIOLATION

enum class PinCacheEffect {
  kNone,
  kRemovePin,             // a wrong PIN: ask again next time
  kRemovePinMarkBlocked,  // the next authentication reports the block
};

struct KeyOperationOutcome {
  const wchar_t* logLine;
  PinCacheEffect pinCache;
  std::uint32_t errorText;  // a string resource (service_text_ids.h)
};

// The row of a service status code (0 OK, 1 INVALID_PIN, 2 BLOCKED, 3 INVALID_KEY_USAGE,
// 4 PIN_POLICY_VIOLATION); any other code gets the unexpected error without a cache change.
KeyOperationOutcome OutcomeOfStatus(int code);

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_CORE_KEY_OPERATION_OUTCOME_H_
