// Where and how the service writes a provisioned certificate: the store each provider's
// certificates go to, the texts of their friendly names, the bytes of the mark that tells the
// system's other parts that a certificate came from the virtual card, and the small rules the
// protocol handler applies to sessions and container records.
#ifndef LUMA_SERVICE_CORE_CERT_STORE_TARGET_H_
#define LUMA_SERVICE_CORE_CERT_STORE_TARGET_H_

#include "foundation/core/platform.h"
#include "foundation/core/secure_buffer.h"

namespace luma::service {

// The user's own store location (CERT_SYSTEM_STORE_CURRENT_USER).
constexpr DWORD kCurrentUserStoreLocation = 0x10000;

enum class CertStoreProvider {
  kPhysical,  // CERT_STORE_PROV_PHYSICAL_W: a system store's default physical store
  kSystem,    // CERT_STORE_PROV_SYSTEM_W: the name as configured
};

struct CertStoreTarget {
  CertStoreProvider provider = CertStoreProvider::kPhysical;
  WString openName;    // the name handed to the store provider
  WString systemName;  // the system store behind it (the configured name)
  DWORD flags = 0;     // the store location flags
};

// The configured store name and location flags as the provisioning opens them: the store
// "lumaPassV" (any case) always lives in the user's location; a name holding a backslash is
// opened unchanged as a system store; any other name through its default physical store
// (name + "\.Default").
CertStoreTarget SelectCertStoreTarget(const WString& configuredName, DWORD configuredFlags);

// The account key as UTF-16LE code units, without a terminating zero.
CSecureBuffer PolicyIdPropertyBytes(const WString& accountKey);

// The part of a provisioned certificate's friendly name that names its origin: the provider's
// own prefix and a blank, or the program's prefix when the provider has none.
WString FriendlyNamePrefixText(const WString& providerPrefix, const WString& programPrefix);
// True when the name begins with the prefix text; an empty prefix matches nothing, so that a
// clean-up by prefix never takes foreign certificates.
bool HasFriendlyNamePrefix(const WString& friendlyName, const WString& prefixText);

// The order of the virtual card's containers: certificates of one policy by their friendly names,
// otherwise by the policies' user identifiers; UTF-16 code units compared as numbers.
bool ContainerComesBefore(bool samePolicy, const WString& friendlyNameA, const WString& friendlyNameB,
                          const WString& userIdA, const WString& userIdB);

// A session counts as local when its computer name equals this computer's name apart from ASCII
// case; an empty name is local only when this computer's own name is unknown (empty) as well.
bool IsLocalSession(const WString& sessionComputerName, const WString& ownComputerName);
// The path names a program file called "lsass.exe" or ending with those characters, any case.
bool EndsWithLsass(const WString& processPath);

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_CERT_STORE_TARGET_H_
