// The answers made without the service: certificate descriptions and the session PIN messages.
#include <gtest/gtest.h>

#include "foundation/win/system_utils.h"
#include "service/requests/certificate_answers.h"
#include "service/requests/session_pin_answers.h"
#include "service/requests/tests/requests_test_support.h"

namespace luma::service::testing {
namespace {

using namespace VirtualSmartCardProtocol;
constexpr DWORD kWrongPin = 0x8010006B;

std::shared_ptr<CPolicy> Anna() {
  auto provider = MakeProvider(MethodOf(AUTH_TYPE_PASSWORD));
  provider->AddPolicySignerTrusts({Bytes(VaultFixture(L"policy_signer.der"))});
  return AnnaPolicy(*provider);
}

TEST(CertificateAnswersTest, InfoComesFromTheCertificatePolicyAndItsAccount) {
  auto provider = MakeProvider(MethodOf(AUTH_TYPE_PASSWORD));
  const auto policy = Anna();
  ASSERT_NE(policy, nullptr) << "the vault fixtures are missing";
  CCertContext card = CardCertificate(provider, policy, L"alice");
  CCertificatePolicy& certificate = *card.certificatePolicy;
  certificate.policyNotification = L"Use with care";
  certificate.pinPolicy.pinConstraints.minLength = 4;
  certificate.pinPolicy.pinConstraints.maxLength = 8;
  certificate.pinPolicy.pinConstraints.minNumericCharacters = 1;
  certificate.pinPolicy.pinConstraints.minSymbolCharacters = 2;
  certificate.pinPolicy.pinConstraints.minUpperCaseCharacters = 3;
  certificate.pinPolicy.pinConstraints.minLowerCaseCharacters = 5;
  certificate.pinPolicy.maxPinCacheTime = 600;
  certificate.pinPolicy.maxPinCacheReuse = 7;
  certificate.constraints.processNames = {L"winword.exe", L"outlook.exe"};
  // 2030-01-01 00:00:00 UTC.
  const __int64 fileTime = 133170048000000000 + 0;
  certificate.pinPolicy.nextPinChange.dwLowDateTime = static_cast<DWORD>(fileTime & 0xFFFFFFFF);
  certificate.pinPolicy.nextPinChange.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);

  CGetCertificateInfoResponse response;
  luma::requests::FillCertificateInfo(card, response);
  EXPECT_EQ(0u, response.GetStatus());
  EXPECT_EQ(L"alice", response.GetAlias());
  EXPECT_EQ(policy->accountKey, response.GetAccountKey());
  EXPECT_EQ(L"Alice signing key", response.GetFriendlyName());
  EXPECT_EQ(L"Use with care", response.GetPolicyNotification());
  EXPECT_EQ(33u, response.GetCertificateType());
  EXPECT_TRUE(response.GetCertificate() == Bytes(VaultFixture(L"alice.der")));
  EXPECT_EQ(static_cast<DWORD>(FileTimeToTime64(certificate.pinPolicy.nextPinChange)),
            response.GetNextPinChange());
  EXPECT_EQ(4u, response.GetMinLength());
  EXPECT_EQ(8u, response.GetMaxLength());
  EXPECT_EQ(1u, response.GetMinNumericCharacters());
  EXPECT_EQ(2u, response.GetMinSymbolCharacters());
  EXPECT_EQ(3u, response.GetMinUpperCaseCharacters());
  EXPECT_EQ(5u, response.GetMinLowerCaseCharacters());
  EXPECT_EQ(600u, response.GetMaxPinCacheTime());
  EXPECT_EQ(7u, response.GetMaxPinCacheReuse());
  EXPECT_EQ((std::vector<std::wstring>{L"winword.exe", L"outlook.exe"}), response.GetProcesses());
}

TEST(CertificateAnswersTest, ListNamesTheEnabledCertificatesInPolicyOrder) {
  CPolicy policy;
  for (const auto& [name, enabled] :
       {std::pair{L"c1", true}, std::pair{L"c2", false}, std::pair{L"c3", true}}) {
    auto certificate = std::make_shared<CCertificatePolicy>();
    certificate->containerName = name;
    certificate->enabled = enabled;
    policy.certificatePolicies.push_back(certificate);
  }
  CGetCertificatesResponse response;
  luma::requests::ListEnabledContainers(policy, response);
  EXPECT_EQ((std::vector<std::wstring>{L"c1", L"c3"}), response.GetItems());
}

TEST(SessionPinAnswersTest, ExternalValidationTokenAuthenticatesUntilDeauthenticated) {
  CSessionPINCache cache;
  CGetExternalValidatedPINRequest validate;
  validate.SetPinId(7);
  CGetExternalValidatedPINResponse validated;
  luma::requests::AnswerGetExternalValidatedPIN(cache, validate, validated);
  EXPECT_EQ(0u, validated.GetStatus());
  EXPECT_EQ(0u, validated.GetPinResult());
  EXPECT_EQ(0xFFFFFFFFu, validated.GetRemaining());
  ASSERT_EQ(CSessionPINCache::kTokenSize, validated.GetToken().size);

  CAuthenticateSessionPINRequest authenticate;
  authenticate.SetPinId(7);
  authenticate.SetSecret(validated.GetToken());
  CAuthenticateSessionPINResponse answer;
  luma::requests::AnswerAuthenticateSessionPIN(cache, authenticate, answer);
  EXPECT_EQ(0u, answer.GetStatus());
  EXPECT_EQ(0u, answer.GetPinResult());
  EXPECT_EQ(0xFFFFFFFFu, answer.GetRemaining());

  // Another id, another token, and the id after DeauthenticatePIN all fail with one try left.
  CAuthenticateSessionPINRequest otherId = authenticate;
  otherId.SetPinId(8);
  CAuthenticateSessionPINRequest otherToken = authenticate;
  CSecureBuffer wrong = validated.GetToken();
  wrong.data[0] ^= 1;
  otherToken.SetSecret(wrong);
  CDeauthenticatePINRequest deauthenticate;
  deauthenticate.SetPinId(7);
  for (int step = 0; step < 3; ++step) {
    const CAuthenticateSessionPINRequest& request = step == 0   ? otherId
                                                    : step == 1 ? otherToken
                                                                : authenticate;
    if (step == 2) luma::requests::AnswerDeauthenticatePIN(cache, deauthenticate);
    CAuthenticateSessionPINResponse refused;
    luma::requests::AnswerAuthenticateSessionPIN(cache, request, refused);
    EXPECT_EQ(0u, refused.GetStatus()) << step;
    EXPECT_EQ(kWrongPin, refused.GetPinResult()) << step;
    EXPECT_EQ(1u, refused.GetRemaining()) << step;
  }
}

TEST(SessionPinAnswersTest, AuthenticatePinNeverValidates) {
  CAuthenticatePINResponse response;
  luma::requests::AnswerAuthenticatePIN(response);
  EXPECT_EQ(0u, response.GetStatus());
  EXPECT_EQ(kWrongPin, response.GetPinResult());
  EXPECT_EQ(0xFFFFFFFFu, response.GetRemaining());
  EXPECT_TRUE(response.GetToken().empty());
}

}  // namespace
}  // namespace luma::service::testing
