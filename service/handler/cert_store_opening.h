// Opens a provider's target certificate store for the provisioning.
#ifndef LUMA_SERVICE_HANDLER_CERT_STORE_OPENING_H_
#define LUMA_SERVICE_HANDLER_CERT_STORE_OPENING_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include "foundation/win/unique_handle.h"
#include "service/core/cert_store_target.h"

namespace luma::service {

// The target as selected. A system store's default physical store is its registry store: where the
// physical-store provider does not open it (not every platform implements that provider), the
// same store is opened through the system-registry provider. Empty on failure, error then holds
// the last error.
luma::CCertStoreHandle OpenTargetCertStore(const CertStoreTarget& target, DWORD& error);

// Writes the store's changes through before the handle goes (a system store opened as a
// collection may otherwise keep deletions in memory).
void CommitCertStore(HCERTSTORE store);

}  // namespace luma::service

#endif  // LUMA_SERVICE_HANDLER_CERT_STORE_OPENING_H_
