// Many plug-in clients signing at once over the pipe, while the service answers some of them with
// an error status, lets some wait and time out and answers others with something that is not its protocol:
// every client gets its final answer.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "service/exchange/tests/openssl_tool.h"
#include "service/handler/tests/requests/handler_request_fixture.h"

namespace luma::service::testing {
namespace {

constexpr int kClients = 64;
constexpr DWORD kKeyOperationFailed = 0x8010006A;

struct ClientOutcome {
  DWORD openStatus = 0xFFFFFFFF;
  DWORD signStatus = 0xFFFFFFFF;
  CSecureBuffer signature;
};

TEST_F(HandlerRequestTest, SixtyFourClientsSigningAtOnceAllGetTheirAnswer) {
  // Four certificates of their own, so that each provider's certificate has its own container.
  const CSecureBuffer otherCertificates[] = {
      Bytes(VaultFixture(L"policy_signer.der")), Bytes(VaultFixture(L"service_enc.der")),
      Bytes(ReadSmallFile(ProgramFolder() + L"testdata\\service\\service_ca.der"))};
  for (const auto& certificate : otherCertificates) ASSERT_FALSE(certificate.empty());
  Provision(L"ACME", L"/vault");
  Provision(L"FAILING", L"/status/500", L"alice", otherCertificates[0]);
  // The client gives up after half a second where the platform honours time-outs (Wine does not);
  // either way the late answer is not the operation's.
  Provision(L"SLOW", L"/delay/2000", L"alice", otherCertificates[1], 500);
  Provision(L"GARBLED", L"/fault/malformed", L"alice", otherCertificates[2]);
  const std::vector<CCertContext> cards = handler->GetActiveContexts();
  ASSERT_EQ(4u, cards.size());
  std::vector<std::wstring> containers;
  std::vector<bool> succeeds;
  for (const CCertContext& card : cards) {
    containers.push_back(card.certificatePolicy->containerName);
    succeeds.push_back(card.providerContext->config.name == L"ACME");
  }

  const CSecureBuffer block = TypeOneBlock(Sha256DigestInfo());
  std::vector<ClientOutcome> outcomes(kClients);
  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&, i] {
      CPipeSession session(server->GetPipeName());
      ClientOutcome& outcome = outcomes[i];
      outcome.openStatus = session.Open();
      if (outcome.openStatus != 0) return;
      outcome.signStatus = session.client.SignData(session.sessionId, containers[i % containers.size()],
                                                   CALG_SHA_256, block, outcome.signature);
    });
  }
  for (auto& client : clients) client.join();

  int signatures = 0;
  for (int i = 0; i < kClients; ++i) {
    ASSERT_EQ(0u, outcomes[i].openStatus) << i;
    if (succeeds[i % containers.size()]) {
      EXPECT_EQ(0u, outcomes[i].signStatus) << i;
      EXPECT_TRUE(outcomes[i].signature == outcomes[0 + i % containers.size()].signature) << i;
      ++signatures;
    } else {
      EXPECT_EQ(kKeyOperationFailed, outcomes[i].signStatus) << i;
      EXPECT_TRUE(outcomes[i].signature.empty()) << i;
    }
  }
  EXPECT_EQ(kClients / 4, signatures);
  EXPECT_EQ(static_cast<size_t>(kClients - signatures), handler->Errors().size());

  // PKCS#1 v1.5 signatures of one digest are equal: verifying one verifies them all.
  if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "no OpenSSL tool on this host";
  size_t first = 0;
  while (!succeeds[first]) ++first;
  CSharedTempDir dir;
  ASSERT_TRUE(dir.Write(L"alice.pem", Bytes(VaultFixture(L"alice.pem"))));
  ASSERT_TRUE(dir.Write(L"data", Sha256DigestInfo()));
  ASSERT_TRUE(dir.Write(L"signature", outcomes[first].signature));
  EXPECT_EQ(
      0u, COpenSslTool::Run(dir, L"pkeyutl -verify -certin -inkey " + dir.UnixPath(L"alice.pem") + L" -in " +
                                     dir.UnixPath(L"data") + L" -sigfile " + dir.UnixPath(L"signature")));
}

}  // namespace
}  // namespace luma::service::testing
