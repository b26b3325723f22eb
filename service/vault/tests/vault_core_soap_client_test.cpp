// The service client against the local test service, which plays the remote signing service with
// OpenSSL; every result of a private-key operation is checked by OpenSSL on the Linux side.
#include "service/vault/vault_core_soap_client.h"

#include <gtest/gtest.h>

#include <memory>

#include "foundation/win/windows_exception.h"
#include "service/core/vault_namespace.h"
#include "service/exchange/message_encryption.h"
#include "service/exchange/tests/exchange_test_support.h"
#include "service/exchange/tests/openssl_tool.h"
#include "service/testing/vault_test_support.h"

namespace luma::service::testing {
namespace {

class VaultClientTest : public SoapTransportTest {
 protected:
  void SetUp() override {
    SoapTransportTest::SetUp();
    ASSERT_TRUE(service.IsRunning());
    serviceCertificate = Bytes(VaultFixture(L"service_enc.der"));
    ASSERT_FALSE(serviceCertificate.empty()) << "the vault fixtures are missing";
  }
  std::unique_ptr<CVaultCoreSOAPClient> Client(const wchar_t* path,
                                               std::shared_ptr<CMessageEncryption> encryption = nullptr) {
    return std::make_unique<CVaultCoreSOAPClient>(ConfigFor(service, path), serviceCertificate, encryption);
  }

  CTestSigningService service;
  CSecureBuffer serviceCertificate;
};

TEST_F(VaultClientTest, IsAliveSendsTheEnvelopeAndItsAction) {
  EXPECT_TRUE(Client(L"/vault")->IsAlive());
  const std::vector<LoggedRequest> requests = service.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ(std::string("\"") + kVaultCoreNamespace + "IsAlive\"", requests[0].Header("SOAPAction"));
  EXPECT_EQ(std::string("<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""
                        " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                        " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
                        " xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\"><soap:Body>"
                        "<ns2:IsAliveRequest xmlns:ns2=\"") +
                kVaultCoreNamespace + "\"></ns2:IsAliveRequest></soap:Body></soap:Envelope>",
            requests[0].body);
}

TEST_F(VaultClientTest, SignatureVerifiesAgainstTheUserCertificate) {
  if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "no OpenSSL tool on this host";
  // A SHA-256 DigestInfo, as the request worker hands it over.
  static const BYTE kPrefix[] = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                 0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};
  CSecureBuffer digestInfo(sizeof kPrefix, kPrefix);
  for (BYTE i = 0; i < 32; ++i) digestInfo.Append(1, &i);
  CSecureBuffer signature;
  ASSERT_EQ(0, Client(L"/vault")->RsaPkcs1Sign(L"alice", Pin(L"1234"), digestInfo, signature));
  ASSERT_EQ(256u, signature.size);

  CSharedTempDir dir;
  ASSERT_TRUE(dir.Write(L"alice.pem", Bytes(VaultFixture(L"alice.pem"))));
  ASSERT_TRUE(dir.Write(L"data", digestInfo));
  ASSERT_TRUE(dir.Write(L"signature", signature));
  EXPECT_EQ(
      0u, COpenSslTool::Run(dir, L"pkeyutl -verify -certin -inkey " + dir.UnixPath(L"alice.pem") + L" -in " +
                                     dir.UnixPath(L"data") + L" -sigfile " + dir.UnixPath(L"signature")));
  signature.data[10] ^= 1;
  ASSERT_TRUE(dir.Write(L"signature", signature));
  EXPECT_NE(
      0u, COpenSslTool::Run(dir, L"pkeyutl -verify -certin -inkey " + dir.UnixPath(L"alice.pem") + L" -in " +
                                     dir.UnixPath(L"data") + L" -sigfile " + dir.UnixPath(L"signature")));
}

// The key is still being prepared when the call starts: the client waits for it, as Decrypt does,
// rather than sending an empty exchange certificate the service cannot envelope an answer for.
TEST_F(VaultClientTest, RawDecryptRoundTripsThroughBothEnvelopes) {
  if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "no OpenSSL tool on this host";
  CSharedTempDir dir;
  CSecureBuffer block(256);
  for (DWORD i = 0; i < block.size; ++i) block.data[i] = static_cast<BYTE>(i * 7 + 1);
  block.data[0] = 0;  // below the modulus
  ASSERT_TRUE(dir.Write(L"alice.pem", Bytes(VaultFixture(L"alice.pem"))));
  ASSERT_TRUE(dir.Write(L"block", block));
  ASSERT_EQ(0u, COpenSslTool::Run(dir, L"pkeyutl -encrypt -certin -inkey " + dir.UnixPath(L"alice.pem") +
                                           L" -pkeyopt rsa_padding_mode:none -in " + dir.UnixPath(L"block") +
                                           L" -out " + dir.UnixPath(L"cipher")));
  const CSecureBuffer cipher = dir.Read(L"cipher");
  ASSERT_EQ(256u, cipher.size);

  CTestContainer container("vault-decrypt");
  auto encryption = ReadyExchangeKey(container.name());
  auto client = Client(L"/vault", encryption);
  CSecureBuffer plain;
  ASSERT_EQ(0, client->RsaRawDecrypt(L"alice", Pin(L"1234"), cipher, plain));
  EXPECT_TRUE(plain == block);

  // Any other status decrypts nothing.
  plain = block;
  EXPECT_EQ(1, client->RsaRawDecrypt(L"alice", Pin(L"9999"), cipher, plain));
  EXPECT_TRUE(plain.empty());
  EXPECT_EQ(2, client->RsaRawDecrypt(L"blocked", Pin(L"1234"), cipher, plain));
  EXPECT_TRUE(plain.empty());
}

TEST_F(VaultClientTest, StatusStringsBecomeCodesOrFailWithTheirText) {
  auto client = Client(L"/vault");
  struct Case {
    const wchar_t* alias;
    const wchar_t* pin;
    int code;
    int tries;
  } cases[] = {{L"alice", L"1234", 0, 3},
               {L"lower", L"1234", 0, 3},  // "ok" in lower case
               {L"alice", L"12345", 1, 2},
               {L"blocked", L"1234", 2, 0},
               {L"nosign", L"1234", 3, 0}};
  for (const Case& c : cases) {
    int tries = -1;
    EXPECT_EQ(c.code, client->VerifyPin(c.alias, Pin(c.pin), tries)) << c.alias;
    EXPECT_EQ(c.tries, tries) << c.alias;
  }
  int tries = -1;
  EXPECT_EQ(4, client->ChangePin(L"alice", Pin(L"1234"), Pin(L"12"), tries));
  EXPECT_EQ(0, client->ChangePin(L"alice", Pin(L"1234"), Pin(L"5678"), tries));
  try {
    client->VerifyPin(L"strange", Pin(L"1234"), tries);
    FAIL() << "an unknown status was accepted";
  } catch (const CSOAPServiceException& e) {
    EXPECT_EQ(500, e.GetStatus());
    EXPECT_EQ(ERROR_INVALID_PARAMETER, e.GetError());
    EXPECT_EQ(L"MAINTENANCE", e.GetMessage());
  }
}

TEST_F(VaultClientTest, PolicyComesForTheSessionAndARedirectCarriesItsLocation) {
  auto client = Client(L"/vault");
  client->proxy.SetCookie(L"SESSION=anna");
  CSecureBuffer policy;
  client->GetPolicy(policy);
  EXPECT_TRUE(policy == Bytes(VaultFixture(L"policy_anna.p7")));

  for (const wchar_t* path : {L"/vault/expired", L"/vault"}) {
    auto expired = Client(path);  // no session
    try {
      if (std::wstring(path) == L"/vault") {
        expired->GetPolicy(policy);
      } else {
        expired->IsAlive();
      }
      FAIL() << "no exception";
    } catch (const CSOAPServiceException& e) {
      EXPECT_EQ(303, e.GetStatus());
      EXPECT_EQ(L"https://localhost/login?expired=1", e.GetExtra());
    }
  }
  EXPECT_TRUE(policy.empty()) << "a failed download keeps no policy";
}

TEST_F(VaultClientTest, MissingKeysAndFaultsThrow) {
  auto client = Client(L"/vault");
  CSecureBuffer out;
  try {
    client->RsaRawDecrypt(L"alice", Pin(L"1234"), Bytes("x"), out);
    FAIL();
  } catch (const CWindowsException& e) {
    EXPECT_EQ(6001u, e.GetError());
  }
  CVaultCoreSOAPClient noCertificate(ConfigFor(service, L"/vault"), CSecureBuffer(), nullptr);
  int tries = 0;
  try {
    noCertificate.VerifyPin(L"alice", Pin(L"1234"), tries);
    FAIL();
  } catch (const CWindowsException& e) {
    EXPECT_EQ(0x8010002Du, e.GetError());
  }
  // An alias outside IA5 cannot be encoded; nothing is sent.
  EXPECT_THROW(client->VerifyPin(L"\u00e4", Pin(L"1234"), tries), CWindowsException);
  // The service's SOAP fault.
  auto faulting = Client(L"/fault");
  try {
    faulting->IsAlive();
    FAIL();
  } catch (const CSOAPServiceException& e) {
    EXPECT_EQ(500, e.GetStatus());
    EXPECT_EQ(static_cast<std::int32_t>(0x803D0013), e.GetError());
    EXPECT_EQ(L"Card blocked", e.GetMessage());
  }
  EXPECT_EQ(0u, service.Requests().size() - 1) << "only the faulting call reached the service";
}

}  // namespace
}  // namespace luma::service::testing
