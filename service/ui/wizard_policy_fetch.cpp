#include "service/ui/wizard_policy_fetch.h"

#include "foundation/win/system_utils.h"
#include "service/core/service_text_ids.h"
#include "service/ui/wizard_resource_ids.h"

namespace luma {
namespace ui {

void SetWizardCookie(CVaultCoreSOAPClient& client, const CSecureBuffer& token) {
  std::wstring cookie;
  BufferToString(token, cookie);
  client.proxy.SetCookie(cookie.empty() ? nullptr : cookie.c_str());
  WipeString(cookie);
}

void FetchAccountPolicy(CVaultCoreSOAPClient& client, const CProviderContext& provider,
                        CWizCheckThreadResult& result, const std::wstring* expectedAccount) {
  CSecureBuffer encoded;
  client.GetPolicy(encoded);
  CPolicyPtr policy;
  provider.CreatePolicy(policy, encoded);
  result.policy = policy;
  if (expectedAccount != nullptr && policy->accountKey != *expectedAccount) {
    throw CPolicyException(FormatResourceString(IDS_WIZ_ACCOUNT_MISMATCH));
  }
  if (!policy->constraints.IsDomainAllowed()) {
    throw CPolicyException(FormatResourceString(luma::service::kStrDomainNotAllowed));
  }
  if (!policy->constraints.IsHostAllowed()) {
    throw CPolicyException(FormatResourceString(luma::service::kStrHostNotAllowed));
  }
}

CSOAPServiceException ServiceErrorOf(std::int32_t windowsError, const std::wstring& text) {
  return CSOAPServiceException(500, windowsError, text);
}

}  // namespace ui
}  // namespace luma
