// The answers that describe an account's certificates: the container names of its enabled
// certificates, and the full description of one card certificate.
#ifndef LUMA_SERVICE_REQUESTS_CERTIFICATE_ANSWERS_H_
#define LUMA_SERVICE_REQUESTS_CERTIFICATE_ANSWERS_H_

#include "foundation/core/vsc_account_messages.h"
#include "policy/signed/policy.h"
#include "service/account/cert_context.h"

namespace luma::requests {

// Items: the container name of every enabled certificate of the account, in the policy's order,
// whether or not it is on the card now.
void ListEnabledContainers(const CPolicy& policy,
                           VirtualSmartCardProtocol::CGetCertificatesResponse& response);

// Every field from the certificate's policy and its account; status 0.
void FillCertificateInfo(const CCertContext& context,
                         VirtualSmartCardProtocol::CGetCertificateInfoResponse& response);

}  // namespace luma::requests

#endif  // LUMA_SERVICE_REQUESTS_CERTIFICATE_ANSWERS_H_
