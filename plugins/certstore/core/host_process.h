// Which program hosts the store provider: administration tools list every certificate, and the
// server itself must never be asked for its own certificates.
#ifndef LUMA_PLUGINS_CERTSTORE_CORE_HOST_PROCESS_H_
#define LUMA_PLUGINS_CERTSTORE_CORE_HOST_PROCESS_H_

#include "foundation/core/platform.h"

namespace luma::certstore {

struct HostFlags {
  bool isAdminTool = false;      // certutil.exe or mmc.exe
  bool isServerProcess = false;  // lumaPassV.exe or lumaPassVService.exe
};

// A plain suffix test after upper-casing both sides: no path separator is needed in front of the
// name, so "xmmc.exe" counts as "mmc.exe". Throws std::bad_alloc only.
bool IsHostProcess(const WString& hostPath, const WString& name);

// Throws std::bad_alloc only.
HostFlags ClassifyHost(const WString& hostPath);

}  // namespace luma::certstore

#endif  // LUMA_PLUGINS_CERTSTORE_CORE_HOST_PROCESS_H_
