#include "service/pipe/vsc_server.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <thread>
#include <vector>

#include "plugins/common/unconnected_named_pipe_client.h"
#include "plugins/common/virtual_smart_card_client.h"
#include "service/core/request_assembler.h"
#include "service/pipe/pipe_security.h"
#include "service/pipe/tests/pipe_test_support.h"

using namespace luma::service;
using namespace luma::service::testing;

namespace {

CSecureBuffer Pattern(DWORD size) {
  CSecureBuffer bytes(size);
  for (DWORD i = 0; i < size; ++i) bytes.data[i] = static_cast<BYTE>(i * 13 + 5);
  return bytes;
}

// A running server on a fresh pipe name, over the recording test handler, with its pool filled.
class VSCServerTest : public ::testing::Test {
 protected:
  void SetUp() override { StartServer(PipeMode::PerUser); }

  void StartServer(PipeMode mode) {
    server = std::make_unique<CVSCServer>(UniquePipeName(), handler, mode);
    server->Start();
    ASSERT_TRUE(
        WaitUntil([&] { return server->GetListeningInstances() >= CVSCServer::kListeningInstances; }));
    pipePath = server->GetPipeName();
  }

  // Drops the test's handler reference and the server; true once every pipe thread let go of the
  // handler too, that is once every connection has ended.
  bool ReleaseAndWaitForTheHandler() {
    std::weak_ptr<CRecordingHandler> watched = handler;
    handler.reset();
    server.reset();
    return WaitUntil([&] { return watched.expired(); });
  }

  std::shared_ptr<CCallLog> log = std::make_shared<CCallLog>();
  std::shared_ptr<CRecordingHandler> handler = std::make_shared<CRecordingHandler>(log);
  std::unique_ptr<CVSCServer> server;
  std::wstring pipePath;
};

TEST_F(VSCServerTest, RequestOfManyReadsReachesTheHandlerWholeAndItsAnswerComesBack) {
  const CSecureBuffer request = Pattern(20000);  // three reads: 8192, 8192, 3616 bytes
  CUnconnectedNamedPipeClient transport(pipePath, kPipeTimeoutMilliseconds);
  CSecureBuffer reply;
  ASSERT_EQ(0u, transport.Transact(request, reply));

  CSecureBuffer expected;  // what the handler answers to these bytes
  VirtualSmartCardProtocol::CTestEndpointHandler().ProcessMessage(request, expected);
  EXPECT_EQ(expected, reply);
  std::lock_guard<std::mutex> guard(log->lock);
  ASSERT_EQ(1u, log->requests.size());
  EXPECT_EQ(request, log->requests[0]);
}

TEST_F(VSCServerTest, ConversationOnOneConnectionIsAnsweredInOrder) {
  CConnectedPipeClient connection(pipePath);
  ASSERT_TRUE(connection.IsConnected());
  CVirtualSmartCardClient client(&connection, L"lumaPassKSP");
  BYTE sessionId[16] = {};
  DWORD containers = 0;
  ASSERT_EQ(0u, client.OpenSession(sessionId, containers));
  CSecureBuffer info, keyInfo, certificate;
  EXPECT_EQ(0u, client.GetContainerInfo(sessionId, 0, info, keyInfo, certificate));
  EXPECT_EQ(1200u, certificate.size);
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_INDEX),
            client.GetContainerInfo(sessionId, 1, info, keyInfo, certificate));
  EXPECT_EQ(0u, client.CloseSession(sessionId));
  EXPECT_EQ(4, log->calls.load());
}

TEST_F(VSCServerTest, ConnectingAndClosingCallsNothing) {
  for (int i = 0; i < 3; ++i) {
    CConnectedPipeClient connection(pipePath);
    ASSERT_TRUE(connection.IsConnected());
  }
  ASSERT_TRUE(ReleaseAndWaitForTheHandler());
  EXPECT_EQ(0, log->calls.load());
}

TEST_F(VSCServerTest, StopClosesThePipeButOpenConnectionsGoOnWithTheirHandler) {
  CConnectedPipeClient connection(pipePath);
  ASSERT_TRUE(connection.IsConnected());
  CVirtualSmartCardClient client(&connection, L"lumaPassKSP");
  BYTE sessionId[16] = {};
  DWORD containers = 0;
  ASSERT_EQ(0u, client.OpenSession(sessionId, containers));

  server->Stop();
  const luma::CKernelHandle late(
      CreateFileW(pipePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(late) << "a new client still reached the stopped server";

  std::weak_ptr<CRecordingHandler> watched = handler;
  handler.reset();
  server.reset();
  EXPECT_FALSE(watched.expired());
  CSecureBuffer info, keyInfo, certificate;
  EXPECT_EQ(0u, client.GetContainerInfo(sessionId, 0, info, keyInfo, certificate));

  connection.Close();
  EXPECT_TRUE(WaitUntil([&] { return watched.expired(); }));
}

TEST_F(VSCServerTest, StopAndStartAgainServeAFreshPool) {
  server->Stop();
  server->Stop();  // stopping a stopped server changes nothing
  server->Start();
  ASSERT_TRUE(WaitUntil([&] { return server->GetListeningInstances() >= CVSCServer::kListeningInstances; }));
  CUnconnectedNamedPipeClient transport(pipePath, kPipeTimeoutMilliseconds);
  CVirtualSmartCardClient client(&transport, L"lumaPassCSP");
  BYTE sessionId[16] = {};
  DWORD containers = 0;
  EXPECT_EQ(0u, client.OpenSession(sessionId, containers));
}

TEST_F(VSCServerTest, SixtyFourConcurrentClientsAreAllAnswered) {
  constexpr int kClients = 64;
  std::vector<DWORD> statuses(kClients * 2, 0xFFFFFFFF);
  std::atomic<int> ready{0};
  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&, i] {
      CUnconnectedNamedPipeClient transport(pipePath, kPipeTimeoutMilliseconds);
      CVirtualSmartCardClient client(&transport, L"lumaPassKSP");
      ++ready;
      while (ready.load() < kClients) std::this_thread::yield();  // all start together
      BYTE sessionId[16] = {};
      DWORD containers = 0;
      statuses[i * 2] = client.OpenSession(sessionId, containers);
      CSecureBuffer info, keyInfo, certificate;
      statuses[i * 2 + 1] = client.GetContainerInfo(sessionId, 0, info, keyInfo, certificate);
    });
  }
  for (std::thread& client : clients) client.join();
  for (size_t i = 0; i < statuses.size(); ++i) EXPECT_EQ(0u, statuses[i]) << "request " << i;
  EXPECT_EQ(kClients * 2, log->calls.load());
}

TEST_F(VSCServerTest, RequestAboveTheCapIsRefusedAndOneAtTheCapIsServed) {
  {
    CConnectedPipeClient connection(pipePath);
    ASSERT_TRUE(connection.IsConnected());
    const CSecureBuffer tooLarge = Pattern(kMaxPipeRequestSize + 1);
    CSecureBuffer reply;
    EXPECT_NE(0u, connection.Transact(tooLarge, reply));  // the server closed the connection
    EXPECT_TRUE(reply.empty());
  }
  CConnectedPipeClient connection(pipePath);
  ASSERT_TRUE(connection.IsConnected());
  CSecureBuffer reply;
  EXPECT_EQ(0u, connection.Transact(Pattern(kMaxPipeRequestSize), reply));
  EXPECT_FALSE(reply.empty());
  std::lock_guard<std::mutex> guard(log->lock);
  ASSERT_EQ(1u, log->requests.size());  // only the request at the cap reached the handler
  EXPECT_EQ(kMaxPipeRequestSize, log->requests[0].size);
}

TEST_F(VSCServerTest, ReaderPipeServesAsWell) {
  server.reset();
  StartServer(PipeMode::Reader);
  CUnconnectedNamedPipeClient transport(pipePath, kPipeTimeoutMilliseconds);
  CVirtualSmartCardClient client(&transport, L"reader");
  BYTE sessionId[16] = {};
  DWORD containers = 0;
  EXPECT_EQ(0u, client.OpenSession(sessionId, containers));
}

std::wstring DescriptorText(PSECURITY_DESCRIPTOR descriptor) {
  luma::CLocalMemoryHandle text;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor, SDDL_REVISION_1,
          OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
              LABEL_SECURITY_INFORMATION,
          reinterpret_cast<LPWSTR*>(text.put()), nullptr)) {
    return L"(unconvertible)";
  }
  return luma::LocalAs<wchar_t>(text);
}

// Wine keeps but does not enforce a pipe's descriptor, and does not print mandatory labels back: only
// the owner, group and access list can be checked here.
TEST(PipeSecurityTest, DescriptorComesFromTheProcessOwnerAndGroup) {
  std::wstring owner, group;
  GetProcessOwnerAndGroup(owner, group);
  ASSERT_EQ(0u, owner.rfind(L"S-1-", 0)) << owner;
  ASSERT_EQ(0u, group.rfind(L"S-1-", 0)) << group;
  for (PipeMode mode : {PipeMode::Reader, PipeMode::PerUser}) {
    const luma::CLocalMemoryHandle descriptor = CreatePipeSecurityDescriptor(mode);
    ASSERT_TRUE(descriptor);
    luma::CLocalMemoryHandle expected;  // the text of the core, in the platform's own spelling
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        BuildPipeSecurityText(owner, group, mode).c_str(), SDDL_REVISION_1,
        reinterpret_cast<PSECURITY_DESCRIPTOR*>(expected.put()), nullptr));
    const std::wstring text = DescriptorText(descriptor.get());
    EXPECT_EQ(DescriptorText(expected.get()), text);
  }
}

}  // namespace
