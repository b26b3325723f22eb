#include "plugins/common/unconnected_named_pipe_client.h"

#include <gtest/gtest.h>

#include <optional>

#include "foundation/core/tests/test_bytes.h"
#include "plugins/common/tests/scripted_pipe_server.h"
#include "plugins/diagnostics/tests/refused_allocations.h"

namespace luma::plugin {
namespace {

class UnconnectedNamedPipeClientTest : public ::testing::Test {
 protected:
  std::wstring pipeName = UniqueTestPipeName();
  CUnconnectedNamedPipeClient transport{pipeName, kPipeTimeoutMilliseconds};
};

TEST_F(UnconnectedNamedPipeClientTest, SendsTheRequestAndReplacesTheReply) {
  CScriptedPipeServer server(pipeName, [](const CSecureBuffer&) { return Bytes({7, 8, 9}); });
  CSecureBuffer reply = Bytes({1, 2, 3, 4, 5});
  EXPECT_EQ(0u, transport.Transact(Bytes({0xAB, 0xCD}), reply));
  EXPECT_EQ(Bytes({7, 8, 9}), reply);
  const auto requests = server.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ(Bytes({0xAB, 0xCD}), requests[0]);
  EXPECT_EQ(0u, transport.Reset());
}

TEST_F(UnconnectedNamedPipeClientTest, ReportsThePipeErrorAndLeavesTheReplyEmpty) {
  CSecureBuffer reply = Bytes({1});
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), transport.Transact(Bytes({1}), reply));
  EXPECT_TRUE(reply.empty());

  CScriptedPipeServer server(pipeName, [](const CSecureBuffer&) { return CSecureBuffer(kMaxReplySize + 1); });
  reply = Bytes({1});
  EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), transport.Transact(Bytes({1}), reply));
  EXPECT_TRUE(reply.empty());
}

TEST_F(UnconnectedNamedPipeClientTest, AReplyOfExactly64KiBFits) {
  CScriptedPipeServer server(pipeName, [](const CSecureBuffer&) { return CSecureBuffer(kMaxReplySize); });
  CSecureBuffer reply;
  EXPECT_EQ(0u, transport.Transact(Bytes({1}), reply));
  EXPECT_EQ(kMaxReplySize, reply.size);
}

TEST_F(UnconnectedNamedPipeClientTest, AnUnallocatableReplyBufferFailsWithoutCallingThePipe) {
  CScriptedPipeServer server(pipeName, [](const CSecureBuffer&) { return Bytes({1}); });
  const CSecureBuffer request = Bytes({1});
  CSecureBuffer reply = Bytes({1});
  luma::testing::FailNextHeapAllocations(1);
  const DWORD result = transport.Transact(request, reply);
  luma::testing::FailNextHeapAllocations(0);
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), result);
  EXPECT_TRUE(reply.empty());
  EXPECT_TRUE(server.Requests().empty());
}

TEST(UnconnectedNamedPipeClientConstructionTest, WithoutMemoryForThePipeNameEveryCallFailsInstead) {
  // Longer than any short-string buffer, so that storing it needs the heap.
  const std::wstring pipeName = UniqueTestPipeName() + std::wstring(64, L'x');
  std::optional<CUnconnectedNamedPipeClient> transport;
  bool refused = false;
  {
    luma::testing::CRefusedAllocations refusal;
    transport.emplace(pipeName, kPipeTimeoutMilliseconds);
    refused = refusal.refusedAny();
  }
  ASSERT_TRUE(refused);
  EXPECT_FALSE(transport->isUsable());
  CScriptedPipeServer server(pipeName, [](const CSecureBuffer&) { return Bytes({1}); });
  CSecureBuffer reply = Bytes({1});
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), transport->Transact(Bytes({1}), reply));
  EXPECT_TRUE(reply.empty());
  EXPECT_TRUE(server.Requests().empty());
}

}  // namespace
}  // namespace luma::plugin
