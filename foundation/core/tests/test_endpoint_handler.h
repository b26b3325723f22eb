// A stand-in for the service's protocol handler: serves one key container, runs SignData and
// ValidatePIN as transactions that the test completes itself, and can be told to throw.
// Shared by the endpoint tests, the endpoint fuzz target and the endpoint benchmark.
#ifndef LUMA_FOUNDATION_CORE_TESTS_TEST_ENDPOINT_HANDLER_H_
#define LUMA_FOUNDATION_CORE_TESTS_TEST_ENDPOINT_HANDLER_H_

#include <atomic>
#include <memory>
#include <stdexcept>

#include "foundation/core/vsc_endpoint_handler.h"

namespace VirtualSmartCardProtocol {

class CTestEndpointHandler : public CVirtualSmartCardProtocolEndpointHandler {
 public:
  using CVirtualSmartCardProtocolEndpointHandler::handle;

  CTestEndpointHandler() {
    ContainerInfoRecord record;
    record.name = WSTR("{6f1c2a7e-0d35-4b8e-9a41-2f7c3b9d8e10}");
    record.keySpec = 2;
    record.keyBits = 2048;
    containerInfo = record.Encode();
    keyInfo = ContainerKeyInfoRecord::ForCertificate(1, 0xC0).Encode();
    certificate = CSecureBuffer(1200);
    for (DWORD i = 0; i < certificate.size; ++i) certificate.data[i] = static_cast<BYTE>(i * 7);
  }

  // Index 0 is the one container; anything beyond answers ERROR_INVALID_INDEX.
  bool handle(const CGetContainerInfoRequest& request, CGetContainerInfoResponse& response) override {
    if (!CheckSession(request, response)) return false;
    if (request.GetIndex() != 0) {
      response.SetStatus(ERROR_INVALID_INDEX);
      return false;
    }
    response.SetContainerInfo(containerInfo);
    response.SetKeyInfo(keyInfo);
    response.SetCertificate(certificate);
    return true;
  }

  bool handle(const CSignDataRequest& request, CSignDataResponse& response) override {
    return StartTransaction(request, response);
  }

  // Polled with the generic class, as the service's ValidatePIN is.
  bool handle(const CValidatePINRequest& request, CValidatePINResponse& response) override {
    if (!VerifySession(request, response)) return false;
    response.SetTransactionId(Transactions().AddTransaction());
    response.SetStatus(ERROR_NOT_READY);
    return true;
  }

  bool handle(const CGetProvidersRequest& request, CGetProvidersResponse& response) override {
    if (throwOnGetProviders) throw std::runtime_error("provider list unavailable");
    if (!VerifySession(request, response)) return false;
    response.AddItem(WSTR("corp"));
    return true;
  }

  // What a worker does when its request is done.
  bool CompleteSignData(DWORD transactionId, DWORD status, const CSecureBuffer& signature) {
    auto response = std::make_unique<CSignDataResponse>();
    response->SetStatus(status);
    response->SetResult(signature);
    return Transactions().SetTransactionResult(transactionId, std::move(response));
  }

  std::atomic<bool> throwOnGetProviders{false};

 private:
  bool StartTransaction(const CSessionRequest& request, CResponseMessage& response) {
    if (!CheckSession(request, response)) return false;
    response.SetTransactionId(Transactions().AddTransaction());
    response.SetStatus(ERROR_NOT_READY);
    return true;
  }

  CSecureBuffer containerInfo;
  CSecureBuffer keyInfo;
  CSecureBuffer certificate;
};

}  // namespace VirtualSmartCardProtocol

#endif  // LUMA_FOUNDATION_CORE_TESTS_TEST_ENDPOINT_HANDLER_H_
