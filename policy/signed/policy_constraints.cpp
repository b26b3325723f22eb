#include "policy/signed/policy_constraints.h"

#include "foundation/win/system_utils.h"
#include "policy/core/name_constraint.h"

CPolicyConstraints::CPolicyConstraints(const CSecureBuffer& encoded)
    : CPolicyConstraints(luma::policy::DecodePolicyConstraints(encoded)) {}

CPolicyConstraints::CPolicyConstraints(const luma::policy::PolicyConstraintsFields& fields)
    : version(fields.version), domain(fields.domain), hostname(fields.hostname) {}

bool CPolicyConstraints::IsDomainAllowed() const {
  return domain.empty() || luma::policy::IsNameAllowed(domain, luma::GetJoinedDomainName());
}

bool CPolicyConstraints::IsHostAllowed() const {
  return hostname.empty() || luma::policy::IsNameAllowed(hostname, luma::GetLocalComputerName());
}
