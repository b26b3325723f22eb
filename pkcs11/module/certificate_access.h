// What the token reads from a certificate context through CryptoAPI: properties, the SHA-1 hash,
// the key provider information and the display name. Property sizes come from
// the store, which any program of the user may write: they are bounded before anything is read.
#ifndef LUMA_PKCS11_MODULE_CERTIFICATE_ACCESS_H_
#define LUMA_PKCS11_MODULE_CERTIFICATE_ACCESS_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <string>

#include "foundation/win/unique_handle.h"
#include "pkcs11/core/byte_buffer.h"

namespace luma {
namespace pkcs11 {

// The largest certificate property read.
constexpr DWORD kMaxPropertySize = 65536;
// The platform's smart-card provider, compared exactly.
constexpr wchar_t kSmartCardProviderName[] = L"Microsoft Base Smart Card Crypto Provider";

// Size query, then the read; false when either fails or the size is above kMaxPropertySize.
bool readCertificateProperty(PCCERT_CONTEXT certificate, DWORD propertyId, CByteBuffer& out);

// CERT_SHA1_HASH_PROP_ID; empty when it cannot be read.
CByteBuffer certificateHash(PCCERT_CONTEXT certificate);

// The parts of CERT_KEY_PROV_INFO_PROP_ID the token uses.
struct CKeyProviderInfo {
  DWORD keySpec = 0;
  std::wstring providerName;
};
bool readKeyProviderInfo(PCCERT_CONTEXT certificate, CKeyProviderInfo& out);

// Key provider information naming the platform's smart-card provider.
bool isSmartCardCertificate(PCCERT_CONTEXT certificate);

// A copy of the certificate with its properties in a memory store of its own, which lives as long
// as the copy. Objects hold such copies, so that the user's store can be brought up to date while
// they live (CryptoAPI empties a registry store's cache on a resync, and some implementations wait
// for every context of it to be freed first).
luma::CCertContextHandle detachedCopy(PCCERT_CONTEXT certificate);

// CERT_NAME_FRIENDLY_DISPLAY_TYPE (at most 2047 UTF-16 characters) as UTF-8.
std::string friendlyDisplayName(PCCERT_CONTEXT certificate);

}  // namespace pkcs11
}  // namespace luma

#endif  // LUMA_PKCS11_MODULE_CERTIFICATE_ACCESS_H_
