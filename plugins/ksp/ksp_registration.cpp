#include "plugins/ksp/ksp_registration.h"

namespace luma::ksp {

namespace {

// The registration record: static data, as CNG copies it into its own store.
PWSTR aliases[] = {const_cast<PWSTR>(kCspAlias), const_cast<PWSTR>(kRsaAesCspAlias)};
PWSTR functions[] = {const_cast<PWSTR>(kKeyStorageFunction)};
CRYPT_INTERFACE_REG keyStorageInterface = {NCRYPT_KEY_STORAGE_INTERFACE, CRYPT_LOCAL, 1, functions};
PCRYPT_INTERFACE_REG interfaces[] = {&keyStorageInterface};
CRYPT_IMAGE_REG userModeImage = {const_cast<PWSTR>(kImageName), 1, interfaces};
CRYPT_PROVIDER_REG providerRecord = {2, aliases, &userModeImage, nullptr};

const RegistrationFunctions systemFunctions = {BCryptRegisterProvider, BCryptAddContextFunction,
                                               BCryptAddContextFunctionProvider,
                                               BCryptRemoveContextFunctionProvider, BCryptUnregisterProvider};

}  // namespace

const RegistrationFunctions& SystemRegistrationFunctions() { return systemFunctions; }

HRESULT RegistrationResult(NTSTATUS status) {
  if (status <= 0) return status;
  return HRESULT_FROM_WIN32(static_cast<DWORD>(status) & 0xFFFF);
}

HRESULT RegisterProvider(const RegistrationFunctions& functions) noexcept {
  NTSTATUS status = functions.registerProvider(kProviderName, CRYPT_OVERWRITE, &providerRecord);
  if (status < 0) return status;
  status = functions.addContextFunction(CRYPT_LOCAL, nullptr, NCRYPT_KEY_STORAGE_INTERFACE,
                                        kKeyStorageFunction, CRYPT_PRIORITY_BOTTOM);
  if (status < 0) return status;
  status = functions.addContextFunctionProvider(CRYPT_LOCAL, nullptr, NCRYPT_KEY_STORAGE_INTERFACE,
                                                kKeyStorageFunction, kProviderName, CRYPT_PRIORITY_BOTTOM);
  return RegistrationResult(status);
}

HRESULT UnregisterProvider(const RegistrationFunctions& functions) noexcept {
  const NTSTATUS status = functions.removeContextFunctionProvider(
      CRYPT_LOCAL, nullptr, NCRYPT_KEY_STORAGE_INTERFACE, kKeyStorageFunction, kProviderName);
  if (status < 0) return status;
  // The KEY_STORAGE function itself stays in the local context: other providers may use it.
  return RegistrationResult(functions.unregisterProvider(kProviderName));
}

}  // namespace luma::ksp
