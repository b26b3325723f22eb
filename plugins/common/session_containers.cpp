#include "plugins/common/session_containers.h"

namespace luma::plugin {

DWORD OpenSessionAndReadContainers(CVirtualSmartCardClient& client, BYTE sessionId[16], DWORD& containers,
                                   const std::function<void(DWORD index)>& visit) {
  containers = 0;
  const DWORD status = client.OpenSession(sessionId, containers);
  if (status != 0) return status;
  CSessionCloser closer(client, sessionId);
  const DWORD count = containers < kMaxSessionContainers ? containers : kMaxSessionContainers;
  for (DWORD index = 0; index < count; ++index) visit(index);
  closer.Release();
  return 0;
}

}  // namespace luma::plugin
