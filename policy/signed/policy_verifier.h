// The envelope of a signed policy: its content type (outer and signed), its signature, the trust
// in its signer and the content digest, checked before any of its content is read.
#ifndef LUMA_POLICY_SIGNED_POLICY_VERIFIER_H_
#define LUMA_POLICY_SIGNED_POLICY_VERIFIER_H_

#include <list>
#include <string>

#include "foundation/core/secure_buffer.h"
#include "policy/signed/policy_provider_settings.h"

namespace luma::policy {

// Dotted text of the message's inner content type; empty when it cannot be read.
std::wstring GetSignedContentType(const CSecureBuffer& encoded);

// Verifies the message and hands back its content (one OCTET STRING layer taken off where the
// message carries the content wrapped in one). Its outer content type and the one signed
// content-type attribute of its signer must both be the policy content type. The signer is trusted
// when one of trustedSigners (DER certificates) signed its certificate; without trusted signers,
// when the provider's signer filter accepts it and, if asked, its chain validates. Throws
// CPolicyException.
void VerifySignedPolicy(const CPolicyProviderSettings& settings, const CSecureBuffer& encoded,
                        const std::list<CSecureBuffer>& trustedSigners, CSecureBuffer& content);

}  // namespace luma::policy

#endif  // LUMA_POLICY_SIGNED_POLICY_VERIFIER_H_
