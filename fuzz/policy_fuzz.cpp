// Feeds arbitrary bytes to the signed policy's content decoder: a policy, and each certificate
// policy it lists, either decodes or fails with a message; nothing else may happen.
#include <cstdlib>

#include "policy/core/policy_decoder.h"
#include "policy/core/policy_exception.h"

namespace {

void DecodeWhole(const CSecureBuffer& content) {
  const luma::policy::PolicyFields policy = luma::policy::DecodePolicy(content);
  if (policy.version != 1) std::abort();
  for (const CSecureBuffer& encoded : policy.certificatePolicies) {
    const luma::policy::CertificatePolicyFields certificate = luma::policy::DecodeCertificatePolicy(encoded);
    if (certificate.version != 1 || certificate.certificateType.bits > 0xFF) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  const CSecureBuffer content(static_cast<DWORD>(size), data);
  try {
    DecodeWhole(content);
  } catch (const CPolicyException& error) {
    if (error.GetMessage().empty()) std::abort();
  }
  // The structures below the policy decode on their own as well.
  try {
    luma::policy::DecodePinPolicy(content);
  } catch (const CPolicyException&) {
  }
  try {
    luma::policy::DecodePolicyConstraints(content);
  } catch (const CPolicyException&) {
  }
  try {
    luma::policy::DecodeCertificateConstraints(content);
  } catch (const CPolicyException&) {
  }
  return 0;
}
