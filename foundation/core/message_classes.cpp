#include "foundation/core/message_classes.h"

namespace VirtualSmartCardProtocol {
namespace {
template <typename... T>
std::vector<std::unique_ptr<CSerializableMessage>> Make() {
  std::vector<std::unique_ptr<CSerializableMessage>> all;
  (all.push_back(std::make_unique<T>()), ...);
  return all;
}
}  // namespace

std::vector<std::unique_ptr<CSerializableMessage>> CreateEveryMessageClass() {
  return Make<CCheckTransactionRequest, CCancelTransactionRequest, COpenSessionRequest, COpenSessionResponse,
              CVerifySessionRequest, CVerifySessionResponse, CCloseSessionRequest, CCloseSessionResponse,
              CGetContainerInfoRequest, CGetContainerInfoResponse, CGetCertStoreInfoRequest,
              CGetCertStoreInfoResponse, CSignDataRequest, CSignDataResponse, CDecryptDataRequest,
              CDecryptDataResponse>();
}

}  // namespace VirtualSmartCardProtocol
