#include "service/auth/session_redirect.h"

#include <string>

#include "foundation/win/system_utils.h"

namespace luma::auth {

bool IsRedirectToOwnService(const CWebServiceException& error, const CProviderConfig& config) {
  if (error.GetStatus() != kSessionRedirectStatus) return false;
  const std::wstring target = GetUrlFirstPathSegment(error.GetExtra());
  std::wstring serviceUrl;
  std::wstring service;
  if (config.GetServiceURL(serviceUrl)) service = GetUrlFirstPathSegment(serviceUrl);
  return target == service;
}

}  // namespace luma::auth
