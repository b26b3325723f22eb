// The key, hash and operation entries called directly on a context of a scripted lumaPassV: which
// handles each entry accepts, how delegate keys are wrapped and unwrapped, and the refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/vsc_message.h"
#include "foundation/core/vsc_session_messages.h"
#include "foundation/win/unique_handle.h"
#include "plugins/common/core/container_record.h"
#include "plugins/common/tests/container_server.h"
#include "plugins/csp/csp_interface.h"
#include "plugins/csp/csp_module.h"

namespace luma::csp {
namespace {

using luma::plugin::kAtKeyExchange;
using luma::plugin::kAtSignature;
using VirtualSmartCardProtocol::MessageTypeDecryptData;
using VirtualSmartCardProtocol::MessageTypeSignData;

std::wstring testPipeName;
std::wstring TestPipeName() { return testPipeName; }

constexpr HCRYPTKEY kUnknownKey = 0x1234;

// An AES-128 key as PLAINTEXTKEYBLOB.
std::vector<BYTE> PlainAesKey() {
  std::vector<BYTE> blob(sizeof(BLOBHEADER) + sizeof(DWORD) + 16, 0x5A);
  auto* header = reinterpret_cast<BLOBHEADER*>(blob.data());
  header->bType = PLAINTEXTKEYBLOB;
  header->bVersion = CUR_BLOB_VERSION;
  header->reserved = 0;
  header->aiKeyAlg = CALG_AES_128;
  const DWORD length = 16;
  std::memcpy(blob.data() + sizeof(BLOBHEADER), &length, sizeof(length));
  return blob;
}

// An exportable RSA exchange key of the Microsoft provider, as PRIVATEKEYBLOB.
std::vector<BYTE> RsaPrivateKey() {
  luma::CCryptProviderHandle provider;
  luma::CCryptKeyHandle key;
  DWORD size = 0;
  if (!CryptAcquireContextW(provider.put(), nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                            CRYPT_VERIFYCONTEXT) ||
      !CryptGenKey(provider.get(), AT_KEYEXCHANGE, (1024u << 16) | CRYPT_EXPORTABLE, key.put()) ||
      !CryptExportKey(key.get(), 0, PRIVATEKEYBLOB, 0, nullptr, &size)) {
    return {};
  }
  std::vector<BYTE> blob(size);
  if (!CryptExportKey(key.get(), 0, PRIVATEKEYBLOB, 0, blob.data(), &size)) return {};
  blob.resize(size);
  return blob;
}

class CspKeyHandlesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testPipeName = luma::plugin::UniqueTestPipeName();
    CspModule::SetPipeNameFunction(&TestPipeName);
    // Neither container has a certificate, so neither has a public key.
    server =
        luma::plugin::ServeContainers(testPipeName, {{L"Signer", kAtSignature, 2048, CSecureBuffer()},
                                                     {L"Decrypter", kAtKeyExchange, 2048, CSecureBuffer()}});
  }
  void TearDown() override {
    contextPool().Clear();
    CspModule::SetPipeNameFunction(nullptr);
  }

  HCRYPTPROV Acquire(const char* container) {
    HCRYPTPROV provider = 0;
    EXPECT_TRUE(CPAcquireContext(&provider, container, 0, nullptr));
    return provider;
  }

  HCRYPTKEY UserKey(HCRYPTPROV provider, DWORD keySpec) {
    HCRYPTKEY key = 0;
    EXPECT_TRUE(CPGetUserKey(provider, keySpec, &key));
    return key;
  }

  HCRYPTKEY Import(HCRYPTPROV provider, const std::vector<BYTE>& blob, HCRYPTKEY wrappingKey) {
    HCRYPTKEY key = 0;
    EXPECT_TRUE(CPImportKey(provider, blob.data(), static_cast<DWORD>(blob.size()), wrappingKey, 0, &key))
        << std::hex << GetLastError();
    return key;
  }

  std::unique_ptr<CScriptedPipeServer> server;
};

TEST_F(CspKeyHandlesTest, ImportAndExportUnwrapTheirWrappingKeyAndRefuseContainerAndUnknownKeys) {
  const HCRYPTPROV provider = Acquire("Decrypter");
  const std::vector<BYTE> rsaKey = RsaPrivateKey();
  ASSERT_FALSE(rsaKey.empty());
  const HCRYPTKEY exchange = Import(provider, rsaKey, 0);
  const HCRYPTKEY session = Import(provider, PlainAesKey(), 0);
  const HCRYPTKEY container = UserKey(provider, AT_KEYEXCHANGE);

  // The session key wrapped with the delegate key behind the CSP's handle, and unwrapped again.
  DWORD size = 0;
  ASSERT_TRUE(CPExportKey(provider, session, exchange, SIMPLEBLOB, 0, nullptr, &size))
      << std::hex << GetLastError();
  std::vector<BYTE> wrapped(size);
  ASSERT_TRUE(CPExportKey(provider, session, exchange, SIMPLEBLOB, 0, wrapped.data(), &size));
  wrapped.resize(size);
  const HCRYPTKEY unwrapped = Import(provider, wrapped, exchange);
  EXPECT_NE(0u, unwrapped);
  // One whole block each, so that no padding is added.
  BYTE first[16];
  BYTE second[16];
  std::memset(first, 0x11, sizeof(first));
  std::memset(second, 0x11, sizeof(second));
  DWORD firstSize = sizeof(first);
  DWORD secondSize = sizeof(second);
  ASSERT_TRUE(CPEncrypt(provider, session, 0, FALSE, 0, first, &firstSize, sizeof(first)))
      << std::hex << GetLastError();
  ASSERT_TRUE(CPEncrypt(provider, unwrapped, 0, FALSE, 0, second, &secondSize, sizeof(second)));
  EXPECT_EQ(0, std::memcmp(first, second, sizeof(first)));

  for (const auto& [wrappingKey, error] : {std::pair<HCRYPTKEY, DWORD>{container, kBadKey},
                                           {kUnknownKey, static_cast<DWORD>(ERROR_INVALID_HANDLE)}}) {
    size = static_cast<DWORD>(wrapped.size());
    EXPECT_FALSE(CPExportKey(provider, session, wrappingKey, SIMPLEBLOB, 0, wrapped.data(), &size));
    EXPECT_EQ(error, GetLastError());
    HCRYPTKEY key = 0;
    EXPECT_FALSE(
        CPImportKey(provider, wrapped.data(), static_cast<DWORD>(wrapped.size()), wrappingKey, 0, &key));
    EXPECT_EQ(error, GetLastError());
    EXPECT_EQ(0u, key);
  }
}

TEST_F(CspKeyHandlesTest, SetKeyParamAcceptsContainerKeysPassesDelegateKeysOnAndRefusesUnknownOnes) {
  const HCRYPTPROV provider = Acquire("Decrypter");
  const HCRYPTKEY session = Import(provider, PlainAesKey(), 0);
  const DWORD mode = CRYPT_MODE_ECB;
  EXPECT_TRUE(CPSetKeyParam(provider, session, KP_MODE, reinterpret_cast<const BYTE*>(&mode), 0));
  DWORD value = 0;
  DWORD size = sizeof(value);
  ASSERT_TRUE(CPGetKeyParam(provider, session, KP_MODE, reinterpret_cast<BYTE*>(&value), &size, 0));
  EXPECT_EQ(mode, value);
  EXPECT_TRUE(CPSetKeyParam(provider, UserKey(provider, AT_KEYEXCHANGE), KP_MODE,
                            reinterpret_cast<const BYTE*>(&mode), 0));
  EXPECT_FALSE(CPSetKeyParam(provider, kUnknownKey, KP_MODE, reinterpret_cast<const BYTE*>(&mode), 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(CspKeyHandlesTest, AContainerKeyWithoutAPublicKeyHasNothingToExport) {
  const HCRYPTPROV provider = Acquire("Signer");
  const HCRYPTKEY key = UserKey(provider, AT_SIGNATURE);
  BYTE blob[512];
  DWORD size = sizeof(blob);
  EXPECT_FALSE(CPExportKey(provider, key, 0, PUBLICKEYBLOB, 0, blob, &size));
  EXPECT_EQ(kBadKeyState, GetLastError());
  EXPECT_EQ(0u, size);
  size = 0;
  EXPECT_FALSE(CPExportKey(provider, key, 0, PUBLICKEYBLOB, 0, nullptr, &size));
  EXPECT_EQ(kBadKeyState, GetLastError());
}

TEST_F(CspKeyHandlesTest, DuplicatingGivesANewDelegateKeyButNoHandleForAContainerKey) {
  const HCRYPTPROV provider = Acquire("Decrypter");
  const HCRYPTKEY session = Import(provider, PlainAesKey(), 0);
  HCRYPTKEY duplicate = 0;
  ASSERT_TRUE(CPDuplicateKey(provider, session, nullptr, 0, &duplicate));
  EXPECT_NE(session, duplicate);
  EXPECT_TRUE(CPDestroyKey(provider, duplicate));

  HCRYPTKEY refused = 77;
  EXPECT_FALSE(CPDuplicateKey(provider, UserKey(provider, AT_KEYEXCHANGE), nullptr, 0, &refused));
  EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), GetLastError());
  EXPECT_EQ(0u, refused);
  EXPECT_FALSE(CPDuplicateKey(provider, kUnknownKey, nullptr, 0, &refused));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(CspKeyHandlesTest, ASignatureSizeQueryNeverReachesLumaPassVWhateverLengthItOffers) {
  const HCRYPTPROV provider = Acquire("Signer");
  HCRYPTHASH hash = 0;
  ASSERT_TRUE(CPCreateHash(provider, CALG_SHA_256, 0, 0, &hash));
  ASSERT_TRUE(CPHashData(provider, hash, reinterpret_cast<const BYTE*>("abc"), 3, 0));
  for (const DWORD offered : {0u, 255u, 256u, 100000u}) {
    DWORD size = offered;
    EXPECT_TRUE(CPSignHash(provider, hash, AT_SIGNATURE, nullptr, 0, nullptr, &size)) << offered;
    EXPECT_EQ(256u, size);
  }
  BYTE signature[256];
  DWORD size = 255;
  EXPECT_FALSE(CPSignHash(provider, hash, AT_SIGNATURE, nullptr, 0, signature, &size));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
  EXPECT_EQ(256u, size);
  size = sizeof(signature);
  EXPECT_FALSE(CPSignHash(provider, hash, AT_SIGNATURE, nullptr, CRYPT_NOHASHOID, signature, &size));
  EXPECT_EQ(kBadFlags, GetLastError());
  EXPECT_FALSE(CPSignHash(provider, hash, AT_KEYEXCHANGE, nullptr, 0, signature, &size));
  EXPECT_EQ(kNoKey, GetLastError());
  EXPECT_EQ(0u, luma::plugin::CountRequests(*server, MessageTypeSignData));
}

TEST_F(CspKeyHandlesTest, DecryptionRefusesWhatItCannotUseBeforeAnyRequest) {
  const HCRYPTPROV provider = Acquire("Decrypter");
  const HCRYPTKEY key = UserKey(provider, AT_KEYEXCHANGE);
  const HCRYPTKEY session = Import(provider, PlainAesKey(), 0);
  BYTE block[256] = {};
  DWORD size = sizeof(block);
  EXPECT_FALSE(CPDecrypt(provider, key, 0, TRUE, 0, nullptr, &size));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_FALSE(CPDecrypt(provider, key, 0, TRUE, 0, block, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_FALSE(CPDecrypt(provider, key, 0, TRUE, 0x21, block, &size));
  EXPECT_EQ(kBadFlags, GetLastError());
  EXPECT_FALSE(CPDecrypt(provider, session, 0, TRUE, 0, block, &size));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_FALSE(CPEncrypt(provider, session, 0, TRUE, 0x20, block, &size, sizeof(block)));
  EXPECT_EQ(kBadFlags, GetLastError());
  size = 16;
  EXPECT_FALSE(CPEncrypt(provider, key, 0, TRUE, 0, block, &size, sizeof(block)));
  EXPECT_EQ(kBadKey, GetLastError());
  EXPECT_EQ(0u, size);
  EXPECT_EQ(0u, luma::plugin::CountRequests(*server, MessageTypeDecryptData));
}

TEST_F(CspKeyHandlesTest, KeyGenerationDerivationAndSessionKeyHashingAreNotOffered) {
  const HCRYPTPROV provider = Acquire("Decrypter");
  HCRYPTKEY key = 5;
  EXPECT_FALSE(CPGenKey(provider, CALG_AES_128, 0, &key));
  EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), GetLastError());
  EXPECT_EQ(0u, key);
  key = 5;
  EXPECT_FALSE(CPDeriveKey(provider, CALG_AES_128, 0, 0, &key));
  EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), GetLastError());
  EXPECT_EQ(0u, key);
  EXPECT_FALSE(CPHashSessionKey(provider, 0, 0, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), GetLastError());
  EXPECT_TRUE(CPSetProvParam(kUnknownKey, PP_KEYEXCHANGE_PIN, nullptr, 0));
}

TEST_F(CspKeyHandlesTest, HashesAreTheDelegatesAndDieWithTheirHandle) {
  const HCRYPTPROV provider = Acquire("Signer");
  HCRYPTHASH hash = 0;
  ASSERT_TRUE(CPCreateHash(provider, CALG_SHA1, 0, 0, &hash));
  ASSERT_TRUE(CPHashData(provider, hash, reinterpret_cast<const BYTE*>("abc"), 3, 0));
  HCRYPTHASH copy = 0;
  ASSERT_TRUE(CPDuplicateHash(provider, hash, nullptr, 0, &copy));
  BYTE value[20];
  DWORD size = sizeof(value);
  ASSERT_TRUE(CPGetHashParam(provider, copy, HP_HASHVAL, value, &size, 0));
  const BYTE sha1OfAbc[20] = {0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
                              0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d};
  EXPECT_EQ(0, std::memcmp(sha1OfAbc, value, sizeof(value)));
  EXPECT_TRUE(CPDestroyHash(provider, hash));
  EXPECT_FALSE(CPDestroyHash(provider, hash));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_FALSE(CPHashData(provider, hash, reinterpret_cast<const BYTE*>("abc"), 3, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_FALSE(CPGetHashParam(provider, copy, HP_HASHVAL, value, nullptr, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_FALSE(CPCreateHash(provider, CALG_SHA1, 0, 0, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(CspKeyHandlesTest, LumaPassVStatusesAndAFailedPipeReachTheCallerAsTheLastError) {
  constexpr DWORD kCancelled = 0x8010006E;
  constexpr DWORD kWrongPin = 0x8010006B;
  server.reset();
  server = std::make_unique<CScriptedPipeServer>(
      testPipeName, [script = luma::plugin::ContainerScript(
                         {{L"Both", kAtKeyExchange, 2048, CSecureBuffer()}})](const CSecureBuffer& request) {
        const DWORD type = luma::plugin::MessageTypeOf(request);
        if (type == MessageTypeSignData) {
          VirtualSmartCardProtocol::CSignDataResponse response;
          response.SetStatus(kCancelled);
          return ToWire(response);
        }
        if (type == MessageTypeDecryptData) {
          VirtualSmartCardProtocol::CDecryptDataResponse response;
          response.SetStatus(kWrongPin);
          return ToWire(response);
        }
        return script(request);
      });
  const HCRYPTPROV provider = Acquire("Both");
  const HCRYPTKEY key = UserKey(provider, AT_KEYEXCHANGE);
  HCRYPTHASH hash = 0;
  ASSERT_TRUE(CPCreateHash(provider, CALG_SHA_256, 0, 0, &hash));
  ASSERT_TRUE(CPHashData(provider, hash, reinterpret_cast<const BYTE*>("abc"), 3, 0));
  BYTE block[256] = {1};
  for (const DWORD expected : {kCancelled, static_cast<DWORD>(ERROR_READ_FAULT)}) {
    DWORD size = sizeof(block);
    EXPECT_FALSE(CPSignHash(provider, hash, AT_KEYEXCHANGE, nullptr, 0, block, &size));
    EXPECT_EQ(expected, GetLastError());
    EXPECT_EQ(0u, size);
    size = sizeof(block);
    EXPECT_FALSE(CPDecrypt(provider, key, 0, TRUE, 0, block, &size));
    EXPECT_EQ(expected == kCancelled ? kWrongPin : expected, GetLastError());
    EXPECT_EQ(0u, size);
    server.reset();  // lumaPassV goes away
  }
}

}  // namespace
}  // namespace luma::csp
