// Providers, accounts and certificates of the authentication tests, built in memory: the method
// objects are made without a registry key and filled by the test.
#ifndef LUMA_SERVICE_AUTH_TESTS_AUTH_TEST_SUPPORT_H_
#define LUMA_SERVICE_AUTH_TESTS_AUTH_TEST_SUPPORT_H_

#include <windows.h>

#include <memory>
#include <string>

#include "policy/account/provider_context.h"
#include "policy/config/auth_config.h"
#include "policy/config/provider_config.h"
#include "policy/core/auth_type.h"
#include "policy/signed/certificate_policy.h"
#include "policy/signed/policy.h"

namespace luma::service::testing {

// A clock the test sets; copies share the time.
struct CTestClock {
  CTestClock() : shared(std::make_shared<luma::CacheTime>(133000000000000000ull)) {}
  luma::CacheClock Clock() const {
    auto time = shared;
    return [time]() { return *time; };
  }
  struct Ref {
    std::shared_ptr<luma::CacheTime> time;
    Ref& operator-=(luma::CacheTime d) {
      *time -= d;
      return *this;
    }
    Ref& operator+=(luma::CacheTime d) {
      *time += d;
      return *this;
    }
  };
  std::shared_ptr<luma::CacheTime> shared;
  Ref now{shared};
};

inline CSecureBuffer Utf16(const std::wstring& text) {
  return CSecureBuffer(static_cast<DWORD>(text.size() * sizeof(wchar_t)), text.data());
}

// A method object of the type, as the registry would give it without settings.
inline std::shared_ptr<CAuthConfig> MethodOf(int type, bool interactive = true) {
  std::shared_ptr<CAuthConfig> method;
  switch (type) {
    case AUTH_TYPE_PASSWORD:
      method = std::make_shared<CPasswordConfig>(nullptr);
      break;
    case AUTH_TYPE_OTP:
      method = std::make_shared<COTPConfig>(nullptr);
      break;
    case AUTH_TYPE_SMS:
      method = std::make_shared<CSMSConfig>(nullptr);
      break;
    case AUTH_TYPE_CERTIFICATE:
      method = std::make_shared<CCertificateConfig>(nullptr);
      break;
    case AUTH_TYPE_KERBEROS:
      method = std::make_shared<CKerberosConfig>(nullptr);
      break;
    case AUTH_TYPE_NEGOTIATE:
      method = std::make_shared<CNegotiateConfig>(nullptr);
      break;
    default:
      method = std::make_shared<CAuthConfig>(type, interactive);
      break;
  }
  method->interactive = interactive;
  return method;
}

inline std::shared_ptr<CProviderContext> MakeProvider(std::shared_ptr<CAuthConfig> method,
                                                      const CTestClock& clock = CTestClock(),
                                                      CServiceConfig service = CServiceConfig()) {
  CProviderConfig config;
  config.name = L"ACME";
  config.authConfig = std::move(method);
  config.service = std::move(service);
  return std::make_shared<CProviderContext>(config, clock.Clock());
}

inline std::shared_ptr<CPolicy> MakeAccount(const std::wstring& accountKey) {
  auto policy = std::make_shared<CPolicy>();
  policy->accountKey = accountKey;
  policy->providerName = L"ACME";
  return policy;
}

// PINs stay valid for an hour and ten reads.
inline std::shared_ptr<CCertificatePolicy> MakeCertificate(const std::wstring& alias, DWORD minLength,
                                                           DWORD maxLength) {
  auto certificate = std::make_shared<CCertificatePolicy>();
  certificate->alias = alias;
  certificate->pinPolicy.pinConstraints.minLength = minLength;
  certificate->pinPolicy.pinConstraints.maxLength = maxLength;
  certificate->pinPolicy.maxPinCacheTime = 3600;
  certificate->pinPolicy.maxPinCacheReuse = 10;
  return certificate;
}

}  // namespace luma::service::testing

#endif  // LUMA_SERVICE_AUTH_TESTS_AUTH_TEST_SUPPORT_H_
