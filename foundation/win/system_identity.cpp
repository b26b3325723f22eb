// Facts about the machine, the user and the session.
#define SECURITY_WIN32
// windows.h first, and the LAN Manager headers need lmcons.h before the others.
// clang-format off
#include <windows.h>
#include <lmcons.h>
#include <lmapibuf.h>
#include <lmerr.h>
#include <lmjoin.h>
#include <sddl.h>
#include <secext.h>
#include <winscard.h>
#include <wtsapi32.h>
// clang-format on

#include <memory>
#include <vector>

#include "foundation/win/system_utils.h"
#include "foundation/win/unique_handle.h"

namespace {
constexpr ULONG kNameBuffer = 260;

struct NetApiBufferDeleter {
  void operator()(void* buffer) const { NetApiBufferFree(buffer); }
};
constexpr DWORD kSidBuffer = 84;
constexpr DWORD kDomainBuffer = 512;

bool QueryUserName(EXTENDED_NAME_FORMAT format, std::wstring& name) {
  wchar_t buffer[kNameBuffer];
  ULONG size = kNameBuffer;
  if (!GetUserNameExW(format, buffer, &size)) return false;
  buffer[kNameBuffer - 1] = 0;
  name = buffer;
  return true;
}

// "DOMAIN\user" forms: the principal name is made of the two parts.
bool PrincipalFromDomainUser(const std::wstring& name, std::wstring& upn, std::wstring& user,
                             std::wstring& domain) {
  if (!luma::SplitDomainUserName(name, user, domain)) return false;
  upn = user + L"@" + domain;
  return true;
}
}  // namespace

namespace luma {

std::wstring GetJoinedDomainName() {
  LPWSTR name = nullptr;
  NETSETUP_JOIN_STATUS status = NetSetupUnknownStatus;
  if (NetGetJoinInformation(nullptr, &name, &status) != NERR_Success) return std::wstring();
  // Freed on every path, also when the copy runs out of memory.
  const std::unique_ptr<wchar_t, NetApiBufferDeleter> owned(name);
  if (status != NetSetupDomainName || name == nullptr) return std::wstring();
  return name;
}

std::wstring GetLocalComputerName() {
  wchar_t name[16];
  DWORD size = 16;
  if (!GetComputerNameW(name, &size)) return std::wstring();
  name[15] = 0;
  return name;
}

void GetCurrentUserUPN(std::wstring& upn, std::wstring& user, std::wstring& domain) {
  upn.clear();
  user.clear();
  domain.clear();
  std::wstring name;
  if (QueryUserName(NameUserPrincipal, name)) {
    luma::SplitPrincipalName(name, upn, user, domain);
    return;
  }
  if (QueryUserName(NameDnsDomain, name) || QueryUserName(NameSamCompatible, name)) {
    if (!PrincipalFromDomainUser(name, upn, user, domain)) upn.clear();
  }
}

void GetCurrentUserLogonName(std::wstring& user, std::wstring& domain) {
  user.clear();
  domain.clear();
  std::wstring name;
  if (QueryUserName(NameSamCompatible, name)) luma::SplitDomainUserName(name, user, domain);
}

DWORD IsCurrentUserInGroup(const std::wstring& group, bool& member) {
  member = false;
  std::vector<BYTE> sid;
  try {
    sid.resize(kSidBuffer);
  } catch (const std::bad_alloc&) {
    return ERROR_OUTOFMEMORY;
  }
  std::vector<wchar_t> domain(kDomainBuffer);
  DWORD sidSize = kSidBuffer, domainSize = kDomainBuffer;
  SID_NAME_USE use;
  if (!LookupAccountNameW(nullptr, group.c_str(), sid.data(), &sidSize, domain.data(), &domainSize, &use)) {
    return GetLastError();
  }
  BOOL isMember = FALSE;
  if (!CheckTokenMembership(nullptr, sid.data(), &isMember)) return GetLastError();
  member = isMember != FALSE;
  return ERROR_SUCCESS;
}

bool IsConsoleSession() {
  LPWSTR buffer = nullptr;
  DWORD bytes = 0;
  if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, WTSClientProtocolType,
                                   &buffer, &bytes)) {
    return false;
  }
  const bool console =
      buffer != nullptr && bytes >= sizeof(USHORT) && *reinterpret_cast<USHORT*>(buffer) == 0;
  if (buffer != nullptr) WTSFreeMemory(buffer);
  return console;
}

bool IsVirtualReaderPresent() {
  // Owners of the context and of the list the service allocates: both are released on every path,
  // also when a reader name cannot be copied for want of memory.
  struct CardContext {
    SCARDCONTEXT handle = 0;
    ~CardContext() {
      if (handle != 0) SCardReleaseContext(handle);
    }
  } context;
  if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context.handle) != SCARD_S_SUCCESS) {
    context.handle = 0;
    return false;
  }
  struct ReaderList {
    SCARDCONTEXT context;
    LPWSTR names = nullptr;
    ~ReaderList() {
      if (names != nullptr) SCardFreeMemory(context, names);
    }
  } readers{context.handle};
  DWORD length = SCARD_AUTOALLOCATE;
  if (SCardListReadersW(context.handle, nullptr, reinterpret_cast<LPWSTR>(&readers.names), &length) !=
          SCARD_S_SUCCESS ||
      readers.names == nullptr) {
    return false;
  }
  return luma::ContainsVirtualReader(readers.names, length);
}

}  // namespace luma
