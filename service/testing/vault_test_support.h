// Shared pieces of the service client tests: the test service's vault fixtures and a client
// configuration for one of its paths.
#ifndef LUMA_SERVICE_TESTING_VAULT_TEST_SUPPORT_H_
#define LUMA_SERVICE_TESTING_VAULT_TEST_SUPPORT_H_

#include <windows.h>

#include <string>
// after windows.h
#include <objbase.h>

#include "foundation/core/secure_buffer.h"
#include "policy/config/service_config.h"
#include "service/testing/soap_test_fixture.h"

namespace luma::service::testing {

inline std::string VaultFixture(const wchar_t* name) {
  return ReadSmallFile(ProgramFolder() + L"testdata\\service\\vault\\" + name);
}

inline CSecureBuffer Bytes(const std::string& text) {
  return CSecureBuffer(static_cast<DWORD>(text.size()), text.data());
}

// The UTF-16 units of a PIN, as the callers hold it.
inline CSecureBuffer Pin(const std::wstring& text) {
  return CSecureBuffer(static_cast<DWORD>(text.size() * sizeof(wchar_t)), text.data());
}

inline CServiceConfig ConfigFor(const CTestSigningService& service, const wchar_t* path) {
  CServiceConfig config;
  config.ServiceURL = service.Url(path);
  return config;
}

}  // namespace luma::service::testing

#endif  // LUMA_SERVICE_TESTING_VAULT_TEST_SUPPORT_H_
