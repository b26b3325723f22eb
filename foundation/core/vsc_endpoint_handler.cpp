#include "foundation/core/vsc_endpoint_handler.h"

#include <algorithm>
#include <new>
#include <utility>

#include "foundation/core/little_endian.h"
#include "foundation/core/random_source.h"

namespace VirtualSmartCardProtocol {
namespace {
// Draws before OpenSession gives up on a generator that keeps repeating identifiers in use.
constexpr int kSessionIdAttempts = 8;

bool IsAllZero(const CSecureBuffer& bytes) {
  return std::all_of(bytes.data, bytes.data + bytes.size, [](BYTE b) { return b == 0; });
}

// The generic response: type, version 1, status, transaction 0.
bool WriteGenericResponse(DWORD type, DWORD status, CSecureBuffer& bytes) {
  CResponseMessage generic(type);
  generic.SetStatus(status);
  CMessageSerialization out;
  if (generic.Serialize(out) && out.Serialize(bytes)) return true;
  bytes.Clear();
  return false;
}

template <typename T>
std::unique_ptr<CResponseMessage> Make() {
  return std::make_unique<T>();
}
}  // namespace

CVirtualSmartCardProtocolEndpointHandler::~CVirtualSmartCardProtocolEndpointHandler() { ClearSessions(); }

bool CVirtualSmartCardProtocolEndpointHandler::ProcessMessage(const CSecureBuffer& request,
                                                              CSecureBuffer& response) {
  DWORD failure = ERROR_INTERNAL_ERROR;
  try {
    CMessageSerialization out;
    failure = Dispatch(request, out);
    if (failure == ERROR_SUCCESS && out.ElementCount() == 0) failure = ERROR_INVALID_DATA;
    if (failure == ERROR_SUCCESS) {
      if (out.Serialize(response)) return true;
      failure = ERROR_INTERNAL_ERROR;
    }
  } catch (...) {
    failure = ERROR_INTERNAL_ERROR;
  }
  // Whatever part of an answer was written is dropped: a generic response stands alone.
  const DWORD type = failure == ERROR_CALL_NOT_IMPLEMENTED ? MessageTypeUnknown : MessageTypeGeneric;
  return WriteGenericResponse(type, failure, response);
}

// Returns ERROR_SUCCESS with a complete answer in out, or the status of the generic response.
DWORD CVirtualSmartCardProtocolEndpointHandler::Dispatch(const CSecureBuffer& requestBytes,
                                                         CMessageSerialization& out) {
  CMessageSerialization in;
  DWORD consumed = 0;
  if (!in.Deserialize(requestBytes, consumed)) return ERROR_INVALID_DATA;
  CSerializationElement first;
  if (!in.PeekElement(first) || first.type != ElementTypeDWORD || first.value.size < 4)
    return ERROR_INVALID_DATA;

  switch (luma::ReadLE32(first.value.data)) {
    case MessageTypeCheckTransaction:
      return DispatchTransaction<CCheckTransactionRequest>(in, out);
    case MessageTypeCancelTransaction:
      return DispatchTransaction<CCancelTransactionRequest>(in, out);
    case MessageTypeOpenSession:
      return Adapt<COpenSessionRequest, COpenSessionResponse>(in, out);
    case MessageTypeVerifySession:
      return Adapt<CVerifySessionRequest, CVerifySessionResponse>(in, out);
    case MessageTypeCloseSession:
      return Adapt<CCloseSessionRequest, CCloseSessionResponse>(in, out);
    case MessageTypeGetProviders:
      return Adapt<CGetProvidersRequest, CGetProvidersResponse>(in, out);
    case MessageTypeGetProviderInfo:
      return Adapt<CGetProviderInfoRequest, CGetProviderInfoResponse>(in, out);
    case MessageTypeAddAccount:
      return Adapt<CAddAccountRequest, CAddAccountResponse>(in, out);
    case MessageTypeRefreshAccount:
      return Adapt<CRefreshAccountRequest, CRefreshAccountResponse>(in, out);
    case MessageTypeDeleteAccount:
      return Adapt<CDeleteAccountRequest, CDeleteAccountResponse>(in, out);
    case MessageTypeGetAccounts:
      return Adapt<CGetAccountsRequest, CGetAccountsResponse>(in, out);
    case MessageTypeGetAccountInfo:
      return Adapt<CGetAccountInfoRequest, CGetAccountInfoResponse>(in, out);
    case MessageTypeGetAccountAuthState:
      return Adapt<CGetAccountAuthStateRequest, CGetAccountAuthStateResponse>(in, out);
    case MessageTypeDeauthenticateAccount:
      return Adapt<CDeauthenticateAccountRequest, CDeauthenticateAccountResponse>(in, out);
    case MessageTypeGetCertificates:
      return Adapt<CGetCertificatesRequest, CGetCertificatesResponse>(in, out);
    case MessageTypeGetCertificateInfo:
      return Adapt<CGetCertificateInfoRequest, CGetCertificateInfoResponse>(in, out);
    case MessageTypeValidatePIN:
      return Adapt<CValidatePINRequest, CValidatePINResponse>(in, out);
    case MessageTypeChangePIN:
      return Adapt<CChangePINRequest, CChangePINResponse>(in, out);
    case MessageTypeGetContainerInfo:
      return Adapt<CGetContainerInfoRequest, CGetContainerInfoResponse>(in, out);
    case MessageTypeGetCertStoreInfo:
      return Adapt<CGetCertStoreInfoRequest, CGetCertStoreInfoResponse>(in, out);
    case MessageTypeSignData:
      return Adapt<CSignDataRequest, CSignDataResponse>(in, out);
    case MessageTypeDecryptData:
      return Adapt<CDecryptDataRequest, CDecryptDataResponse>(in, out);
    case MessageTypeGetAuthenticationState:
      return Adapt<CGetAuthenticationStateRequest, CGetAuthenticationStateResponse>(in, out);
    case MessageTypeAuthenticatePIN:
      return Adapt<CAuthenticatePINRequest, CAuthenticatePINResponse>(in, out);
    case MessageTypeAuthenticateSessionPIN:
      return Adapt<CAuthenticateSessionPINRequest, CAuthenticateSessionPINResponse>(in, out);
    case MessageTypeGetExternalValidatedPIN:
      return Adapt<CGetExternalValidatedPINRequest, CGetExternalValidatedPINResponse>(in, out);
    case MessageTypeAuthenticateAccount:
      return Adapt<CAuthenticateAccountRequest, CAuthenticateAccountResponse>(in, out);
    case MessageTypeDeauthenticatePIN:
      return Adapt<CDeauthenticatePINRequest, CDeauthenticatePINResponse>(in, out);
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

template <typename Request>
DWORD CVirtualSmartCardProtocolEndpointHandler::DispatchTransaction(CMessageSerialization& in,
                                                                    CMessageSerialization& out) {
  Request request;
  if (!request.Deserialize(in)) return ERROR_INVALID_DATA;
  std::unique_ptr<CResponseMessage> response;
  handle(static_cast<const Request&>(request), response);
  if (response == nullptr || !response->Serialize(out)) return ERROR_INTERNAL_ERROR;
  return ERROR_SUCCESS;
}

template <typename Request, typename Response>
DWORD CVirtualSmartCardProtocolEndpointHandler::Adapt(CMessageSerialization& in, CMessageSerialization& out) {
  Request request;
  if (!request.Deserialize(in)) return ERROR_INVALID_DATA;
  Response response;
  handle(static_cast<const Request&>(request), response);
  return response.Serialize(out) ? ERROR_SUCCESS : ERROR_INTERNAL_ERROR;
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CCheckTransactionRequest& request,
                                                      std::unique_ptr<CResponseMessage>& response) {
  const DWORD id = request.GetTransactionId();
  std::unique_ptr<CResponseMessage> stored;
  switch (transactions.PollTransaction(id, stored)) {
    case CVirtualSmartCardTransactionManager::PollResult::Complete:
      response = std::move(stored);  // exactly as the worker left it
      break;
    case CVirtualSmartCardTransactionManager::PollResult::Running:
      response = CreateResponse(request.GetRequestType());
      if (response != nullptr) {
        response->SetStatus(ERROR_NOT_READY);
        response->SetTransactionId(id);
      }
      break;
    case CVirtualSmartCardTransactionManager::PollResult::Unknown:
      response = CreateResponse(MessageTypeCheckTransaction);
      if (response != nullptr) response->SetStatus(ERROR_INVALID_HANDLE);
      break;
  }
  return true;
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CCancelTransactionRequest& request,
                                                      std::unique_ptr<CResponseMessage>& response) {
  response = CreateResponse(request.GetRequestType());
  if (response == nullptr) return true;
  // A worker still running is not stopped; its later result finds no entry and is destroyed.
  response->SetStatus(transactions.RemoveTransaction(request.GetTransactionId()) ? ERROR_SUCCESS
                                                                                 : ERROR_INVALID_HANDLE);
  return true;
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CChangePINRequest& request,
                                                      CChangePINResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CValidatePINRequest& request,
                                                      CValidatePINResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CGetCertificateInfoRequest& request,
                                                      CGetCertificateInfoResponse& response) {
  return CheckSession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CGetCertificatesRequest& request,
                                                      CGetCertificatesResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CDeleteAccountRequest& request,
                                                      CDeleteAccountResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CRefreshAccountRequest& request,
                                                      CRefreshAccountResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CGetAccountAuthStateRequest& request,
                                                      CGetAccountAuthStateResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CAddAccountRequest& request,
                                                      CAddAccountResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CGetAccountsRequest& request,
                                                      CGetAccountsResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CGetProviderInfoRequest& request,
                                                      CGetProviderInfoResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CGetProvidersRequest& request,
                                                      CGetProvidersResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CDeauthenticateAccountRequest& request,
                                                      CDeauthenticateAccountResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CAuthenticateAccountRequest& request,
                                                      CAuthenticateAccountResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CGetAuthenticationStateRequest& request,
                                                      CGetAuthenticationStateResponse& response) {
  return CheckSession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CGetAccountInfoRequest& request,
                                                      CGetAccountInfoResponse& response) {
  return CheckSession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CDeauthenticatePINRequest& request,
                                                      CDeauthenticatePINResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CGetExternalValidatedPINRequest& request,
                                                      CGetExternalValidatedPINResponse& response) {
  return CheckSession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CAuthenticateSessionPINRequest& request,
                                                      CAuthenticateSessionPINResponse& response) {
  return CheckSession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CAuthenticatePINRequest& request,
                                                      CAuthenticatePINResponse& response) {
  return CheckSession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CDecryptDataRequest& request,
                                                      CDecryptDataResponse& response) {
  return CheckSession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CSignDataRequest& request,
                                                      CSignDataResponse& response) {
  return CheckSession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CGetCertStoreInfoRequest& request,
                                                      CGetCertStoreInfoResponse& response) {
  return CheckSession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CGetContainerInfoRequest& request,
                                                      CGetContainerInfoResponse& response) {
  return CheckSession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CCloseSessionRequest& request,
                                                      CCloseSessionResponse& response) {
  if (!VerifySession(request, response)) return false;
  RemoveSession(request.GetSessionId());
  return true;
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const CVerifySessionRequest& request,
                                                      CVerifySessionResponse& response) {
  return VerifySession(request, response);
}

bool CVirtualSmartCardProtocolEndpointHandler::handle(const COpenSessionRequest& request,
                                                      COpenSessionResponse& response) {
  CSecureBuffer sessionId;
  if (!OpenNewSession(request, sessionId)) {
    response.SetStatus(ERROR_INTERNAL_ERROR);
    return false;
  }
  response.SetSessionId(sessionId);
  response.SetStatus(ERROR_SUCCESS);
  return true;
}

bool CVirtualSmartCardProtocolEndpointHandler::CheckSession(const CSessionRequest& request,
                                                            CResponseMessage& response) const {
  const bool known = IsValidSession(request);
  response.SetStatus(known ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
  return known;
}

bool CVirtualSmartCardProtocolEndpointHandler::VerifySession(const CSessionRequest& request,
                                                             CPaddedResponseMessage& response) const {
  CVirtualSmartCardSession session;
  if (!GetSession(request, session)) {
    response.SetStatus(ERROR_INVALID_HANDLE);
    return false;
  }
  response.SetPadded(session.IsVmwareCCID());
  response.SetStatus(ERROR_SUCCESS);
  return true;
}

bool CVirtualSmartCardProtocolEndpointHandler::OpenNewSession(const COpenSessionRequest& request,
                                                              CSecureBuffer& sessionId) {
  const CVirtualSmartCardSession session(request);
  for (int attempt = 0; attempt < kSessionIdAttempts; ++attempt) {
    CSecureBuffer candidate = GenerateSessionId();
    if (candidate.size != kSessionIdSize) return false;  // no random generator answered
    // All zeros is the identifier every new request carries; never hand it out.
    if (IsAllZero(candidate)) continue;
    if (InsertNewSession(candidate, session)) {
      sessionId = std::move(candidate);
      return true;
    }
  }
  return false;
}

CVirtualSmartCardProtocolEndpointHandler::Sessions::node_type
CVirtualSmartCardProtocolEndpointHandler::EvictForNewSession() {
  if (sessions.size() < kMaxSessions) return {};
  auto oldest = sessions.begin();
  for (auto entry = sessions.begin(); entry != sessions.end(); ++entry) {
    if (entry->second.lastUse < oldest->second.lastUse) oldest = entry;
  }
  return sessions.extract(oldest);
}

bool CVirtualSmartCardProtocolEndpointHandler::InsertNewSession(const CSecureBuffer& sessionId,
                                                                const CVirtualSmartCardSession& session) {
  try {
    CSecureBuffer key(sessionId);
    if (key.size != sessionId.size) return false;
    // The entry is built outside the lock, which then covers only the tree insertion; an evicted
    // session is destroyed after it.
    Sessions staging;
    staging.emplace(std::move(key), CSessionEntry{session, 0});
    auto node = staging.extract(staging.begin());
    Sessions::insert_return_type result;
    Sessions::node_type evicted;
    {
      CMutexObjLock guard(sessionLock);
      if (sessions.count(node.key()) != 0) return false;  // never replaces another client's session
      evicted = EvictForNewSession();
      node.mapped().lastUse = ++sessionUses;
      result = sessions.insert(std::move(node));
    }
    if (evicted) sessionCap.Hit();
    return result.inserted;
  } catch (...) {
    return false;
  }
}

std::size_t CVirtualSmartCardProtocolEndpointHandler::SessionCount() const {
  CMutexObjLock guard(sessionLock);
  return sessions.size();
}

bool CVirtualSmartCardProtocolEndpointHandler::IsValidSession(const CSessionRequest& request) const {
  try {
    CMutexObjLock guard(sessionLock);
    const auto entry = sessions.find(request.GetSessionId());
    if (entry == sessions.end()) return false;
    entry->second.lastUse = ++sessionUses;
    return true;
  } catch (...) {
    return false;
  }
}

bool CVirtualSmartCardProtocolEndpointHandler::GetSession(const CSessionRequest& request,
                                                          CVirtualSmartCardSession& out) const {
  try {
    CMutexObjLock guard(sessionLock);
    const auto entry = sessions.find(request.GetSessionId());
    if (entry == sessions.end()) return false;
    entry->second.lastUse = ++sessionUses;
    out = entry->second.session;
    return true;
  } catch (...) {
    return false;
  }
}

void CVirtualSmartCardProtocolEndpointHandler::AddSession(const CSecureBuffer& sessionId,
                                                          const COpenSessionRequest& request) {
  try {
    const CVirtualSmartCardSession session(request);
    CSecureBuffer key(sessionId);
    if (key.empty() || key.size != sessionId.size) return;
    Sessions::node_type evicted;  // destroyed after the lock
    {
      CMutexObjLock guard(sessionLock);
      const auto existing = sessions.find(key);
      if (existing != sessions.end()) {
        existing->second = CSessionEntry{session, ++sessionUses};
        return;
      }
      evicted = EvictForNewSession();
      sessions.emplace(std::move(key), CSessionEntry{session, ++sessionUses});
    }
    if (evicted) sessionCap.Hit();
  } catch (...) {
  }
}

void CVirtualSmartCardProtocolEndpointHandler::RemoveSession(const CSecureBuffer& sessionId) {
  try {
    CMutexObjLock guard(sessionLock);
    sessions.erase(sessionId);
  } catch (...) {
  }
}

void CVirtualSmartCardProtocolEndpointHandler::ClearSessions() {
  try {
    Sessions dropped;
    CMutexObjLock guard(sessionLock);
    dropped.swap(sessions);
  } catch (...) {
  }
}

CSecureBuffer CVirtualSmartCardProtocolEndpointHandler::GenerateSessionId() {
  CSecureBuffer id(kSessionIdSize);
  if (id.size != kSessionIdSize || !luma::GenerateRandomBytes(id.data, id.size)) return CSecureBuffer();
  return id;
}

std::unique_ptr<CResponseMessage> CVirtualSmartCardProtocolEndpointHandler::CreateResponse(DWORD type) {
  try {
    switch (type) {
      case MessageTypeOpenSession:
        return Make<COpenSessionResponse>();
      case MessageTypeVerifySession:
        return Make<CVerifySessionResponse>();
      case MessageTypeCloseSession:
        return Make<CCloseSessionResponse>();
      case MessageTypeGetProviders:
        return Make<CGetProvidersResponse>();
      case MessageTypeGetProviderInfo:
        return Make<CGetProviderInfoResponse>();
      case MessageTypeAddAccount:
        return Make<CAddAccountResponse>();
      case MessageTypeRefreshAccount:
        return Make<CRefreshAccountResponse>();
      case MessageTypeDeleteAccount:
        return Make<CDeleteAccountResponse>();
      case MessageTypeGetAccounts:
        return Make<CGetAccountsResponse>();
      case MessageTypeGetAccountInfo:
        return Make<CGetAccountInfoResponse>();
      case MessageTypeGetAccountAuthState:
        return Make<CGetAccountAuthStateResponse>();
      case MessageTypeDeauthenticateAccount:
        return Make<CDeauthenticateAccountResponse>();
      case MessageTypeGetCertificates:
        return Make<CGetCertificatesResponse>();
      case MessageTypeGetCertificateInfo:
        return Make<CGetCertificateInfoResponse>();
      case MessageTypeGetContainerInfo:
        return Make<CGetContainerInfoResponse>();
      case MessageTypeSignData:
        return Make<CSignDataResponse>();
      case MessageTypeDecryptData:
        return Make<CDecryptDataResponse>();
      case MessageTypeGetAuthenticationState:
        return Make<CGetAuthenticationStateResponse>();
      case MessageTypeAuthenticatePIN:
        return Make<CAuthenticatePINResponse>();
      case MessageTypeAuthenticateSessionPIN:
        return Make<CAuthenticateSessionPINResponse>();
      case MessageTypeGetExternalValidatedPIN:
        return Make<CGetExternalValidatedPINResponse>();
      case MessageTypeAuthenticateAccount:
        return Make<CAuthenticateAccountResponse>();
      case MessageTypeDeauthenticatePIN:
        return Make<CDeauthenticatePINResponse>();
      default:
        // CheckTransaction, CancelTransaction, ValidatePIN, ChangePIN, GetCertStoreInfo and unknown
        // types are answered with the generic class.
        return std::make_unique<CResponseMessage>(MessageTypeGeneric);
    }
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace VirtualSmartCardProtocol
