#include "service/app/cert_store_registration.h"

#include <wincrypt.h>

#include "foundation/win/debug_log.h"
#include "service/core/thread_stacks.h"

namespace luma::app {
namespace {

constexpr wchar_t kStoreName[] = L"lumaPassV";
constexpr char kStoreProvider[] = "lumaPassV";
constexpr wchar_t kParentStore[] = L"MY";
constexpr DWORD kPhysicalStorePriority = 100;

}  // namespace

bool CCertStoreRegistrar::RegisterPhysicalStore() {
  CERT_PHYSICAL_STORE_INFO info = {};
  info.cbSize = sizeof info;
  info.pszOpenStoreProvider = const_cast<char*>(kStoreProvider);
  info.dwOpenEncodingType = 0;
  info.dwOpenFlags = CERT_SYSTEM_STORE_CURRENT_USER;
  info.dwFlags = 0;
  info.dwPriority = kPhysicalStorePriority;
  return CertRegisterPhysicalStore(kParentStore, CERT_SYSTEM_STORE_CURRENT_USER, kStoreName, &info,
                                   nullptr) != FALSE;
}

bool CCertStoreRegistrar::RegisterSystemStore() {
  return CertRegisterSystemStore(kStoreName, CERT_SYSTEM_STORE_CURRENT_USER, nullptr, nullptr) != FALSE;
}

bool CCertStoreRegistrar::UnregisterPhysicalStore() {
  return CertUnregisterPhysicalStore(kParentStore, CERT_SYSTEM_STORE_CURRENT_USER, kStoreName) != FALSE;
}

bool CCertStoreRegistrar::UnregisterSystemStore() {
  return CertUnregisterSystemStore(kStoreName, CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_DELETE_FLAG) !=
         FALSE;
}

CCertStoreRegistration::CCertStoreRegistration(std::unique_ptr<CCertStoreRegistrar> registrar)
    : registrar(std::move(registrar)) {}

CCertStoreRegistration::~CCertStoreRegistration() { StopCheck(); }

bool CCertStoreRegistration::Register() {
  std::lock_guard<std::mutex> guard(lock);
  if (!registrar->RegisterPhysicalStore()) return false;
  physicalRegistered = true;
  if (!registrar->RegisterSystemStore()) return false;
  systemRegistered = true;
  return true;
}

bool CCertStoreRegistration::IsRegistered() const {
  std::lock_guard<std::mutex> guard(lock);
  return physicalRegistered && systemRegistered;
}

bool CCertStoreRegistration::Unregister() {
  StopCheck();
  std::lock_guard<std::mutex> guard(lock);
  if (!physicalRegistered) return false;
  physicalRegistered = false;
  if (!registrar->UnregisterPhysicalStore()) {
    systemRegistered = false;
    return false;
  }
  const bool wasSystemRegistered = systemRegistered;
  systemRegistered = false;
  return wasSystemRegistered && registrar->UnregisterSystemStore();
}

void CCertStoreRegistration::CheckAgainWhenEnded(luma::CKernelHandle previousInstance) {
  if (!previousInstance) return;
  StopCheck();
  stopCheck.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stopCheck) return;
  const HANDLE stop = stopCheck.get();
  try {
    StartCheckThread(stop, std::move(previousInstance));
  } catch (const std::exception&) {
    CDebugLog::Log(LOG_ERROR, L"Could not start the check of the Cert Store registration");
  }
}

namespace {
// What the check thread is handed; it owns the process handle.
struct CCheckStart {
  CCertStoreRegistration* registration;
  HANDLE stop;
  luma::CKernelHandle process;
};
}  // namespace

void CCertStoreRegistration::StartCheckThread(HANDLE stop, luma::CKernelHandle previousInstance) {
  auto start = std::make_unique<CCheckStart>(CCheckStart{this, stop, std::move(previousInstance)});
  checkThread.reset(CreateThread(nullptr, luma::service::kBackgroundThreadStackBytes, CheckThread,
                                 start.get(), STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  if (!checkThread) {
    CDebugLog::Log(LOG_ERROR, L"Could not start the check of the Cert Store registration");
    return;
  }
  static_cast<void>(start.release());  // the thread owns it now
}

DWORD WINAPI CCertStoreRegistration::CheckThread(void* parameter) {
  const std::unique_ptr<CCheckStart> start(static_cast<CCheckStart*>(parameter));
  try {
    start->registration->Check(start->stop, start->process.get());
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Unexpected exception while checking the Cert Store registration");
  }
  return 0;
}

void CCertStoreRegistration::Check(HANDLE stop, HANDLE process) {
  const HANDLE waits[2] = {stop, process};
  if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
  std::lock_guard<std::mutex> guard(lock);
  if (!physicalRegistered) return;
  // Registering again leaves an existing registration as it is and restores a removed one.
  const bool physical = registrar->RegisterPhysicalStore();
  const bool system = physical && systemRegistered && registrar->RegisterSystemStore();
  CDebugLog::Log(LOG_INFO,
                 L"Checked the lumaPassV Cert Store registration after the previous instance ended: %s",
                 physical && (system || !systemRegistered) ? L"registered" : L"failed");
}

void CCertStoreRegistration::StopCheck() {
  if (stopCheck) SetEvent(stopCheck.get());
  if (checkThread) WaitForSingleObject(checkThread.get(), INFINITE);
  checkThread.reset();
  stopCheck.reset();
}

}  // namespace luma::app
