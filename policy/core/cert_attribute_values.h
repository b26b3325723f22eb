// The portable pieces of the certificate attributes: the value-list splitter, the keyword tables,
// hexadecimal identifiers and the day counts of the validity period.
#ifndef LUMA_POLICY_CORE_CERT_ATTRIBUTE_VALUES_H_
#define LUMA_POLICY_CORE_CERT_ATTRIBUTE_VALUES_H_

#include <cstddef>
#include <cstdint>
#include <set>

#include "foundation/core/platform.h"

namespace luma::cert_values {

// The comma-separated items of a value, each trimmed and in upper case. An empty item before a
// comma is kept (as the empty text); duplicates collapse.
std::set<WString> ParseValueList(const WString& text);

// Two upper-case hexadecimal digits per byte, in stored order or from the last byte to the first.
WString FormatHexBytes(const BYTE* bytes, std::size_t count, bool reversed);

// True when every character is one of ".0123456789" (the empty text too): a dotted identifier.
bool IsDottedDigits(const WString& text);

// Keyword tables, looked up with the upper-case keyword. Each answers false for an unknown one.
bool LookupKeyUsageBit(const WString& upperKeyword, DWORD& bit);
bool LookupExtendedKeyUsageOid(const WString& upperName, WString& oid);
bool LookupKeyTypeOid(const WString& upperName, WString& oid);

// FILETIME ticks (100 ns since 1601) as whole seconds.
constexpr std::int64_t TicksToSeconds(std::uint64_t ticks) {
  return static_cast<std::int64_t>(ticks / 10000000u);
}

// Whole days from NotBefore to NotAfter, in 64-bit arithmetic so that dates up to 9999 count
// right; 0 for a period that ends before it begins. Saturates at the largest 32-bit number.
std::int32_t LifetimeDays(std::int64_t notBeforeSeconds, std::int64_t notAfterSeconds);

// Whole days left until NotAfter: 0 when now is not before NotAfter, at least 1 otherwise.
std::int32_t RemainingLifetimeDays(std::int64_t notAfterSeconds, std::int64_t nowSeconds);

}  // namespace luma::cert_values

#endif  // LUMA_POLICY_CORE_CERT_ATTRIBUTE_VALUES_H_
