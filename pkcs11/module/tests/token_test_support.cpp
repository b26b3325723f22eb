#include "pkcs11/module/tests/token_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>

#include "pkcs11/core/pkcs11_object.h"

namespace {

std::atomic<int> g_nameCounter{0};

std::string uniqueSuffix() {
  return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(g_nameCounter.fetch_add(1));
}

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

Bytes fromHex(const std::string& hex) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  if (hex.size() % 2 != 0) ADD_FAILURE() << "odd hex text " << hex;
  return bytes;
}

}  // namespace

Bytes fixtureCertificate(const std::string& name) {
  std::ifstream file(std::string(LUMA_TESTDATA_DIR) + "/p11/" + name + ".der", std::ios::binary);
  Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.empty()) ADD_FAILURE() << "missing fixture " << name;
  return bytes;
}

Bytes expectedValue(const std::string& name, const std::string& what) {
  std::ifstream file(std::string(LUMA_TESTDATA_DIR) + "/p11/expected.txt");
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream words(line);
    std::string certificate, key, value;
    words >> certificate >> key >> value;
    if (certificate == name && key == what) {
      if (value.size() % 2 != 0) value.insert(0, "0");  // OpenSSL's exponent has no leading zero
      return fromHex(value);
    }
  }
  ADD_FAILURE() << "expected.txt has no " << what << " for " << name;
  return Bytes();
}

Bytes bytesOf(const CByteBuffer& buffer) { return Bytes(buffer.data(), buffer.data() + buffer.size()); }

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

CAttributeAnswer readAttribute(const CPKCS11Object& object, CK_ATTRIBUTE_TYPE type) {
  CAttributeAnswer answer;
  CK_ATTRIBUTE query = {type, nullptr, 0};
  answer.result = object.getAttributeValue(query);
  if (answer.result != CKR_OK) return answer;
  answer.value.resize(query.ulValueLen);
  CK_ATTRIBUTE read = {type, answer.value.data(), query.ulValueLen};
  answer.result = object.getAttributeValue(read);
  answer.value.resize(read.ulValueLen);
  return answer;
}

CK_OBJECT_HANDLE findOnlyObject(CK_SESSION_HANDLE session, CK_ATTRIBUTE* entries, CK_ULONG count) {
  EXPECT_EQ(CKR_OK, C_FindObjectsInit(session, entries, count));
  CK_OBJECT_HANDLE handles[2] = {};
  CK_ULONG found = 0;
  EXPECT_EQ(CKR_OK, C_FindObjects(session, handles, 2, &found));
  EXPECT_EQ(CKR_OK, C_FindObjectsFinal(session));
  EXPECT_EQ(1u, found);
  return handles[0];
}

luma::CCertContextHandle addCertificate(HCERTSTORE store, const CCertificateSetup& setup) {
  const Bytes der = fixtureCertificate(setup.fixture);
  luma::CCertContextHandle added;
  if (!CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                        CERT_STORE_ADD_REPLACE_EXISTING, added.put())) {
    ADD_FAILURE() << "CertAddEncodedCertificateToStore " << GetLastError();
    return added;
  }
  if (setup.keyProviderInfo) {
    std::wstring container = L"container-" + widen(setup.fixture);
    std::wstring provider = setup.providerName;
    CRYPT_KEY_PROV_INFO info = {};
    info.pwszContainerName = &container[0];
    info.pwszProvName = &provider[0];
    info.dwProvType = PROV_RSA_FULL;
    info.dwKeySpec = setup.keySpec;
    EXPECT_TRUE(CertSetCertificateContextProperty(added.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
  }
  if (!setup.friendlyName.empty()) {
    std::wstring name = setup.friendlyName;
    CRYPT_DATA_BLOB blob = {static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)),
                            reinterpret_cast<BYTE*>(&name[0])};
    EXPECT_TRUE(CertSetCertificateContextProperty(added.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &blob));
  }
  return added;
}

CTestSystemStore::CTestSystemStore() : storeName("lumaP11Test-" + uniqueSuffix()) {
  // Opening without CERT_STORE_OPEN_EXISTING_FLAG creates the store.
  luma::CCertStoreHandle created = open();
  EXPECT_TRUE(created) << "cannot create the store " << storeName;
}

CTestSystemStore::~CTestSystemStore() {
  const std::wstring key = L"Software\\Microsoft\\SystemCertificates\\" + widen(storeName);
  RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

luma::CCertStoreHandle CTestSystemStore::open() const {
  const std::wstring wide = widen(storeName);
  return luma::CCertStoreHandle(
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, wide.c_str()));
}

Bytes CTestSystemStore::add(const CCertificateSetup& setup) const {
  luma::CCertStoreHandle store = open();
  luma::CCertContextHandle added = addCertificate(store.get(), setup);
  BYTE hash[20] = {};
  DWORD size = sizeof(hash);
  if (!added || !CertGetCertificateContextProperty(added.get(), CERT_SHA1_HASH_PROP_ID, hash, &size)) {
    ADD_FAILURE() << "no hash for " << setup.fixture;
    return Bytes();
  }
  return Bytes(hash, hash + size);
}

void CTestSystemStore::remove(const Bytes& sha1) const {
  luma::CCertStoreHandle store = open();
  CRYPT_HASH_BLOB blob = {static_cast<DWORD>(sha1.size()), const_cast<BYTE*>(sha1.data())};
  PCCERT_CONTEXT found =
      CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr);
  ASSERT_NE(found, nullptr);
  EXPECT_TRUE(CertDeleteCertificateFromStore(found));  // frees the context as well
  CertControlStore(store.get(), CERT_STORE_CTRL_COMMIT_FORCE_FLAG, CERT_STORE_CTRL_COMMIT, nullptr);
  store.reset();
  const std::vector<Bytes> left = enumerationOrder();
  EXPECT_EQ(std::find(left.begin(), left.end(), sha1), left.end()) << "the certificate is still in the store";
}

std::vector<Bytes> CTestSystemStore::enumerationOrder() const {
  luma::CCertStoreHandle store = open();
  std::vector<Bytes> order;
  PCCERT_CONTEXT certificate = nullptr;
  while ((certificate = CertEnumCertificatesInStore(store.get(), certificate)) != nullptr) {
    BYTE hash[20] = {};
    DWORD size = sizeof(hash);
    if (CertGetCertificateContextProperty(certificate, CERT_SHA1_HASH_PROP_ID, hash, &size)) {
      order.emplace_back(hash, hash + size);
    }
  }
  return order;
}

CTestSettingsKey::CTestSettingsKey()
    : keyPath(L"SOFTWARE\\nuvak\\lumaPassP11Test-" + widen(uniqueSuffix())) {}

CTestSettingsKey::~CTestSettingsKey() {
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_WOW64_64KEY, 0);
}

void CTestSettingsKey::setDword(const wchar_t* value, DWORD data) const {
  luma::CRegistryKeyHandle key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY,
                            nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(
      RegSetValueExW(key.get(), value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data)),
      ERROR_SUCCESS);
}

void CTestSettingsKey::setString(const wchar_t* value, const std::wstring& data) const {
  luma::CRegistryKeyHandle key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY,
                            nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}
