#include "service/authdlg/check_property_page.h"

#include <string>

#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "service/auth/implicit_auth_helper.h"
#include "service/auth/session_redirect.h"
#include "service/authdlg/auth_resource_ids.h"
#include "service/authdlg/pin_cache_update.h"
#include "service/vault/vault_core_soap_client.h"
#include "ui/core/tile_theme.h"

namespace luma {
namespace ui {

std::unique_ptr<CApplyWorkerResult> CheckWorker(CApplyWorkerParameter* parameter, volatile LONG*) {
  auto* input = dynamic_cast<CCheckThreadParameter*>(parameter);
  auto result = std::make_unique<CCheckThreadResult>();
  if (input == nullptr) return result;
  CAuthContext& context = input->context;
  context.GetToken(result->token);
  context.providerContext->pinCache.GetPin(*context.certificatePolicy, result->pin);
  if (!input->checkAccount && !input->verifyPin) return result;

  CImplicitAuthHelper helper(input->owner, context.providerContext, context.policy);
  std::wstring cookie;
  try {
    CVaultCoreSOAPClient client(context.providerContext->config.service, context.policy->issuerEncCert,
                                nullptr);
    BufferToString(result->token, cookie);
    client.proxy.SetCookie(cookie.empty() ? nullptr : cookie.c_str());
    helper.PrepareClient(client, false);
    if (input->verifyPin && context.IsPinCached() && context.HasPin()) {
      int tries = -1;
      const int status = client.VerifyPin(context.certificatePolicy->alias, result->pin, tries);
      const PinCacheAction action = PinCheckCacheAction(status, false);
      if (action == PinCacheAction::kRemovePin || action == PinCacheAction::kRemovePinMarkBlocked) {
        result->pin.Clear();
      }
      ApplyPinCacheAction(context, action, CSecureBuffer());
    } else {
      client.IsAlive();
    }
    helper.RememberCertificate();
  } catch (const CSOAPServiceException& error) {
    helper.ForgetCertificate(&error);
    switch (ClassifyCheckFailure(
        error.GetStatus(), luma::auth::IsRedirectToOwnService(error, context.providerContext->config))) {
      case CheckFailure::kDropToken:
        context.RemoveToken();
        result->token.Clear();
        break;
      case CheckFailure::kReport:
        result->error = error;
        break;
      default:
        break;
    }
  } catch (const CWindowsException& error) {
    result->token.Clear();
    result->pin.Clear();
    result->error = CWebServiceException(0, static_cast<std::int32_t>(error.GetError()), error.GetMessage());
  }
  WipeString(cookie);
  return result;
}

CCheckPropertyPage::CCheckPropertyPage(const CAuthContext& authContext, CAuthResult* authResult, bool account,
                                       bool pin, int nextPageNone, int nextPageToken, int nextPagePin,
                                       int nextPageBoth)
    : CAuthDialogPage(IDD_AUTH_CHECK, authContext, 0),
      checkAccount(account),
      verifyPin(pin),
      next{nextPageNone, nextPageToken, nextPagePin, nextPageBoth},
      result(authResult) {}

BOOL CCheckPropertyPage::OnSetActive() {
  CAuthDialogPage::OnSetActive();
  CertificateTileControl().SetTileState(kTileDisabled);
  ProviderTileControl().SetTileState(kTileDisabled);
  OnApply();  // the check starts without a click
  return TRUE;
}

BOOL CCheckPropertyPage::OnApply() {
  CAuthDialogPage::OnApply();
  return FALSE;
}

bool CCheckPropertyPage::GetApplyWorker(ApplyWorkerFunction& worker,
                                        std::unique_ptr<CApplyWorkerParameter>& parameter,
                                        bool& cancellable) {
  auto input = std::make_unique<CCheckThreadParameter>();
  input->owner = m_hWnd;
  input->context = context;
  input->checkAccount = checkAccount;
  input->verifyPin = verifyPin;
  worker = &CheckWorker;
  parameter = std::move(input);
  cancellable = true;
  return true;
}

void CCheckPropertyPage::OnApplyWorkerComplete(CApplyWorkerParameter* parameter,
                                               CApplyWorkerResult* workerResult) {
  Spinner().Stop();
  const auto* outcome = dynamic_cast<const CCheckThreadResult*>(workerResult);
  if (outcome == nullptr || outcome->error.GetError() != 0) {
    const std::wstring text = outcome != nullptr ? outcome->error.GetMessage() : std::wstring(L"-");
    SetStatus(text.c_str(), true);
    CertificateTileControl().SetTileState(kTileActive);
    ProviderTileControl().SetTileState(kTileActive);
    CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
    return;  // OK stays disabled: Cancel or the countdown ends the dialog
  }
  if (result != nullptr) {
    result->pin = outcome->pin;
    result->token = outcome->token;
  }
  const int chosen = CheckPageNext(next, !outcome->token.empty(), !outcome->pin.empty());
  CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
  if (Sheet() == nullptr) return;
  if (chosen <= 0) {
    Sheet()->NextPage();
  } else {
    Sheet()->SetActivePageById(static_cast<UINT>(chosen), false);
  }
}

}  // namespace ui
}  // namespace luma
