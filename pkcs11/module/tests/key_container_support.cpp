#include "pkcs11/module/tests/key_container_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

namespace {
std::wstring uniqueContainerName() {
  static std::atomic<int> counter{0};
  return L"lumaP11TestKey-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

luma::CCryptProviderHandle verifyContext() {
  luma::CCryptProviderHandle context;
  EXPECT_TRUE(
      CryptAcquireContextW(context.put(), nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES, CRYPT_VERIFYCONTEXT));
  return context;
}
}  // namespace

CTestKeyContainer::CTestKeyContainer(DWORD keySpec, const std::wstring& name)
    : container(uniqueContainerName()), keySpec(keySpec) {
  if (!CryptAcquireContextW(provider.put(), container.c_str(), MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                            CRYPT_NEWKEYSET)) {
    ADD_FAILURE() << "CryptAcquireContext " << GetLastError();
    return;
  }
  luma::CCryptKeyHandle key;
  if (!CryptGenKey(provider.get(), keySpec, (2048u << 16), key.put())) {
    ADD_FAILURE() << "CryptGenKey " << GetLastError();
    return;
  }
  const std::wstring subject = L"CN=" + name;
  BYTE encodedName[256];
  DWORD nameSize = sizeof(encodedName);
  if (!CertStrToNameW(X509_ASN_ENCODING, subject.c_str(), CERT_X500_NAME_STR, nullptr, encodedName, &nameSize,
                      nullptr)) {
    ADD_FAILURE() << "CertStrToName " << GetLastError();
    return;
  }
  CERT_NAME_BLOB nameBlob = {nameSize, encodedName};
  CRYPT_KEY_PROV_INFO providerInfo = {};
  providerInfo.pwszContainerName = const_cast<wchar_t*>(container.c_str());
  providerInfo.pwszProvName = const_cast<wchar_t*>(MS_ENH_RSA_AES_PROV_W);
  providerInfo.dwProvType = PROV_RSA_AES;
  providerInfo.dwKeySpec = keySpec;
  cert.reset(CertCreateSelfSignCertificate(provider.get(), &nameBlob, 0, &providerInfo, nullptr, nullptr,
                                           nullptr, nullptr));
  if (!cert) ADD_FAILURE() << "CertCreateSelfSignCertificate " << GetLastError();
  // Some providers write a container's keys out only when its last context is released.
  key.reset();
  provider.reset();
}

CTestKeyContainer::~CTestKeyContainer() {
  cert.reset();
  provider.reset();
  HCRYPTPROV deleted = 0;
  CryptAcquireContextW(&deleted, container.c_str(), MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES, CRYPT_DELETEKEYSET);
}

Bytes CTestKeyContainer::addTo(HCERTSTORE store) const {
  luma::CCertContextHandle added;
  if (!CertAddCertificateContextToStore(store, cert.get(), CERT_STORE_ADD_REPLACE_EXISTING, added.put())) {
    ADD_FAILURE() << "CertAddCertificateContextToStore " << GetLastError();
    return Bytes();
  }
  CRYPT_KEY_PROV_INFO providerInfo = {};
  providerInfo.pwszContainerName = const_cast<wchar_t*>(container.c_str());
  providerInfo.pwszProvName = const_cast<wchar_t*>(MS_ENH_RSA_AES_PROV_W);
  providerInfo.dwProvType = PROV_RSA_AES;
  providerInfo.dwKeySpec = keySpec;
  EXPECT_TRUE(CertSetCertificateContextProperty(added.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &providerInfo));
  BYTE hash[20];
  DWORD hashSize = sizeof(hash);
  EXPECT_TRUE(CertGetCertificateContextProperty(added.get(), CERT_SHA1_HASH_PROP_ID, hash, &hashSize));
  return Bytes(hash, hash + hashSize);
}

bool CTestKeyContainer::verifies(ALG_ID algId, const Bytes& hash, const Bytes& signature) const {
  const luma::CCryptProviderHandle context = verifyContext();
  luma::CCryptKeyHandle publicKey;
  luma::CCryptHashHandle hashObject;
  if (!CryptImportPublicKeyInfo(context.get(), X509_ASN_ENCODING,
                                &cert.get()->pCertInfo->SubjectPublicKeyInfo, publicKey.put()) ||
      !CryptCreateHash(context.get(), algId, 0, 0, hashObject.put()) ||
      !CryptSetHashParam(hashObject.get(), HP_HASHVAL, hash.data(), 0)) {
    ADD_FAILURE() << "cannot set up the verification: " << GetLastError();
    return false;
  }
  Bytes littleEndian(signature.rbegin(), signature.rend());
  return CryptVerifySignatureW(hashObject.get(), littleEndian.data(), static_cast<DWORD>(littleEndian.size()),
                               publicKey.get(), nullptr, 0) != FALSE;
}

Bytes CTestKeyContainer::encrypt(const Bytes& message) const {
  const luma::CCryptProviderHandle context = verifyContext();
  luma::CCryptKeyHandle publicKey;
  if (!CryptImportPublicKeyInfo(context.get(), X509_ASN_ENCODING,
                                &cert.get()->pCertInfo->SubjectPublicKeyInfo, publicKey.put())) {
    ADD_FAILURE() << "CryptImportPublicKeyInfo " << GetLastError();
    return Bytes();
  }
  Bytes buffer(256);
  std::copy(message.begin(), message.end(), buffer.begin());
  DWORD length = static_cast<DWORD>(message.size());
  if (!CryptEncrypt(publicKey.get(), 0, TRUE, 0, buffer.data(), &length, static_cast<DWORD>(buffer.size()))) {
    ADD_FAILURE() << "CryptEncrypt " << GetLastError();
    return Bytes();
  }
  buffer.resize(length);
  std::reverse(buffer.begin(), buffer.end());
  return buffer;
}
