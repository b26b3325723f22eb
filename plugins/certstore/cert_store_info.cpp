#include "plugins/certstore/cert_store_info.h"

#include "foundation/core/vsc_session_messages.h"

namespace luma::certstore {

DWORD GetCertStoreInfo(CVirtualSmartCardClient& client, const BYTE sessionId[16], DWORD index,
                       CertStoreInfo& info) noexcept {
  VirtualSmartCardProtocol::CGetCertStoreInfoRequest request;
  VirtualSmartCardProtocol::CGetCertStoreInfoResponse response;
  CSecureBuffer session;  // wiped when it goes
  luma::plugin::AssignSessionId(session, sessionId);
  request.SetSessionId(session);
  request.SetIndex(index);
  bool exchanged = client.isUsable() && session.size == VirtualSmartCardProtocol::kSessionIdSize &&
                   client.SendRequest(request, response);
  DWORD status = response.GetStatus();
  if (exchanged && status == 0) {
    try {
      CertStoreInfo answer;
      answer.authorized = response.GetAllowed();
      answer.providerName = response.GetProviderName();
      answer.providerType = response.GetProviderType();
      answer.containerName = response.GetContainerName();
      answer.keySpec = response.GetKeySpec();
      answer.archived = response.GetExpired();
      answer.friendlyName = response.GetFriendlyName();
      answer.accountKey = response.GetAccountKey();
      answer.smartCardReader = response.GetCardReaderImage();
      info = std::move(answer);
    } catch (...) {
      exchanged = false;  // an answer that cannot be kept is no answer
    }
  }
  if (!exchanged) status = client.isUsable() ? ERROR_READ_FAULT : ERROR_NOT_ENOUGH_MEMORY;
  SetLastError(status);
  return status;
}

}  // namespace luma::certstore
