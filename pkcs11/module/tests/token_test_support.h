// Fixture certificates, private certificate stores and settings keys of the token tests. Each
// store and key has a name of its own, so tests running side by side never see each other's.
#ifndef LUMA_PKCS11_MODULE_TESTS_TOKEN_TEST_SUPPORT_H_
#define LUMA_PKCS11_MODULE_TESTS_TOKEN_TEST_SUPPORT_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <string>
#include <vector>

#include "foundation/win/unique_handle.h"
#include "pkcs11/core/byte_buffer.h"
#include "pkcs11/core/cryptoki.h"

using Bytes = std::vector<std::uint8_t>;

// The DER of a certificate made by testdata/make_p11_fixtures.sh ("signing", "encryption", ...).
Bytes fixtureCertificate(const std::string& name);
// A value of expected.txt ("sha1", "modulus", "exponent", "serial", "issuer", "subject") as bytes.
Bytes expectedValue(const std::string& name, const std::string& what);

Bytes bytesOf(const CByteBuffer& buffer);
Bytes bytesOf(const std::string& text);

// The value an object writes for one attribute, or the failure it returns.
struct CAttributeAnswer {
  CK_RV result = CKR_OK;
  Bytes value;
};
class CPKCS11Object;
CAttributeAnswer readAttribute(const CPKCS11Object& object, CK_ATTRIBUTE_TYPE type);

// The handle of the one object the session's search finds for the template; the test fails when the
// search finds none or more than one.
CK_OBJECT_HANDLE findOnlyObject(CK_SESSION_HANDLE session, CK_ATTRIBUTE* entries, CK_ULONG count);

// How a fixture certificate goes into a store.
struct CCertificateSetup {
  std::string fixture;
  std::wstring friendlyName;  // empty: none
  bool keyProviderInfo = true;
  DWORD keySpec = AT_SIGNATURE;
  std::wstring providerName = L"Test Key Provider";
};

// Adds the certificate with its properties; returns the store's context.
luma::CCertContextHandle addCertificate(HCERTSTORE store, const CCertificateSetup& setup);

// A current-user system store of its own, removed with all its certificates at the end.
class CTestSystemStore {
 public:
  CTestSystemStore();
  ~CTestSystemStore();
  CTestSystemStore(const CTestSystemStore&) = delete;
  CTestSystemStore& operator=(const CTestSystemStore&) = delete;

  const std::string& name() const { return storeName; }
  // A fresh handle on the store, as another program of the user would open it.
  luma::CCertStoreHandle open() const;
  // Adds the certificate; returns its SHA-1 hash.
  Bytes add(const CCertificateSetup& setup) const;
  void remove(const Bytes& sha1) const;
  // The SHA-1 hashes of the store's certificates in enumeration order.
  std::vector<Bytes> enumerationOrder() const;

 private:
  std::string storeName;
};

// A machine key of its own standing in for the module's key, removed at the end.
class CTestSettingsKey {
 public:
  CTestSettingsKey();
  ~CTestSettingsKey();
  CTestSettingsKey(const CTestSettingsKey&) = delete;
  CTestSettingsKey& operator=(const CTestSettingsKey&) = delete;

  const std::wstring& path() const { return keyPath; }
  void setDword(const wchar_t* value, DWORD data) const;
  void setString(const wchar_t* value, const std::wstring& data) const;

 private:
  std::wstring keyPath;
};

#endif  // LUMA_PKCS11_MODULE_TESTS_TOKEN_TEST_SUPPORT_H_
