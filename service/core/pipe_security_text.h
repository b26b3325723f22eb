// The access rules of lumaPassV's kernel objects, as security descriptor text (SDDL).
#ifndef LUMA_SERVICE_CORE_PIPE_SECURITY_TEXT_H_
#define LUMA_SERVICE_CORE_PIPE_SECURITY_TEXT_H_

#include "foundation/core/platform.h"

namespace luma::service {

// Which pipe a server serves; the two differ only in who may open them.
enum class PipeMode : DWORD {
  Reader = 0,   // the virtual smart card reader's pipe: LocalService and local logons may use it too
  PerUser = 1,  // the plug-ins' pipe: the process owner only
};

// The pipe's descriptor from the SID strings of the process owner and primary group: the owner gets
// full access, network logons are denied, and the low mandatory label with no-write-up lets clients
// of low integrity connect. Empty when either SID is missing: the pipe then gets the default security.
WString BuildPipeSecurityText(const WString& ownerSid, const WString& groupSid, PipeMode mode);

// The virtual-reader signal mutex: everyone may open it to see that it exists and wait on it
// (READ_CONTROL and SYNCHRONIZE), nobody else may release or change it.
constexpr const WCHAR* kDriverMutexSecurityText = WSTR("D:(A;OICI;0x00120000;;;WD)S:(ML;;NW;;;LW)");

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_PIPE_SECURITY_TEXT_H_
