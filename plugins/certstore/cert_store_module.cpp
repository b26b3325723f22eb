#include "plugins/certstore/cert_store_module.h"

#include <atomic>

#include "plugins/common/user_pipe_name.h"

namespace luma::certstore {

namespace {

constexpr DWORD kHostPathChars = 2048;

std::wstring UserPipeName() { return luma::plugin::GetUserPipeName(); }

std::wstring HostExecutablePath() {
  wchar_t path[kHostPathChars] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, kHostPathChars);
  return std::wstring(path, length < kHostPathChars ? length : 0);
}

std::atomic<HMODULE> ownModule{nullptr};
std::atomic<bool> adminTool{false};
std::atomic<bool> serverProcess{false};
std::atomic<PipeNameFunction> pipeNameFunction{&UserPipeName};
std::atomic<HostPathFunction> hostPathFunction{&HostExecutablePath};
std::atomic<CCertificateProperties*> propertyAccess{nullptr};
std::atomic<long> liveRecords{0};
std::atomic<bool> pinned{false};

}  // namespace

CModuleDebugLog& moduleLog() {
  static CModuleDebugLog log(kModuleName);
  return log;
}

void SetModuleHandle(HMODULE module) noexcept { ownModule = module; }

HMODULE OwnModule() noexcept {
  if (HMODULE module = ownModule.load()) return module;
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&OwnModule), &module);
  return module;
}

void SetHostFlags(const HostFlags& flags) noexcept {
  adminTool = flags.isAdminTool;
  serverProcess = flags.isServerProcess;
}

HostFlags CurrentHostFlags() noexcept { return HostFlags{adminTool.load(), serverProcess.load()}; }

void SetHostPathFunction(HostPathFunction function) noexcept {
  hostPathFunction = function ? function : &HostExecutablePath;
}

std::wstring CurrentHostPath() { return hostPathFunction.load()(); }

void SetPipeNameFunction(PipeNameFunction function) noexcept {
  pipeNameFunction = function ? function : &UserPipeName;
}

std::wstring CurrentPipeName() { return pipeNameFunction.load()(); }

void SetPropertyAccess(CCertificateProperties* access) noexcept { propertyAccess = access; }

CCertificateProperties& PropertyAccess() noexcept {
  CCertificateProperties* access = propertyAccess.load();
  return access != nullptr ? *access : SystemCertificateProperties();
}

void RecordOpened() noexcept { ++liveRecords; }
void RecordClosed() noexcept { --liveRecords; }
long LiveRecordCount() noexcept { return liveRecords.load(); }

bool PlatformFreesProvidersWithoutAsking() noexcept {
  // Only Wine's crypt32 has been measured to free the module whatever DllCanUnloadNow answers; the
  // probe asks ntdll for the export that only Wine has.
  static const bool freesWithoutAsking = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return freesWithoutAsking;
}

void PinModuleWhereNeeded() noexcept {
  if (pinned.exchange(true)) return;
  const DWORD lastError = GetLastError();
  if (!PlatformFreesProvidersWithoutAsking()) {
    SetLastError(lastError);
    return;
  }
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                          reinterpret_cast<LPCWSTR>(&PinModuleWhereNeeded), &module)) {
    pinned = false;  // the next open tries again
  }
  SetLastError(lastError);
}

}  // namespace luma::certstore
