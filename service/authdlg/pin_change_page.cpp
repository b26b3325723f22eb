#include "service/authdlg/pin_change_page.h"

#include <string>

#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "service/auth/implicit_auth_helper.h"
#include "service/authdlg/auth_resource_ids.h"
#include "service/authdlg/pin_cache_update.h"
#include "service/vault/vault_core_soap_client.h"
#include "ui/controls/gdiplus_bitmap.h"
#include "ui/core/auth_outcome.h"
#include "ui/core/pin_change_outcome.h"

namespace luma {
namespace ui {
namespace {

constexpr DWORD kNotAuthenticatedStatus = 307;

constexpr int kRuleTextIds[CPINChangePage::kRuleCount] = {IDC_RULE_LENGTH, IDC_RULE_UPPER,   IDC_RULE_LOWER,
                                                          IDC_RULE_DIGITS, IDC_RULE_SYMBOLS, IDC_RULE_CONFIRM,
                                                          IDC_RULE_DIFFERS};
constexpr int kRuleMarkIds[CPINChangePage::kRuleCount] = {IDC_MARK_LENGTH, IDC_MARK_UPPER,   IDC_MARK_LOWER,
                                                          IDC_MARK_DIGITS, IDC_MARK_SYMBOLS, IDC_MARK_CONFIRM,
                                                          IDC_MARK_DIFFERS};

PinRuleCounts CountsOf(const CPinConstraints& rules) {
  PinRuleCounts counts;
  counts.minLength = static_cast<int>(rules.minLength);
  counts.maxLength = static_cast<int>(rules.maxLength);
  counts.minUpperCase = static_cast<int>(rules.minUpperCaseCharacters);
  counts.minLowerCase = static_cast<int>(rules.minLowerCaseCharacters);
  counts.minDigits = static_cast<int>(rules.minNumericCharacters);
  counts.minSymbols = static_cast<int>(rules.minSymbolCharacters);
  return counts;
}

// Whether each row's rule holds, in the rows' order.
void RowsMet(const CPinRuleChecker& checker, bool (&met)[CPINChangePage::kRuleCount]) {
  met[0] = checker.minLengthMet && checker.maxLengthMet;
  met[1] = checker.upperCaseMet;
  met[2] = checker.lowerCaseMet;
  met[3] = checker.numericMet;
  met[4] = checker.symbolMet;
  met[5] = checker.confirmationMatches;
  met[6] = checker.differsFromCurrent;
}

// A picture of the program fitted into the control's client area, top left on white.
CBitmapHandle FittedPicture(UINT id, HWND control) {
  if (control == nullptr) return CBitmapHandle();
  CGdiPlusBitmapResource picture;
  if (!picture.Load(id, GetModuleHandleW(nullptr))) return CBitmapHandle();
  RECT client = {};
  GetClientRect(control, &client);
  std::unique_ptr<Gdiplus::Bitmap> fitted = FitBitmapToRect(*picture.Get(), client, -1, -1, true);
  HBITMAP bitmap = nullptr;
  if (!fitted || fitted->GetHBITMAP(Gdiplus::Color(255, 255, 255, 255), &bitmap) != Gdiplus::Ok)
    return CBitmapHandle();
  return CBitmapHandle(bitmap);
}

}  // namespace

std::unique_ptr<CApplyWorkerResult> PinChangeWorker(CApplyWorkerParameter* parameter, volatile LONG*) {
  auto* input = dynamic_cast<CPINChangeThreadParameter*>(parameter);
  auto result = std::make_unique<CPINChangeThreadResult>();
  if (input == nullptr) return result;
  CAuthContext& context = input->context;
  if (!context.CanAuthenticateSilently()) {
    // An interactive login without a session: the dialog's login pages must come first.
    result->error = CSOAPServiceException(kNotAuthenticatedStatus, ERROR_NOT_AUTHENTICATED, L"");
    return result;
  }
  CImplicitAuthHelper helper(input->owner, context.providerContext, context.policy);
  std::wstring cookie;
  CSecureBuffer token;
  try {
    CVaultCoreSOAPClient client(context.providerContext->config.service, context.policy->issuerEncCert,
                                nullptr);
    if (context.GetToken(token)) BufferToString(token, cookie);
    client.proxy.SetCookie(cookie.empty() ? nullptr : cookie.c_str());
    helper.PrepareClient(client, false);
    int tries = -1;
    result->status =
        client.ChangePin(context.certificatePolicy->alias, input->currentPin, input->newPin, tries);
    const PinCheckVerdict verdict = PasswordCheckVerdict(result->status, tries);
    result->blocked = verdict.blocked;
    result->remainingTries = verdict.remainingTries;
    if (result->status == kPinOk) result->newPin = input->newPin;
    ApplyPinCacheAction(context, PinCheckCacheAction(result->status, true), input->newPin);
    helper.RememberCertificate();
    if (result->status == kPinOk) client.GetPolicy(result->policy);
  } catch (const CSOAPServiceException& error) {
    helper.ForgetCertificate(&error);
    result->error = error;
  } catch (const CWindowsException& error) {
    result->error =
        CSOAPServiceException(500, static_cast<std::int32_t>(error.GetError()), error.GetMessage());
  }
  WipeString(cookie);
  token.Clear();
  return result;
}

CPINChangePage::CPINChangePage(const CAuthContext& authContext, CAuthResult* authResult)
    : CAuthDialogPage(IDD_PIN_CHANGE, authContext, 0),
      result(authResult),
      ruleChecker(context.certificatePolicy->pinPolicy.pinConstraints) {
  caption = FormatResourceString(IDS_PIN_CHANGE_CAPTION);
}

void CPINChangePage::DoDataExchange() {
  CAuthDialogPage::DoDataExchange();
  infoTip.Attach(m_hWnd, IDC_PIN_CURRENT_TIP);
  current.SubclassDlgItem(m_hWnd, IDC_PIN_CURRENT);
  fresh.SubclassDlgItem(m_hWnd, IDC_PIN_NEW);
  confirmation.SubclassDlgItem(m_hWnd, IDC_PIN_CONFIRM);
  for (int i = 0; i < kRuleCount; ++i) {
    ruleTexts[i].Bind(m_hWnd, kRuleTextIds[i]);
    ruleMarks[i].Bind(m_hWnd, kRuleMarkIds[i]);
  }
}

BOOL CPINChangePage::OnInitDialog() {
  CAuthDialogPage::OnInitDialog();
  okBitmap = FittedPicture(IDB_RULE_MET, ruleMarks[0].Handle());
  failBitmap = FittedPicture(IDB_RULE_UNMET, ruleMarks[0].Handle());

  const CProviderConfig& provider = context.providerContext->config;
  const bool transport = context.certificatePolicy->pinPolicy.IsTransportPin();
  const std::wstring cue =
      FormatResourceString(transport ? IDS_TRANSPORT_CODE_CUE : IDS_CURRENT_PASSWORD_CUE);
  SendMessageW(current.Handle(), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(cue.c_str()));
  infoTip.SetText(transport ? provider.ToolTipTransportPassword : provider.ToolTipPassword);
  const std::wstring newCue = FormatResourceString(IDS_NEW_PASSWORD_CUE);
  SendMessageW(fresh.Handle(), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(newCue.c_str()));
  const std::wstring confirmCue = FormatResourceString(IDS_CONFIRM_PASSWORD_CUE);
  SendMessageW(confirmation.Handle(), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(confirmCue.c_str()));

  const std::vector<RuleLine> lines = PasswordRuleLines(CountsOf(ruleChecker.constraints));
  for (size_t i = 0; i < lines.size(); ++i) {
    ruleTexts[i].SetText(FormatResourceString(lines[i].textId, lines[i].first, lines[i].second));
    ruleTexts[i].Enable(lines[i].enabled ? TRUE : FALSE);
  }
  ruleTexts[5].SetText(FormatResourceString(IDS_RULE_CONFIRM));
  ruleTexts[6].SetText(FormatResourceString(IDS_RULE_DIFFERS));
  return TRUE;
}

BOOL CPINChangePage::OnSetActive() {
  ClearFields();
  OnPinEditChanged();
  PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(current.Handle()), TRUE);
  return CAuthDialogPage::OnSetActive();
}

void CPINChangePage::ClearFields() {
  current.Clear();  // overwritten with '#' first
  fresh.Clear();
  confirmation.Clear();
}

void CPINChangePage::EnableFields(bool enable) {
  current.Enable(enable ? TRUE : FALSE);
  fresh.Enable(enable ? TRUE : FALSE);
  confirmation.Enable(enable ? TRUE : FALSE);
}

void CPINChangePage::ShowRuleMarks() {
  RowsMet(ruleChecker, shownMet);
  for (int i = 0; i < kRuleCount; ++i)
    ruleMarks[i].SetBitmap(shownMet[i] ? okBitmap.get() : failBitmap.get());
  marksShown = true;
}

bool CPINChangePage::IsRuleShownMet(int row) const {
  return row >= 0 && row < kRuleCount && marksShown && shownMet[row];
}

void CPINChangePage::OnPinEditChanged() {
  CSecureBuffer currentText;
  CSecureBuffer newText;
  CSecureBuffer confirmText;
  GetWindowTextSecure(current.Handle(), currentText, true);
  GetWindowTextSecure(fresh.Handle(), newText, true);
  GetWindowTextSecure(confirmation.Handle(), confirmText, true);
  if (ruleChecker.Evaluate(currentText, newText, confirmText) || !marksShown) ShowRuleMarks();
  const bool allMet = ruleChecker.minLengthMet && ruleChecker.maxLengthMet && ruleChecker.numericMet &&
                      ruleChecker.symbolMet && ruleChecker.upperCaseMet && ruleChecker.lowerCaseMet &&
                      ruleChecker.confirmationMatches && ruleChecker.differsFromCurrent;
  const bool enable = PinChangeOkEnabled(allMet, GetWindowTextLengthW(current.Handle()) == 0,
                                         CountsOf(ruleChecker.constraints));
  if (Sheet() != nullptr && !Sheet()->IsBusy()) {
    Sheet()->EnableOK(enable ? TRUE : FALSE);
    if (enable) SetModified(TRUE);
  }
  currentText.Clear();
  newText.Clear();
  confirmText.Clear();
}

bool CPINChangePage::OnCommand(UINT id, UINT code, HWND control) {
  if (code == EN_CHANGE && (id == IDC_PIN_CURRENT || id == IDC_PIN_NEW || id == IDC_PIN_CONFIRM)) {
    OnPinEditChanged();
    return true;
  }
  return CAuthDialogPage::OnCommand(id, code, control);
}

BOOL CPINChangePage::OnApply() {
  EnableFields(false);
  CAuthDialogPage::OnApply();
  return FALSE;
}

bool CPINChangePage::GetApplyWorker(ApplyWorkerFunction& worker,
                                    std::unique_ptr<CApplyWorkerParameter>& parameter, bool& cancellable) {
  auto input = std::make_unique<CPINChangeThreadParameter>();
  input->owner = m_hWnd;
  input->context = context;
  GetWindowTextSecure(current.Handle(), input->currentPin, false);
  GetWindowTextSecure(fresh.Handle(), input->newPin, false);
  worker = &PinChangeWorker;
  parameter = std::move(input);
  cancellable = false;
  return true;
}

void CPINChangePage::AddFetchedPolicy(const CSecureBuffer& encoded) {
  try {
    CPolicyPtr policy;
    context.providerContext->AddEncodedPolicy(policy, encoded);
    if (policy && result != nullptr) context.providerContext->tokenCache.StoreToken(*policy, result->token);
  } catch (const std::exception& error) {
    CDebugLog::Log(LOG_ERROR, L"The account's policy fetched after the password change was not added: %hs",
                   error.what());
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"The account's policy fetched after the password change was not added");
  }
}

void CPINChangePage::OnApplyWorkerComplete(CApplyWorkerParameter* parameter,
                                           CApplyWorkerResult* workerResult) {
  Spinner().Stop();
  const auto* outcome = dynamic_cast<const CPINChangeThreadResult*>(workerResult);
  const bool failed = outcome == nullptr || outcome->error.GetError() != 0;
  const PinChangeOutcome decision =
      failed ? DecidePinChange(true, 0, false, -1)
             : DecidePinChange(false, outcome->status, outcome->blocked, outcome->remainingTries);
  switch (decision.step) {
    case PinChangeStep::kKeepInput: {
      const std::wstring message = outcome != nullptr ? outcome->error.GetMessage() : std::wstring();
      SetStatus(message.c_str(), true);
      ShowMessage(FormatResourceString(IDS_SERVICE_ERROR, message.c_str()));
      EnableFields(true);
      if (Sheet() != nullptr) Sheet()->EnableOK(TRUE);
      break;
    }
    case PinChangeStep::kEndChanged:
      if (result != nullptr) result->pin = outcome->newPin;
      if (!outcome->policy.empty()) AddFetchedPolicy(outcome->policy);
      ShowMessage(FormatResourceString(IDS_PIN_CHANGED), MB_ICONINFORMATION | MB_SETFOREGROUND | MB_TOPMOST);
      if (Sheet() != nullptr) {
        Sheet()->PostEndDialog(IDOK);
        Sheet()->EnableOK(FALSE);
      }
      break;
    case PinChangeStep::kEndBlocked:
      ShowMessage(FormatResourceString(IDS_WRONG_PASSWORD_BLOCKED));
      if (Sheet() != nullptr) Sheet()->PostEndDialog(IDCANCEL);
      break;
    case PinChangeStep::kClearInput:
      break;
  }
  if (decision.step == PinChangeStep::kClearInput || decision.step == PinChangeStep::kEndBlocked) {
    if (decision.message == PinChangeMessage::kPolicyViolation) {
      ShowMessage(FormatResourceString(IDS_PIN_POLICY_VIOLATION));
    } else if (decision.message == PinChangeMessage::kWrongPassword) {
      ShowMessage(FormatResourceString(IDS_WRONG_PASSWORD));
    } else if (decision.message == PinChangeMessage::kWrongPasswordTries) {
      ShowMessage(FormatResourceString(IDS_WRONG_PASSWORD_TRIES, outcome->remainingTries));
    }
    ClearFields();
    EnableFields(true);
    OnPinEditChanged();
    PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(current.Handle()), TRUE);
    if (Sheet() != nullptr) Sheet()->EnableOK(FALSE);
  }
  CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
}

void CPINChangePage::OnDestroy() {
  ClearFields();
  for (CStatic& mark : ruleMarks) mark.SetBitmap(nullptr);
  CAuthDialogPage::OnDestroy();
}

}  // namespace ui
}  // namespace luma
