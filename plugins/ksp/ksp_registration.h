// Registration of lumaPassKSP with CNG under its name and the two names of the CSP, through a table
// of the registration functions so that the call sequence can be checked where CNG only has stubs.
#ifndef LUMA_PLUGINS_KSP_KSP_REGISTRATION_H_
#define LUMA_PLUGINS_KSP_KSP_REGISTRATION_H_

#include "plugins/ksp/key_storage_interface.h"

namespace luma::ksp {

constexpr wchar_t kProviderName[] = L"nuvak lumaPass V Key Storage Provider";
constexpr wchar_t kCspAlias[] = L"nuvak lumaPass V Cryptographic Service Provider";
constexpr wchar_t kRsaAesCspAlias[] = L"nuvak lumaPass V RSA and AES Cryptographic Service Provider";
constexpr wchar_t kImageName[] = L"lumaPassKSP.dll";
constexpr wchar_t kKeyStorageFunction[] = L"KEY_STORAGE";

struct RegistrationFunctions {
  decltype(&BCryptRegisterProvider) registerProvider;
  decltype(&BCryptAddContextFunction) addContextFunction;
  decltype(&BCryptAddContextFunctionProvider) addContextFunctionProvider;
  decltype(&BCryptRemoveContextFunctionProvider) removeContextFunctionProvider;
  decltype(&BCryptUnregisterProvider) unregisterProvider;
};

// The functions of bcrypt.dll.
const RegistrationFunctions& SystemRegistrationFunctions();

// 0 stays 0 and a failure (negative) stays as it is; an informational status becomes the HRESULT
// of the Win32 code in its low 16 bits.
HRESULT RegistrationResult(NTSTATUS status);

HRESULT RegisterProvider(const RegistrationFunctions& functions) noexcept;
HRESULT UnregisterProvider(const RegistrationFunctions& functions) noexcept;

}  // namespace luma::ksp

#endif  // LUMA_PLUGINS_KSP_KSP_REGISTRATION_H_
