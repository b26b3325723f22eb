#include "service/auth/auth_check.h"

#include <objbase.h>
#include <process.h>

#include <string>

#include "foundation/win/system_utils.h"
#include "service/auth/implicit_auth_helper.h"
#include "service/auth/session_redirect.h"
#include "service/core/thread_stacks.h"
#include "service/vault/vault_core_soap_client.h"
#include "service/vault/web_service_exception.h"

namespace {

uintptr_t BeginThread(CAuthCheck::ThreadProc procedure, void* parameter) {
  return _beginthreadex(nullptr, static_cast<unsigned>(luma::service::kWorkerThreadStackBytes), procedure,
                        parameter, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
}

}  // namespace

CAuthCheck::CAuthCheck(Key, std::shared_ptr<CAuthContext> context, ClientObserver observer)
    : context(std::move(context)), observer(std::move(observer)) {}

CAuthCheck::~CAuthCheck() = default;

std::shared_ptr<CAuthCheck> CAuthCheck::Start(const std::shared_ptr<CAuthContext>& context) {
  return Start(context, BeginThread);
}

std::shared_ptr<CAuthCheck> CAuthCheck::Start(const std::shared_ptr<CAuthContext>& context,
                                              const ThreadStarter& startThread, ClientObserver observer) {
  auto check = std::make_shared<CAuthCheck>(Key{}, context, std::move(observer));
  // The thread copies this pointer before it reports started, so it may live on the stack.
  std::shared_ptr<CAuthCheck> handOver = check;
  const uintptr_t handle = startThread(ThreadMain, &handOver);
  if (handle == 0) {
    // No attempt will run: a finished check with nothing found, rather than a wait for ever.
    CMutexObjLock guard(check->lock);
    check->started = true;
    check->finished = true;
    return check;
  }
  while (!check->IsStarted()) Sleep(10);
  check->thread.reset(reinterpret_cast<HANDLE>(handle));
  return check;
}

bool CAuthCheck::IsStarted() {
  CMutexObjLock guard(lock);
  return started;
}

unsigned __stdcall CAuthCheck::ThreadMain(void* parameter) {
  try {
    std::shared_ptr<CAuthCheck> self = *static_cast<std::shared_ptr<CAuthCheck>*>(parameter);
    self->Run();
  } catch (...) {
    // Nothing leaves a thread procedure; Run handles its own failures.
  }
  return 0;
}

void CAuthCheck::Run() {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    CMutexObjLock guard(lock);
    started = true;
  }
  result.tokenFlag = true;
  result.pinFlag = true;
  try {
    if (context->CanAuthenticateSilently()) CheckSession();
  } catch (...) {
    // Out of memory before the call: nothing was learnt, the PIN step still runs.
  }
  try {
    TakeCachedPin();
  } catch (...) {
    result.pin.Clear();
  }
  {
    CMutexObjLock guard(lock);
    finished = true;
  }
  if (SUCCEEDED(com)) CoUninitialize();
}

void CAuthCheck::CheckSession() {
  CImplicitAuthHelper helper(nullptr, context->providerContext, context->policy);
  std::wstring cookie;
  try {
    CSecureBuffer token;
    {
      CVaultCoreSOAPClient client(context->providerContext->config.service, context->policy->issuerEncCert,
                                  nullptr);
      helper.PrepareClient(client, false);
      context->GetToken(token);
      luma::BufferToString(token, cookie);
      client.proxy.SetCookie(cookie.c_str());
      if (observer) observer(client);
      client.IsAlive();
    }
    result.token = token;
    helper.RememberCertificate();
  } catch (const CWebServiceException& error) {
    helper.ForgetCertificate(&error);
    // The session is gone: the authentication asks for a login again.
    if (luma::auth::IsRedirectToOwnService(error, context->providerContext->config)) context->RemoveToken();
  } catch (...) {
    context->RemoveToken();
    context->RemovePin();
  }
  luma::WipeString(cookie);
}

void CAuthCheck::TakeCachedPin() {
  if (context->HasPin() && !context->providerContext->pinCache.IsPinCached(*context->certificatePolicy))
    return;
  CSecureBuffer pin;
  context->providerContext->pinCache.GetPin(*context->certificatePolicy, pin);
  result.pin = pin;
}

bool CAuthCheck::Wait() {
  {
    CMutexObjLock guard(lock);
    if (finished) return true;
  }
  return WaitForSingleObject(thread.get(), INFINITE) == WAIT_OBJECT_0;
}
