// DumpStore.exe run as a child process on a store filled with the fixture certificates: its whole
// standard output (text mode, CR LF) against the expected listings, and its exit codes.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "foundation/win/unique_handle.h"

namespace {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<BYTE> Fixture(const std::string& name) {
  const std::string bytes = ReadWholeFile(std::string(LUMA_TESTDATA_DIR) + "/dumpstore/" + name);
  return std::vector<BYTE>(bytes.begin(), bytes.end());
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

struct RunResult {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;
};

// Runs DumpStore.exe with `arguments` in `folder` (the test's own when empty), capturing stdout.
RunResult RunDumpStore(const std::wstring& arguments, const std::wstring& folder = std::wstring()) {
  RunResult result;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
  luma::CKernelHandle reader(readEnd);
  luma::CKernelHandle writer(writeEnd);
  SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);

  const std::wstring program = ProgramFolder() + L"DumpStore.exe";
  std::wstring command = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writer.get();
  startup.hStdError = writer.get();
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    return result;
  }
  luma::CKernelHandle processHandle(process.hProcess);
  luma::CKernelHandle threadHandle(process.hThread);
  writer.reset();  // only the child holds the write end now, so the read ends with it

  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(reader.get(), buffer, sizeof(buffer), &read, nullptr) && read != 0)
    result.output.append(buffer, read);
  if (WaitForSingleObject(processHandle.get(), 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(processHandle.get(), &result.exitCode);
  }
  return result;
}

std::string Golden(const std::string& name) {
  return ReadWholeFile(std::string(LUMA_DUMPSTORE_GOLDEN_DIR) + "/" + name);
}

// A store of the current user holding the three fixture certificates, with the properties this
// platform lets a program set: friendly name, key provider information, usage and description.
class FixtureStore {
 public:
  // Without key provider information when the listing dumps properties in hex: that structure's
  // dump shows the addresses of its strings, which differ from run to run.
  FixtureStore(const wchar_t* name, bool withKeyProvInfo)
      : m_name(name), m_withKeyProvInfo(withKeyProvInfo) {}

  ::testing::AssertionResult Fill() {
    // Start from no store at all: certificates deleted from a store come back with their old
    // properties when they are added again.
    CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_DELETE_FLAG,
                  m_name.c_str());
    luma::CCertStoreHandle store(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, m_name.c_str()));
    if (!store) return ::testing::AssertionFailure() << "cannot open the store, error " << GetLastError();
    if (CertEnumCertificatesInStore(store.get(), nullptr) != nullptr) {
      return ::testing::AssertionFailure() << "the store was not deleted";
    }

    for (const char* name : {"ca.der", "alice.der", "john.der"}) {
      const std::vector<BYTE> der = Fixture(name);
      luma::CCertContextHandle certificate;
      if (der.empty() || !CertAddEncodedCertificateToStore(
                             store.get(), X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                             CERT_STORE_ADD_REPLACE_EXISTING, certificate.put())) {
        return ::testing::AssertionFailure() << "cannot add " << name << ", error " << GetLastError();
      }
      if (std::string(name) == "alice.der") {
        if (!SetAliceProperties(certificate.get(), m_withKeyProvInfo))
          return ::testing::AssertionFailure() << "alice's properties";
      } else if (std::string(name) == "john.der") {
        CRYPT_DATA_BLOB description = TextBlob(L"Saved under a file name made of his display name");
        if (!CertSetCertificateContextProperty(certificate.get(), CERT_DESCRIPTION_PROP_ID, 0,
                                               &description)) {
          return ::testing::AssertionFailure() << "john's description";
        }
      }
    }
    return ::testing::AssertionSuccess();
  }

  std::wstring name() const { return m_name; }

 private:
  static CRYPT_DATA_BLOB TextBlob(const wchar_t* text) {
    return {static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)),
            reinterpret_cast<BYTE*>(const_cast<wchar_t*>(text))};
  }

  static bool SetAliceProperties(PCCERT_CONTEXT certificate, bool withKeyProvInfo) {
    CRYPT_DATA_BLOB friendlyName = TextBlob(L"Alice (fixture)");
    CRYPT_KEY_PROV_INFO keyProvInfo = {};
    keyProvInfo.pwszContainerName = const_cast<wchar_t*>(L"alice-container");
    keyProvInfo.pwszProvName = const_cast<wchar_t*>(MS_ENH_RSA_AES_PROV_W);
    keyProvInfo.dwProvType = PROV_RSA_AES;
    keyProvInfo.dwKeySpec = AT_KEYEXCHANGE;
    char clientAuth[] = szOID_PKIX_KP_CLIENT_AUTH;
    char custom[] = "1.2.3.4.5";
    LPSTR oids[] = {clientAuth, custom};
    CERT_ENHKEY_USAGE usage = {2, oids};
    BYTE encoded[256];
    DWORD encodedSize = sizeof(encoded);
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_ENHANCED_KEY_USAGE, &usage, encoded, &encodedSize))
      return false;
    CRYPT_DATA_BLOB usageBlob = {encodedSize, encoded};
    return CertSetCertificateContextProperty(certificate, CERT_FRIENDLY_NAME_PROP_ID, 0, &friendlyName) &&
           (!withKeyProvInfo ||
            CertSetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, 0, &keyProvInfo)) &&
           CertSetCertificateContextProperty(certificate, CERT_ENHKEY_USAGE_PROP_ID, 0, &usageBlob);
  }

  std::wstring m_name;
  bool m_withKeyProvInfo;
};

// Each test fills a store of its own, so the tests can run side by side.
TEST(DumpStoreProgramTest, ListsEveryCertificateWithItsPropertiesAsExpected) {
  FixtureStore store(L"LumaDumpStoreFixtureA", true);
  ASSERT_TRUE(store.Fill());
  const RunResult run = RunDumpStore(L"ignored -s " + store.name());
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.output, Golden("fixture_store.txt"));
}

TEST(DumpStoreProgramTest, DumpsAndSavesCertificatesWithoutAutoGeneratedProperties) {
  FixtureStore store(L"LumaDumpStoreFixtureB", false);
  ASSERT_TRUE(store.Fill());
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"luma_dumpstore_save\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  const RunResult run = RunDumpStore(L"--store=" + store.name() + L" -n /d -h -f", folder);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.output, Golden("fixture_store_options.txt"));

  // Every file the listing names holds one of the fixtures' encodings, each fixture once.
  std::multiset<std::string> saved;
  const std::string marker = "Exported certificate to file:\r\n\r\n  ";
  for (std::size_t at = run.output.find(marker); at != std::string::npos;
       at = run.output.find(marker, at + 1)) {
    const std::size_t begin = at + marker.size();
    const std::string file = run.output.substr(begin, run.output.find("\r\n", begin) - begin);
    saved.insert(ReadWholeFile(std::string(folder.begin(), folder.end()) + file));
  }
  std::multiset<std::string> fixtures;
  for (const char* fixture : {"ca.der", "alice.der", "john.der"}) {
    fixtures.insert(ReadWholeFile(std::string(LUMA_TESTDATA_DIR) + "/dumpstore/" + fixture));
  }
  EXPECT_EQ(saved, fixtures);
}

struct ExitCase {
  std::wstring arguments;
  std::string output;
};

TEST(DumpStoreProgramTest, OptionErrorsHelpAndMissingStoresEndWithExitCodeOne) {
  const std::string usageStart = "Usage:\r\n\r\nDumpStore [-?|--help]";
  const std::vector<ExitCase> cases = {
      {L"--help", usageStart},
      {L"-x", "\r\nError: Invalid option -x\r\n\r\n" + usageStart},
      {L"-s " + std::wstring(256, L'S'),
       "\r\nError: The store name is longer than 255 characters\r\n\r\n" + usageStart},
      {L"-s LumaNoSuchStore", "\r\n ERROR: Unable to open the certificate store 'LumaNoSuchStore'!\r\n"},
  };
  for (const ExitCase& c : cases) {
    const RunResult run = RunDumpStore(c.arguments);
    EXPECT_EQ(run.exitCode, 1u) << std::string(c.output);
    EXPECT_EQ(run.output.substr(0, c.output.size()), c.output);
  }
}

// The mark of provisioned certificates, shown by name. The platform's stub refuses to set it on
// some systems; there the listing of it is covered through the reader seam only.
TEST(DumpStoreProgramTest, ShowsThePolicyIdOfProvisionedCertificates) {
  const std::vector<BYTE> der = Fixture("alice.der");
  luma::CCertContextHandle probe(
      CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
  ASSERT_TRUE(probe);
  const wchar_t policyId[] = L"policy-alice";
  CRYPT_DATA_BLOB value = {sizeof(policyId), reinterpret_cast<BYTE*>(const_cast<wchar_t*>(policyId))};
  if (!CertSetCertificateContextProperty(probe.get(), 0xA001, 0, &value)) {
    GTEST_SKIP() << "this platform cannot set property 0xA001 on a certificate";
  }
  FixtureStore store(L"LumaDumpStoreFixtureC", true);
  ASSERT_TRUE(store.Fill());
  luma::CCertStoreHandle handle(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER,
                                              L"LumaDumpStoreFixtureC"));
  luma::CCertContextHandle stored;
  ASSERT_TRUE(CertAddEncodedCertificateToStore(handle.get(), X509_ASN_ENCODING, der.data(),
                                               static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING,
                                               stored.put()));
  ASSERT_TRUE(CertSetCertificateContextProperty(stored.get(), 0xA001, 0, &value));
  const RunResult run = RunDumpStore(L"-n -s LumaDumpStoreFixtureC");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_NE(run.output.find("LUMAPASSV_POLICY_ID_PROP_ID:\r\n\r\n  'policy-alice'\r\n\r\n"),
            std::string::npos);
}

}  // namespace
