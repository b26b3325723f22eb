// The requests that open a session and describe the card's containers.
#include <cwchar>

#include "foundation/win/debug_log.h"
#include "service/core/cert_store_target.h"
#include "service/handler/vsc_protocol_handler.h"

using namespace VirtualSmartCardProtocol;

namespace {

constexpr DWORD kStatusInvalidSession = ERROR_INVALID_HANDLE;  // 6
constexpr DWORD kStatusNoSuchContainer = ERROR_INVALID_INDEX;  // 1413

}  // namespace

bool CVSCProtocolHandler::handle(const COpenSessionRequest& request, COpenSessionResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle OpenSession");
  if (!CVirtualSmartCardProtocolEndpointHandler::handle(request, response)) return false;
  const std::wstring processPath = request.GetProcessPath();
  const std::wstring computer = request.GetClientComputerName();
  if (CDebugLog::IsLevelEnabled(LOG_INFO)) {
    CDebugLog::Log(LOG_INFO, L"Session requested from process '%s' (%s) on computer '%s' using reader '%s'",
                   processPath.c_str(), request.GetProcessVersion().c_str(), computer.c_str(),
                   request.GetReaderName().c_str());
  }
  // The session stays valid either way: a black-listed process simply sees no container.
  if (luma::service::IsLocalSession(computer, GetComputerName())) {
    if (IsBlackListed(processPath, true)) {
      CDebugLog::Log(LOG_INFO, L"Local process %s is black listed, returning 0 certificates",
                     processPath.c_str());
      response.SetContainerCount(0);
      return true;
    }
  } else if (IsBlackListed(processPath, false)) {
    CDebugLog::Log(LOG_INFO, L"Remote process %s is black listed, returning 0 certificates",
                   processPath.c_str());
    response.SetContainerCount(0);
    return true;
  }
  luma::CRankedMutexObjLock guard(mainLock);
  response.SetContainerCount(static_cast<DWORD>(activeContexts.size()));
  return true;
}

bool CVSCProtocolHandler::handle(const CGetContainerInfoRequest& request,
                                 CGetContainerInfoResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handleMessag GetContainerInfo");
  if (!IsValidSession(request)) {
    response.SetStatus(kStatusInvalidSession);
    return false;
  }
  response.SetStatus(ERROR_SUCCESS);
  CCertContext context(nullptr, nullptr, nullptr);
  if (!LookupCertContextByIndex(request.GetIndex(), context) || !context.certificatePolicy) {
    response.SetStatus(kStatusNoSuchContainer);
    return true;
  }
  const CCertificatePolicy& certificate = *context.certificatePolicy;
  response.SetCertificate(certificate.GetEncodedCertificate());

  ContainerInfoRecord container;
  container.name = certificate.containerName.substr(0, ContainerInfoRecord::kNameChars - 1);
  container.defaultFlag = 0;
  container.keySpec = certificate.descriptor.keySpec;
  container.keyBits = certificate.descriptor.keyLengthBits;
  response.SetContainerInfo(container.Encode());

  const ContainerKeyInfoRecord key = ContainerKeyInfoRecord::ForCertificate(
      static_cast<DWORD>(context.marker), static_cast<BYTE>(certificate.descriptor.keyUsage & 0xFF));
  response.SetKeyInfo(key.Encode());
  response.SetStatus(ERROR_SUCCESS);
  return true;
}

bool CVSCProtocolHandler::handle(const CGetCertStoreInfoRequest& request,
                                 CGetCertStoreInfoResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle GetCertStoreInfo");
  if (!IsValidSession(request)) {
    response.SetStatus(kStatusInvalidSession);
    return false;
  }
  response.SetStatus(ERROR_SUCCESS);
  CCertContext context(nullptr, nullptr, nullptr);
  if (!LookupCertContextByIndex(request.GetIndex(), context) || !context.certificatePolicy ||
      !context.providerContext) {
    response.SetStatus(kStatusNoSuchContainer);
    return true;
  }
  const CCertificatePolicy& certificate = *context.certificatePolicy;
  const CProviderConfig& provider = context.providerContext->config;

  DWORD allowed = 0;
  CVirtualSmartCardSession session;
  if (GetSession(request, session) && certificate.constraints.IsProcessAllowed(session.GetProcessPath())) {
    allowed = 1;
  }
  std::wstring providerName = provider.TargetProviderName;
  DWORD providerType = provider.TargetProviderType;
  CCertStoreProfile profile;
  if (allowed == 1 &&
      appProfiles->ResolveAppProfile(session.GetProcessPath(), session.GetProcessVersion(), profile)) {
    if (profile.first && !profile.first->Name.empty()) {
      providerName = profile.first->Name;
      providerType = profile.first->Type;
    }
    if (profile.second && !profile.second->filters.empty()) {
      allowed = profile.second->Match(&certificate) ? 1 : 0;
    }
  }
  response.SetAllowed(allowed);
  response.SetProviderName(providerName);
  response.SetProviderType(providerType);
  response.SetCardReaderImage(provider.CardReaderImage);
  response.SetContainerName(certificate.containerName);
  response.SetKeySpec(certificate.descriptor.keySpec);
  response.SetExpired(certificate.GetDaysUntilExpiry() < 0 ? 1 : 0);
  response.SetFriendlyName(FriendlyNameOf(*context.providerContext, certificate));
  response.SetAccountKey(certificate.accountKey);
  response.SetStatus(ERROR_SUCCESS);
  return true;
}
