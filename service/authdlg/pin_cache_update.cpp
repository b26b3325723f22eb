#include "service/authdlg/pin_cache_update.h"

namespace luma {
namespace ui {

void ApplyPinCacheAction(CAuthContext& context, PinCacheAction action, const CSecureBuffer& typedPin) {
  switch (action) {
    case PinCacheAction::kStorePin:
      context.StorePin(typedPin);  // clears the blocked mark first
      break;
    case PinCacheAction::kClearBlocked:
      context.ClearBlocked();
      break;
    case PinCacheAction::kRemovePin:
      context.RemovePin();
      context.ClearBlocked();
      break;
    case PinCacheAction::kRemovePinMarkBlocked:
      context.RemovePin();
      context.MarkBlocked();
      break;
    case PinCacheAction::kNone:
      break;
  }
}

}  // namespace ui
}  // namespace luma
