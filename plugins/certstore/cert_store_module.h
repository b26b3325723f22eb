// The module-wide state of lumaPassCertStore: its debug log, the flags that describe the host
// process, the count of open stores, and the points a test program that links the provider logic
// may redirect (the pipe, the host's path and the certificate-property access).
#ifndef LUMA_PLUGINS_CERTSTORE_CERT_STORE_MODULE_H_
#define LUMA_PLUGINS_CERTSTORE_CERT_STORE_MODULE_H_

#include <windows.h>

#include <string>

#include "plugins/certstore/certificate_properties.h"
#include "plugins/certstore/core/host_process.h"
#include "plugins/diagnostics/module_debug_log.h"

namespace luma::certstore {

constexpr char kModuleName[] = "lumaPassCertStore";
constexpr wchar_t kClientName[] = L"lumaPassCertStore";

CModuleDebugLog& moduleLog();

// The module handle kept by the DLL entry point; a program that links the logic directly has none,
// and then the module that holds this code is used.
void SetModuleHandle(HMODULE module) noexcept;
HMODULE OwnModule() noexcept;

// Host flags, rewritten by every open (they depend only on the host executable).
void SetHostFlags(const HostFlags& flags) noexcept;
HostFlags CurrentHostFlags() noexcept;

// The host executable's full path (2048 characters at most); throws std::bad_alloc only.
using HostPathFunction = std::wstring (*)();
void SetHostPathFunction(HostPathFunction function) noexcept;
std::wstring CurrentHostPath();

// The pipe new stores talk to: lumaPassV's per-user pipe unless a test names another.
using PipeNameFunction = std::wstring (*)();
void SetPipeNameFunction(PipeNameFunction function) noexcept;
std::wstring CurrentPipeName();

// How the fill writes and reads certificate properties: CryptoAPI unless a test installs another.
void SetPropertyAccess(CCertificateProperties* access) noexcept;
CCertificateProperties& PropertyAccess() noexcept;

// Store records alive; the module must stay loaded while any lives.
void RecordOpened() noexcept;
void RecordClosed() noexcept;
long LiveRecordCount() noexcept;

// Whether this platform's CryptoAPI frees a store provider's module right after the open function
// returns, without asking DllCanUnloadNow (Wine's crypt32 does; Windows keeps a module that answers
// S_FALSE). Decided once, from the running system.
bool PlatformFreesProvidersWithoutAsking() noexcept;

// Where the platform would free the module under an open store (above), keeps it loaded until the
// process ends; elsewhere DllCanUnloadNow's S_FALSE keeps it, and a pin would only lock the file
// in every process that opened "MY". Only the first call does anything.
void PinModuleWhereNeeded() noexcept;

}  // namespace luma::certstore

#endif  // LUMA_PLUGINS_CERTSTORE_CERT_STORE_MODULE_H_
