// The remote key operations against the local test signing service: signatures OpenSSL verifies,
// raw decryptions, and what every service outcome does to the PIN cache and the user's message.
#include "service/requests/key_operation_call.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "service/exchange/message_encryption.h"
#include "service/exchange/tests/exchange_test_support.h"
#include "service/exchange/tests/openssl_tool.h"
#include "service/requests/tests/requests_test_support.h"

namespace luma::service::testing {
namespace {

using luma::requests::CallKeyOperation;
using luma::requests::KeyOperation;
using luma::requests::KeyOperationCall;

constexpr wchar_t kUnexpected[] = L"An unexpected error occurred";

class KeyOperationCallTest : public SoapTransportTest {
 protected:
  void SetUp() override {
    SoapTransportTest::SetUp();
    ASSERT_TRUE(service.IsRunning());
    provider = VaultProvider(service, L"/vault");
    policy = AnnaPolicy(*provider);
    ASSERT_NE(policy, nullptr) << "the vault fixtures are missing";
  }

  KeyOperationCall Sign() const {
    KeyOperationCall call;
    call.operation = KeyOperation::kPkcs1Sign;
    call.data = Sha256DigestInfo();
    return call;
  }

  CTestSigningService service;
  std::shared_ptr<CProviderContext> provider;
  std::shared_ptr<CPolicy> policy;
};

TEST_F(KeyOperationCallTest, SignatureOfTheDigestInfoVerifiesWithTheUserCertificate) {
  if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "no OpenSSL tool on this host";
  std::wstring errorText;
  const CSecureBuffer signature = CallKeyOperation(CardCertificate(provider, policy, L"alice"),
                                                   SessionWithPin(L"1234"), Sign(), errorText);
  ASSERT_EQ(256u, signature.size) << errorText;
  const auto requests = service.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ("SESSION=anna", requests[0].Header("Cookie"));

  CSharedTempDir dir;
  ASSERT_TRUE(dir.Write(L"alice.pem", Bytes(VaultFixture(L"alice.pem"))));
  ASSERT_TRUE(dir.Write(L"data", Sha256DigestInfo()));
  ASSERT_TRUE(dir.Write(L"signature", signature));
  EXPECT_EQ(
      0u, COpenSslTool::Run(dir, L"pkeyutl -verify -certin -inkey " + dir.UnixPath(L"alice.pem") + L" -in " +
                                     dir.UnixPath(L"data") + L" -sigfile " + dir.UnixPath(L"signature")));
}

TEST_F(KeyOperationCallTest, RawDecryptionReturnsTheBlockOpenSslEncrypted) {
  if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "no OpenSSL tool on this host";
  CSharedTempDir dir;
  ASSERT_TRUE(dir.Write(L"alice.pem", Bytes(VaultFixture(L"alice.pem"))));
  ASSERT_TRUE(dir.Write(L"message", Bytes("a secret for the card")));
  ASSERT_EQ(
      0u, COpenSslTool::Run(dir, L"pkeyutl -encrypt -certin -inkey " + dir.UnixPath(L"alice.pem") + L" -in " +
                                     dir.UnixPath(L"message") + L" -out " + dir.UnixPath(L"cipher")));
  CTestContainer container("requests-decrypt");
  KeyOperationCall call;
  call.operation = KeyOperation::kRawDecrypt;
  call.data = dir.Read(L"cipher");
  call.rememberCertificate = false;
  call.exchangeKey = ReadyExchangeKey(container.name());
  std::wstring errorText;
  const CSecureBuffer block =
      CallKeyOperation(CardCertificate(provider, policy, L"alice"), SessionWithPin(L"1234"), call, errorText);
  ASSERT_EQ(256u, block.size) << errorText;
  // The raw result is the type-2 block: the message follows its zero separator.
  const std::string text(reinterpret_cast<const char*>(block.data), block.size);
  EXPECT_EQ(0, block.data[0]);
  EXPECT_EQ(2, block.data[1]);
  EXPECT_EQ(std::string("a secret for the card"), text.substr(text.find('\0', 2) + 1));
}

struct OutcomeCase {
  const char* name;
  const wchar_t* alias;
  const wchar_t* pin;
  const wchar_t* errorText;
  bool pinCachedAfter;
  bool blockedAfter;
};

void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }

class KeyOperationOutcomeTest : public KeyOperationCallTest,
                                public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(KeyOperationOutcomeTest, StatusDecidesPinCacheAndMessage) {
  const OutcomeCase& c = GetParam();
  const CCertContext card = CardCertificate(provider, policy, c.alias);
  ASSERT_TRUE(provider->pinCache.StorePin(*card.certificatePolicy, Utf16(c.pin)));
  std::wstring errorText;
  const CSecureBuffer result = CallKeyOperation(card, SessionWithPin(c.pin), Sign(), errorText);
  EXPECT_TRUE(result.empty());
  EXPECT_EQ(c.errorText, errorText);
  EXPECT_EQ(c.pinCachedAfter, provider->pinCache.IsPinCached(*card.certificatePolicy));
  EXPECT_EQ(c.blockedAfter, provider->pinCache.IsMarkedBlocked(c.alias));
}

INSTANTIATE_TEST_SUITE_P(
    Service, KeyOperationOutcomeTest,
    ::testing::Values(
        OutcomeCase{"InvalidPin", L"alice", L"9999", L"An invalid password was given", false, false},
        OutcomeCase{"Blocked", L"blocked", L"1234", L"The certificate is blocked", false, true},
        OutcomeCase{"InvalidKeyUsage", L"nosign", L"1234",
                    L"The certificate may not be used for the requested operation", true, false},
        // A status outside the table fails the call with the status text.
        OutcomeCase{"UnknownStatus", L"strange", L"1234", L"MAINTENANCE", true, false}),
    [](const ::testing::TestParamInfo<OutcomeCase>& info) { return info.param.name; });

TEST_F(KeyOperationCallTest, TransportFailureGivesTheServiceMessage) {
  auto broken = VaultProvider(service, L"/status/500");
  std::wstring errorText;
  const CSecureBuffer result =
      CallKeyOperation(CardCertificate(broken, policy, L"alice"), SessionWithPin(L"1234"), Sign(), errorText);
  EXPECT_TRUE(result.empty());
  EXPECT_FALSE(errorText.empty());
  EXPECT_NE(kUnexpected, errorText);
}

TEST_F(KeyOperationCallTest, AnswerThatIsNotSoapFailsTheCall) {
  auto garbage = VaultProvider(service, L"/fault/malformed");
  std::wstring errorText;
  EXPECT_TRUE(
      CallKeyOperation(CardCertificate(garbage, policy, L"alice"), SessionWithPin(L"1234"), Sign(), errorText)
          .empty());
  EXPECT_FALSE(errorText.empty());
}

// Any other failure around the call ends it with the unexpected error instead of leaving the
// worker thread without an answer.
TEST_F(KeyOperationCallTest, AnyOtherExceptionGivesTheUnexpectedError) {
  KeyOperationCall call = Sign();
  call.clientObserver = [](CVaultCoreSOAPClient&) { throw std::runtime_error("not a service failure"); };
  std::wstring errorText;
  EXPECT_TRUE(
      CallKeyOperation(CardCertificate(provider, policy, L"alice"), SessionWithPin(L"1234"), call, errorText)
          .empty());
  EXPECT_EQ(kUnexpected, errorText);
  call.clientObserver = [](CVaultCoreSOAPClient&) { throw 7; };
  EXPECT_TRUE(
      CallKeyOperation(CardCertificate(provider, policy, L"alice"), SessionWithPin(L"1234"), call, errorText)
          .empty());
  EXPECT_EQ(kUnexpected, errorText);
}

// Decryption needs the data exchange key: without one the call fails with the Windows message.
TEST_F(KeyOperationCallTest, DecryptionWithoutExchangeKeyGivesTheWindowsMessage) {
  KeyOperationCall call;
  call.operation = KeyOperation::kRawDecrypt;
  call.data = CSecureBuffer(256);
  std::wstring errorText;
  EXPECT_TRUE(
      CallKeyOperation(CardCertificate(provider, policy, L"alice"), SessionWithPin(L"1234"), call, errorText)
          .empty());
  EXPECT_FALSE(errorText.empty());
  EXPECT_NE(kUnexpected, errorText);
  EXPECT_TRUE(service.Requests().empty());
}

}  // namespace
}  // namespace luma::service::testing
