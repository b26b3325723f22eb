// lumaPassCSP.dll registered with regsvr32, loaded and called by CryptoAPI itself: the provider's two
// identities, container selection as lumaPassV sees it, and acquisition while lumaPassV is down.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/core/vsc_message.h"
#include "foundation/win/unique_handle.h"
#include "plugins/common/core/container_record.h"
#include "plugins/common/tests/container_server.h"
#include "plugins/common/user_pipe_name.h"
#include "plugins/csp/csp_interface.h"
#include "plugins/csp/tests/csp_test_support.h"

namespace luma::csp {
namespace {

using luma::plugin::kAtKeyExchange;
using luma::plugin::kAtSignature;
using luma::plugin::TestContainer;

class CspAcquireTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterBothProviders(); }

  // The provider parameter as 8-bit text; "" with the last error kept when the call fails.
  static std::string TextParameter(HCRYPTPROV provider, DWORD parameter) {
    DWORD size = 0;
    if (!CryptGetProvParam(provider, parameter, nullptr, &size, 0)) return "";
    std::string value(size, '\0');
    if (!CryptGetProvParam(provider, parameter, reinterpret_cast<BYTE*>(&value[0]), &size, 0)) return "";
    value.resize(size > 0 ? size - 1 : 0);
    return value;
  }

  static DWORD DwordParameter(HCRYPTPROV provider, DWORD parameter) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    EXPECT_TRUE(CryptGetProvParam(provider, parameter, reinterpret_cast<BYTE*>(&value), &size, 0));
    return value;
  }
};

struct SelectionCase {
  const char* label;
  const wchar_t* container;  // null: no name
  const wchar_t* reader;
  const char* selected;  // null: no container is selected
};

TEST_F(CspAcquireTest, SelectsTheContainerAndNamesTheReaderAsTheNameSays) {
  const std::vector<SelectionCase> table = {
      {"null", nullptr, L"lumaPassCSP", "Bravo"},
      {"empty", L"", L"lumaPassCSP", nullptr},
      {"exact", L"Charlie", L"lumaPassCSP", "Charlie"},
      {"other case", L"charlie", L"lumaPassCSP", nullptr},
      {"reader and container", L"\\\\.\\Reader 7\\Alpha", L"Reader 7", "Alpha"},
      {"reader only", L"\\\\.\\Alpha", L"Alpha", "Alpha"},
      {"reader and trailing separator", L"\\\\.\\Reader 7\\", L"Reader 7", nullptr},
  };
  TestContainer bravo{L"Bravo", kAtSignature, 2048, CSecureBuffer()};
  bravo.defaultFlag = 1;
  const auto server = luma::plugin::ServeContainers(luma::plugin::GetUserPipeName(),
                                                    {{L"Alpha", kAtKeyExchange, 2048, CSecureBuffer()},
                                                     bravo,
                                                     {L"Charlie", kAtKeyExchange, 1024, CSecureBuffer()}});
  for (const SelectionCase& row : table) {
    SCOPED_TRACE(row.label);
    HCRYPTPROV provider = 0;
    ASSERT_TRUE(CryptAcquireContextW(&provider, row.container, kPlainProvider, PROV_RSA_FULL, 0))
        << std::hex << GetLastError();
    EXPECT_EQ(std::wstring(row.reader), ReaderNames(*server).back());
    if (row.selected != nullptr) {
      EXPECT_EQ(row.selected, TextParameter(provider, PP_CONTAINER));
    } else {
      EXPECT_EQ("", TextParameter(provider, PP_CONTAINER));
      EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
    }
    EXPECT_TRUE(CryptReleaseContext(provider, 0));
  }
  EXPECT_EQ(table.size(), ReaderNames(*server).size());
}

TEST_F(CspAcquireTest, TheCopyNamedForTheSecondIdentityRegistersAndAnnouncesItself) {
  luma::CRegistryKeyHandle key;
  ASSERT_EQ(
      ERROR_SUCCESS,
      RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                    L"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\nuvak lumaPass V RSA and AES "
                    L"Cryptographic Service Provider",
                    0, KEY_READ, key.put()));
  DWORD type = 0;
  DWORD size = sizeof(type);
  ASSERT_EQ(ERROR_SUCCESS,
            RegQueryValueExW(key.get(), L"Type", nullptr, nullptr, reinterpret_cast<BYTE*>(&type), &size));
  EXPECT_EQ(24u, type);
  wchar_t image[MAX_PATH] = {};
  size = sizeof(image) - sizeof(wchar_t);
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key.get(), L"Image Path", nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(image), &size));
  EXPECT_EQ(ProgramFolder() + L"lumaPassRSACSP.dll", std::wstring(image));

  luma::CCryptProviderHandle rsaAes;
  ASSERT_TRUE(CryptAcquireContextW(rsaAes.put(), nullptr, kRsaAesProvider, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
      << std::hex << GetLastError();
  EXPECT_EQ("nuvak lumaPass V RSA and AES Cryptographic Service Provider",
            TextParameter(rsaAes.get(), PP_NAME));
  EXPECT_EQ(24u, DwordParameter(rsaAes.get(), PP_PROVTYPE));

  luma::CCryptProviderHandle plain;
  ASSERT_TRUE(CryptAcquireContextW(plain.put(), nullptr, kPlainProvider, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
      << std::hex << GetLastError();
  EXPECT_EQ("nuvak lumaPass V Cryptographic Service Provider", TextParameter(plain.get(), PP_NAME));
  EXPECT_EQ(1u, DwordParameter(plain.get(), PP_PROVTYPE));
}

TEST_F(CspAcquireTest, WithLumaPassVDownAcquisitionSucceedsWithoutKeys) {
  ASSERT_FALSE(WaitNamedPipeW(luma::plugin::GetUserPipeName().c_str(), 1))
      << "something serves the user's pipe";
  luma::CCryptProviderHandle provider;
  ASSERT_TRUE(CryptAcquireContextW(provider.put(), nullptr, kPlainProvider, PROV_RSA_FULL, 0))
      << std::hex << GetLastError();
  for (const DWORD keySpec : {AT_KEYEXCHANGE, AT_SIGNATURE}) {
    HCRYPTKEY key = 0;
    EXPECT_FALSE(CryptGetUserKey(provider.get(), keySpec, &key));
    EXPECT_EQ(kNoKey, GetLastError());
  }
}

TEST_F(CspAcquireTest, CreatingOrDeletingAKeySetIsRefused) {
  for (const DWORD flags : {CRYPT_NEWKEYSET, CRYPT_DELETEKEYSET}) {
    HCRYPTPROV provider = 0;
    EXPECT_FALSE(CryptAcquireContextW(&provider, L"Alpha", kPlainProvider, PROV_RSA_FULL, flags));
    EXPECT_EQ(kBadFlags, GetLastError());
  }
}

TEST_F(CspAcquireTest, TheModuleExportsByOrdinalAndClosesTheSessionsOfContextsLeftOpenWhenUnloaded) {
  // A copy of its own, so that no other load of the module keeps it in the process.
  const std::wstring copy = ProgramFolder() + L"lumaPassCSP_unload_test.dll";
  ASSERT_TRUE(CopyFileW((ProgramFolder() + L"lumaPassCSP.dll").c_str(), copy.c_str(), FALSE));
  const auto server = luma::plugin::ServeContainers(luma::plugin::GetUserPipeName(),
                                                    {{L"Alpha", kAtKeyExchange, 2048, CSecureBuffer()}});
  luma::CModuleHandle module(LoadLibraryW(copy.c_str()));
  ASSERT_TRUE(module);
  const struct {
    const char* name;
    int ordinal;
  } exports[] = {{"CPAcquireContext", 1},   {"CPGetUserKey", 16},      {"CPReleaseContext", 20},
                 {"CPVerifySignature", 25}, {"DllRegisterServer", 27}, {"DllUnregisterServer", 28}};
  for (const auto& entry : exports) {
    EXPECT_NE(nullptr, GetProcAddress(module.get(), entry.name)) << entry.name;
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module.get(), entry.name)),
              reinterpret_cast<void*>(GetProcAddress(module.get(), MAKEINTRESOURCEA(entry.ordinal))))
        << entry.name;
  }
  const auto acquire = reinterpret_cast<decltype(&CPAcquireContext)>(
      reinterpret_cast<void*>(GetProcAddress(module.get(), "CPAcquireContext")));
  ASSERT_NE(nullptr, acquire);
  HCRYPTPROV provider = 0;
  ASSERT_TRUE(acquire(&provider, nullptr, CRYPT_VERIFYCONTEXT, nullptr));
  EXPECT_EQ(0u, luma::plugin::CountRequests(*server, VirtualSmartCardProtocol::MessageTypeCloseSession));
  module.reset();
  EXPECT_EQ(1u, luma::plugin::CountRequests(*server, VirtualSmartCardProtocol::MessageTypeCloseSession));
  DeleteFileW(copy.c_str());
}

}  // namespace
}  // namespace luma::csp
