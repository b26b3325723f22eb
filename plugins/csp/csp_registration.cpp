#include "plugins/csp/csp_registration.h"

#include <cstring>

#include "foundation/win/unique_handle.h"

namespace luma::csp {

namespace {

// A positive Win32 code becomes its HRESULT; anything else already is one. A failure that left no
// code still fails.
HRESULT ToHResult(DWORD error) {
  if (error == 0) return E_FAIL;
  return static_cast<LONG>(error) > 0 ? HRESULT_FROM_WIN32(error) : static_cast<HRESULT>(error);
}

LONG OpenProvidersKey(luma::CRegistryKeyHandle& key) {
  char noClass[] = "";
  return RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProvidersKey, 0, noClass, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                         nullptr);
}

HRESULT WriteRegistration(HMODULE module, const ProviderIdentity& identity, ModulePathFunction readPath) {
  if (module == nullptr) return E_HANDLE;
  char path[kRegisteredPathSize] = {};
  SetLastError(0);
  const DWORD length = readPath(module, path, kRegisteredPathSize);
  if (length == 0) return ToHResult(GetLastError());
  // A full buffer may hold a cut path without its terminating zero.
  if (length >= kRegisteredPathSize) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  const char* separator = std::strrchr(path, '\\');
  const char* fileName = separator != nullptr ? separator + 1 : path;
  if (std::strchr(fileName, '.') == nullptr) return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);

  luma::CRegistryKeyHandle parent;
  LONG status = OpenProvidersKey(parent);
  if (status != ERROR_SUCCESS) return ToHResult(static_cast<DWORD>(status));
  luma::CRegistryKeyHandle provider;
  char noClass[] = "";
  status = RegCreateKeyExA(parent.get(), identity.name, 0, noClass, 0, KEY_ALL_ACCESS, nullptr,
                           provider.put(), nullptr);
  parent.reset();
  if (status != ERROR_SUCCESS) return ToHResult(static_cast<DWORD>(status));
  status = RegSetValueExA(provider.get(), "Image Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                          length + 1);
  if (status != ERROR_SUCCESS) return ToHResult(static_cast<DWORD>(status));
  const DWORD type = identity.type;
  status = RegSetValueExA(provider.get(), "Type", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&type),
                          sizeof(type));
  if (status != ERROR_SUCCESS) return ToHResult(static_cast<DWORD>(status));
  return S_OK;
}

void RemoveRegistration(const ProviderIdentity& identity) {
  luma::CRegistryKeyHandle parent;
  if (OpenProvidersKey(parent) == ERROR_SUCCESS) RegDeleteKeyA(parent.get(), identity.name);
}

}  // namespace

HRESULT RegisterProvider(HMODULE module, const ProviderIdentity& identity,
                         ModulePathFunction readPath) noexcept {
  const HRESULT result = WriteRegistration(module, identity, readPath);
  if (FAILED(result)) RemoveRegistration(identity);
  return result;
}

HRESULT UnregisterProvider(const ProviderIdentity& identity) noexcept {
  luma::CRegistryKeyHandle parent;
  if (OpenProvidersKey(parent) != ERROR_SUCCESS) return S_OK;
  RegDeleteKeyA(parent.get(), identity.name);
  return S_OK;
}

}  // namespace luma::csp
