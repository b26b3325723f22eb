// GetCertStoreInfo on the session client: the request it sends and how each kind of answer reaches
// the caller.
#include "plugins/certstore/cert_store_info.h"

#include <gtest/gtest.h>

#include <cstring>

#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/vsc_session_messages.h"
#include "plugins/common/tests/scripted_pipe_server.h"
#include "plugins/common/unconnected_named_pipe_client.h"

using namespace VirtualSmartCardProtocol;

namespace luma::certstore {
namespace {

const BYTE kSessionId[16] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7,
                             0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF};

CSecureBuffer FullAnswer() {
  CGetCertStoreInfoResponse response;
  response.SetStatus(0);
  response.SetAllowed(1);
  response.SetProviderName(L"Provider");
  response.SetProviderType(24);
  response.SetContainerName(L"alpha");
  response.SetKeySpec(2);
  response.SetExpired(1);
  response.SetFriendlyName(L"[luma-Pass] Alice");
  response.SetAccountKey(L"cloud/alice");
  response.SetCardReaderImage(L"Reader");
  return ToWire(response);
}

CSecureBuffer StatusAnswer(DWORD status) {
  CGetCertStoreInfoResponse response;
  response.SetStatus(status);
  return ToWire(response);
}

TEST(CertStoreInfoTest, SendsTheSessionAndIndexAndCopiesTheNineFields) {
  const std::wstring pipe = luma::plugin::UniqueTestPipeName();
  CScriptedPipeServer server(pipe, [](const CSecureBuffer&) { return FullAnswer(); });
  CUnconnectedNamedPipeClient transport(pipe, kCertStorePipeTimeoutMilliseconds);
  CVirtualSmartCardClient client(&transport, L"lumaPassCertStore");
  CertStoreInfo info;
  ASSERT_EQ(0u, GetCertStoreInfo(client, kSessionId, 3, info));
  EXPECT_EQ(0u, GetLastError());
  EXPECT_EQ(1u, info.authorized);
  EXPECT_EQ(L"Provider", info.providerName);
  EXPECT_EQ(24u, info.providerType);
  EXPECT_EQ(L"alpha", info.containerName);
  EXPECT_EQ(2u, info.keySpec);
  EXPECT_EQ(1u, info.archived);
  EXPECT_EQ(L"[luma-Pass] Alice", info.friendlyName);
  EXPECT_EQ(L"cloud/alice", info.accountKey);
  EXPECT_EQ(L"Reader", info.smartCardReader);

  ASSERT_EQ(1u, server.Requests().size());
  CGetCertStoreInfoRequest sent;
  ASSERT_TRUE(FromWire(server.Requests()[0], sent));
  EXPECT_EQ(static_cast<DWORD>(MessageTypeGetCertStoreInfo), sent.GetType());
  EXPECT_EQ(3u, sent.GetIndex());
  ASSERT_EQ(16u, sent.GetSessionId().size);
  EXPECT_EQ(0, std::memcmp(kSessionId, sent.GetSessionId().data, 16));
}

TEST(CertStoreInfoTest, AStatusOfLumaPassVIsReturnedUnchangedAndAFailedExchangeIsAReadFault) {
  struct Case {
    const char* label;
    CSecureBuffer reply;
    DWORD expected;
  };
  const Case cases[] = {
      {"index", StatusAnswer(ERROR_INVALID_INDEX), ERROR_INVALID_INDEX},
      {"session", StatusAnswer(6), 6},
      {"undecodable", CSecureBuffer(3, "abc"), ERROR_READ_FAULT},
      {"truncated", CSecureBuffer(FullAnswer().size - 4, FullAnswer().data), ERROR_READ_FAULT},
  };
  for (const Case& c : cases) {
    const std::wstring pipe = luma::plugin::UniqueTestPipeName();
    const CSecureBuffer reply = c.reply;
    CScriptedPipeServer server(pipe, [reply](const CSecureBuffer&) { return reply; });
    CUnconnectedNamedPipeClient transport(pipe, kCertStorePipeTimeoutMilliseconds);
    CVirtualSmartCardClient client(&transport, L"lumaPassCertStore");
    CertStoreInfo info;
    info.friendlyName = L"untouched";
    EXPECT_EQ(c.expected, GetCertStoreInfo(client, kSessionId, 0, info)) << c.label;
    EXPECT_EQ(c.expected, GetLastError()) << c.label;
    EXPECT_EQ(L"untouched", info.friendlyName) << c.label;
  }

  // Nobody serves the pipe.
  CUnconnectedNamedPipeClient transport(luma::plugin::UniqueTestPipeName(),
                                        kCertStorePipeTimeoutMilliseconds);
  CVirtualSmartCardClient client(&transport, L"lumaPassCertStore");
  CertStoreInfo info;
  EXPECT_EQ(static_cast<DWORD>(ERROR_READ_FAULT), GetCertStoreInfo(client, kSessionId, 0, info));
}

}  // namespace
}  // namespace luma::certstore
