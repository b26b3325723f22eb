#include "foundation/core/message_classes.h"

#include <utility>

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
  auto all = Make<CCheckTransactionRequest, CCancelTransactionRequest, COpenSessionRequest,
                  COpenSessionResponse, CVerifySessionRequest, CVerifySessionResponse, CCloseSessionRequest,
                  CCloseSessionResponse, CGetContainerInfoRequest, CGetContainerInfoResponse,
                  CGetCertStoreInfoRequest, CGetCertStoreInfoResponse, CSignDataRequest, CSignDataResponse,
                  CDecryptDataRequest, CDecryptDataResponse>();
  // Providers, accounts, certificates, PINs and authentication.
  for (auto& message :
       Make<CAuthenticationField, CAuthenticationValue, CGetProvidersRequest, CGetProvidersResponse,
            CGetProviderInfoRequest, CGetProviderInfoResponse, CAddAccountRequest, CAddAccountResponse,
            CRefreshAccountRequest, CRefreshAccountResponse, CDeleteAccountRequest, CDeleteAccountResponse,
            CGetAccountsRequest, CGetAccountsResponse, CGetAccountInfoRequest, CGetAccountInfoResponse,
            CGetAccountAuthStateRequest, CGetAccountAuthStateResponse, CDeauthenticateAccountRequest,
            CDeauthenticateAccountResponse, CGetCertificatesRequest, CGetCertificatesResponse,
            CGetCertificateInfoRequest, CGetCertificateInfoResponse, CValidatePINRequest,
            CValidatePINResponse, CChangePINRequest, CChangePINResponse, CGetAuthenticationStateRequest,
            CGetAuthenticationStateResponse, CAuthenticatePINRequest, CAuthenticatePINResponse,
            CAuthenticateSessionPINRequest, CAuthenticateSessionPINResponse, CGetExternalValidatedPINRequest,
            CGetExternalValidatedPINResponse, CAuthenticateAccountRequest, CAuthenticateAccountResponse,
            CDeauthenticatePINRequest, CDeauthenticatePINResponse>())
    all.push_back(std::move(message));
  return all;
}

}  // namespace VirtualSmartCardProtocol
