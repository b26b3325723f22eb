#include "service/app/auto_update.h"

#include <objbase.h>

#include <new>

#include "foundation/win/debug_log.h"
#include "foundation/win/unique_handle.h"
#include "foundation/win/windows_exception.h"
#include "policy/core/policy_exception.h"
#include "service/auth/implicit_auth_helper.h"
#include "service/core/thread_stacks.h"
#include "service/vault/vault_core_soap_client.h"
#include "service/vault/web_service_exception.h"

namespace luma::app {
namespace {

struct AttemptTexts {
  const wchar_t* trying;
  const wchar_t* succeeded;
  const wchar_t* notAllowed;
  const wchar_t* failed;
  const wchar_t* unspecified;
  const wchar_t* suspended;
};

constexpr AttemptTexts kProvisionTexts = {
    L"Trying to auto-provision provider %s",
    L"Auto-provision succeeded. Policy for user %s added.",
    L"Auto-provision failed as the policy is not allowed on current host or domain",
    L"An error occurred during the auto-provision attempt: %s",
    L"An unspecified error occurred during the auto-provision attempt",
    L"Maximum number of consecutive auto-provision failures reached. Suspending auto-provision for provider "
    L"%s"};

constexpr AttemptTexts kRefreshTexts = {
    L"Trying to auto-refresh policy of provider %s",
    L"Auto-refresh succeeded. Policy for user %s refreshed.",
    L"Auto-refresh failed as the policy is not allowed on current host or domain",
    L"An error occurred during the auto-refresh attempt: %s",
    L"An unspecified error occurred during the auto-refresh attempt",
    L"Maximum number of consecutive auto-refresh failures reached. Suspending auto-refresh for provider %s"};

// The COM apartment of the thread, undone when it succeeded.
class CComApartment {
 public:
  CComApartment() : initialized(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~CComApartment() {
    if (initialized) CoUninitialize();
  }
  CComApartment(const CComApartment&) = delete;
  CComApartment& operator=(const CComApartment&) = delete;

 private:
  bool initialized;
};

bool IsStopped(HANDLE stopEvent) { return WaitForSingleObject(stopEvent, 1) == WAIT_OBJECT_0; }

void Attempt(const std::shared_ptr<CProviderContext>& context, bool refresh) {
  const AttemptTexts& texts = refresh ? kRefreshTexts : kProvisionTexts;
  CDebugLog::Log(LOG_INFO, texts.trying, context->config.Name.c_str());
  ++context->autoUpdateAttempts;
  try {
    CImplicitAuthHelper helper(nullptr, context);
    CVaultCoreSOAPClient client(context->config.service, CSecureBuffer(), nullptr);
    helper.PrepareClient(client, true);
    CSecureBuffer encoded;
    client.GetPolicy(encoded);
    CPolicyPtr policy;
    context->CreatePolicy(policy, encoded);
    if (refresh) {
      std::list<CPolicyPtr> stored;
      context->GetPolicies(stored);
      for (const CPolicyPtr& old : stored) {
        if (old->accountKey == policy->accountKey) {
          context->RemovePolicy(*old);
          break;
        }
      }
    }
    if (policy->constraints.IsDomainAllowed() && policy->constraints.IsHostAllowed()) {
      context->AddPolicy(policy, true);
      CDebugLog::Log(LOG_INFO, texts.succeeded, policy->userId.c_str());
      helper.SetPolicy(policy);
      helper.RememberCertificate();
      context->RecordAutoUpdateSuccess();
    } else {
      CDebugLog::Log(LOG_WARNING, texts.notAllowed);
    }
  } catch (const CSOAPServiceException& e) {
    CDebugLog::Log(LOG_ERROR, texts.failed, e.GetMessage().c_str());
  } catch (const CPolicyException& e) {
    const WString message = e.GetMessage();
    CDebugLog::Log(LOG_ERROR, texts.failed, message.c_str());
  } catch (const CWindowsException& e) {
    const std::wstring message = e.GetErrorText();
    CDebugLog::Log(LOG_ERROR, texts.failed, message.c_str());
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, texts.unspecified);
  }

  const auto authConfig = context->config.GetAuthConfig();
  const bool suspended = refresh ? authConfig && authConfig->AutoMaxConsecutiveErrors != 0 &&
                                       context->autoUpdateAttempts > authConfig->AutoMaxConsecutiveErrors
                                 : context->IsAutoUpdateSuspended();
  if (suspended) CDebugLog::Log(LOG_ERROR, texts.suspended, context->config.Name.c_str());
}

struct AutoUpdateStart {
  CAutoUpdateList list;
  luma::CKernelHandle stopEvent;  // the thread's own handle: it may outlive the program's wait
  std::shared_ptr<luma::service::CCallAbort> remoteCalls;
};

DWORD WINAPI AutoUpdateThread(void* parameter) {
  std::unique_ptr<AutoUpdateStart> start(static_cast<AutoUpdateStart*>(parameter));
  try {
    luma::service::CCallAbortScope abortable(start->remoteCalls);
    RunAutoUpdates(std::move(start->list), start->stopEvent.get());
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Unexpected exception in the auto-provisioning thread");
  }
  return 0;
}

}  // namespace

void AutoProvisionProvider(const std::shared_ptr<CProviderContext>& context) { Attempt(context, false); }

void AutoRefreshProvider(const std::shared_ptr<CProviderContext>& context) { Attempt(context, true); }

void RunAutoUpdates(CAutoUpdateList list, HANDLE stopEvent, DWORD passMilliseconds) {
  CDebugLog::Log(LOG_INFO, L"Auto-provisioning or refresh requested");
  CComApartment apartment;

  bool anyRefresh = false;
  for (const auto& context : list) {
    if (IsStopped(stopEvent)) break;
    const auto authConfig = context->config.GetAuthConfig();
    if (authConfig && authConfig->AutoRefresh) anyRefresh = true;
    if (context->IsAutoProvisionDue()) AutoProvisionProvider(context);
  }

  while (anyRefresh) {
    for (const auto& context : list) {
      if (IsStopped(stopEvent)) break;
      if (context->IsAutoProvisionDue()) AutoProvisionProvider(context);
      if (IsStopped(stopEvent)) break;
      if (context->IsAutoRefreshDue()) AutoRefreshProvider(context);
    }
    if (WaitForSingleObject(stopEvent, passMilliseconds) != WAIT_TIMEOUT) break;
  }
  list.clear();
}

bool CAutoUpdateThread::Start(CAutoUpdateList list, HANDLE stopEvent) {
  auto start =
      std::unique_ptr<AutoUpdateStart>(new (std::nothrow) AutoUpdateStart{std::move(list), {}, remoteCalls});
  if (!start) return false;
  if (!DuplicateHandle(GetCurrentProcess(), stopEvent, GetCurrentProcess(), start->stopEvent.put(),
                       SYNCHRONIZE, FALSE, 0)) {
    return false;
  }
  thread.reset(CreateThread(nullptr, luma::service::kWorkerThreadStackBytes, &AutoUpdateThread, start.get(),
                            STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  if (!thread) return false;
  (void)start.release();  // the thread owns it now
  return true;
}

void CAutoUpdateThread::Abort() { remoteCalls->Abort(); }

bool CAutoUpdateThread::Wait(DWORD milliseconds) {
  return !thread || WaitForSingleObject(thread.get(), milliseconds) == WAIT_OBJECT_0;
}

}  // namespace luma::app
