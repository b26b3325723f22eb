#include "service/core/key_operation_outcome.h"

namespace luma {
namespace service {

KeyOperationOutcome OutcomeOfStatus(int code) {
  switch (code) {
    case 0:
      return {"Call returned OK", PinCacheEffect::kNone, kStrUnexpectedError};
    case 1:
      return {"Call returned INVALID_PIN", PinCacheEffect::kRemovePin, kStrInvalidPin};
    case 2:
      return {"Call returned BLOCKED", PinCacheEffect::kRemovePinMarkBlocked, kStrCertificateBlocked};
    case 3:
      return {"Call returned INVALID_KEY_USAGE", PinCacheEffect::kNone, kStrInvalidKeyUsage};
    case 4:
      return {"Call returned PIN_POLICY_VIOLATION", PinCacheEffect::kNone, kStrUnexpectedError};
    default:
      return {"Call returned an unknown status", PinCacheEffect::kNone, kStrUnexpectedError};
  }
}

}  // namespace service
}  // namespace luma
