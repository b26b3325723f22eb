// A scripted lumaPassV for the provider tests: it opens sessions with a given list of key
// containers, answers GetContainerInfo by index, SignData and DecryptData from the test's script,
// and CloseSession, and records what it was sent.
#ifndef LUMA_PLUGINS_COMMON_TESTS_CONTAINER_SERVER_H_
#define LUMA_PLUGINS_COMMON_TESTS_CONTAINER_SERVER_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/core/vsc_session_messages.h"
#include "plugins/common/tests/scripted_pipe_server.h"

namespace luma::plugin {

struct TestContainer {
  std::wstring name;
  DWORD keySpec;
  DWORD keyBits;
  CSecureBuffer certificate;
  DWORD defaultFlag = 0;
};

// The 92-byte record lumaPassV sends for a container.
CSecureBuffer ContainerInfoRecord(const TestContainer& container);

// What lumaPassV answers to a SignData or DecryptData request: its status and result block.
struct CryptoAnswer {
  DWORD status;
  CSecureBuffer result;
};
using CryptoScript = std::function<CryptoAnswer(const VirtualSmartCardProtocol::CCryptoRequest& request)>;

// A fixture file of the ksp test data (see testdata/make_ksp_fixtures.sh); empty when missing.
CSecureBuffer KspFixture(const std::string& name);

// lumaPassV holding the key of the fixtures' certificate: the signature for each of OpenSSL's
// signature blocks, the raw block for each of its ciphertexts (which arrive least significant byte
// first); any other block is refused with 0x80100004.
CryptoAnswer OpenSslKey(const VirtualSmartCardProtocol::CCryptoRequest& request);

// How lumaPassV answers a private-key request: at once, or first "not ready" (21) with a
// transaction id and the answer only when CheckTransaction asks for it, as its workers do.
enum class CryptoReply { kAtOnce, kTransacted };

// The script of a lumaPassV with these containers: OpenSession, GetContainerInfo by index, SignData
// and DecryptData as the crypto script says, and status 0 for anything else.
CScriptedPipeServer::Script ContainerScript(std::vector<TestContainer> containers,
                                            CryptoScript crypto = nullptr,
                                            CryptoReply reply = CryptoReply::kAtOnce);

// Serves the containers on the pipe; every request is recorded. Without a script, SignData and
// DecryptData are answered 0x80100030 (no such certificate).
std::unique_ptr<CScriptedPipeServer> ServeContainers(const std::wstring& pipeName,
                                                     std::vector<TestContainer> containers,
                                                     CryptoScript crypto = nullptr,
                                                     CryptoReply reply = CryptoReply::kAtOnce,
                                                     int instances = 2);

// The SignData (or DecryptData) requests the server received, in order, parsed.
std::vector<VirtualSmartCardProtocol::CSignDataRequest> SignRequests(const CScriptedPipeServer& server);
std::vector<VirtualSmartCardProtocol::CDecryptDataRequest> DecryptRequests(const CScriptedPipeServer& server);

// How many requests of the type the server received.
size_t CountRequests(const CScriptedPipeServer& server, DWORD type);

}  // namespace luma::plugin

#endif  // LUMA_PLUGINS_COMMON_TESTS_CONTAINER_SERVER_H_
