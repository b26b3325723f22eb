// Names of the policy files in a provider's policy store: "<provider>-<8 hex digits>.policy", all in
// lower case, where the digits begin the digest of the account's upper-cased userId.
#ifndef LUMA_POLICY_CORE_POLICY_FILE_NAME_H_
#define LUMA_POLICY_CORE_POLICY_FILE_NAME_H_

#include "foundation/core/platform.h"

namespace luma::policy {

// folder + "\" + provider + "-" + the first 8 digits of userIdDigestHex + ".policy", lower-cased in
// the ASCII range.
WString MakePolicyFilePath(const WString& folder, const WString& providerName,
                           const WString& userIdDigestHex);

// The pattern that lists the candidate files of a provider ("<folder>\<provider>-*.policy").
WString MakePolicyFileSearchPattern(const WString& folder, const WString& providerName);

// True only for the exact form this program writes for that provider, without regard to ASCII case;
// so the files of a provider whose name merely begins with "<provider>-" are not taken.
bool IsPolicyFileNameOf(const WString& providerName, const WString& fileName);

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_POLICY_FILE_NAME_H_
