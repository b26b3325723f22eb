// The trust-DLL fixtures made by testdata/make_trust_fixtures.sh, and a signer check that stands in
// for a machine that trusts the fixtures' test root for one operator alone.
#ifndef LUMA_POLICY_SIGNED_TESTS_TRUST_FIXTURES_H_
#define LUMA_POLICY_SIGNED_TESTS_TRUST_FIXTURES_H_

#include <windows.h>

#include <string>

#include "foundation/core/tests/test_data.h"
#include "foundation/win/file_signer.h"
#include "policy/signed/trust_dll.h"

namespace luma::testing {

inline std::wstring TrustPath(const std::string& name) {
  const std::string path = TestDataPath("trust\\" + name);
  return std::wstring(path.begin(), path.end());
}

inline CSecureBuffer TrustCertificate(const std::string& name) {
  return ReadTestData("trust\\trust_" + name + ".der");
}

// The file's signature must be intact (the system may object to the test root alone) and its signer
// must be the trusted certificate.
inline FileSignerReader TrustOnly(const CSecureBuffer& trusted) {
  return [trusted](const std::wstring& path) {
    const LONG verdict = VerifyFileTrust(path);
    const bool intact = verdict == 0 || verdict == CERT_E_UNTRUSTEDROOT || verdict == CERT_E_CHAINING;
    CSecureBuffer signer = ReadFileSignerCertificate(path);
    return intact && signer == trusted ? signer : CSecureBuffer();
  };
}

}  // namespace luma::testing

#endif  // LUMA_POLICY_SIGNED_TESTS_TRUST_FIXTURES_H_
