// The server side of the pipe protocol: turns the bytes of one request into the bytes of one
// response, keeps the pipe sessions and the results of transacted requests. The service's
// protocol handler derives from it and overrides the handle operations with the real work.
#ifndef LUMA_FOUNDATION_CORE_VSC_ENDPOINT_HANDLER_H_
#define LUMA_FOUNDATION_CORE_VSC_ENDPOINT_HANDLER_H_

#include <map>
#include <memory>

#include "foundation/core/cap_notice.h"
#include "foundation/core/mutex_obj.h"
#include "foundation/core/vsc_account_messages.h"
#include "foundation/core/vsc_pin_messages.h"
#include "foundation/core/vsc_session.h"
#include "foundation/core/vsc_session_messages.h"
#include "foundation/core/vsc_transaction_manager.h"

namespace VirtualSmartCardProtocol {

class CVirtualSmartCardProtocolEndpointHandler {
 public:
  // Open sessions kept; a new one beyond them takes the place of the one least recently used.
  // Plug-ins open one per provider handle, and a process that ends without closing it leaves it.
  static constexpr std::size_t kMaxSessions = 512;

  CVirtualSmartCardProtocolEndpointHandler() = default;
  CVirtualSmartCardProtocolEndpointHandler(const CVirtualSmartCardProtocolEndpointHandler&) = delete;
  CVirtualSmartCardProtocolEndpointHandler& operator=(const CVirtualSmartCardProtocolEndpointHandler&) =
      delete;

  // Each handle operation gets the decoded request and the response to fill; the response is sent
  // whatever the result. The two transaction operations set the response object themselves.
  virtual bool handle(const CCheckTransactionRequest& request, std::unique_ptr<CResponseMessage>& response);
  virtual bool handle(const CCancelTransactionRequest& request, std::unique_ptr<CResponseMessage>& response);
  virtual bool handle(const CChangePINRequest& request, CChangePINResponse& response);
  virtual bool handle(const CValidatePINRequest& request, CValidatePINResponse& response);
  virtual bool handle(const CGetCertificateInfoRequest& request, CGetCertificateInfoResponse& response);
  virtual bool handle(const CGetCertificatesRequest& request, CGetCertificatesResponse& response);
  virtual bool handle(const CDeleteAccountRequest& request, CDeleteAccountResponse& response);
  virtual bool handle(const CRefreshAccountRequest& request, CRefreshAccountResponse& response);
  virtual bool handle(const CGetAccountAuthStateRequest& request, CGetAccountAuthStateResponse& response);
  virtual bool handle(const CAddAccountRequest& request, CAddAccountResponse& response);
  virtual bool handle(const CGetAccountsRequest& request, CGetAccountsResponse& response);
  virtual bool handle(const CGetProviderInfoRequest& request, CGetProviderInfoResponse& response);
  virtual bool handle(const CGetProvidersRequest& request, CGetProvidersResponse& response);
  virtual bool handle(const CDeauthenticateAccountRequest& request, CDeauthenticateAccountResponse& response);
  virtual bool handle(const CAuthenticateAccountRequest& request, CAuthenticateAccountResponse& response);
  virtual bool handle(const CGetAuthenticationStateRequest& request,
                      CGetAuthenticationStateResponse& response);
  virtual bool handle(const CGetAccountInfoRequest& request, CGetAccountInfoResponse& response);
  virtual bool handle(const CDeauthenticatePINRequest& request, CDeauthenticatePINResponse& response);
  virtual bool handle(const CGetExternalValidatedPINRequest& request,
                      CGetExternalValidatedPINResponse& response);
  virtual bool handle(const CAuthenticateSessionPINRequest& request,
                      CAuthenticateSessionPINResponse& response);
  virtual bool handle(const CAuthenticatePINRequest& request, CAuthenticatePINResponse& response);
  virtual bool handle(const CDecryptDataRequest& request, CDecryptDataResponse& response);
  virtual bool handle(const CSignDataRequest& request, CSignDataResponse& response);
  virtual bool handle(const CGetCertStoreInfoRequest& request, CGetCertStoreInfoResponse& response);
  virtual bool handle(const CGetContainerInfoRequest& request, CGetContainerInfoResponse& response);
  virtual bool handle(const CCloseSessionRequest& request, CCloseSessionResponse& response);
  virtual bool handle(const CVerifySessionRequest& request, CVerifySessionResponse& response);
  virtual bool handle(const COpenSessionRequest& request, COpenSessionResponse& response);

  virtual ~CVirtualSmartCardProtocolEndpointHandler();

  // Decodes one request, dispatches it and encodes the answer into response (replacing its
  // contents). Failures are answered with a generic response (type, version 1, status,
  // transaction 0): type -1 status 13 for an unreadable request, type 0 status 120 for an unknown
  // type, type -1 status 1359 for an escaped exception. False only when not even that could be
  // encoded (out of memory); response is then empty.
  virtual bool ProcessMessage(const CSecureBuffer& request, CSecureBuffer& response);

  bool IsValidSession(const CSessionRequest& request) const;
  bool GetSession(const CSessionRequest& request, CVirtualSmartCardSession& out) const;
  // Stores a session under the identifier, replacing an entry with the same identifier.
  void AddSession(const CSecureBuffer& sessionId, const COpenSessionRequest& request);
  void RemoveSession(const CSecureBuffer& sessionId);
  void ClearSessions();

  // 16 random bytes; an empty buffer when no random generator answered.
  static CSecureBuffer GenerateSessionId();
  // A response of the class for the type with its initial values (status 13), or the generic
  // response of type -1 for types without a class of their own; null when out of memory.
  static std::unique_ptr<CResponseMessage> CreateResponse(DWORD type);

  CVirtualSmartCardTransactionManager& Transactions() { return transactions; }
  std::size_t SessionCount() const;
  const luma::CCapNotice& SessionCapNotice() const { return sessionCap; }

 protected:
  // The session check: status 0 and true for a known session, else status 6 and false.
  bool CheckSession(const CSessionRequest& request, CResponseMessage& response) const;
  // The session check that also pads the response for sessions that asked for it.
  bool VerifySession(const CSessionRequest& request, CPaddedResponseMessage& response) const;
  // Draws identifiers until one is free and stores the session under it; false when the random
  // generators fail or keep repeating identifiers in use.
  bool OpenNewSession(const COpenSessionRequest& request, CSecureBuffer& sessionId);

 private:
  DWORD Dispatch(const CSecureBuffer& requestBytes, CMessageSerialization& out);
  template <typename Request>
  DWORD DispatchTransaction(CMessageSerialization& in, CMessageSerialization& out);
  template <typename Request, typename Response>
  DWORD Adapt(CMessageSerialization& in, CMessageSerialization& out);
  struct CSessionEntry {
    CVirtualSmartCardSession session;
    mutable std::uint64_t lastUse = 0;  // guarded by sessionLock
  };
  using Sessions = std::map<CSecureBuffer, CSessionEntry>;

  bool InsertNewSession(const CSecureBuffer& sessionId, const CVirtualSmartCardSession& session);
  // Under the session lock, with room for one more: the least recently used session leaves.
  Sessions::node_type EvictForNewSession();

  mutable CMutexObj sessionLock;
  Sessions sessions;
  mutable std::uint64_t sessionUses = 0;  // guarded by sessionLock
  luma::CCapNotice sessionCap{L"sessions", kMaxSessions};
  CVirtualSmartCardTransactionManager transactions;
};

}  // namespace VirtualSmartCardProtocol

#endif  // LUMA_FOUNDATION_CORE_VSC_ENDPOINT_HANDLER_H_
