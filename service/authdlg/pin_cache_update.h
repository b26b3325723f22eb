// Carries out what a PIN check decided for the certificate's cached PIN and blocked mark.
#ifndef LUMA_SERVICE_AUTHDLG_PIN_CACHE_UPDATE_H_
#define LUMA_SERVICE_AUTHDLG_PIN_CACHE_UPDATE_H_

#include "foundation/core/secure_buffer.h"
#include "service/auth/auth_context.h"
#include "ui/core/auth_outcome.h"

namespace luma {
namespace ui {

// typedPin is what kStorePin caches.
void ApplyPinCacheAction(CAuthContext& context, PinCacheAction action, const CSecureBuffer& typedPin);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_AUTHDLG_PIN_CACHE_UPDATE_H_
