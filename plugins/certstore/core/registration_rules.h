// The portable rules of the store provider's self-registration: the status it answers for a
// failure and the system-store locations its unregistration visits.
#ifndef LUMA_PLUGINS_CERTSTORE_CORE_REGISTRATION_RULES_H_
#define LUMA_PLUGINS_CERTSTORE_CORE_REGISTRATION_RULES_H_

#include <cstdint>

#include "foundation/core/platform.h"

namespace luma::certstore {

constexpr std::int32_t kUnexpectedFailure = static_cast<std::int32_t>(0x8000FFFF);  // E_UNEXPECTED

// A Win32 code from 1 to 0xFFFF becomes its HRESULT, a value that already is a failure HRESULT stays
// as it is, and anything else (0 included: a failure was seen but no reason was left) is E_UNEXPECTED.
std::int32_t HresultFromLastError(DWORD code);

struct StoreLocation {
  DWORD value;
  const char* name;
};

// The eight system-store locations in the order they are visited, ended by a row with value 0.
extern const StoreLocation kStoreLocations[9];

// The name of a location (the location bits of a store's flags); "Unknown store" for any other.
const char* GetLocationName(DWORD location);

}  // namespace luma::certstore

#endif  // LUMA_PLUGINS_CERTSTORE_CORE_REGISTRATION_RULES_H_
