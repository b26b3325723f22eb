// The store provider "lumaPassV": its open function and the five callbacks CryptoAPI calls on an
// opened store. The other table entries stay empty, so the store is read-only from CryptoAPI's side.
// Nothing here lets an exception out; each callback answers BOOL with the reason as last error.
#ifndef LUMA_PLUGINS_CERTSTORE_STORE_CALLBACKS_H_
#define LUMA_PLUGINS_CERTSTORE_STORE_CALLBACKS_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

namespace luma::certstore {

constexpr DWORD kStoreProviderFunctionCount = 23;

BOOL OpenStoreProvider(LPCSTR storeProvider, DWORD flags, PCERT_STORE_PROV_INFO storeProvInfo) noexcept;

void WINAPI LumaPassCertStoreProvClose(HCERTSTOREPROV storeProv, DWORD flags);
BOOL WINAPI LumaPassCertStoreProvReadCert(HCERTSTOREPROV storeProv, PCCERT_CONTEXT storeCertContext,
                                          DWORD flags, PCCERT_CONTEXT* provCertContext);
BOOL WINAPI LumaPassCertStoreProvFindCert(HCERTSTOREPROV storeProv, PCCERT_STORE_PROV_FIND_INFO findInfo,
                                          PCCERT_CONTEXT prevCertContext, DWORD flags,
                                          void** storeProvFindInfo, PCCERT_CONTEXT* provCertContext);
BOOL WINAPI LumaPassCertStoreProvFreeFindCert(HCERTSTOREPROV storeProv, PCCERT_CONTEXT certContext,
                                              void* storeProvFindInfo, DWORD flags);
BOOL WINAPI LumaPassCertStoreProvControl(HCERTSTOREPROV storeProv, DWORD flags, DWORD ctrlType,
                                         void const* ctrlPara);

// The certificate of `store` with the same SHA-1 hash, owned by the caller; null when none.
PCCERT_CONTEXT FindCorrespondingCertificate(HCERTSTORE store, PCCERT_CONTEXT certificate) noexcept;

// Writes the module's and the host's versions once per process (only the first call does anything,
// even when the log is off).
void LogVersionBanner() noexcept;

}  // namespace luma::certstore

#endif  // LUMA_PLUGINS_CERTSTORE_STORE_CALLBACKS_H_
