// What verifying and decoding a signed policy needs of its provider's configuration: the provider's
// name, its policy-signer certificate filter and the chain policy for signers the filter accepts.
// The provider configuration fills it.
#ifndef LUMA_POLICY_SIGNED_POLICY_PROVIDER_SETTINGS_H_
#define LUMA_POLICY_SIGNED_POLICY_PROVIDER_SETTINGS_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <functional>
#include <string>

struct CPolicyProviderSettings {
  // Bits of "PolicySignerValidationPolicy".
  static constexpr DWORD kValidateChain = 0x80000000;
  static constexpr DWORD kLocalMachineEngine = 0x00000001;
  static constexpr DWORD kTimestampTime = 0x00000010;
  static constexpr DWORD kExcludeRootRevocation = 0x00000100;

  std::wstring providerName;
  // "PolicySignerCertificateFilter": empty when the filter holds no condition, otherwise true for
  // a signer certificate it matches.
  std::function<bool(PCCERT_CONTEXT)> signerFilter;
  DWORD signerValidationPolicy = 0;
};

#endif  // LUMA_POLICY_SIGNED_POLICY_PROVIDER_SETTINGS_H_
