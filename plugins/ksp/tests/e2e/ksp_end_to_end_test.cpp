// The key storage provider's function table against lumaPassV's real protocol handler on a real pipe,
// with anna's account of the local test signing service provisioned on the card: every signature
// and plaintext is checked by OpenSSL on the Linux side with the user certificate.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugins/common/bcrypt_hash.h"
#include "plugins/ksp/ksp_functions.h"
#include "plugins/ksp/ksp_module.h"
#include "service/exchange/tests/openssl_tool.h"
#include "service/handler/tests/requests/handler_request_fixture.h"

namespace luma::ksp {

// The scripted lumaPassV and the block helpers of the plug-in library.
using namespace luma::plugin;
namespace {

using luma::service::testing::HandlerRequestTest;

std::wstring lumaPassVPipe;
std::wstring LumaPassVPipe() { return lumaPassVPipe; }

class KspEndToEndTest : public HandlerRequestTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(HandlerRequestTest::SetUp());
    if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "no OpenSSL tool on this host";
    lumaPassVPipe = server->GetPipeName();
    KspModule::SetPipeNameFunction(&LumaPassVPipe);
    Provision(L"ACME", L"/vault");
    ASSERT_EQ(0, table.OpenProvider(&provider, L"nuvak lumaPass V Key Storage Provider", 0));
    ASSERT_EQ(0, table.OpenKey(provider, &key, ContainerOf(L"alice").c_str(), 0, 0));
    // The user certificate and its public key, for OpenSSL.
    ASSERT_TRUE(dir.Write(L"alice.pem",
                          luma::service::testing::Bytes(luma::service::testing::VaultFixture(L"alice.pem"))));
    ASSERT_EQ(0u,
              OpenSsl(L"x509 -in " + Unix(L"alice.pem") + L" -pubkey -noout -out " + Unix(L"public.pem")));
  }
  void TearDown() override {
    if (provider != 0) table.FreeProvider(provider);
    KspModule::SetPipeNameFunction(nullptr);
    HandlerRequestTest::TearDown();
  }

  DWORD OpenSsl(const std::wstring& arguments) { return COpenSslTool::Run(dir, arguments); }
  std::wstring Unix(const std::wstring& file) const { return dir.UnixPath(file); }

  NCRYPT_KEY_STORAGE_FUNCTION_TABLE& table = FunctionTable();
  NCRYPT_PROV_HANDLE provider = 0;
  NCRYPT_KEY_HANDLE key = 0;
  CSharedTempDir dir;
};

TEST_F(KspEndToEndTest, SignHashGivesASignatureThatOpenSslVerifiesWithTheUserCertificate) {
  const char text[] = "Signed through lumaPassKSP and lumaPassV.";
  const CSecureBuffer message(sizeof(text) - 1, text);
  const CSecureBuffer hash = HashBytes(BCRYPT_SHA256_ALGORITHM, message);
  ASSERT_EQ(32u, hash.size);
  BCRYPT_PKCS1_PADDING_INFO padding = {BCRYPT_SHA256_ALGORITHM};
  DWORD size = 0;
  ASSERT_EQ(
      0, table.SignHash(provider, key, &padding, hash.data, hash.size, nullptr, 0, &size, BCRYPT_PAD_PKCS1));
  ASSERT_EQ(256u, size);
  EXPECT_TRUE(service.Requests().empty());  // a size query sends nothing
  std::vector<BYTE> signature(size);
  ASSERT_EQ(0, table.SignHash(provider, key, &padding, hash.data, hash.size, signature.data(), size, &size,
                              BCRYPT_PAD_PKCS1));
  ASSERT_EQ(256u, size);

  ASSERT_TRUE(dir.Write(L"message", message));
  ASSERT_TRUE(dir.Write(L"signature", CSecureBuffer(size, signature.data())));
  EXPECT_EQ(0u, OpenSsl(L"dgst -sha256 -verify " + Unix(L"public.pem") + L" -signature " +
                        Unix(L"signature") + L" " + Unix(L"message")));
}

TEST_F(KspEndToEndTest, DecryptsWhatOpenSslEncryptedForTheUserCertificate) {
  DWORD size = 0;
  const CSecureBuffer label(5, "label");
  ASSERT_TRUE(dir.Write(L"plain", CSecureBuffer(20, "a secret for alice..")));
  CSecureBuffer whole(256);
  for (DWORD i = 1; i < whole.size; ++i) whole.data[i] = static_cast<BYTE>(i * 7 + 3);
  ASSERT_TRUE(dir.Write(L"whole", whole));
  BCRYPT_OAEP_PADDING_INFO oaep = {BCRYPT_SHA256_ALGORITHM, label.data, label.size};
  const struct {
    const wchar_t* name;
    const wchar_t* options;
    const wchar_t* input;
    DWORD flags;
    void* padding;
  } cases[] = {
      {L"pkcs1", L"-pkeyopt rsa_padding_mode:pkcs1", L"plain", NCRYPT_PAD_PKCS1_FLAG, nullptr},
      {L"oaep",
       L"-pkeyopt rsa_padding_mode:oaep -pkeyopt rsa_oaep_md:sha256 -pkeyopt rsa_mgf1_md:sha256 "
       L"-pkeyopt rsa_oaep_label:6c6162656c",
       L"plain", NCRYPT_PAD_OAEP_FLAG, &oaep},
      {L"none", L"-pkeyopt rsa_padding_mode:none", L"whole", NCRYPT_NO_PADDING_FLAG, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring cipherFile = std::wstring(L"cipher.") + c.name;
    ASSERT_EQ(0u, OpenSsl(L"pkeyutl -encrypt -pubin -inkey " + Unix(L"public.pem") + L" " + c.options +
                          L" -in " + Unix(c.input) + L" -out " + Unix(cipherFile)));
    const CSecureBuffer cipher = dir.Read(cipherFile);
    ASSERT_EQ(256u, cipher.size);
    std::vector<BYTE> plain(256);
    ASSERT_EQ(0, table.Decrypt(provider, key, cipher.data, cipher.size, c.padding, plain.data(), 256, &size,
                               c.flags));
    EXPECT_TRUE(CSecureBuffer(size, plain.data()) == dir.Read(c.input));
  }
}

TEST_F(KspEndToEndTest, RefusalsReachNeitherLumaPassVNorTheService) {
  const CSecureBuffer hash(32);
  BCRYPT_PKCS1_PADDING_INFO lowerCase = {L"sha256"};
  BYTE output[256];
  DWORD size = 0;
  EXPECT_EQ(kInvalidParameter, table.SignHash(provider, key, &lowerCase, hash.data, hash.size, output, 256,
                                              &size, BCRYPT_PAD_PKCS1));
  EXPECT_EQ(kBadFlags, table.SignHash(provider, key, &lowerCase, hash.data, hash.size, output, 256, &size,
                                      BCRYPT_PAD_PSS));
  EXPECT_EQ(kBadLen,
            table.Decrypt(provider, key, output, 255, nullptr, output, 256, &size, NCRYPT_PAD_PKCS1_FLAG));
  EXPECT_EQ(kBadFlags, table.Decrypt(provider, key, output, 256, nullptr, output, 256, &size,
                                     NCRYPT_PAD_PKCS1_FLAG | NCRYPT_PAD_OAEP_FLAG));
  EXPECT_TRUE(service.Requests().empty());
}

TEST_F(KspEndToEndTest, ExportedModulusIsTheCertificatesAndStoppedLumaPassVGivesReadFault) {
  DWORD size = 0;
  ASSERT_EQ(0, table.ExportKey(provider, key, 0, BCRYPT_RSAPUBLIC_BLOB, nullptr, nullptr, 0, &size, 0));
  std::vector<BYTE> blob(size);
  ASSERT_EQ(0,
            table.ExportKey(provider, key, 0, BCRYPT_RSAPUBLIC_BLOB, nullptr, blob.data(), size, &size, 0));
  ASSERT_EQ(0u, OpenSsl(L"x509 -in " + Unix(L"alice.pem") + L" -noout -modulus -out " + Unix(L"modulus")));
  const CSecureBuffer modulusLine = dir.Read(L"modulus");
  std::string expected(reinterpret_cast<const char*>(modulusLine.data), modulusLine.size);
  expected = expected.substr(expected.find('=') + 1, 512);
  std::string exported;
  static const char kHex[] = "0123456789ABCDEF";
  for (size_t i = blob.size() - 256; i < blob.size(); ++i) {
    exported += kHex[blob[i] >> 4];
    exported += kHex[blob[i] & 15];
  }
  EXPECT_EQ(expected, exported);

  server.reset();
  const CSecureBuffer hash(32);
  BCRYPT_PKCS1_PADDING_INFO sha256 = {BCRYPT_SHA256_ALGORITHM};
  BYTE signature[256];
  EXPECT_EQ(ERROR_READ_FAULT, table.SignHash(provider, key, &sha256, hash.data, hash.size, signature, 256,
                                             &size, BCRYPT_PAD_PKCS1));
}

}  // namespace
}  // namespace luma::ksp
