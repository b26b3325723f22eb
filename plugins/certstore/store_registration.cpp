#include "plugins/certstore/store_registration.h"

// after windows.h
#include <wincrypt.h>

#include "plugins/certstore/cert_store_module.h"
#include "plugins/certstore/core/registration_rules.h"
#include "plugins/diagnostics/entry_boundary.h"

namespace luma::certstore {

namespace {

constexpr char kLocalizedNameFunction[] = "CryptDllFindLocalizedName";
constexpr char kLocalizedNamesOid[] = "LocalizedNames";

HRESULT LastErrorResult() { return static_cast<HRESULT>(HresultFromLastError(GetLastError())); }

// The self-registration entries answer with an HRESULT; an exception becomes E_OUTOFMEMORY
// (std::bad_alloc) or E_UNEXPECTED.
using RegistrationStatus = luma::diagnostics::FixedFailureStatus<HRESULT, E_OUTOFMEMORY, E_UNEXPECTED>;

BOOL WINAPI UnregisterFromSystemStore(const void* systemStore, DWORD flags, PCERT_SYSTEM_STORE_INFO, void*,
                                      void*) {
  const auto* name = static_cast<const wchar_t*>(systemStore);
  if (name == nullptr) return TRUE;
  if (CertUnregisterPhysicalStore(name, flags | CERT_STORE_DELETE_FLAG, kStoreProviderName)) {
    moduleLog().print(kLogDetail, "Successfully unregistered lumaPassV from %s:%S",
                      GetLocationName(flags & CERT_SYSTEM_STORE_LOCATION_MASK), name);
  }
  if (wcscmp(name, kStoreProviderName) == 0 && CertUnregisterSystemStore(kStoreProviderName, flags)) {
    moduleLog().print(kLogDetail, "Successfully removed system store lumaPassV");
  }
  return TRUE;  // the enumeration goes on
}

}  // namespace

bool ReadModulePath(HMODULE module, std::wstring& path) {
  char narrow[kModulePathChars] = {};
  const DWORD length = GetModuleFileNameA(module, narrow, kModulePathChars);
  if (length == 0) return false;
  if (length >= kModulePathChars) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  const int units = MultiByteToWideChar(CP_ACP, 0, narrow, static_cast<int>(length), nullptr, 0);
  if (units <= 0) return false;
  std::wstring wide(static_cast<size_t>(units), L'\0');
  if (MultiByteToWideChar(CP_ACP, 0, narrow, static_cast<int>(length), wide.data(), units) != units)
    return false;
  path = std::move(wide);
  return true;
}

HRESULT RegisterStoreProvider(HMODULE module) noexcept {
  return luma::diagnostics::RunAtBoundary<RegistrationStatus>([&]() -> HRESULT {
    moduleLog().print(kLogDetail, "DllRegisterServer");
    std::wstring path;
    if (!ReadModulePath(module, path)) return LastErrorResult();
    CryptSetOIDFunctionValue(0, kLocalizedNameFunction, kLocalizedNamesOid, kStoreProviderName, REG_SZ,
                             reinterpret_cast<const BYTE*>(kLocalizedStoreName), sizeof(kLocalizedStoreName));
    if (CryptRegisterOIDFunction(0, CRYPT_OID_OPEN_STORE_PROV_FUNC, kStoreProviderOid, path.c_str(),
                                 kOpenFunctionName) ||
        GetLastError() == ERROR_FILE_EXISTS) {
      return S_OK;
    }
    return LastErrorResult();
  });
}

HRESULT UnregisterStoreProvider() noexcept {
  return luma::diagnostics::RunAtBoundary<RegistrationStatus>([&]() -> HRESULT {
    moduleLog().print(kLogDetail, "DllUnregisterServer");
    CryptSetOIDFunctionValue(0, kLocalizedNameFunction, kLocalizedNamesOid, kStoreProviderName, REG_SZ,
                             nullptr, 0);
    if (!CryptUnregisterOIDFunction(0, CRYPT_OID_OPEN_STORE_PROV_FUNC, kStoreProviderOid) &&
        GetLastError() != ERROR_FILE_NOT_FOUND) {
      return LastErrorResult();
    }
    for (const StoreLocation* row = kStoreLocations; row->value != 0; ++row) {
      CertEnumSystemStore(row->value, nullptr, nullptr, UnregisterFromSystemStore);
    }
    return S_OK;
  });
}

}  // namespace luma::certstore
