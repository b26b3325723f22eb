// The function table driven as the CNG router drives it, with the provider logic linked in and a
// scripted lumaPassV on a pipe of the test's own.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/core/vsc_message.h"
#include "plugins/common/core/container_record.h"
#include "plugins/common/tests/container_server.h"
#include "plugins/ksp/ksp_functions.h"
#include "plugins/ksp/ksp_module.h"

namespace luma::ksp {

// The scripted lumaPassV and the block helpers of the plug-in library.
using namespace luma::plugin;
namespace {

std::wstring testPipeName;
std::wstring TestPipeName() { return testPipeName; }

class KspFunctionTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testPipeName = luma::plugin::UniqueTestPipeName();
    KspModule::SetPipeNameFunction(&TestPipeName);
  }
  void TearDown() override {
    for (NCRYPT_PROV_HANDLE provider : providers) table.FreeProvider(provider);
    KspModule::SetPipeNameFunction(nullptr);
  }

  void Serve(std::vector<TestContainer> containers) {
    server = ServeContainers(testPipeName, std::move(containers));
  }

  NCRYPT_PROV_HANDLE OpenProvider() {
    NCRYPT_PROV_HANDLE provider = 0;
    EXPECT_EQ(0, table.OpenProvider(&provider, L"nuvak lumaPass V Key Storage Provider", 0));
    providers.push_back(provider);
    return provider;
  }

  NCRYPT_KEY_HANDLE OpenKey(NCRYPT_PROV_HANDLE provider, const wchar_t* name) {
    NCRYPT_KEY_HANDLE key = 0;
    EXPECT_EQ(0, table.OpenKey(provider, &key, name, 0, 0)) << name;
    return key;
  }

  std::vector<BYTE> KeyProperty(NCRYPT_PROV_HANDLE provider, NCRYPT_KEY_HANDLE key, const wchar_t* name) {
    DWORD size = 0;
    EXPECT_EQ(0, table.GetKeyProperty(provider, key, name, nullptr, 0, &size, 0)) << name;
    std::vector<BYTE> value(size + 1);
    DWORD written = 0;
    EXPECT_EQ(0, table.GetKeyProperty(provider, key, name, value.data(), size + 1, &written, 0)) << name;
    EXPECT_EQ(size, written);
    value.resize(size);
    return value;
  }

  NCRYPT_KEY_STORAGE_FUNCTION_TABLE& table = FunctionTable();
  std::unique_ptr<CScriptedPipeServer> server;
  std::vector<NCRYPT_PROV_HANDLE> providers;
};

std::vector<BYTE> Dword(DWORD value) {
  std::vector<BYTE> bytes(4);
  std::memcpy(bytes.data(), &value, 4);
  return bytes;
}

std::vector<BYTE> Text(const std::wstring& text) {
  std::vector<BYTE> bytes((text.size() + 1) * 2);
  std::memcpy(bytes.data(), text.c_str(), bytes.size());
  return bytes;
}

const std::vector<TestContainer> kThreeKeys = {
    {L"Zeta Signing", kAtSignature, 2048, CSecureBuffer()},
    {L"alpha", kAtKeyExchange, 1024, CSecureBuffer()},
    {L"Mid-Key", kAtKeyExchange, 3072, CSecureBuffer()},
};

TEST_F(KspFunctionTableTest, EnumeratesThreeKeysInFoldedOrderUntilNoMoreItems) {
  Serve(kThreeKeys);
  const NCRYPT_PROV_HANDLE provider = OpenProvider();
  PVOID cursor = nullptr;
  std::vector<std::wstring> names;
  std::vector<NCryptKeyName*> blocks;
  for (;;) {
    NCryptKeyName* name = nullptr;
    const SECURITY_STATUS status = table.EnumKeys(provider, nullptr, &name, &cursor, 0);
    if (status == kNoMoreItems) break;
    ASSERT_EQ(0, status);
    ASSERT_NE(nullptr, cursor);
    EXPECT_STREQ(L"RSA", name->pszAlgid);
    names.push_back(name->pszName);
    EXPECT_EQ(names.back() == L"Zeta Signing" ? kAtSignature : kAtKeyExchange, name->dwLegacyKeySpec);
    blocks.push_back(name);
    ASSERT_LT(names.size(), 4u);
  }
  EXPECT_EQ((std::vector<std::wstring>{L"alpha", L"Mid-Key", L"Zeta Signing"}), names);
  // The cursor stays until it is released; a pointer EnumKeys never gave out is refused.
  NCryptKeyName* name = nullptr;
  EXPECT_EQ(kNoMoreItems, table.EnumKeys(provider, nullptr, &name, &cursor, 0));
  PVOID foreign = &names;
  EXPECT_EQ(kInvalidParameter, table.EnumKeys(provider, nullptr, &name, &foreign, 0));
  EXPECT_EQ(kNotSupported, table.EnumKeys(provider, nullptr, &name, &cursor, NCRYPT_MACHINE_KEY_FLAG));
  EXPECT_EQ(kBadFlags, table.EnumKeys(provider, nullptr, &name, &cursor, 0x1));
  EXPECT_EQ(0, table.FreeBuffer(cursor));
  EXPECT_EQ(kInvalidParameter, table.EnumKeys(provider, nullptr, &name, &cursor, 0));
  for (NCryptKeyName* block : blocks) EXPECT_EQ(0, table.FreeBuffer(block));
  EXPECT_EQ(kInvalidParameter, table.FreeBuffer(nullptr));
}

TEST_F(KspFunctionTableTest, KeyNamesFoldAsciiCaseAndLaterDuplicatesReplaceEarlierOnes) {
  Serve({{L"Alice", kAtKeyExchange, 1024, CSecureBuffer()}, {L"ALICE", kAtSignature, 2048, CSecureBuffer()}});
  const NCRYPT_PROV_HANDLE provider = OpenProvider();
  const NCRYPT_KEY_HANDLE key = OpenKey(provider, L"aLiCe");
  EXPECT_EQ(Dword(2048), KeyProperty(provider, key, L"Length"));
  EXPECT_EQ(Text(L"ALICE"), KeyProperty(provider, key, L"Name"));
  NCRYPT_KEY_HANDLE missing = 0;
  EXPECT_EQ(kBadKeyset, table.OpenKey(provider, &missing, L"Alic", 0, 0));
  EXPECT_EQ(kInvalidParameter, table.OpenKey(provider, nullptr, L"Alice", 0, 0));

  PVOID cursor = nullptr;
  NCryptKeyName* first = nullptr;
  NCryptKeyName* second = nullptr;
  ASSERT_EQ(0, table.EnumKeys(provider, nullptr, &first, &cursor, 0));
  EXPECT_EQ(kNoMoreItems, table.EnumKeys(provider, nullptr, &second, &cursor, 0));
  table.FreeBuffer(first);
  table.FreeBuffer(cursor);
}

TEST_F(KspFunctionTableTest, HandlesNeverIssuedFreedOrOfAnotherProviderAreInvalid) {
  Serve(kThreeKeys);
  const NCRYPT_PROV_HANDLE provider = OpenProvider();
  const NCRYPT_PROV_HANDLE other = OpenProvider();
  const NCRYPT_KEY_HANDLE key = OpenKey(provider, L"alpha");
  DWORD size = 0;
  BYTE byte = 0;
  NCRYPT_KEY_HANDLE newKey = 0;
  NCryptKeyName* name = nullptr;
  PVOID cursor = nullptr;
  DWORD count = 0;
  NCryptAlgorithmName* algorithms = nullptr;

  const NCRYPT_PROV_HANDLE neverIssued = provider + 8;
  NCRYPT_PROV_HANDLE freed = 0;
  ASSERT_EQ(0, table.OpenProvider(&freed, L"x", 0));
  ASSERT_EQ(0, table.FreeProvider(freed));
  for (NCRYPT_PROV_HANDLE bad : {neverIssued, freed, NCRYPT_PROV_HANDLE(0)}) {
    EXPECT_EQ(kInvalidHandle, table.OpenKey(bad, &newKey, L"alpha", 0, 0));
    EXPECT_EQ(kInvalidHandle, table.GetProviderProperty(bad, L"Name", nullptr, 0, &size, 0));
    EXPECT_EQ(kInvalidHandle, table.SetProviderProperty(bad, L"HWND Handle", &byte, 1, 0));
    EXPECT_EQ(kInvalidHandle, table.EnumKeys(bad, nullptr, &name, &cursor, 0));
    EXPECT_EQ(kInvalidHandle, table.EnumAlgorithms(bad, 0, &count, &algorithms, 0));
    EXPECT_EQ(kInvalidHandle, table.IsAlgSupported(bad, L"RSA", 0));
    EXPECT_EQ(kInvalidHandle, table.GetKeyProperty(bad, key, L"Length", nullptr, 0, &size, 0));
    EXPECT_EQ(kInvalidHandle, table.FreeKey(bad, key));
    EXPECT_EQ(kInvalidHandle, table.FreeProvider(bad));
  }
  // A key handle is valid only with the provider handle that opened it, and only until it is freed.
  EXPECT_EQ(kInvalidHandle, table.GetKeyProperty(other, key, L"Length", nullptr, 0, &size, 0));
  EXPECT_EQ(kInvalidHandle, table.SetKeyProperty(other, key, L"HWND Handle", &byte, 1, 0));
  EXPECT_EQ(kInvalidHandle, table.FreeKey(other, key));
  EXPECT_EQ(kInvalidHandle, table.GetKeyProperty(provider, key + 8, L"Length", nullptr, 0, &size, 0));
  EXPECT_EQ(0, table.FreeKey(provider, key));
  EXPECT_EQ(kInvalidHandle, table.GetKeyProperty(provider, key, L"Length", nullptr, 0, &size, 0));
  EXPECT_EQ(kInvalidHandle, table.FreeKey(provider, key));
  // A handle is checked before any other argument.
  EXPECT_EQ(kInvalidHandle, table.GetKeyProperty(provider, key, nullptr, nullptr, 0, nullptr, 0xFFFF));
}

TEST_F(KspFunctionTableTest, KeyAndProviderPropertiesAnswerTheirTables) {
  const BYTE certificate[] = {0x30, 0x03, 0x02, 0x01, 0x07};
  Serve({{L"Signer", kAtSignature, 2048, CSecureBuffer(sizeof(certificate), certificate)},
         {L"Both", kAtKeyExchange, 1024, CSecureBuffer()}});
  const NCRYPT_PROV_HANDLE provider = OpenProvider();
  const NCRYPT_KEY_HANDLE signer = OpenKey(provider, L"Signer");
  const NCRYPT_KEY_HANDLE both = OpenKey(provider, L"Both");

  struct Case {
    const wchar_t* name;
    std::vector<BYTE> value;
  };
  const Case keyCases[] = {
      {L"Key Type", Dword(0)},
      {L"Key Usage", Dword(2)},
      {L"Algorithm Group", Text(L"RSA")},
      {L"Algorithm Name", Text(L"RSA")},
      {L"Length", Dword(2048)},
      {L"Block Length", Dword(256)},
      {L"SmartCardKeyCertificate", std::vector<BYTE>(certificate, certificate + sizeof(certificate))},
      {L"Export Policy", Dword(0)},
      {L"Max Name Length", Dword(39)},
      {L"Name", Text(L"Signer")},
      {L"Unique Name", Text(L"Signer")},
      {L"Use Context", {}},
      {L"Security Descr Support", Dword(0)},
      {L"CLR IsEphemeral", {0}},
  };
  for (const Case& c : keyCases) EXPECT_EQ(c.value, KeyProperty(provider, signer, c.name)) << c.name;
  EXPECT_EQ(Dword(3), KeyProperty(provider, both, L"Key Usage"));

  const Case providerCases[] = {
      {L"Impl Type", Dword(9)},
      {L"Max Name Length", Dword(39)},
      {L"Name", Text(L"nuvak lumaPass V Key Storage Provider")},
      {L"Version", Dword(0x10000)},
      {L"Security Descr Support", Dword(0)},
  };
  for (const Case& c : providerCases) {
    std::vector<BYTE> value(128);
    DWORD size = 0;
    EXPECT_EQ(0, table.GetProviderProperty(provider, c.name, value.data(), 128, &size, 0)) << c.name;
    value.resize(size);
    EXPECT_EQ(c.value, value) << c.name;
  }
  DWORD size = 0;
  EXPECT_EQ(kNotFound, table.GetKeyProperty(provider, signer, L"length", nullptr, 0, &size, 0));
  EXPECT_EQ(kNotFound, table.GetProviderProperty(provider, L"Key Usage", nullptr, 0, &size, 0));
}

TEST_F(KspFunctionTableTest, PropertyOutputRuleSizeQueriesShortBuffersNamesAndFlags) {
  Serve(kThreeKeys);
  const NCRYPT_PROV_HANDLE provider = OpenProvider();
  const NCRYPT_KEY_HANDLE key = OpenKey(provider, L"alpha");
  const DWORD nameSize = sizeof(L"nuvak lumaPass V Key Storage Provider");
  BYTE buffer[128] = {};
  DWORD size = 0;

  EXPECT_EQ(0, table.GetProviderProperty(provider, L"Name", buffer, 0, &size, 0));
  EXPECT_EQ(nameSize, size);
  // No buffer with a size is a size query as well, never a write through null.
  size = 0;
  EXPECT_EQ(0, table.GetProviderProperty(provider, L"Name", nullptr, 200, &size, 0));
  EXPECT_EQ(nameSize, size);
  size = 0;
  SetLastError(0);
  EXPECT_EQ(kMoreData, table.GetProviderProperty(provider, L"Name", buffer, nameSize - 1, &size, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
  EXPECT_EQ(nameSize, size);
  EXPECT_EQ(kMoreData, table.GetKeyProperty(provider, key, L"Length", buffer, 3, &size, 0));
  EXPECT_EQ(4u, size);

  const std::wstring longName(65, L'x');
  EXPECT_EQ(kInvalidParameter, table.GetProviderProperty(provider, longName.c_str(), buffer, 128, &size, 0));
  EXPECT_EQ(kInvalidParameter, table.GetKeyProperty(provider, key, longName.c_str(), buffer, 128, &size, 0));
  EXPECT_EQ(kInvalidParameter, table.SetProviderProperty(provider, longName.c_str(), buffer, 1, 0));
  EXPECT_EQ(kInvalidParameter, table.SetKeyProperty(provider, key, longName.c_str(), buffer, 1, 0));
  EXPECT_EQ(kNotFound,
            table.GetProviderProperty(provider, std::wstring(64, L'x').c_str(), buffer, 128, &size, 0));
  EXPECT_EQ(kInvalidParameter, table.GetProviderProperty(provider, L"Name", buffer, 128, nullptr, 0));

  EXPECT_EQ(0, table.GetProviderProperty(provider, L"Name", buffer, 128, &size, 0x4000004F));
  EXPECT_EQ(kBadFlags, table.GetProviderProperty(provider, L"Name", buffer, 128, &size, 0x10));
  EXPECT_EQ(kBadFlags, table.SetProviderProperty(provider, L"HWND Handle", buffer, 1, 0x1));

  EXPECT_EQ(0, table.SetProviderProperty(provider, L"HWND Handle", buffer, 1, NCRYPT_SILENT_FLAG));
  EXPECT_EQ(kInvalidParameter, table.SetProviderProperty(provider, L"HWND Handle", nullptr, 1, 0));
  EXPECT_EQ(kNotSupported, table.SetProviderProperty(provider, L"Name", buffer, 1, 0));
}

TEST_F(KspFunctionTableTest, UseContextSetOnAKeyIsTheProvidersAndReadsBackFromBoth) {
  Serve(kThreeKeys);
  const NCRYPT_PROV_HANDLE provider = OpenProvider();
  const NCRYPT_KEY_HANDLE key = OpenKey(provider, L"alpha");
  BYTE context[] = {'c', 't', 'x'};
  ASSERT_EQ(0, table.SetKeyProperty(provider, key, L"Use Context", context, sizeof(context), 0));
  const std::vector<BYTE> expected(context, context + sizeof(context));
  EXPECT_EQ(expected, KeyProperty(provider, key, L"Use Context"));
  std::vector<BYTE> value(16);
  DWORD size = 0;
  ASSERT_EQ(0, table.GetProviderProperty(provider, L"Use Context", value.data(), 16, &size, 0));
  value.resize(size);
  EXPECT_EQ(expected, value);
  ASSERT_EQ(0, table.SetProviderProperty(provider, L"Use Context", context, 0, 0));
  EXPECT_TRUE(KeyProperty(provider, key, L"Use Context").empty());
}

TEST_F(KspFunctionTableTest, AlgorithmsAndRefusedOperations) {
  Serve(kThreeKeys);
  const NCRYPT_PROV_HANDLE provider = OpenProvider();
  DWORD count = 0;
  NCryptAlgorithmName* list = nullptr;
  ASSERT_EQ(0, table.EnumAlgorithms(provider, 0, &count, &list, 0));
  ASSERT_EQ(1u, count);
  EXPECT_STREQ(L"RSA", list->pszName);
  EXPECT_EQ(static_cast<DWORD>(NCRYPT_ASYMMETRIC_ENCRYPTION_INTERFACE), list->dwClass);
  EXPECT_EQ(0x14u, list->dwAlgOperations);
  EXPECT_EQ(0, table.FreeBuffer(list));
  EXPECT_EQ(kNotSupported, table.EnumAlgorithms(provider, NCRYPT_CIPHER_OPERATION, &count, &list, 0));
  EXPECT_EQ(0, table.EnumAlgorithms(provider, NCRYPT_SIGNATURE_OPERATION, &count, &list, 0));
  table.FreeBuffer(list);

  EXPECT_EQ(0, table.IsAlgSupported(provider, L"RSA", 0));
  EXPECT_EQ(kNotSupported, table.IsAlgSupported(provider, L"rsa", 0));
  EXPECT_EQ(kInvalidParameter, table.IsAlgSupported(provider, nullptr, 0));
  EXPECT_EQ(kNotSupported, table.CreatePersistedKey(0, nullptr, nullptr, nullptr, 0, 0));
  EXPECT_EQ(kNotSupported, table.FinalizeKey(0, 0, 0));
  EXPECT_EQ(kNotSupported, table.DeleteKey(0, 0, 0));
}

TEST_F(KspFunctionTableTest, WithoutLumaPassVTheProviderOpensWithoutKeys) {
  const NCRYPT_PROV_HANDLE provider = OpenProvider();
  NCRYPT_KEY_HANDLE key = 0;
  EXPECT_EQ(kBadKeyset, table.OpenKey(provider, &key, L"alpha", 0, 0));
  NCryptKeyName* name = nullptr;
  PVOID cursor = nullptr;
  EXPECT_EQ(kNoMoreItems, table.EnumKeys(provider, nullptr, &name, &cursor, 0));
  EXPECT_EQ(nullptr, cursor);
}

TEST_F(KspFunctionTableTest, FreeingTheProviderClosesItsSessionOnce) {
  Serve(kThreeKeys);
  NCRYPT_PROV_HANDLE provider = 0;
  ASSERT_EQ(0, table.OpenProvider(&provider, L"nuvak lumaPass V Key Storage Provider", 0));
  NCRYPT_KEY_HANDLE key = OpenKey(provider, L"alpha");
  EXPECT_EQ(3u, CountRequests(*server, VirtualSmartCardProtocol::MessageTypeGetContainerInfo));
  EXPECT_EQ(0u, CountRequests(*server, VirtualSmartCardProtocol::MessageTypeCloseSession));
  SetLastError(77);
  EXPECT_EQ(0, table.FreeProvider(provider));
  EXPECT_EQ(0u, GetLastError());
  EXPECT_EQ(1u, CountRequests(*server, VirtualSmartCardProtocol::MessageTypeCloseSession));
  DWORD size = 0;
  EXPECT_EQ(kInvalidHandle, table.GetKeyProperty(provider, key, L"Length", nullptr, 0, &size, 0));
}

TEST(KspEntryTest, GetKeyStorageInterfaceHandsOutTheTableVersionOne) {
  NCRYPT_KEY_STORAGE_FUNCTION_TABLE* table = nullptr;
  EXPECT_EQ(kInvalidParameter, GetKeyStorageInterface(L"x", nullptr, 0));
  ASSERT_EQ(0, GetKeyStorageInterface(L"nuvak lumaPass V Key Storage Provider", &table, 0));
  EXPECT_EQ(&FunctionTable(), table);
  EXPECT_EQ(1, table->Version.MajorVersion);
  EXPECT_EQ(0, table->Version.MinorVersion);
  // All 26 entries are set.
  const auto* entries = reinterpret_cast<void* const*>(&table->OpenProvider);
  for (int i = 0; i < 26; ++i) EXPECT_NE(nullptr, entries[i]) << i;
}

}  // namespace
}  // namespace luma::ksp
