#include "plugins/common/tests/container_server.h"

#include "foundation/core/little_endian.h"
#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/tests/test_data.h"
#include "foundation/core/vsc_session_messages.h"
#include "plugins/common/core/container_record.h"

using namespace VirtualSmartCardProtocol;

namespace luma::plugin {

CSecureBuffer ContainerInfoRecord(const TestContainer& container) {
  CSecureBuffer record(kContainerInfoSize);
  for (size_t i = 0; i < container.name.size() && i < kContainerNameChars; ++i) {
    record.data[2 * i] = static_cast<BYTE>(container.name[i]);
    record.data[2 * i + 1] = static_cast<BYTE>(container.name[i] >> 8);
  }
  luma::WriteLE32(record.data + 80, container.defaultFlag);
  luma::WriteLE32(record.data + 84, container.keySpec);
  luma::WriteLE32(record.data + 88, container.keyBits);
  return record;
}

namespace {

constexpr DWORD kNoSuchCertificate = 0x80100030;
constexpr DWORD kRefusedBlock = 0x80100004;
constexpr DWORD kTransactionId = 7;

// The answer to a SignData or DecryptData request of the given response type.
template <typename Request, typename Response>
CSecureBuffer AnswerCrypto(const CSecureBuffer& request, const CryptoScript& crypto, CryptoReply reply,
                           std::shared_ptr<CSecureBuffer> held) {
  Request parsed;
  Response response;
  if (!FromWire(request, parsed)) {
    response.SetStatus(ERROR_INVALID_DATA);
    return ToWire(response);
  }
  if (reply == CryptoReply::kTransacted && held->empty()) {
    *held = request;  // answered when CheckTransaction asks
    response.SetStatus(ERROR_NOT_READY);
    response.SetTransactionId(kTransactionId);
    return ToWire(response);
  }
  held->Clear();
  const CryptoAnswer answer = crypto ? crypto(parsed) : CryptoAnswer{kNoSuchCertificate, CSecureBuffer()};
  response.SetStatus(answer.status);
  response.SetResult(answer.result);
  return ToWire(response);
}

template <typename Request>
std::vector<Request> ParsedRequests(const CScriptedPipeServer& server, DWORD type) {
  std::vector<Request> parsed;
  for (const CSecureBuffer& bytes : server.Requests()) {
    if (luma::plugin::MessageTypeOf(bytes) != type) continue;
    parsed.emplace_back();
    if (!FromWire(bytes, parsed.back())) parsed.pop_back();
  }
  return parsed;
}

}  // namespace

CSecureBuffer KspFixture(const std::string& name) { return ReadTestData("ksp/" + name); }

CryptoAnswer OpenSslKey(const CCryptoRequest& request) {
  if (request.GetType() == MessageTypeSignData) {
    for (const char* digest : {"md5", "sha1", "sha256", "sha384", "sha512"}) {
      if (request.GetData() == KspFixture(std::string("block.") + digest + ".bin")) {
        return {0, KspFixture(std::string("signature.") + digest + ".bin")};
      }
    }
  } else {
    for (const char* padding : {"pkcs1", "oaep", "none"}) {
      CSecureBuffer reversed = KspFixture(std::string("cipher.") + padding + ".bin");
      reversed.Reverse();
      if (request.GetData() == reversed) return {0, KspFixture(std::string("block.") + padding + ".bin")};
    }
  }
  return {kRefusedBlock, CSecureBuffer()};
}

CScriptedPipeServer::Script ContainerScript(std::vector<TestContainer> containers, CryptoScript crypto,
                                            CryptoReply reply) {
  // The request held back while its transaction is "not ready".
  auto held = std::make_shared<CSecureBuffer>();
  return [containers, crypto, reply, held](const CSecureBuffer& request) {
    const BYTE sessionId[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    DWORD type = luma::plugin::MessageTypeOf(request);
    const CSecureBuffer* cryptoRequest = &request;
    if (type == MessageTypeCheckTransaction && !held->empty()) {
      type = luma::plugin::MessageTypeOf(*held);
      cryptoRequest = held.get();
    }
    switch (type) {
      case MessageTypeSignData:
        return AnswerCrypto<CSignDataRequest, CSignDataResponse>(CSecureBuffer(*cryptoRequest), crypto, reply,
                                                                 held);
      case MessageTypeDecryptData:
        return AnswerCrypto<CDecryptDataRequest, CDecryptDataResponse>(CSecureBuffer(*cryptoRequest), crypto,
                                                                       reply, held);
      case MessageTypeOpenSession: {
        COpenSessionResponse response;
        response.SetStatus(0);
        response.SetSessionId(CSecureBuffer(16, sessionId));
        response.SetContainerCount(static_cast<DWORD>(containers.size()));
        return ToWire(response);
      }
      case MessageTypeGetContainerInfo: {
        CGetContainerInfoRequest parsed;
        CGetContainerInfoResponse response;
        if (!FromWire(request, parsed) || parsed.GetIndex() >= containers.size()) {
          response.SetStatus(ERROR_INVALID_INDEX);
        } else {
          const TestContainer& container = containers[parsed.GetIndex()];
          response.SetStatus(0);
          response.SetContainerInfo(ContainerInfoRecord(container));
          response.SetKeyInfo(CSecureBuffer(kKeyInfoSize));
          response.SetCertificate(container.certificate);
        }
        return ToWire(response);
      }
      default: {
        CCloseSessionResponse response;
        response.SetStatus(0);
        return ToWire(response);
      }
    }
  };
}

std::unique_ptr<CScriptedPipeServer> ServeContainers(const std::wstring& pipeName,
                                                     std::vector<TestContainer> containers,
                                                     CryptoScript crypto, CryptoReply reply, int instances) {
  return std::make_unique<CScriptedPipeServer>(
      pipeName, ContainerScript(std::move(containers), std::move(crypto), reply), instances);
}

std::vector<CSignDataRequest> SignRequests(const CScriptedPipeServer& server) {
  return ParsedRequests<CSignDataRequest>(server, MessageTypeSignData);
}

std::vector<CDecryptDataRequest> DecryptRequests(const CScriptedPipeServer& server) {
  return ParsedRequests<CDecryptDataRequest>(server, MessageTypeDecryptData);
}

size_t CountRequests(const CScriptedPipeServer& server, DWORD type) {
  size_t count = 0;
  for (const CSecureBuffer& request : server.Requests()) {
    if (luma::plugin::MessageTypeOf(request) == type) ++count;
  }
  return count;
}

}  // namespace luma::plugin
