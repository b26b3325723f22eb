// Opening a session and reading its containers, as every plug-in does, against a lumaPassV that
// claims any container count.
#include "plugins/common/session_containers.h"

#include <gtest/gtest.h>

#include <map>
#include <new>
#include <stdexcept>

#include "foundation/core/vsc_session_messages.h"
#include "plugins/common/tests/scripted_pipe_server.h"

using namespace VirtualSmartCardProtocol;

namespace {

// lumaPassV in the test process: OpenSession claims `claimed` containers, everything else is 0.
class CClaimingTransport final : public CRemotingClient {
 public:
  explicit CClaimingTransport(DWORD claimed, DWORD openStatus = 0)
      : claimed(claimed), openStatus(openStatus) {}
  DWORD Transact(const CSecureBuffer& request, CSecureBuffer& reply) noexcept override {
    const DWORD type = luma::plugin::MessageTypeOf(request);
    ++sent[type];
    CMessageSerialization out;
    if (type == MessageTypeOpenSession) {
      COpenSessionResponse response;
      response.SetStatus(openStatus);
      response.SetContainerCount(claimed);
      response.Serialize(out);
    } else {
      CResponseMessage response(type);
      response.SetStatus(0);
      response.Serialize(out);
    }
    return out.Serialize(reply) ? 0 : ERROR_NOT_ENOUGH_MEMORY;
  }
  DWORD Reset() noexcept override { return 0; }

  DWORD claimed;
  DWORD openStatus;
  std::map<DWORD, DWORD> sent;
};

TEST(SessionContainersTest, AClaimedCountIsReadUpToTheCap) {
  using luma::plugin::kMaxSessionContainers;
  struct Case {
    DWORD claimed;
    DWORD read;
  } const cases[] = {
      {0, 0},
      {3, 3},
      {kMaxSessionContainers, kMaxSessionContainers},
      {kMaxSessionContainers + 1, kMaxSessionContainers},
      {0xFFFFFFFF, kMaxSessionContainers},  // would keep the caller busy for days
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.claimed);
    CClaimingTransport transport(c.claimed);
    CVirtualSmartCardClient client(&transport, L"lumaPassKSP");
    BYTE sessionId[16] = {};
    DWORD containers = 0;
    DWORD visited = 0;
    EXPECT_EQ(0u, luma::plugin::OpenSessionAndReadContainers(
                      client, sessionId, containers, [&](DWORD index) { EXPECT_EQ(visited++, index); }));
    EXPECT_EQ(c.claimed, containers);
    EXPECT_EQ(c.read, visited);
    EXPECT_EQ(0u, transport.sent[MessageTypeCloseSession]) << "the session stays open for the caller";
  }
}

// A reading that throws (memory running out) leaves no session open behind it; a session that did
// not open reads nothing and closes nothing.
TEST(SessionContainersTest, AReadingThatThrowsClosesItsSession) {
  CClaimingTransport transport(5);
  CVirtualSmartCardClient client(&transport, L"lumaPassKSP");
  BYTE sessionId[16] = {};
  DWORD containers = 0;
  EXPECT_THROW(luma::plugin::OpenSessionAndReadContainers(client, sessionId, containers,
                                                          [](DWORD index) {
                                                            if (index == 2) throw std::bad_alloc();
                                                          }),
               std::bad_alloc);
  EXPECT_EQ(1u, transport.sent[MessageTypeCloseSession]);

  CClaimingTransport refusing(5, ERROR_ACCESS_DENIED);
  CVirtualSmartCardClient refused(&refusing, L"lumaPassKSP");
  DWORD visited = 0;
  EXPECT_EQ(
      static_cast<DWORD>(ERROR_ACCESS_DENIED),
      luma::plugin::OpenSessionAndReadContainers(refused, sessionId, containers, [&](DWORD) { ++visited; }));
  EXPECT_EQ(0u, visited);
  EXPECT_EQ(0u, refusing.sent[MessageTypeCloseSession]);
}

}  // namespace
