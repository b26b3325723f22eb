#include "plugins/certstore/core/registration_rules.h"

namespace luma::certstore {

const StoreLocation kStoreLocations[9] = {
    {0x40000, "CERT_SYSTEM_STORE_CURRENT_SERVICE"},
    {0x10000, "CERT_SYSTEM_STORE_CURRENT_USER"},
    {0x20000, "CERT_SYSTEM_STORE_LOCAL_MACHINE"},
    {0x50000, "CERT_SYSTEM_STORE_SERVICES"},
    {0x60000, "CERT_SYSTEM_STORE_USERS"},
    {0x70000, "CERT_SYSTEM_STORE_CURRENT_USER_GROUP_POLICY"},
    {0x80000, "CERT_SYSTEM_STORE_LOCAL_MACHINE_GROUP_POLICY"},
    {0x90000, "CERT_SYSTEM_STORE_LOCAL_MACHINE_ENTERPRISE"},
    {0, nullptr},
};

std::int32_t HresultFromLastError(DWORD code) {
  if (code >= 1 && code <= 0xFFFF) return static_cast<std::int32_t>(0x80070000u | code);
  if (static_cast<std::int32_t>(code) < 0) return static_cast<std::int32_t>(code);
  return kUnexpectedFailure;
}

const char* GetLocationName(DWORD location) {
  for (const StoreLocation* row = kStoreLocations; row->value != 0; ++row) {
    if (row->value == location) return row->name;
  }
  return "Unknown store";
}

}  // namespace luma::certstore
