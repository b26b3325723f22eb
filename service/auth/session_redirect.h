// How a caller of the remote service recognises a session the service no longer accepts: the call
// is redirected (303) to a page under the same first path segment as the method's own login URL.
#ifndef LUMA_SERVICE_AUTH_SESSION_REDIRECT_H_
#define LUMA_SERVICE_AUTH_SESSION_REDIRECT_H_

#include "policy/config/provider_config.h"
#include "service/vault/web_service_exception.h"

namespace luma::auth {

constexpr std::int32_t kSessionRedirectStatus = 303;

// Exact comparison of the two segments; without a login URL its segment is empty.
bool IsRedirectToOwnService(const CWebServiceException& error, const CProviderConfig& config);

}  // namespace luma::auth

#endif  // LUMA_SERVICE_AUTH_SESSION_REDIRECT_H_
