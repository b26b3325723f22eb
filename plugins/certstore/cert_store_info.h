// The store provider's extra request on the session client: how lumaPassV wants one container's
// certificate shown to the calling process.
#ifndef LUMA_PLUGINS_CERTSTORE_CERT_STORE_INFO_H_
#define LUMA_PLUGINS_CERTSTORE_CERT_STORE_INFO_H_

#include <windows.h>

#include <string>

#include "plugins/common/virtual_smart_card_client.h"

namespace luma::certstore {

struct CertStoreInfo {
  DWORD authorized = 0;
  std::wstring providerName;
  DWORD providerType = 0;
  std::wstring containerName;
  DWORD keySpec = 0;
  DWORD archived = 0;
  std::wstring friendlyName;
  std::wstring accountKey;
  std::wstring smartCardReader;
};

// lumaPassV's status unchanged (0: `info` holds the nine fields), or ERROR_READ_FAULT when the
// exchange failed; the same value is left as the thread's last error. Throws nothing.
DWORD GetCertStoreInfo(CVirtualSmartCardClient& client, const BYTE sessionId[16], DWORD index,
                       CertStoreInfo& info) noexcept;

}  // namespace luma::certstore

#endif  // LUMA_PLUGINS_CERTSTORE_CERT_STORE_INFO_H_
