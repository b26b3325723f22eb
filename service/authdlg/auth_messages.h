// The texts of the authentication pages' outcomes, from the program's string table.
#ifndef LUMA_SERVICE_AUTHDLG_AUTH_MESSAGES_H_
#define LUMA_SERVICE_AUTHDLG_AUTH_MESSAGES_H_

#include <string>

#include "ui/core/auth_outcome.h"

namespace luma {
namespace ui {

// argument: what the text names (the failed call's message, or the user whose session is gone).
std::wstring AuthMessageText(AuthMessage message, const std::wstring& argument, int remainingTries);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_AUTHDLG_AUTH_MESSAGES_H_
