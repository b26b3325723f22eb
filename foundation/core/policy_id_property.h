// The mark of a certificate that lumaPassV provisioned: a user property holding the account key of
// the policy that supplied the certificate (provider name, "/" and user identifier, lower case) as
// UTF-16LE characters. lumaPassV writes it without a terminating zero, the certificate store
// provider with one; every reader accepts both. The PKCS#11 module and the client-certificate
// choice look at its presence alone.
#ifndef LUMA_FOUNDATION_CORE_POLICY_ID_PROPERTY_H_
#define LUMA_FOUNDATION_CORE_POLICY_ID_PROPERTY_H_

#include <cstddef>
#include <cstdint>

#include "foundation/core/platform.h"

// The property id, named as the store lister prints it.
constexpr DWORD LUMAPASSV_POLICY_ID_PROP_ID = 0xA001;

namespace luma {

// Longest value read: an account key is a provider's name and a user identifier, far below this.
constexpr std::size_t kMaxPolicyIdValueSize = 8192;

// The account key a value of the property holds: its UTF-16LE characters up to the first zero
// character or the end; an odd last byte is no character.
WString AccountKeyFromPolicyIdValue(const std::uint8_t* value, std::size_t size);

}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_POLICY_ID_PROPERTY_H_
