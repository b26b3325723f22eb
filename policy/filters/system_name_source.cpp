#define SECURITY_WIN32
#include "policy/filters/system_name_source.h"

#include <secext.h>

namespace {

BOOL SystemComputerName(ComputerNameKind kind, WCHAR* buffer, DWORD* size) {
  return GetComputerNameExW(static_cast<COMPUTER_NAME_FORMAT>(kind), buffer, size);
}

BOOL SystemUserName(UserNameFormat format, WCHAR* buffer, ULONG* size) {
  return GetUserNameExW(static_cast<EXTENDED_NAME_FORMAT>(format), buffer, size) ? TRUE : FALSE;
}

// The answer up to its terminating zero; the last character of the buffer is always one.
WString Terminated(WCHAR (&buffer)[CWindowsSystemNameSource::kNameBufferChars]) {
  buffer[CWindowsSystemNameSource::kNameBufferChars - 1] = 0;
  return WString(buffer);
}

}  // namespace

CWindowsSystemNameSource::CWindowsSystemNameSource()
    : computerName(SystemComputerName), userName(SystemUserName) {}

bool CWindowsSystemNameSource::QueryComputerName(ComputerNameKind kind, WString& name) const {
  WCHAR buffer[kNameBufferChars] = {};
  DWORD size = kNameBufferChars;
  if (computerName == nullptr || !computerName(kind, buffer, &size)) return false;
  name = Terminated(buffer);
  return true;
}

bool CWindowsSystemNameSource::QueryUserName(UserNameFormat format, WString& name) const {
  WCHAR buffer[kNameBufferChars] = {};
  ULONG size = kNameBufferChars;
  if (userName == nullptr || !userName(format, buffer, &size)) return false;
  name = Terminated(buffer);
  return true;
}
