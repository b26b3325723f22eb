// SignHash through the key storage provider's function table, beside the SignData round trip of the
// pipe client alone, against the same pipe server in one run: prints both medians and their ratio,
// which is what the provider adds (handle look-ups, the PKCS#1 block with its DigestInfo, logging
// checks) to the exchange itself. The server's handler answers SignData at once with a block of the
// key's length, so neither side waits for a remote signature.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "foundation/core/tests/test_endpoint_handler.h"
#include "plugins/common/bcrypt_hash.h"
#include "plugins/common/unconnected_named_pipe_client.h"
#include "plugins/common/virtual_smart_card_client.h"
#include "plugins/ksp/ksp_functions.h"
#include "plugins/ksp/ksp_module.h"
#include "service/pipe/vsc_server.h"

namespace {

constexpr int kRounds = 10;
constexpr int kCallsPerRound = 200;
constexpr DWORD kKeyBytes = 256;  // the handler's container is an RSA 2048 key
constexpr DWORD kAlgSha256 = 0x800C;

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

// The stand-in handler with its one container counted in OpenSession, and SignData answered in the
// request's own exchange.
class CSigningHandler final : public VirtualSmartCardProtocol::CTestEndpointHandler {
 public:
  using CTestEndpointHandler::handle;
  bool handle(const VirtualSmartCardProtocol::COpenSessionRequest& request,
              VirtualSmartCardProtocol::COpenSessionResponse& response) override {
    if (!CTestEndpointHandler::handle(request, response)) return false;
    response.SetContainerCount(1);
    return true;
  }
  bool handle(const VirtualSmartCardProtocol::CSignDataRequest& request,
              VirtualSmartCardProtocol::CSignDataResponse& response) override {
    if (!CheckSession(request, response)) return false;
    response.SetResult(CSecureBuffer(kKeyBytes));
    response.SetStatus(0);
    return true;
  }
};

std::wstring benchPipeName;
std::wstring BenchPipeName() { return benchPipeName; }

}  // namespace

int main() {
  auto handler = std::make_shared<CSigningHandler>();
  CVSCServer server(L"lumaPassV-ksp-bench-" + std::to_wstring(GetCurrentProcessId()), handler,
                    luma::service::PipeMode::PerUser);
  server.Start();
  while (server.GetListeningInstances() < CVSCServer::kListeningInstances) Sleep(10);
  benchPipeName = server.GetPipeName();
  luma::ksp::KspModule::SetPipeNameFunction(&BenchPipeName);

  // The provider's path: a provider handle with its own session and the container's key.
  NCRYPT_KEY_STORAGE_FUNCTION_TABLE& table = luma::ksp::FunctionTable();
  NCRYPT_PROV_HANDLE provider = 0;
  NCRYPT_KEY_HANDLE key = 0;
  NCryptKeyName* keyName = nullptr;
  PVOID cursor = nullptr;
  SECURITY_STATUS opened = table.OpenProvider(&provider, L"nuvak lumaPass V Key Storage Provider", 0);
  if (opened == 0) opened = table.EnumKeys(provider, nullptr, &keyName, &cursor, 0);
  if (opened == 0) opened = table.OpenKey(provider, &key, keyName->pszName, 0, 0);
  if (opened != 0) {
    std::printf("the provider could not open the handler's key: 0x%08lx\n",
                static_cast<unsigned long>(opened));
    return 1;
  }
  const std::wstring containerName = keyName->pszName;
  table.FreeBuffer(keyName);
  table.FreeBuffer(cursor);

  // The pipe alone: the plug-ins' client on a session of its own, sending a ready block.
  CUnconnectedNamedPipeClient transport(server.GetPipeName(), kPipeTimeoutMilliseconds);
  CVirtualSmartCardClient client(&transport, L"lumaPassKSP");
  BYTE sessionId[16] = {};
  DWORD containers = 0;
  if (client.OpenSession(sessionId, containers) != 0) {
    std::printf("OpenSession failed\n");
    return 1;
  }
  CSecureBuffer block(kKeyBytes);
  block.data[1] = 0x01;

  BYTE hash[32] = {};
  BCRYPT_PKCS1_PADDING_INFO padding = {L"SHA256"};
  BYTE signature[kKeyBytes];
  std::vector<double> provided, bare;
  for (int round = 0; round < kRounds; ++round) {  // alternate, so drift hits both alike
    for (int i = 0; i < kCallsPerRound; ++i) {
      DWORD size = 0;
      const auto start = Clock::now();
      const SECURITY_STATUS status = table.SignHash(provider, key, &padding, hash, sizeof(hash), signature,
                                                    sizeof(signature), &size, BCRYPT_PAD_PKCS1);
      provided.push_back(Microseconds(Clock::now() - start));
      if (status != 0) {
        std::printf("SignHash failed: 0x%08lx\n", static_cast<unsigned long>(status));
        return 1;
      }
    }
    for (int i = 0; i < kCallsPerRound; ++i) {
      CSecureBuffer result;
      const auto start = Clock::now();
      const DWORD status = client.SignData(sessionId, containerName, kAlgSha256, block, result);
      bare.push_back(Microseconds(Clock::now() - start));
      if (status != 0) {
        std::printf("SignData failed: %lu\n", static_cast<unsigned long>(status));
        return 1;
      }
    }
  }
  // The provider's local share: the entry without the exchange (a size query), and the block alone.
  std::vector<double> query, building;
  const CSecureBuffer hashBytes(sizeof(hash), hash);
  for (int i = 0; i < kRounds * kCallsPerRound; ++i) {
    DWORD size = 0;
    auto start = Clock::now();
    table.SignHash(provider, key, &padding, hash, sizeof(hash), nullptr, 0, &size, BCRYPT_PAD_PKCS1);
    query.push_back(Microseconds(Clock::now() - start));
    CSecureBuffer built;
    start = Clock::now();
    luma::plugin::BuildPkcs1Type1Block(kAlgSha256, hashBytes, kKeyBytes, built);
    building.push_back(Microseconds(Clock::now() - start));
  }
  client.CloseSession(sessionId);
  table.FreeProvider(provider);
  luma::ksp::KspModule::SetPipeNameFunction(nullptr);

  const double providedMedian = Median(provided);
  const double bareMedian = Median(bare);
  std::printf("%d calls each, medians (Wine named pipes, one client at a time)\n", kRounds * kCallsPerRound);
  std::printf("SignHash through the provider %8.1f us, SignData on the pipe alone %8.1f us, ratio %.2f\n",
              providedMedian, bareMedian, providedMedian / bareMedian);
  std::printf("  of the provider's own: the entry as a size query %.1f us, the signature block %.1f us\n",
              Median(query), Median(building));
  return 0;
}
