// The account "anna" of the test signing service as the request tests use it: a provider whose
// service is one path of the running test service, the account's real signed policy, and a card
// certificate of it under any of the service's aliases.
#ifndef LUMA_SERVICE_REQUESTS_TESTS_REQUESTS_TEST_SUPPORT_H_
#define LUMA_SERVICE_REQUESTS_TESTS_REQUESTS_TEST_SUPPORT_H_

#include <memory>
#include <string>

#include "service/account/cert_context.h"
#include "service/auth/auth_result.h"
#include "service/auth/tests/auth_test_support.h"
#include "service/testing/vault_test_support.h"

namespace luma::service::testing {

// The SHA-256 DigestInfo of the bytes 00..1F, as a plug-in's padded block carries it.
inline CSecureBuffer Sha256DigestInfo() {
  static const BYTE kPrefix[] = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                 0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};
  CSecureBuffer digestInfo(sizeof kPrefix, kPrefix);
  for (BYTE i = 0; i < 32; ++i) digestInfo.Append(1, &i);
  return digestInfo;
}

inline std::shared_ptr<CProviderContext> VaultProvider(const CTestSigningService& service,
                                                       const wchar_t* path, int method = AUTH_TYPE_PASSWORD,
                                                       bool interactive = true) {
  auto provider = MakeProvider(MethodOf(method, interactive), CTestClock(), ConfigFor(service, path));
  provider->AddPolicySignerTrusts({Bytes(VaultFixture(L"policy_signer.der"))});
  return provider;
}

// anna's policy as the service signed it; null when it does not decode.
inline std::shared_ptr<CPolicy> AnnaPolicy(const CProviderContext& provider) {
  CPolicyPtr policy;
  try {
    provider.CreatePolicy(policy, Bytes(VaultFixture(L"policy_anna.p7")));
  } catch (...) {
    return nullptr;
  }
  return policy;
}

// anna's certificate (alice's key) known to the service under `alias`.
inline CCertContext CardCertificate(const std::shared_ptr<CProviderContext>& provider,
                                    const std::shared_ptr<CPolicy>& policy, const std::wstring& alias) {
  auto certificate = std::make_shared<CCertificatePolicy>(*policy->certificatePolicies.at(0));
  certificate->alias = alias;
  certificate->pinPolicy.maxPinCacheTime = 3600;
  certificate->pinPolicy.maxPinCacheReuse = 10;
  return CCertContext(provider, policy, certificate);
}

// What an authentication hands the call: anna's session and the PIN.
inline CAuthResult SessionWithPin(const std::wstring& pin) {
  CAuthResult result;
  result.token = Utf16(L"SESSION=anna");
  result.pin = Utf16(pin);
  return result;
}

}  // namespace luma::service::testing

#endif  // LUMA_SERVICE_REQUESTS_TESTS_REQUESTS_TEST_SUPPORT_H_
