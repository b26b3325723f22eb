// lumaPassKSP.dll loaded as the CNG router loads it: by file, through GetKeyStorageInterface, with
// lumaPassV's per-user pipe first absent and then served by a scripted lumaPassV that holds the key
// of the fixtures' certificate.
#include <gtest/gtest.h>

#include "foundation/core/vsc_message.h"
#include "foundation/win/unique_handle.h"
#include "plugins/common/core/container_record.h"
#include "plugins/common/tests/container_server.h"
#include "plugins/common/user_pipe_name.h"
#include "plugins/ksp/ksp_functions.h"

namespace luma::ksp {

// The scripted lumaPassV and the block helpers of the plug-in library.
using namespace luma::plugin;
namespace {

TEST(KspDllTest, TheLoadedModuleServesTheFunctionTableAndClosesSessionsWhenUnloaded) {
  luma::CModuleHandle module(LoadLibraryW(L"lumaPassKSP.dll"));
  ASSERT_TRUE(module);
  const auto getInterface = reinterpret_cast<GetKeyStorageInterfaceFn>(
      reinterpret_cast<void*>(GetProcAddress(module.get(), "GetKeyStorageInterface")));
  ASSERT_NE(nullptr, getInterface);
  EXPECT_EQ(reinterpret_cast<void*>(getInterface),
            reinterpret_cast<void*>(GetProcAddress(module.get(), MAKEINTRESOURCEA(4))));
  EXPECT_NE(nullptr, GetProcAddress(module.get(), "DllRegisterServer"));
  EXPECT_EQ(kInvalidParameter, getInterface(L"nuvak lumaPass V Key Storage Provider", nullptr, 0));
  NCRYPT_KEY_STORAGE_FUNCTION_TABLE* table = nullptr;
  ASSERT_EQ(0, getInterface(L"nuvak lumaPass V Key Storage Provider", &table, 0));
  ASSERT_NE(nullptr, table);
  EXPECT_NE(&FunctionTable(), table);  // the module's own table, not the test program's

  // lumaPassV is not running: the provider opens without keys.
  NCRYPT_PROV_HANDLE provider = 0;
  ASSERT_EQ(0, table->OpenProvider(&provider, L"nuvak lumaPass V Key Storage Provider", 0));
  NCRYPT_KEY_HANDLE key = 0;
  EXPECT_EQ(kBadKeyset, table->OpenKey(provider, &key, L"alpha", 0, 0));
  EXPECT_EQ(0, table->FreeProvider(provider));
  EXPECT_EQ(kInvalidHandle, table->FreeProvider(provider));

  // lumaPassV with three containers on the user's pipe.
  const auto server = ServeContainers(luma::plugin::GetUserPipeName(),
                                      {{L"Charlie", kAtKeyExchange, 2048, KspFixture("cert.der")},
                                       {L"alpha", kAtSignature, 2048, CSecureBuffer()},
                                       {L"Bravo", kAtKeyExchange, 1024, CSecureBuffer()}},
                                      OpenSslKey);
  ASSERT_EQ(0, table->OpenProvider(&provider, L"nuvak lumaPass V Key Storage Provider", 0));
  PVOID cursor = nullptr;
  std::vector<std::wstring> names;
  NCryptKeyName* name = nullptr;
  while (table->EnumKeys(provider, nullptr, &name, &cursor, 0) == 0) {
    names.push_back(name->pszName);
    EXPECT_EQ(0, table->FreeBuffer(name));
    ASSERT_LT(names.size(), 4u);
  }
  EXPECT_EQ((std::vector<std::wstring>{L"alpha", L"Bravo", L"Charlie"}), names);
  EXPECT_EQ(0, table->FreeBuffer(cursor));
  ASSERT_EQ(0, table->OpenKey(provider, &key, L"BRAVO", 0, 0));
  DWORD bits = 0;
  DWORD size = 0;
  EXPECT_EQ(0, table->GetKeyProperty(provider, key, L"Length", reinterpret_cast<PBYTE>(&bits), 4, &size, 0));
  EXPECT_EQ(1024u, bits);

  // The module signs and decrypts with the key that lumaPassV holds for Charlie's certificate.
  NCRYPT_KEY_HANDLE charlie = 0;
  ASSERT_EQ(0, table->OpenKey(provider, &charlie, L"Charlie", 0, 0));
  const CSecureBuffer hash = KspFixture("hash.sha256.bin");
  BCRYPT_PKCS1_PADDING_INFO sha256 = {L"SHA256"};
  BYTE output[256] = {};
  ASSERT_EQ(0, table->SignHash(provider, charlie, &sha256, hash.data, hash.size, output, sizeof(output),
                               &size, BCRYPT_PAD_PKCS1));
  EXPECT_EQ(KspFixture("signature.sha256.bin"), CSecureBuffer(size, output));
  const CSecureBuffer cipher = KspFixture("cipher.pkcs1.bin");
  ASSERT_EQ(0, table->Decrypt(provider, charlie, cipher.data, cipher.size, nullptr, output, sizeof(output),
                              &size, NCRYPT_PAD_PKCS1_FLAG));
  EXPECT_EQ(KspFixture("plain.pkcs1.bin"), CSecureBuffer(size, output));
  std::vector<BYTE> blob(1024);
  ASSERT_EQ(0, table->ExportKey(provider, charlie, 0, BCRYPT_RSAPUBLIC_BLOB, nullptr, blob.data(),
                                static_cast<DWORD>(blob.size()), &size, 0));
  EXPECT_EQ(KspFixture("modulus.bin"), CSecureBuffer(256, blob.data() + size - 256));

  // Unloading with the handle still open closes its session.
  EXPECT_EQ(0u, CountRequests(*server, VirtualSmartCardProtocol::MessageTypeCloseSession));
  module.reset();
  EXPECT_EQ(1u, CountRequests(*server, VirtualSmartCardProtocol::MessageTypeCloseSession));
}

}  // namespace
}  // namespace luma::ksp
