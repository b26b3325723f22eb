// Opening a session at lumaPassV and reading its containers, the same way in every plug-in.
// lumaPassV names the container count; a claim beyond any real card (0xFFFFFFFF would keep the
// caller busy for days) is read only up to kMaxSessionContainers. A reading that throws closes the
// session it opened.
#ifndef LUMA_PLUGINS_COMMON_SESSION_CONTAINERS_H_
#define LUMA_PLUGINS_COMMON_SESSION_CONTAINERS_H_

#include <windows.h>

#include <functional>

#include "plugins/common/virtual_smart_card_client.h"

namespace luma::plugin {

constexpr DWORD kMaxSessionContainers = 256;

// Closes the session when it goes, unless released.
class CSessionCloser {
 public:
  CSessionCloser(CVirtualSmartCardClient& client, const BYTE* sessionId) noexcept
      : client(&client), sessionId(sessionId) {}
  ~CSessionCloser() {
    if (client != nullptr) client->CloseSession(sessionId);
  }
  CSessionCloser(const CSessionCloser&) = delete;
  CSessionCloser& operator=(const CSessionCloser&) = delete;
  void Release() noexcept { client = nullptr; }

 private:
  CVirtualSmartCardClient* client;
  const BYTE* sessionId;
};

// Opens a session into sessionId and calls visit(index) for each container it names, at most
// kMaxSessionContainers; the session stays open for the caller. The OpenSession status: 0 when the
// session was opened (containers then holds the count claimed). When visit throws, the session is
// closed and the exception goes on.
DWORD OpenSessionAndReadContainers(CVirtualSmartCardClient& client, BYTE sessionId[16], DWORD& containers,
                                   const std::function<void(DWORD index)>& visit);

}  // namespace luma::plugin

#endif  // LUMA_PLUGINS_COMMON_SESSION_CONTAINERS_H_
