#include "service/auth/implicit_auth_helper.h"

#include <utility>

#include "foundation/win/system_utils.h"
#include "service/core/service_text_ids.h"

namespace {

constexpr std::int32_t kNoCertificateStatus = 401;
constexpr std::int32_t kNoSuchCertificate =
    static_cast<std::int32_t>(0x8010002C);  // SCARD_E_NO_SUCH_CERTIFICATE

std::int32_t AuthTypeOf(const CProviderContext& providerContext) {
  const std::shared_ptr<CAuthConfig> method = providerContext.config.GetAuthConfig();
  return method ? method->type : AUTH_TYPE_NONE;
}

}  // namespace

CImplicitAuthHelper::CImplicitAuthHelper(HWND owner, std::shared_ptr<CProviderContext> providerContext,
                                         std::shared_ptr<CPolicy> policy)
    : providerContext(std::move(providerContext)),
      policy(std::move(policy)),
      authenticationType(AuthTypeOf(*this->providerContext)),
      filter(owner, luma::FormatResourceString(luma::service::kStrAuthenticationTitle),
             luma::FormatResourceString(luma::service::kStrSelectAuthCertificate)) {}

CImplicitAuthHelper::CImplicitAuthHelper(HWND owner, std::shared_ptr<CProviderContext> providerContext)
    : CImplicitAuthHelper(owner, std::move(providerContext), nullptr) {}

bool CImplicitAuthHelper::RemembersForAccount() const {
  return authenticationType == AUTH_TYPE_CERTIFICATE && policy != nullptr;
}

void CImplicitAuthHelper::PrepareClient(CVaultCoreSOAPClient& client, bool silent) {
  if (authenticationType != AUTH_TYPE_CERTIFICATE) return;
  std::wstring remembered;
  if (policy) providerContext->tokenCache.GetCertFingerprint(*policy, remembered);
  const auto method = std::dynamic_pointer_cast<CCertificateConfig>(providerContext->config.GetAuthConfig());
  const bool chosen =
      method != nullptr && filter.SelectCertificate(method->CertStoreType, method->CertStoreName,
                                                    method->filter, remembered, silent);
  if (!chosen) {
    throw CSOAPServiceException(kNoCertificateStatus, kNoSuchCertificate,
                                luma::FormatResourceString(luma::service::kStrNoAuthCertificate));
  }
  client.proxy.SetClientCertificate(filter.GetChosen());
}

void CImplicitAuthHelper::RememberCertificate() {
  if (!RemembersForAccount()) return;
  providerContext->tokenCache.StoreCertFingerprint(*policy, filter.GetFingerprint());
}

void CImplicitAuthHelper::ForgetCertificate(const CWebServiceException*) {
  if (!RemembersForAccount()) return;
  providerContext->tokenCache.RemoveCertFingerprint(*policy);
}
