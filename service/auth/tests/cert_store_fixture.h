// A certificate store of the current user made for one test, filled with self-signed certificates
// whose RSA keys live in key containers of the platform's CryptoAPI provider; store and containers
// are deleted again afterwards.
#ifndef LUMA_SERVICE_AUTH_TESTS_CERT_STORE_FIXTURE_H_
#define LUMA_SERVICE_AUTH_TESTS_CERT_STORE_FIXTURE_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <cwctype>
#include <map>
#include <string>
#include <vector>

#include "foundation/win/unique_handle.h"
#include "policy/filters/cert_wrapper.h"

namespace luma::service::testing {

class CTestCertStore {
 public:
  CTestCertStore() : name(L"lumaPassAuthTest" + std::to_wstring(GetCurrentProcessId())) {
    store.reset(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, X509_ASN_ENCODING, 0, CERT_SYSTEM_STORE_CURRENT_USER,
                              name.c_str()));
  }
  ~CTestCertStore() {
    for (const auto& container : containers) DeleteContainer(container);
    store.reset();
    HCERTSTORE deleted = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, X509_ASN_ENCODING, 0,
                                       CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_DELETE_FLAG, name.c_str());
    (void)deleted;  // the delete flag frees the store itself
  }
  CTestCertStore(const CTestCertStore&) = delete;
  CTestCertStore& operator=(const CTestCertStore&) = delete;

  bool IsOpen() const { return static_cast<bool>(store); }
  const std::wstring& Name() const { return name; }

  // Adds a certificate for "CN=<label>" with a new key of the given length; without a usable key
  // its container is deleted again, so the certificate names a key that is gone.
  bool Add(const std::wstring& label, DWORD bits, bool usableKey) {
    const std::wstring container = name + L"-" + label;
    containers.push_back(container);
    luma::CCryptProviderHandle provider;
    if (!CryptAcquireContextW(provider.put(), container.c_str(), MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                              CRYPT_NEWKEYSET | CRYPT_SILENT)) {
      return false;
    }
    luma::CCryptKeyHandle key;
    if (!CryptGenKey(provider.get(), AT_SIGNATURE, (bits << 16) | CRYPT_EXPORTABLE, key.put())) return false;
    const std::wstring x500 = L"CN=" + label;
    BYTE encoded[512];
    DWORD encodedSize = sizeof encoded;
    if (!CertStrToNameW(X509_ASN_ENCODING, x500.c_str(), CERT_X500_NAME_STR, nullptr, encoded, &encodedSize,
                        nullptr)) {
      return false;
    }
    CERT_NAME_BLOB subject = {encodedSize, encoded};
    CRYPT_KEY_PROV_INFO keyProvider = {};
    keyProvider.pwszContainerName = const_cast<LPWSTR>(container.c_str());
    keyProvider.pwszProvName = const_cast<LPWSTR>(MS_ENHANCED_PROV_W);
    keyProvider.dwProvType = PROV_RSA_FULL;
    keyProvider.dwKeySpec = AT_SIGNATURE;
    const luma::CCertContextHandle made(CertCreateSelfSignCertificate(
        provider.get(), &subject, 0, &keyProvider, nullptr, nullptr, nullptr, nullptr));
    if (!made) return false;
    key.reset();
    provider.reset();
    if (!usableKey) DeleteContainer(container);
    if (!CertAddCertificateContextToStore(store.get(), made.get(), CERT_STORE_ADD_REPLACE_EXISTING,
                                          nullptr)) {
      return false;
    }
    // Written through to the user's registry, where a store opened afterwards reads it.
    CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr);
    WString fingerprint;
    CCertWrapper(made.get()).GetFingerprint(fingerprint);
    fingerprints[label] = fingerprint;
    return true;
  }

  // The label's fingerprint as the wrapper gives it (upper case), or in lower case.
  std::wstring Fingerprint(const std::wstring& label, bool lowerCase = false) const {
    std::wstring text = fingerprints.at(label);
    if (lowerCase) {
      for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
  }
  // The label of a fingerprint (any case); empty when none.
  std::wstring LabelOf(const std::wstring& fingerprint) const {
    for (const auto& [label, text] : fingerprints) {
      if (_wcsicmp(text.c_str(), fingerprint.c_str()) == 0) return label;
    }
    return std::wstring();
  }

 private:
  static void DeleteContainer(const std::wstring& container) {
    HCRYPTPROV ignored = 0;
    CryptAcquireContextW(&ignored, container.c_str(), MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                         CRYPT_DELETEKEYSET | CRYPT_SILENT);
  }

  std::wstring name;
  luma::CCertStoreHandle store;
  std::vector<std::wstring> containers;
  std::map<std::wstring, std::wstring> fingerprints;
};

}  // namespace luma::service::testing

#endif  // LUMA_SERVICE_AUTH_TESTS_CERT_STORE_FIXTURE_H_
