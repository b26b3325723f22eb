#include "service/authdlg/auth_messages.h"

#include "foundation/win/system_utils.h"
#include "ui/resources/ui_resource_ids.h"

namespace luma {
namespace ui {

std::wstring AuthMessageText(AuthMessage message, const std::wstring& argument, int remainingTries) {
  switch (message) {
    case AuthMessage::kServiceError:
      return FormatResourceString(IDS_SERVICE_ERROR, argument.c_str());
    case AuthMessage::kServiceUnavailable:
      return FormatResourceString(IDS_SERVICE_UNAVAILABLE, argument.c_str());
    case AuthMessage::kWrongPassword:
      return FormatResourceString(IDS_WRONG_PASSWORD);
    case AuthMessage::kWrongPasswordTries:
      return FormatResourceString(IDS_WRONG_PASSWORD_TRIES, remainingTries);
    case AuthMessage::kWrongPasswordBlocked:
      return FormatResourceString(IDS_WRONG_PASSWORD_BLOCKED);
    case AuthMessage::kRaw:
      return argument;
    case AuthMessage::kNone:
      break;
  }
  return std::wstring();
}

}  // namespace ui
}  // namespace luma
