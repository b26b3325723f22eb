// The registered lumaPassCSP.dll, loaded by CryptoAPI as applications load it, against lumaPassV's
// real protocol handler on the user's own pipe, with anna's account of the local test signing service
// provisioned on the card and its certificate in a store of the user, its key named at this provider:
// every signature and plaintext is checked by OpenSSL on the Linux side with the user certificate.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "foundation/win/message_signing.h"
#include "foundation/win/unique_handle.h"
#include "plugins/common/user_pipe_name.h"
#include "plugins/csp/tests/csp_test_support.h"
#include "service/exchange/tests/openssl_tool.h"
#include "service/handler/tests/requests/handler_request_fixture.h"

namespace luma::csp {
namespace {

using luma::service::testing::HandlerRequestTest;

// CryptoAPI keeps RSA blocks little-endian; OpenSSL reads them big-endian.
CSecureBuffer Reversed(const CSecureBuffer& bytes) {
  CSecureBuffer reversed(bytes.size, bytes.data);
  std::reverse(reversed.data, reversed.data + reversed.size);
  return reversed;
}

class CspEndToEndTest : public HandlerRequestTest {
 protected:
  static void SetUpTestSuite() {
    HandlerRequestTest::SetUpTestSuite();
    registered = RunRegsvr32(ProgramFolder() + L"lumaPassCSP.dll");
  }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(HandlerRequestTest::SetUp());
    if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "no OpenSSL tool on this host";
    ASSERT_EQ(0u, registered);
    // The DLL reaches lumaPassV where applications reach it: on the user's own pipe.
    ASSERT_NO_FATAL_FAILURE(ServeOnPipePath(luma::plugin::GetUserPipeName()));
    // The certificate goes to a store of the test's own, with its key provider information written
    // for real and naming this provider, as a deployment that uses the CSP configures it.
    DeleteStore();
    handler->SetCertPropertyWriterForTesting(nullptr);
    adjustProviderConfig = [this](CProviderConfig& config) {
      config.TargetCertStoreName = storeName;
      config.TargetCertStoreType = CERT_SYSTEM_STORE_CURRENT_USER;
      config.TargetProviderName = kPlainProvider;
      config.TargetProviderType = PROV_RSA_FULL;
    };
    Provision(L"ACME", L"/vault");
    container = ContainerOf(L"alice");
    ASSERT_FALSE(container.empty());
    CCertContext context(nullptr, nullptr, nullptr);
    ASSERT_TRUE(handler->LookupCertContextByAlias(L"alice", context));
    keySpec = context.certificatePolicy->descriptor.keySpec;
    ASSERT_TRUE(dir.Write(L"alice.pem",
                          luma::service::testing::Bytes(luma::service::testing::VaultFixture(L"alice.pem"))));
    ASSERT_EQ(0u,
              OpenSsl(L"x509 -in " + Unix(L"alice.pem") + L" -pubkey -noout -out " + Unix(L"public.pem")));
    ASSERT_TRUE(CryptAcquireContextW(provider.put(), container.c_str(), kPlainProvider, PROV_RSA_FULL, 0))
        << std::hex << GetLastError();
  }

  void TearDown() override {
    provider.reset();
    HandlerRequestTest::TearDown();
    DeleteStore();
  }

  // Also run before provisioning: a run that crashed may have left the store behind.
  void DeleteStore() const {
    // With the delete flag no store is opened.
    CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_DELETE_FLAG,
                  storeName.c_str());
  }

  DWORD OpenSsl(const std::wstring& arguments) { return COpenSslTool::Run(dir, arguments); }
  std::wstring Unix(const std::wstring& file) const { return dir.UnixPath(file); }

  static DWORD registered;
  // One name for every run: these tests never run side by side, and the store is deleted after each.
  const std::wstring storeName = L"lumaPassCspEndToEnd";
  std::wstring container;
  DWORD keySpec = 0;  // as the certificate's key usage makes it
  luma::CCryptProviderHandle provider;
  CSharedTempDir dir;
};

DWORD CspEndToEndTest::registered = COpenSslTool::kNotRun;

TEST_F(CspEndToEndTest, CryptSignHashGivesASignatureThatOpenSslVerifiesWithTheUserCertificate) {
  const char text[] = "Signed through lumaPassCSP and lumaPassV.";
  const CSecureBuffer message(sizeof(text) - 1, text);
  luma::CCryptHashHandle hash;
  ASSERT_TRUE(CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, hash.put())) << std::hex << GetLastError();
  ASSERT_TRUE(CryptHashData(hash.get(), message.data, message.size, 0));
  DWORD size = 0;
  ASSERT_TRUE(CryptSignHashW(hash.get(), keySpec, nullptr, 0, nullptr, &size)) << std::hex << GetLastError();
  ASSERT_EQ(256u, size);
  EXPECT_TRUE(service.Requests().empty());  // a size query reaches no service
  CSecureBuffer signature(size);
  ASSERT_TRUE(CryptSignHashW(hash.get(), keySpec, nullptr, 0, signature.data, &size))
      << std::hex << GetLastError();
  ASSERT_EQ(256u, size);
  EXPECT_FALSE(service.Requests().empty());

  ASSERT_TRUE(dir.Write(L"message", message));
  ASSERT_TRUE(dir.Write(L"signature", Reversed(signature)));
  EXPECT_EQ(0u, OpenSsl(L"dgst -sha256 -verify " + Unix(L"public.pem") + L" -signature " +
                        Unix(L"signature") + L" " + Unix(L"message")));
  // As it comes back (little-endian) it is not the signature OpenSSL knows.
  ASSERT_TRUE(dir.Write(L"signature", signature));
  EXPECT_NE(0u, OpenSsl(L"dgst -sha256 -verify " + Unix(L"public.pem") + L" -signature " +
                        Unix(L"signature") + L" " + Unix(L"message")));
}

TEST_F(CspEndToEndTest, CryptDecryptOpensWhatOpenSslEncryptedForTheUserCertificate) {
  luma::CCryptKeyHandle userKey;
  ASSERT_TRUE(CryptGetUserKey(provider.get(), keySpec, userKey.put())) << std::hex << GetLastError();
  const CSecureBuffer plain(20, "a secret for alice..");
  ASSERT_TRUE(dir.Write(L"plain", plain));
  const struct {
    const wchar_t* name;
    const wchar_t* options;
    DWORD flags;
  } cases[] = {
      {L"pkcs1", L"-pkeyopt rsa_padding_mode:pkcs1", 0},
      {L"oaep", L"-pkeyopt rsa_padding_mode:oaep -pkeyopt rsa_oaep_md:sha1 -pkeyopt rsa_mgf1_md:sha1",
       CRYPT_OAEP},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring cipherFile = std::wstring(L"cipher.") + c.name;
    ASSERT_EQ(0u, OpenSsl(L"pkeyutl -encrypt -pubin -inkey " + Unix(L"public.pem") + L" " + c.options +
                          L" -in " + Unix(L"plain") + L" -out " + Unix(cipherFile)));
    CSecureBuffer buffer = Reversed(dir.Read(cipherFile));
    ASSERT_EQ(256u, buffer.size);
    DWORD size = buffer.size;
    ASSERT_TRUE(CryptDecrypt(userKey.get(), 0, TRUE, c.flags, buffer.data, &size))
        << std::hex << GetLastError();
    ASSERT_EQ(plain.size, size);
    buffer.size = size;
    EXPECT_TRUE(buffer == plain);
  }
}

TEST_F(CspEndToEndTest, TheProvisionedCertificateSignsAMessageThatOpenSslCmsVerifies) {
  const luma::CCertStoreHandle store(
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                    CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_OPEN_EXISTING_FLAG, storeName.c_str()));
  ASSERT_TRUE(store) << std::hex << GetLastError();
  const luma::CCertContextHandle certificate(CertEnumCertificatesInStore(store.get(), nullptr));
  ASSERT_TRUE(certificate) << "lumaPassV put no certificate in the store";

  // The application's road to the key: the certificate's key provider information opens this CSP.
  HCRYPTPROV_OR_NCRYPT_KEY_HANDLE key = 0;
  DWORD acquiredKeySpec = 0;
  BOOL mustFree = FALSE;
  ASSERT_TRUE(
      CryptAcquireCertificatePrivateKey(certificate.get(), 0, nullptr, &key, &acquiredKeySpec, &mustFree))
      << std::hex << GetLastError();
  const luma::CCryptProviderHandle acquired(mustFree ? key : 0);
  EXPECT_EQ(keySpec, acquiredKeySpec);
  char name[128] = {};  // the container name comes back as ANSI text
  DWORD size = sizeof(name) - 1;
  ASSERT_TRUE(CryptGetProvParam(key, PP_CONTAINER, reinterpret_cast<BYTE*>(name), &size, 0));
  EXPECT_EQ(std::string(container.begin(), container.end()), std::string(name));

  const char text[] = "A message signed with the provisioned certificate.";
  const CSecureBuffer content(sizeof(text) - 1, text);
  CSecureBuffer message;
  ASSERT_EQ(0u, luma::SignMessageSha256(certificate.get(), content.data, content.size, false, message));
  EXPECT_FALSE(service.Requests().empty());  // the signature came from the signing service

  ASSERT_TRUE(dir.Write(L"message.p7", message));
  EXPECT_EQ(0u, OpenSsl(L"cms -verify -inform DER -in " + Unix(L"message.p7") + L" -CAfile " +
                        Unix(L"alice.pem") + L" -binary -purpose any -out " + Unix(L"content")));
  EXPECT_TRUE(dir.Read(L"content") == content);
}

TEST_F(CspEndToEndTest, StoppedLumaPassVFailsTheSignatureWithoutASignature) {
  luma::CCryptHashHandle hash;
  ASSERT_TRUE(CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, hash.put())) << std::hex << GetLastError();
  ASSERT_TRUE(CryptHashData(hash.get(), reinterpret_cast<const BYTE*>("x"), 1, 0));
  server.reset();
  CSecureBuffer signature(256);
  DWORD size = signature.size;
  EXPECT_FALSE(CryptSignHashW(hash.get(), keySpec, nullptr, 0, signature.data, &size));
  EXPECT_NE(0u, GetLastError());
  EXPECT_TRUE(service.Requests().empty());
}

}  // namespace
}  // namespace luma::csp
