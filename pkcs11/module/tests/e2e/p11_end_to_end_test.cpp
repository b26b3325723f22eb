// The module's entry points over the user certificate as lumaPassV provisions it, its key reached
// through the registered lumaPassCSP.dll, lumaPassV's real protocol handler on the user's own pipe and
// the local test signing service; OpenSSL checks every result with the user certificate. The store
// is one of the test's own and its certificate is taken as marked, since the platform may keep no
// property outside its own list.
#include <gtest/gtest.h>

#include <string>

#include "pkcs11/module/module_state.h"
#include "pkcs11/module/tests/token_test_support.h"
#include "plugins/common/tests/dll_registration.h"
#include "plugins/common/user_pipe_name.h"
#include "service/exchange/tests/openssl_tool.h"
#include "service/handler/tests/requests/handler_request_fixture.h"

namespace {

using luma::service::testing::HandlerRequestTest;

// The DigestInfo prefix of SHA-256 (SEQUENCE, AlgorithmIdentifier with NULL parameters, OCTET STRING).
const Bytes kSha256Prefix = {0x30, 0x31, 0x30, 0x0D, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                             0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};

CK_MECHANISM rsaPkcs = {CKM_RSA_PKCS, nullptr, 0};

// The provider that the certificate's key provider information names.
constexpr wchar_t kCspProvider[] = L"nuvak lumaPass V Cryptographic Service Provider";

class Pkcs11EndToEndTest : public HandlerRequestTest {
 protected:
  static void SetUpTestSuite() {
    HandlerRequestTest::SetUpTestSuite();
    registered = luma::plugin::RunRegsvr32(luma::plugin::ProgramFolder() + L"lumaPassCSP.dll");
  }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(HandlerRequestTest::SetUp());
    if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "no OpenSSL tool on this host";
    ASSERT_EQ(0u, registered);
    // lumaPassCSP reaches lumaPassV on the user's own pipe.
    ASSERT_NO_FATAL_FAILURE(ServeOnPipePath(luma::plugin::GetUserPipeName()));
    Provision(L"ACME", L"/vault");
    CCertContext context(nullptr, nullptr, nullptr);
    ASSERT_TRUE(handler->LookupCertContextByAlias(L"alice", context));

    ASSERT_TRUE(dir.Write(L"alice.pem",
                          luma::service::testing::Bytes(luma::service::testing::VaultFixture(L"alice.pem"))));
    ASSERT_EQ(0u,
              OpenSsl(L"x509 -in " + Unix(L"alice.pem") + L" -pubkey -noout -out " + Unix(L"public.pem")));
    ASSERT_EQ(0u, OpenSsl(L"x509 -in " + Unix(L"alice.pem") + L" -outform DER -out " + Unix(L"alice.der")));
    ASSERT_NO_FATAL_FAILURE(AddUserCertificate(dir.Read(L"alice.der"),
                                               context.certificatePolicy->containerName,
                                               context.certificatePolicy->descriptor.keySpec));

    CSlotEnvironment environment;
    environment.isMarked = [](PCCERT_CONTEXT) { return true; };
    environment.settingsKey = settings.path();
    luma::pkcs11::moduleState().setSlotSource(store.name(), std::move(environment));
    ASSERT_EQ(CKR_OK, C_Initialize(nullptr));
    initialised = true;
    ASSERT_EQ(CKR_OK, C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &session));
    key = FindPrivateKey();
  }

  void TearDown() override {
    if (initialised) {
      EXPECT_EQ(CKR_OK, C_Finalize(nullptr));
    }
    luma::pkcs11::moduleState().setSlotSource(luma::pkcs11::kStoreName, CSlotEnvironment());
    HandlerRequestTest::TearDown();
  }

  // The certificate with the key provider information lumaPassV writes for it.
  void AddUserCertificate(const CSecureBuffer& der, std::wstring container, DWORD keySpec) {
    ASSERT_FALSE(der.empty());
    const luma::CCertStoreHandle handle = store.open();
    luma::CCertContextHandle added;
    ASSERT_TRUE(CertAddEncodedCertificateToStore(handle.get(), X509_ASN_ENCODING, der.data, der.size,
                                                 CERT_STORE_ADD_REPLACE_EXISTING, added.put()));
    std::wstring provider = kCspProvider;
    CRYPT_KEY_PROV_INFO info = {};
    info.pwszContainerName = &container[0];
    info.pwszProvName = &provider[0];
    info.dwProvType = PROV_RSA_FULL;
    info.dwKeySpec = keySpec;
    ASSERT_TRUE(CertSetCertificateContextProperty(added.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
  }

  CK_OBJECT_HANDLE FindPrivateKey() {
    CK_OBJECT_CLASS objectClass = CKO_PRIVATE_KEY;
    CK_ATTRIBUTE entries[] = {{CKA_CLASS, &objectClass, sizeof(objectClass)}};
    return findOnlyObject(session, entries, 1);
  }

  DWORD OpenSsl(const std::wstring& arguments) { return COpenSslTool::Run(dir, arguments); }
  std::wstring Unix(const std::wstring& file) const { return dir.UnixPath(file); }

  static DWORD registered;
  CTestSystemStore store;
  CTestSettingsKey settings;
  bool initialised = false;
  CK_SESSION_HANDLE session = 0;
  CK_OBJECT_HANDLE key = 0;
  CSharedTempDir dir;
};

DWORD Pkcs11EndToEndTest::registered = COpenSslTool::kNotRun;

TEST_F(Pkcs11EndToEndTest, SignGivesASignatureThatOpenSslVerifiesWithTheUserCertificate) {
  const char text[] = "Signed through lumaPassP11, lumaPassCSP and lumaPassV.";
  const CSecureBuffer message(sizeof(text) - 1, text);
  ASSERT_TRUE(dir.Write(L"message", message));
  ASSERT_EQ(0u, OpenSsl(L"dgst -sha256 -binary -out " + Unix(L"hash") + L" " + Unix(L"message")));
  const CSecureBuffer hash = dir.Read(L"hash");
  ASSERT_EQ(32u, hash.size);
  Bytes digestInfo = kSha256Prefix;
  digestInfo.insert(digestInfo.end(), hash.data, hash.data + hash.size);

  ASSERT_EQ(CKR_OK, C_SignInit(session, &rsaPkcs, key));
  Bytes signature(256);
  CK_ULONG length = static_cast<CK_ULONG>(signature.size());
  ASSERT_EQ(CKR_OK, C_Sign(session, digestInfo.data(), static_cast<CK_ULONG>(digestInfo.size()),
                           signature.data(), &length));
  ASSERT_EQ(256u, length);
  EXPECT_FALSE(service.Requests().empty());

  ASSERT_TRUE(dir.Write(L"signature", CSecureBuffer(length, signature.data())));
  EXPECT_EQ(0u, OpenSsl(L"dgst -sha256 -verify " + Unix(L"public.pem") + L" -signature " +
                        Unix(L"signature") + L" " + Unix(L"message")));
}

TEST_F(Pkcs11EndToEndTest, DecryptOpensWhatOpenSslEncryptedForTheUserCertificate) {
  const CSecureBuffer plain(20, "a secret for alice..");
  ASSERT_TRUE(dir.Write(L"plain", plain));
  ASSERT_EQ(0u,
            OpenSsl(L"pkeyutl -encrypt -pubin -inkey " + Unix(L"public.pem") +
                    L" -pkeyopt rsa_padding_mode:pkcs1 -in " + Unix(L"plain") + L" -out " + Unix(L"cipher")));
  CSecureBuffer cipher = dir.Read(L"cipher");
  ASSERT_EQ(256u, cipher.size);

  ASSERT_EQ(CKR_OK, C_DecryptInit(session, &rsaPkcs, key));
  Bytes output(256);
  CK_ULONG length = static_cast<CK_ULONG>(output.size());
  ASSERT_EQ(CKR_OK, C_Decrypt(session, cipher.data, cipher.size, output.data(), &length));
  ASSERT_EQ(plain.size, length);
  EXPECT_TRUE(CSecureBuffer(length, output.data()) == plain);
}

}  // namespace
