// The keywords of the list syntax's usage items: key-usage names (RFC 5280) and the short names of
// common enhanced key usages. Both are looked up without regard to letter case.
#ifndef LUMA_POLICY_CORE_LEGACY_KEYWORD_TABLES_H_
#define LUMA_POLICY_CORE_LEGACY_KEYWORD_TABLES_H_

#include <cstdint>

#include "foundation/core/platform.h"

namespace luma::policy {

// The bit of a key-usage keyword in the 32-bit value CertGetIntendedKeyUsage fills (first byte of the
// bit string lowest, so "decipherOnly" is 0x8000); 0 for a word outside the table.
std::uint32_t KeyUsageMaskOf(const WString& keyword);

// The object identifier of an enhanced-key-usage keyword; a word outside the table is taken as an
// object identifier itself and given back as written.
WString EnhancedKeyUsageOidOf(const WString& keyword);

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_LEGACY_KEYWORD_TABLES_H_
