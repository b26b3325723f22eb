// SignData and DecryptData end to end: a plug-in's client on a real pipe, the handler's worker
// threads and the local test signing service.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "service/exchange/tests/openssl_tool.h"
#include "service/handler/tests/requests/handler_request_fixture.h"

namespace luma::service::testing {
namespace {

constexpr DWORD kKeyOperationFailed = 0x8010006A;
constexpr wchar_t kSignaturePrefix[] = L"An error occurred while creating the signature:\n\n";

class SigningRequestTest : public HandlerRequestTest {
 protected:
  // Runs OpenSSL with the user certificate; its exit code.
  DWORD OpenSsl(CSharedTempDir& dir, const std::wstring& arguments) {
    EXPECT_TRUE(dir.Write(L"alice.pem", Bytes(VaultFixture(L"alice.pem"))));
    return COpenSslTool::Run(dir, arguments);
  }
};

TEST_F(SigningRequestTest, TypeOneBlockGivesASignatureOpenSslVerifies) {
  if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "no OpenSSL tool on this host";
  Provision(L"ACME", L"/vault");
  CPipeSession session(server->GetPipeName());
  ASSERT_EQ(0u, session.Open());
  ASSERT_EQ(1u, session.containers);
  CSecureBuffer signature;
  ASSERT_EQ(0u, session.client.SignData(session.sessionId, ContainerOf(L"alice"), CALG_SHA_256,
                                        TypeOneBlock(Sha256DigestInfo()), signature));
  ASSERT_EQ(256u, signature.size);
  EXPECT_TRUE(handler->Errors().empty());

  CSharedTempDir dir;
  ASSERT_TRUE(dir.Write(L"data", Sha256DigestInfo()));
  ASSERT_TRUE(dir.Write(L"signature", signature));
  EXPECT_EQ(0u, OpenSsl(dir, L"pkeyutl -verify -certin -inkey " + dir.UnixPath(L"alice.pem") + L" -in " +
                                 dir.UnixPath(L"data") + L" -sigfile " + dir.UnixPath(L"signature")));
}

// A block that carries its own padding goes through the raw operation unchanged: OpenSSL's public
// operation on the answer gives the block back.
TEST_F(SigningRequestTest, UnpaddedBlockOfTheKeyLengthGoesRawAndAShorterOneIsRefused) {
  if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "no OpenSSL tool on this host";
  Provision(L"ACME", L"/vault");
  CPipeSession session(server->GetPipeName());
  ASSERT_EQ(0u, session.Open());
  CSecureBuffer block(256);
  for (DWORD i = 0; i < block.size; ++i) block.data[i] = static_cast<BYTE>(i * 13 + 5);
  block.data[0] = 0;  // below the modulus
  CSecureBuffer raw;
  ASSERT_EQ(0u, session.client.SignData(session.sessionId, ContainerOf(L"alice"), CALG_SHA_256, block, raw));
  ASSERT_EQ(256u, raw.size);
  const auto requests = service.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_NE(std::string::npos, requests[0].Header("SOAPAction").find("RsaRawDecrypt"));

  CSharedTempDir dir;
  ASSERT_TRUE(dir.Write(L"raw", raw));
  ASSERT_EQ(0u, OpenSsl(dir, L"pkeyutl -encrypt -certin -inkey " + dir.UnixPath(L"alice.pem") +
                                 L" -pkeyopt rsa_padding_mode:none -in " + dir.UnixPath(L"raw") + L" -out " +
                                 dir.UnixPath(L"back")));
  EXPECT_TRUE(dir.Read(L"back") == block);

  CSecureBuffer shorter(255, block.data + 1);
  CSecureBuffer none;
  EXPECT_EQ(0x80100004u,
            session.client.SignData(session.sessionId, ContainerOf(L"alice"), CALG_SHA_256, shorter, none));
  EXPECT_EQ(1u, service.Requests().size());
}

TEST_F(SigningRequestTest, UnknownContainerAndUnknownSessionAnswerWithoutAnyDialog) {
  Provision(L"ACME", L"/vault");
  CPipeSession session(server->GetPipeName());
  ASSERT_EQ(0u, session.Open());
  CSecureBuffer result;
  const CSecureBuffer block = TypeOneBlock(Sha256DigestInfo());
  EXPECT_EQ(0x80100030u,
            session.client.SignData(session.sessionId, L"{no-such-container}", CALG_SHA_256, block, result));
  EXPECT_EQ(0x80100030u,
            session.client.DecryptData(session.sessionId, L"{no-such-container}", block, result));
  BYTE stranger[16] = {1, 2, 3};
  EXPECT_EQ(6u, session.client.SignData(stranger, ContainerOf(L"alice"), CALG_SHA_256, block, result));
  EXPECT_EQ(6u, session.client.DecryptData(stranger, ContainerOf(L"alice"), block, result));
  EXPECT_TRUE(handler->Errors().empty());
  EXPECT_TRUE(service.Requests().empty());
}

struct FailureCase {
  const char* name;
  const wchar_t* path;
  const wchar_t* alias;
  const wchar_t* pin;
  const wchar_t* reason;  // null: the service's own message
  bool pinCachedAfter;
  bool blockedAfter;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class SigningFailureTest : public SigningRequestTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(SigningFailureTest, UserSeesTheReasonAndThePinCacheFollowsTheService) {
  const FailureCase& c = GetParam();
  auto provider = Provision(L"ACME", c.path, c.alias);
  CCertContext card(nullptr, nullptr, nullptr);
  ASSERT_TRUE(handler->LookupCertContextByAlias(c.alias, card));
  ASSERT_TRUE(provider->pinCache.StorePin(*card.certificatePolicy, Utf16(c.pin)));
  handler->SetPin(c.pin);
  CPipeSession session(server->GetPipeName());
  ASSERT_EQ(0u, session.Open());
  CSecureBuffer result;
  EXPECT_EQ(kKeyOperationFailed,
            session.client.SignData(session.sessionId, ContainerOf(c.alias), CALG_SHA_256,
                                    TypeOneBlock(Sha256DigestInfo()), result));
  const auto errors = handler->Errors();
  ASSERT_EQ(1u, errors.size());
  EXPECT_EQ(0u, errors[0].rfind(kSignaturePrefix, 0)) << errors[0];
  const std::wstring reason = errors[0].substr(std::wstring(kSignaturePrefix).size());
  if (c.reason != nullptr) {
    EXPECT_EQ(c.reason, reason);
  } else {
    EXPECT_FALSE(reason.empty());
    EXPECT_NE(L"An unexpected error occurred", reason);
  }
  EXPECT_EQ(c.pinCachedAfter, provider->pinCache.IsPinCached(*card.certificatePolicy));
  EXPECT_EQ(c.blockedAfter, provider->pinCache.IsMarkedBlocked(c.alias));
}

INSTANTIATE_TEST_SUITE_P(Service, SigningFailureTest,
                         ::testing::Values(FailureCase{"InvalidPin", L"/vault", L"alice", L"9999",
                                                       L"An invalid password was given", false, false},
                                           FailureCase{"Blocked", L"/vault", L"blocked", L"1234",
                                                       L"The certificate is blocked", false, true},
                                           FailureCase{"InvalidKeyUsage", L"/vault", L"nosign", L"1234",
                                                       L"The certificate may not be used for the requested "
                                                       L"operation",
                                                       true, false},
                                           FailureCase{"OkWithAnEmptySignature", L"/vault", L"empty", L"1234",
                                                       L"An unexpected error occurred", true, false},
                                           FailureCase{"TransportError", L"/status/500", L"alice", L"1234",
                                                       nullptr, true, false},
                                           FailureCase{"AnswerThatIsNotSoap", L"/fault/malformed", L"alice",
                                                       L"1234", nullptr, true, false}),
                         [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

// After BLOCKED the next authentication of the certificate reports the block at once.
TEST_F(SigningRequestTest, BlockedCertificateIsRefusedBeforeTheNextCall) {
  Provision(L"ACME", L"/vault", L"blocked");
  CPipeSession session(server->GetPipeName());
  ASSERT_EQ(0u, session.Open());
  CSecureBuffer result;
  const CSecureBuffer block = TypeOneBlock(Sha256DigestInfo());
  EXPECT_EQ(kKeyOperationFailed,
            session.client.SignData(session.sessionId, ContainerOf(L"blocked"), CALG_SHA_256, block, result));
  EXPECT_EQ(0x8010006Cu,
            session.client.SignData(session.sessionId, ContainerOf(L"blocked"), CALG_SHA_256, block, result));
  EXPECT_EQ(1u, service.Requests().size());
}

// The plug-in sends the cipher block little-endian, as CryptoAPI keeps it.
TEST_F(SigningRequestTest, DecryptionReturnsThePlaintextOfAnOpenSslEncryptedBlock) {
  if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "no OpenSSL tool on this host";
  Provision(L"ACME", L"/vault");
  CSharedTempDir dir;
  ASSERT_TRUE(dir.Write(L"message", Bytes("the session key")));
  ASSERT_EQ(0u, OpenSsl(dir, L"pkeyutl -encrypt -certin -inkey " + dir.UnixPath(L"alice.pem") + L" -in " +
                                 dir.UnixPath(L"message") + L" -out " + dir.UnixPath(L"cipher")));
  CSecureBuffer cipher = dir.Read(L"cipher");
  ASSERT_EQ(256u, cipher.size);
  cipher.Reverse();
  CPipeSession session(server->GetPipeName());
  ASSERT_EQ(0u, session.Open());
  CSecureBuffer block;
  ASSERT_EQ(0u, session.client.DecryptData(session.sessionId, ContainerOf(L"alice"), cipher, block));
  ASSERT_EQ(256u, block.size);
  const std::string text(reinterpret_cast<const char*>(block.data), block.size);
  EXPECT_EQ(2, block.data[1]);
  EXPECT_EQ("the session key", text.substr(text.find('\0', 2) + 1));
}

TEST_F(SigningRequestTest, DecryptionFailureShowsTheDecryptionMessage) {
  Provision(L"ACME", L"/vault");
  handler->SetPin(L"9999");
  CPipeSession session(server->GetPipeName());
  ASSERT_EQ(0u, session.Open());
  CSecureBuffer block;
  EXPECT_EQ(kKeyOperationFailed,
            session.client.DecryptData(session.sessionId, ContainerOf(L"alice"), CSecureBuffer(256), block));
  const auto errors = handler->Errors();
  ASSERT_EQ(1u, errors.size());
  EXPECT_EQ(L"An error occurred while decrypting the data:\n\nAn invalid password was given", errors[0]);
}

// A handler whose authentication fails with something no step expects.
class CThrowingHandler final : public CScriptedUserHandler {
 public:
  using CScriptedUserHandler::CScriptedUserHandler;
  DWORD Authenticate(const CCertContext&, const CSessionRequest&, CAuthResult&) override {
    throw std::runtime_error("the dialog could not be created");
  }
};

// The worker's thread stores an answer whatever escapes the worker: the client's poll ends.
TEST_F(SigningRequestTest, WorkerThatThrowsStillAnswersTheClient) {
  server.reset();
  handler = std::make_shared<CThrowingHandler>(std::make_shared<CVSCDriverMutex>(UniquePipeName()),
                                               std::make_unique<CCertStoreConfig>(),
                                               ReadyExchangeKey(container.name()));
  handler->SetUpdateTimingForTesting(0, 0);
  handler->SetCertPropertyWriterForTesting([](PCCERT_CONTEXT, DWORD, DWORD, const void*) { return TRUE; });
  server = std::make_unique<CVSCServer>(UniquePipeName(), handler, PipeMode::PerUser);
  server->Start();
  ASSERT_TRUE(WaitUntil([&] { return server->GetListeningInstances() >= CVSCServer::kListeningInstances; }));
  Provision(L"ACME", L"/vault");
  CPipeSession session(server->GetPipeName());
  ASSERT_EQ(0u, session.Open());
  CSecureBuffer result;
  EXPECT_EQ(1359u, session.client.SignData(session.sessionId, ContainerOf(L"alice"), CALG_SHA_256,
                                           TypeOneBlock(Sha256DigestInfo()), result));
  EXPECT_EQ(1359u,
            session.client.DecryptData(session.sessionId, ContainerOf(L"alice"), CSecureBuffer(256), result));
  EXPECT_TRUE(result.empty());
  EXPECT_TRUE(service.Requests().empty());
}

// The handler of this class never asks the user: an interactive provider needs the interactive one.
TEST_F(SigningRequestTest, NonInteractiveHandlerRefusesAProviderThatNeedsTheUser) {
  auto plain = std::make_shared<CVSCProtocolHandler>(std::make_shared<CVSCDriverMutex>(UniquePipeName()),
                                                     std::make_unique<CCertStoreConfig>(),
                                                     ReadyExchangeKey(container.name()));
  auto provider = NamedProvider(L"ACME", L"/vault");
  auto anna = AnnaPolicy(*provider);
  ASSERT_NE(anna, nullptr);
  CCertContext card = CardCertificate(provider, anna, L"alice");
  plain->AddSession(CSecureBuffer(16), VirtualSmartCardProtocol::COpenSessionRequest());
  VirtualSmartCardProtocol::CSignDataRequest request;
  request.SetSessionId(CSecureBuffer(16));
  CAuthResult result;
  EXPECT_EQ(0x8010006Eu, plain->Authenticate(card, request, result));
  EXPECT_TRUE(result.pin.empty());
}

}  // namespace
}  // namespace luma::service::testing
