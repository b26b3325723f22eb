#include "service/pipe/pipe_security.h"

#include <aclapi.h>
#include <sddl.h>

#include "foundation/win/debug_log.h"

namespace luma::service {

namespace {
std::wstring SidString(PSID sid) {
  CLocalMemoryHandle text;
  if (sid == nullptr || !ConvertSidToStringSidW(sid, reinterpret_cast<LPWSTR*>(text.put()))) return {};
  return LocalAs<wchar_t>(text);
}
}  // namespace

void GetProcessOwnerAndGroup(std::wstring& ownerSid, std::wstring& groupSid) {
  ownerSid.clear();
  groupSid.clear();
  PSID owner = nullptr;
  PSID group = nullptr;
  CLocalMemoryHandle descriptor;  // owns the memory the two SIDs point into
  if (GetSecurityInfo(GetCurrentProcess(), SE_KERNEL_OBJECT,
                      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION, &owner, &group, nullptr,
                      nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put())) != ERROR_SUCCESS) {
    return;
  }
  ownerSid = SidString(owner);
  groupSid = SidString(group);
}

CLocalMemoryHandle CreatePipeSecurityDescriptor(PipeMode mode) {
  std::wstring owner;
  std::wstring group;
  GetProcessOwnerAndGroup(owner, group);
  const std::wstring text = BuildPipeSecurityText(owner, group, mode);
  CLocalMemoryHandle descriptor;
  if (text.empty()) {
    CDebugLog::Log(LOG_DEBUG, L"Empty security descriptor");
    return descriptor;
  }
  CDebugLog::Log(LOG_DEBUG, L"Security descriptor: %s", text.c_str());
  const BOOL converted = ConvertStringSecurityDescriptorToSecurityDescriptorW(
      text.c_str(), SDDL_REVISION_1, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()), nullptr);
  CDebugLog::Log(LOG_DEBUG, L"ConvertStringSecurityDescriptorToSecurityDescriptor 0x%08x", converted);
  if (!converted) descriptor.reset();
  return descriptor;
}

}  // namespace luma::service
