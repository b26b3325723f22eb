// The road of a signature and a decryption through CryptoAPI itself: the registered lumaPassCSP.dll
// hashes with its delegate, signs and decrypts through a scripted lumaPassV that holds a real key,
// and OpenSSL checks the results; the provider and key parameters as applications read them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/win/message_signing.h"
#include "foundation/win/unique_handle.h"
#include "plugins/common/core/container_record.h"
#include "plugins/common/user_pipe_name.h"
#include "plugins/csp/csp_interface.h"
#include "plugins/csp/tests/csp_rsa_key.h"
#include "plugins/csp/tests/csp_test_support.h"

namespace luma::csp {
namespace {

using luma::plugin::kAtKeyExchange;
using luma::plugin::kAtSignature;
using luma::plugin::TestContainer;

class CspCryptoApiTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    key = std::make_unique<CTestRsaKey>();
    if (key->IsReady()) RegisterBothProviders();
  }
  static void TearDownTestSuite() { key.reset(); }

  void SetUp() override {
    if (!key->IsReady()) GTEST_SKIP() << "the host's openssl tool cannot be reached";
    TestContainer signer{L"Signer", kAtSignature, 2048, key->Certificate()};
    signer.defaultFlag = 1;
    server = std::make_unique<CScriptedPipeServer>(
        luma::plugin::GetUserPipeName(),
        SigningScript({signer, {L"Decrypter", kAtKeyExchange, 2048, key->Certificate()}}, *key));
  }

  HCRYPTPROV Acquire(const wchar_t* container) {
    EXPECT_TRUE(CryptAcquireContextW(provider.put(), container, kPlainProvider, PROV_RSA_FULL, 0))
        << std::hex << GetLastError();
    return provider.get();
  }

  static std::unique_ptr<CTestRsaKey> key;
  std::unique_ptr<CScriptedPipeServer> server;
  luma::CCryptProviderHandle provider;
};

std::unique_ptr<CTestRsaKey> CspCryptoApiTest::key;

CSecureBuffer Bytes(const std::string& text) {
  return CSecureBuffer(static_cast<DWORD>(text.size()), text.data());
}

TEST_F(CspCryptoApiTest, ASha256SignatureComesBackLittleEndianAndOpenSslVerifiesItReversed) {
  Acquire(L"Signer");
  const CSecureBuffer data = Bytes("the road of one signature");
  luma::CCryptHashHandle hash;
  ASSERT_TRUE(CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, hash.put())) << std::hex << GetLastError();
  ASSERT_TRUE(CryptHashData(hash.get(), data.data, data.size, 0));
  DWORD size = 0;
  ASSERT_TRUE(CryptSignHashW(hash.get(), AT_SIGNATURE, nullptr, 0, nullptr, &size));
  EXPECT_EQ(256u, size);
  CSecureBuffer signature(size);
  ASSERT_TRUE(CryptSignHashW(hash.get(), AT_SIGNATURE, nullptr, 0, signature.data, &size))
      << std::hex << GetLastError();
  ASSERT_EQ(256u, size);
  EXPECT_TRUE(key->VerifiesSha256(data, Reversed(signature)));
  EXPECT_FALSE(key->VerifiesSha256(data, signature));

  EXPECT_FALSE(CryptSignHashW(hash.get(), AT_KEYEXCHANGE, nullptr, 0, signature.data, &size));
  EXPECT_EQ(kNoKey, GetLastError());
}

TEST_F(CspCryptoApiTest, DecryptsOpenSslPkcs1AndOaepCipherTexts) {
  Acquire(L"Decrypter");
  luma::CCryptKeyHandle userKey;
  ASSERT_TRUE(CryptGetUserKey(provider.get(), AT_KEYEXCHANGE, userKey.put())) << std::hex << GetLastError();
  const CSecureBuffer message = Bytes("a session key, say");
  for (const auto& [padding, flags] : {std::pair<std::wstring, DWORD>{L"pkcs1", 0}, {L"oaep", CRYPT_OAEP}}) {
    SCOPED_TRACE(std::string(padding.begin(), padding.end()));
    const CSecureBuffer cipher = key->Encrypt(message, padding);
    ASSERT_EQ(256u, cipher.size);
    CSecureBuffer buffer = Reversed(cipher);
    DWORD size = buffer.size;
    ASSERT_TRUE(CryptDecrypt(userKey.get(), 0, TRUE, flags, buffer.data, &size))
        << std::hex << GetLastError();
    ASSERT_EQ(message.size, size);
    buffer.size = size;
    EXPECT_TRUE(buffer == message);
  }
}

std::string Text(const BYTE* bytes) { return reinterpret_cast<const char*>(bytes); }

TEST_F(CspCryptoApiTest, ProviderParametersAndEnumerationsAsApplicationsReadThem) {
  Acquire(L"Signer");
  const struct {
    DWORD parameter;
    DWORD value;
  } dwords[] = {{PP_VERSION, 0x103},         {PP_IMPTYPE, 11},        {PP_KEYSPEC, 3},
                {PP_KEYSET_TYPE, 0},         {PP_SIG_KEYSIZE_INC, 8}, {PP_KEYX_KEYSIZE_INC, 8},
                {PP_PROVTYPE, PROV_RSA_FULL}};
  for (const auto& row : dwords) {
    DWORD value = 0xFFFF;
    DWORD size = sizeof(value);
    EXPECT_TRUE(CryptGetProvParam(provider.get(), row.parameter, reinterpret_cast<BYTE*>(&value), &size, 0))
        << row.parameter;
    EXPECT_EQ(row.value, value) << row.parameter;
  }
  BYTE buffer[128] = {};
  DWORD size = sizeof(buffer);
  EXPECT_FALSE(CryptGetProvParam(provider.get(), PP_KEYSET_SEC_DESCR, buffer, &size, 0));
  EXPECT_EQ(kBadType, GetLastError());
  EXPECT_FALSE(CryptGetProvParam(provider.get(), 99, buffer, &size, 0));
  EXPECT_EQ(kBadFlags, GetLastError());

  // Containers: the enumeration must be started; a size query before each fetch loses nothing.
  EXPECT_FALSE(CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, buffer, &size, 0));
  EXPECT_EQ(kBadFlags, GetLastError());
  std::vector<std::string> names;
  for (DWORD flags = CRYPT_FIRST;; flags = 0) {
    size = 0;
    if (!CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, nullptr, &size, flags)) {
      EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
      break;
    }
    size = sizeof(buffer);
    ASSERT_TRUE(CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, buffer, &size, 0));
    names.push_back(Text(buffer));
    ASSERT_LT(names.size(), 3u);
  }
  EXPECT_EQ((std::vector<std::string>{"Signer", "Decrypter"}), names);

  // Algorithms: a buffer too small keeps the item too; the eleventh is the last.
  size = 0;
  ASSERT_TRUE(CryptGetProvParam(provider.get(), PP_ENUMALGS, nullptr, &size, CRYPT_FIRST));
  EXPECT_EQ(sizeof(PROV_ENUMALGS), size);
  size = 4;
  EXPECT_FALSE(CryptGetProvParam(provider.get(), PP_ENUMALGS, buffer, &size, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
  PROV_ENUMALGS algorithm = {};
  size = sizeof(algorithm);
  ASSERT_TRUE(CryptGetProvParam(provider.get(), PP_ENUMALGS, reinterpret_cast<BYTE*>(&algorithm), &size, 0));
  EXPECT_EQ(static_cast<ALG_ID>(CALG_MD5), algorithm.aiAlgid);
  EXPECT_STREQ("MD5", algorithm.szName);
  ASSERT_TRUE(CryptGetProvParam(provider.get(), PP_ENUMALGS, reinterpret_cast<BYTE*>(&algorithm), &size, 0));
  EXPECT_EQ(static_cast<ALG_ID>(CALG_SHA1), algorithm.aiAlgid);

  std::vector<ALG_ID> all;
  PROV_ENUMALGS_EX extended = {};
  for (DWORD flags = CRYPT_FIRST;; flags = 0) {
    size = sizeof(extended);
    if (!CryptGetProvParam(provider.get(), PP_ENUMALGS_EX, reinterpret_cast<BYTE*>(&extended), &size,
                           flags)) {
      EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
      break;
    }
    all.push_back(extended.aiAlgid);
    if (extended.aiAlgid == CALG_RSA_SIGN) {
      EXPECT_EQ(1024u, extended.dwMinLen);
      EXPECT_EQ(8192u, extended.dwMaxLen);
      EXPECT_STREQ("RSA Signature", extended.szLongName);
    }
    ASSERT_LT(all.size(), 12u);
  }
  EXPECT_EQ(11u, all.size());
}

TEST_F(CspCryptoApiTest, KeyParametersAndThePublicKeyFollowTheKeySpec) {
  const struct {
    const wchar_t* container;
    DWORD keySpec;
    DWORD blockLength;
    ALG_ID algorithm;
    DWORD permissions;
  } table[] = {{L"Signer", AT_SIGNATURE, 0, CALG_RSA_SIGN, CRYPT_READ},
               {L"Decrypter", AT_KEYEXCHANGE, 2048, CALG_RSA_KEYX, CRYPT_READ | CRYPT_DECRYPT}};
  for (const auto& row : table) {
    SCOPED_TRACE(row.keySpec);
    Acquire(row.container);
    luma::CCryptKeyHandle userKey;
    ASSERT_TRUE(CryptGetUserKey(provider.get(), row.keySpec, userKey.put()));
    const struct {
      DWORD parameter;
      DWORD value;
    } dwords[] = {{KP_BLOCKLEN, row.blockLength},
                  {KP_KEYLEN, 2048},
                  {KP_ALGID, row.algorithm},
                  {KP_PERMISSIONS, row.permissions}};
    for (const auto& parameter : dwords) {
      DWORD value = 0xFFFF;
      DWORD size = sizeof(value);
      EXPECT_TRUE(
          CryptGetKeyParam(userKey.get(), parameter.parameter, reinterpret_cast<BYTE*>(&value), &size, 0));
      EXPECT_EQ(parameter.value, value) << parameter.parameter;
    }
    DWORD size = 0;
    ASSERT_TRUE(CryptGetKeyParam(userKey.get(), KP_CERTIFICATE, nullptr, &size, 0));
    CSecureBuffer certificate(size);
    ASSERT_TRUE(CryptGetKeyParam(userKey.get(), KP_CERTIFICATE, certificate.data, &size, 0));
    EXPECT_TRUE(certificate == key->Certificate());

    size = 0;
    ASSERT_TRUE(CryptExportKey(userKey.get(), 0, PUBLICKEYBLOB, 0, nullptr, &size));
    CSecureBuffer blob(size);
    ASSERT_TRUE(CryptExportKey(userKey.get(), 0, PUBLICKEYBLOB, 0, blob.data, &size));
    const auto* header = reinterpret_cast<const BLOBHEADER*>(blob.data);
    EXPECT_EQ(PUBLICKEYBLOB, header->bType);
    EXPECT_EQ(row.algorithm, header->aiKeyAlg);
    EXPECT_EQ(2048u, reinterpret_cast<const RSAPUBKEY*>(header + 1)->bitlen);

    size = 100;
    EXPECT_FALSE(CryptExportKey(userKey.get(), 0, PRIVATEKEYBLOB, 0, blob.data, &size));
    EXPECT_EQ(kBadKeyState, GetLastError());
    EXPECT_EQ(0u, size);
  }
}

TEST_F(CspCryptoApiTest, ACertificateWhoseKeyIsInTheProviderSignsAMessageThatOpenSslVerifies) {
  // The certificate as the store provider shows it: its key provider information names this CSP.
  const luma::CCertContextHandle certificate(CertCreateCertificateContext(
      X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, key->Certificate().data, key->Certificate().size));
  ASSERT_TRUE(certificate);
  CRYPT_KEY_PROV_INFO providerInfo = {};
  providerInfo.pwszContainerName = const_cast<LPWSTR>(L"Signer");
  providerInfo.pwszProvName = const_cast<LPWSTR>(kPlainProvider);
  providerInfo.dwProvType = PROV_RSA_FULL;
  providerInfo.dwKeySpec = AT_SIGNATURE;
  ASSERT_TRUE(
      CertSetCertificateContextProperty(certificate.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &providerInfo));

  HCRYPTPROV_OR_NCRYPT_KEY_HANDLE privateKey = 0;
  DWORD keySpec = 0;
  BOOL mustFree = FALSE;
  ASSERT_TRUE(
      CryptAcquireCertificatePrivateKey(certificate.get(), 0, nullptr, &privateKey, &keySpec, &mustFree))
      << std::hex << GetLastError();
  EXPECT_EQ(static_cast<DWORD>(AT_SIGNATURE), keySpec);
  BYTE name[64] = {};
  DWORD size = sizeof(name);
  EXPECT_TRUE(CryptGetProvParam(privateKey, PP_CONTAINER, name, &size, 0));
  EXPECT_EQ("Signer", Text(name));
  if (mustFree) CryptReleaseContext(privateKey, 0);

  const CSecureBuffer content = Bytes("a message signed through lumaPassCSP");
  CSecureBuffer message;
  ASSERT_EQ(0u, luma::SignMessageSha256(certificate.get(), content.data, content.size, false, message));

  const CSharedTempDir& folder = key->Folder();
  ASSERT_TRUE(folder.Write(L"message.p7", message));
  ASSERT_EQ(0u, COpenSslTool::Run(folder, L"x509 -inform DER -in " + folder.UnixPath(L"cert.der") +
                                              L" -out " + folder.UnixPath(L"cert.pem")));
  EXPECT_EQ(0u,
            COpenSslTool::Run(folder, L"cms -verify -inform DER -in " + folder.UnixPath(L"message.p7") +
                                          L" -CAfile " + folder.UnixPath(L"cert.pem") +
                                          L" -binary -purpose any -out " + folder.UnixPath(L"content.bin")));
  EXPECT_TRUE(folder.Read(L"content.bin") == content);
}

}  // namespace
}  // namespace luma::csp
