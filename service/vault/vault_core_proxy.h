// The service proxy: one SOAP operation per call of the remote signing service, over the
// transport it derives from. It writes the request message, posts it with the operation's action
// and reads the fields of the answer; the outcome stays in the transport's error state.
#ifndef LUMA_SERVICE_VAULT_VAULT_CORE_PROXY_H_
#define LUMA_SERVICE_VAULT_VAULT_CORE_PROXY_H_

#include <windows.h>

#include <new>
#include <string>
#include <vector>

#include "service/core/soap_error_text.h"
#include "service/core/vault_request.h"
#include "service/core/vault_response.h"

namespace VaultCore {

// The proxy's URL until the configuration replaces it.
constexpr wchar_t kDefaultServiceUrl[] = L"https://localhost/VaultCoreService";

template <class TClient>
class CVaultCoreT : public TClient {
 public:
  CVaultCoreT() : TClient(kDefaultServiceUrl) {}

  HRESULT IsAlive() { return Call("IsAlive", {}); }
  HRESULT GetPolicy() { return Call("GetPolicy", {}); }
  // The four operations with encrypted parameters.
  HRESULT VerifyPin(const CSecureBuffer& encParameters) { return CallWith("VerifyPin", encParameters); }
  HRESULT ChangePin(const CSecureBuffer& encParameters) { return CallWith("ChangePin", encParameters); }
  HRESULT RsaPkcs1Sign(const CSecureBuffer& encParameters) { return CallWith("RsaPkcs1Sign", encParameters); }
  HRESULT RsaRawDecrypt(const CSecureBuffer& encParameters) {
    return CallWith("RsaRawDecrypt", encParameters);
  }

  // The fields of the last successful answer.
  const luma::service::CVaultResponseFields& Response() const { return m_response; }

 private:
  HRESULT CallWith(const char* operation, const CSecureBuffer& encParameters) {
    return Call(operation, {{"encParameters", &encParameters}});
  }

  HRESULT Call(const char* operation, const std::vector<luma::service::VaultRequestField>& fields) {
    using namespace luma::service;
    m_response.Clear();
    this->CleanupClient();
    std::wstring action;
    try {
      this->RequestBody() = BuildVaultRequest((std::string(operation) + "Request").c_str(), fields);
      const std::string line = VaultActionLine(operation);
      action.assign(line.begin(), line.end());  // ASCII
    } catch (const std::bad_alloc&) {
      this->SetErrorState(kSoapGenerateFailed);
      return E_OUTOFMEMORY;
    }
    const HRESULT sent = this->SendRequest(action.c_str());
    if (FAILED(sent)) return sent;
    std::string body = this->ReadResponseBody();
    if (body.empty()) {
      this->SetErrorState(kSoapReadFailed);
      return E_FAIL;
    }
    const bool parsed = ParseVaultResponse(body, m_response);
    luma::SecureWipe(&body[0], body.size());
    if (!parsed) {
      this->SetErrorState(kSoapParseFailed);
      return E_FAIL;
    }
    return S_OK;
  }

  luma::service::CVaultResponseFields m_response;
};

}  // namespace VaultCore

#endif  // LUMA_SERVICE_VAULT_VAULT_CORE_PROXY_H_
