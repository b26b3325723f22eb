#include "plugins/certstore/core/host_process.h"

#include "foundation/core/string_utils.h"

namespace luma::certstore {

bool IsHostProcess(const WString& hostPath, const WString& name) {
  if (hostPath.size() < name.size()) return false;
  const WString path = luma::ToUpperCase(hostPath);
  const WString suffix = luma::ToUpperCase(name);
  return path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
}

HostFlags ClassifyHost(const WString& hostPath) {
  HostFlags flags;
  flags.isAdminTool =
      IsHostProcess(hostPath, WSTR("certutil.exe")) || IsHostProcess(hostPath, WSTR("mmc.exe"));
  flags.isServerProcess =
      IsHostProcess(hostPath, WSTR("lumaPassV.exe")) || IsHostProcess(hostPath, WSTR("lumaPassVService.exe"));
  return flags;
}

}  // namespace luma::certstore
