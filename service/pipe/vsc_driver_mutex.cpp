#include "service/pipe/vsc_driver_mutex.h"

#include <sddl.h>

#include "foundation/win/debug_log.h"
#include "service/core/pipe_security_text.h"

CVSCDriverMutex::~CVSCDriverMutex() { Destroy(); }

bool CVSCDriverMutex::Create() {
  CMutexObjLock guard(lock);
  if (handle) return false;
  luma::CLocalMemoryHandle descriptor;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
          luma::service::kDriverMutexSecurityText, SDDL_REVISION_1,
          reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()), nullptr)) {
    // Without its descriptor the mutex would get the default security: better no signal at all.
    CDebugLog::Log(LOG_ERROR, L"lumaPassVirtualSmartCard mutex descriptor failed 0x%08x", GetLastError());
    return false;
  }
  // Not inheritable: a child process must not keep the card inserted after Destroy.
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.get(), FALSE};
  handle.reset(CreateMutexW(&attributes, TRUE, (L"Global\\" + name).c_str()));
  if (!handle) {
    CDebugLog::Log(LOG_ERROR, L"lumaPassVirtualSmartCard mutex not created 0x%08x", GetLastError());
    return false;
  }
  CDebugLog::Log(LOG_DEBUG, L"lumaPassVirtualSmartCard mutex created: %p", handle.get());
  return true;
}

bool CVSCDriverMutex::Destroy() {
  CMutexObjLock guard(lock);
  if (!handle) return false;
  const HANDLE closed = handle.get();
  handle.reset();
  CDebugLog::Log(LOG_DEBUG, L"lumaPassVirtualSmartCard mutex destroyed: %p", closed);
  return true;
}
