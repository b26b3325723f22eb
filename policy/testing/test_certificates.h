// Certificate contexts over the filter fixtures made by testdata/make_filter_fixtures.sh.
#ifndef LUMA_POLICY_TESTING_TEST_CERTIFICATES_H_
#define LUMA_POLICY_TESTING_TEST_CERTIFICATES_H_

#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "foundation/core/tests/test_data.h"
#include "foundation/win/unique_handle.h"

using UniqueCertContext = luma::CCertContextHandle;

// The fixture's certificate; null when it cannot be read.
inline UniqueCertContext LoadTestCertificate(const std::string& file) {
  const CSecureBuffer encoded = ReadTestData(file);
  if (encoded.empty()) return UniqueCertContext();
  return UniqueCertContext(CertCreateCertificateContext(X509_ASN_ENCODING, encoded.data, encoded.size));
}

// A value OpenSSL read from a fixture: the third word of the line "<kind> <fixture> <value>".
inline std::wstring ExpectedFilterValue(const std::string& kind, const std::string& fixture) {
  std::ifstream file(TestDataPath("filter_expected.txt"));
  for (std::string line; std::getline(file, line);) {
    std::istringstream words(line);
    std::string k, f, value;
    words >> k >> f >> value;
    if (k == kind && f == fixture) return std::wstring(value.begin(), value.end());
  }
  return std::wstring();
}

#endif  // LUMA_POLICY_TESTING_TEST_CERTIFICATES_H_
