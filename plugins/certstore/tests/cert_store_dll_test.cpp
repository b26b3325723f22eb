// lumaPassCertStore.dll loaded as CryptoAPI loads it: its open function called with a zeroed
// provider-information table and its callbacks driven directly (CertOpenStore cannot drive an
// external provider on every platform), with lumaPassV's per-user pipe first absent and then
// served by a scripted lumaPassV; and its self-registration, read back from the registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "foundation/core/vsc_message.h"
#include "plugins/certstore/cert_store_module.h"
#include "plugins/certstore/tests/cert_store_test_support.h"
#include "plugins/common/user_pipe_name.h"

namespace luma::certstore {
namespace {

constexpr wchar_t kModuleFile[] = L"lumaPassCertStore.dll";
constexpr wchar_t kOpenFunctionKey[] =
    L"Software\\Microsoft\\Cryptography\\OID\\EncodingType 0\\CertDllOpenStoreProv\\lumaPassV";
constexpr wchar_t kLocalizedNamesKey[] =
    L"Software\\Microsoft\\Cryptography\\OID\\EncodingType 0\\CryptDllFindLocalizedName\\LocalizedNames";

using HresultFunction = HRESULT(WINAPI*)();

template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::optional<std::wstring> RegistryText(const wchar_t* key, const wchar_t* value) {
  DWORD size = 0;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key, value, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key, value, RRF_RT_REG_SZ, nullptr, text.data(), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  text.resize(wcslen(text.c_str()));
  return text;
}

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH * 2] = {};
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH * 2);
  return std::wstring(path, length);
}

TEST(CertStoreDllTest, TheLoadedModuleShowsLumaPassVsCertificatesAndStaysLoadedWhileAStoreLives) {
  luma::CModuleHandle module(LoadLibraryW(kModuleFile));
  ASSERT_TRUE(module);
  const auto open = Export<PFN_CERT_DLL_OPEN_STORE_PROV_FUNC>(module.get(), "CertDllOpenLumaPassVStoreProvW");
  ASSERT_NE(nullptr, open);
  EXPECT_EQ(reinterpret_cast<void*>(open),
            reinterpret_cast<void*>(GetProcAddress(module.get(), MAKEINTRESOURCEA(1))));
  const auto canUnloadNow = Export<HresultFunction>(module.get(), "DllCanUnloadNow");
  ASSERT_NE(nullptr, canUnloadNow);
  EXPECT_EQ(S_OK, canUnloadNow());

  CDrivenStore store(open);
  ASSERT_TRUE(store.opened());
  EXPECT_EQ(S_FALSE, canUnloadNow());
  EXPECT_TRUE(store.Enumerate().empty());  // lumaPassV is not running

  OfferedContainer alpha = Offer("alt_names.der", L"alpha");
  OfferedContainer bravo = Offer("key_encipherment.der", L"bravo");
  bravo.info.providerName = L"Microsoft Base Smart Card Crypto Provider";
  bravo.info.keySpec = AT_SIGNATURE;
  CScriptedStoreServer server(luma::plugin::GetUserPipeName(), {alpha, bravo});
  const auto found = store.Enumerate();
  ASSERT_EQ(2u, found.size());
  for (const auto& certificate : found) {
    const OfferedContainer& offered = certificate.get()->cbCertEncoded == alpha.certificate.size &&
                                              std::memcmp(certificate.get()->pbCertEncoded,
                                                          alpha.certificate.data, alpha.certificate.size) == 0
                                          ? alpha
                                          : bravo;
    KeyProvider keyProvider;
    ASSERT_TRUE(ReadKeyProvider(certificate.get(), keyProvider));
    EXPECT_EQ(offered.info.containerName, keyProvider.containerName);
    EXPECT_EQ(offered.info.providerName, keyProvider.providerName);
    EXPECT_EQ(offered.info.providerType, keyProvider.providerType);
    EXPECT_EQ(offered.info.keySpec, keyProvider.keySpec);
    EXPECT_EQ(offered.info.friendlyName,
              PropertyText(PropertyBytes(SystemCertificateProperties(), certificate.get(),
                                         CERT_FRIENDLY_NAME_PROP_ID)));
  }
  EXPECT_EQ(2u, server.CountRequests(VirtualSmartCardProtocol::MessageTypeGetCertStoreInfo));

  store.Close();
  EXPECT_EQ(S_OK, canUnloadNow());
  // The first open pinned the module only where CryptoAPI would let it go under an open store.
  module.reset();
  EXPECT_EQ(PlatformFreesProvidersWithoutAsking(), GetModuleHandleW(kModuleFile) != nullptr);
}

TEST(CertStoreDllTest, TheStoreCarriesTheAccountKeyReaderAndArchivedMark) {
  if (!PlatformKeepsAccountKeyProperty()) {
    GTEST_SKIP() << "this platform cannot set certificate property 0xA001 (Wine: a stub, as for the reader "
                    "and the archived mark); the fill sets them through the property access checked in "
                    "StoreProviderTest and StoreChangeTest";
  }
  luma::CModuleHandle module(LoadLibraryW(kModuleFile));
  ASSERT_TRUE(module);
  OfferedContainer alpha = Offer("alt_names.der", L"alpha");
  alpha.info.archived = 1;
  CScriptedStoreServer server(luma::plugin::GetUserPipeName(), {alpha});
  CDrivenStore store(
      Export<PFN_CERT_DLL_OPEN_STORE_PROV_FUNC>(module.get(), "CertDllOpenLumaPassVStoreProvW"));
  const auto found = store.Enumerate();
  ASSERT_EQ(1u, found.size());
  CCertificateProperties& system = SystemCertificateProperties();
  const CSecureBuffer account = PropertyBytes(system, found[0].get(), LUMAPASSV_POLICY_ID_PROP_ID);
  EXPECT_EQ(alpha.info.accountKey, PropertyText(account));
  EXPECT_EQ(2 * alpha.info.accountKey.size() + 2, account.size);
  EXPECT_EQ(alpha.info.smartCardReader,
            PropertyText(PropertyBytes(system, found[0].get(), CERT_SMART_CARD_READER_PROP_ID)));
  CSecureBuffer archived;
  EXPECT_TRUE(system.Get(found[0].get(), CERT_ARCHIVED_PROP_ID, archived));
}

struct RegistrationEntries {
  HresultFunction registerServer = nullptr;
  HresultFunction unregisterServer = nullptr;
};

RegistrationEntries RegistrationOf(HMODULE module) {
  return {Export<HresultFunction>(module, "DllRegisterServer"),
          Export<HresultFunction>(module, "DllUnregisterServer")};
}

// Whether this platform writes an OID function value of encoding type 0 into the registry.
bool PlatformWritesEncodingTypeZeroValues() {
  const BYTE text[] = {'x', 0, 0, 0};
  CryptSetOIDFunctionValue(0, "lumaPassProbeFunction", "Probe", L"value", REG_SZ, text, sizeof(text));
  const bool written =
      RegistryText(L"Software\\Microsoft\\Cryptography\\OID\\EncodingType 0\\lumaPassProbeFunction\\Probe",
                   L"value")
          .has_value();
  RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                 L"Software\\Microsoft\\Cryptography\\OID\\EncodingType 0\\lumaPassProbeFunction");
  return written;
}

TEST(CertStoreDllTest, RegistrationWritesTheOpenFunctionAndBothEntriesMayRepeat) {
  luma::CModuleHandle module(LoadLibraryW(kModuleFile));
  ASSERT_TRUE(module);
  const RegistrationEntries entries = RegistrationOf(module.get());
  ASSERT_NE(nullptr, entries.registerServer);
  ASSERT_NE(nullptr, entries.unregisterServer);

  // Without a registration, unregistering succeeds and visits every location.
  EXPECT_EQ(S_OK, entries.unregisterServer());
  EXPECT_EQ(std::nullopt, RegistryText(kOpenFunctionKey, L"Dll"));

  EXPECT_EQ(S_OK, entries.registerServer());
  EXPECT_EQ(S_OK, entries.registerServer());
  EXPECT_EQ(ModulePath(module.get()), RegistryText(kOpenFunctionKey, L"Dll").value_or(L"(none)"));
  EXPECT_EQ(L"CertDllOpenLumaPassVStoreProvW",
            RegistryText(kOpenFunctionKey, L"FuncName").value_or(L"(none)"));

  EXPECT_EQ(S_OK, entries.unregisterServer());
  EXPECT_EQ(std::nullopt, RegistryText(kOpenFunctionKey, L"Dll"));
  EXPECT_EQ(S_OK, entries.unregisterServer());
}

TEST(CertStoreDllTest, RegistrationWritesTheLocalizedStoreNameAndUnregistrationRemovesIt) {
  if (!PlatformWritesEncodingTypeZeroValues()) {
    GTEST_SKIP() << "this platform accepts OID function values of encoding type 0 without storing them "
                    "(Wine: CryptSetOIDFunctionValue returns TRUE at once)";
  }
  luma::CModuleHandle module(LoadLibraryW(kModuleFile));
  ASSERT_TRUE(module);
  const RegistrationEntries entries = RegistrationOf(module.get());
  EXPECT_EQ(S_OK, entries.registerServer());
  EXPECT_EQ(L"luma-Pass V Cloud Certificates",
            RegistryText(kLocalizedNamesKey, L"lumaPassV").value_or(L"(none)"));
  DWORD size = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_LOCAL_MACHINE, kLocalizedNamesKey, L"lumaPassV", RRF_RT_ANY,
                                        nullptr, nullptr, &size));
  EXPECT_EQ(62u, size);
  EXPECT_EQ(S_OK, entries.unregisterServer());
  EXPECT_EQ(std::nullopt, RegistryText(kLocalizedNamesKey, L"lumaPassV"));
}

// A module whose full path fills the whole 260-character buffer: the path may have been cut short,
// so nothing is registered.
TEST(CertStoreDllTest, AModulePathThatFillsTheWholeBufferIsARegistrationFailure) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
  std::wstring folder =
      std::wstring(temp) + L"lumaPassCertStoreLongPath" + std::to_wstring(GetCurrentProcessId());
  const std::wstring file = L"\\lumaPassCertStoreCopy.dll";
  const size_t wanted = 260;  // characters of the copy's full path
  ASSERT_LT(folder.size() + file.size() + 2, wanted);
  std::vector<std::wstring> folders = {folder};
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  while (folder.size() + file.size() < wanted) {
    const size_t room = wanted - file.size() - folder.size() - 1;  // one for the separator
    folder += L"\\" + std::wstring(std::min<size_t>(room, 100), L'd');
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << GetLastError();
    folders.push_back(folder);
  }
  const std::wstring copy = folder + file;
  ASSERT_EQ(wanted, copy.size());
  ASSERT_TRUE(CopyFileW(ModulePath(luma::CModuleHandle(LoadLibraryW(kModuleFile)).get()).c_str(),
                        copy.c_str(), FALSE));
  {
    luma::CModuleHandle module(LoadLibraryW(copy.c_str()));
    ASSERT_TRUE(module) << GetLastError();
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER),
              Export<HresultFunction>(module.get(), "DllRegisterServer")());
    EXPECT_EQ(std::nullopt, RegistryText(kOpenFunctionKey, L"Dll"));
  }
  DeleteFileW(copy.c_str());
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) RemoveDirectoryW(it->c_str());
}

}  // namespace
}  // namespace luma::certstore
