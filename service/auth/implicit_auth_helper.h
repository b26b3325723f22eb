// What every caller of the remote service puts in front of its call: for certificate login it
// chooses the TLS client certificate and hands it to the client's transport, and after a completed
// call remembers it for the account, so that the next call takes it again without asking. For any
// other method it does nothing. The client refers to the chosen certificate without owning it:
// destroy the helper after the client.
#ifndef LUMA_SERVICE_AUTH_IMPLICIT_AUTH_HELPER_H_
#define LUMA_SERVICE_AUTH_IMPLICIT_AUTH_HELPER_H_

#include <windows.h>

#include <memory>

#include "policy/account/provider_context.h"
#include "policy/signed/policy.h"
#include "service/auth/cert_auth_filter.h"
#include "service/vault/vault_core_soap_client.h"
#include "service/vault/web_service_exception.h"

class CImplicitAuthHelper {
 public:
  CImplicitAuthHelper(HWND owner, std::shared_ptr<CProviderContext> providerContext,
                      std::shared_ptr<CPolicy> policy);
  // Without account: no remembered certificate is read or written.
  CImplicitAuthHelper(HWND owner, std::shared_ptr<CProviderContext> providerContext);
  CImplicitAuthHelper(const CImplicitAuthHelper&) = delete;
  CImplicitAuthHelper& operator=(const CImplicitAuthHelper&) = delete;
  virtual ~CImplicitAuthHelper() = default;

  // Certificate login: chooses the certificate (silent: never the dialog, and a single candidate
  // only with a usable key) and sets it on the client's transport, or throws CSOAPServiceException
  // (401, SCARD_E_NO_SUCH_CERTIFICATE, "No certificate available ...").
  void PrepareClient(CVaultCoreSOAPClient& client, bool silent);
  // After a completed call: the account's remembered certificate becomes the chosen one.
  void RememberCertificate();
  // The account, once a call without one (a first provisioning) has brought its policy.
  void SetPolicy(std::shared_ptr<CPolicy> accountPolicy) { policy = std::move(accountPolicy); }
  // After a service error: the next call chooses afresh.
  void ForgetCertificate(const CWebServiceException* = nullptr);

  // For the tests of the choice.
  CCertAuthFilter& Filter() { return filter; }

 private:
  bool RemembersForAccount() const;

  std::shared_ptr<CProviderContext> providerContext;
  std::shared_ptr<CPolicy> policy;
  std::int32_t authenticationType;
  CCertAuthFilter filter;
};

#endif  // LUMA_SERVICE_AUTH_IMPLICIT_AUTH_HELPER_H_
