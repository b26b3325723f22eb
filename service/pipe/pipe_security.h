// The security descriptor of lumaPassV's pipes, made from the owner and group of the process.
#ifndef LUMA_SERVICE_PIPE_PIPE_SECURITY_H_
#define LUMA_SERVICE_PIPE_PIPE_SECURITY_H_

#include <windows.h>

#include <string>

#include "foundation/win/unique_handle.h"
#include "service/core/pipe_security_text.h"

namespace luma::service {

// The SID strings of the owner and primary group of this process; empty when unreadable.
void GetProcessOwnerAndGroup(std::wstring& ownerSid, std::wstring& groupSid);

// The descriptor for the pipe's instances, or none (default security) when the owner and group
// cannot be read or the text cannot be converted.
CLocalMemoryHandle CreatePipeSecurityDescriptor(PipeMode mode);

}  // namespace luma::service

#endif  // LUMA_SERVICE_PIPE_PIPE_SECURITY_H_
