// Certificate-property access of the store provider. Every property the fill writes and every one
// the change check reads goes through CCertificateProperties, so that a platform that keeps only a
// fixed list of property ids can still be tested above it.
#ifndef LUMA_PLUGINS_CERTSTORE_CERTIFICATE_PROPERTIES_H_
#define LUMA_PLUGINS_CERTSTORE_CERTIFICATE_PROPERTIES_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include "foundation/core/policy_id_property.h"
#include "foundation/core/secure_buffer.h"
#include "foundation/win/unique_handle.h"
#include "plugins/certstore/core/certificate_identity.h"

namespace luma::certstore {

// Property values come from a store any program of the user may write: larger ones are not read.
constexpr DWORD kMaxPropertySize = 65536;
constexpr DWORD kSha1HashSize = 20;

class CCertificateProperties {
 public:
  // As CertSetCertificateContextProperty: `value` is a CRYPT_KEY_PROV_INFO for the key provider
  // information, else a CRYPT_DATA_BLOB.
  virtual bool Set(PCCERT_CONTEXT certificate, DWORD id, DWORD flags, const void* value) noexcept = 0;
  // Size query, then the read into `value` (which the key provider information's pointers then
  // point into). False, with `value` empty, when the property is absent, unreadable or too large.
  virtual bool Get(PCCERT_CONTEXT certificate, DWORD id, CSecureBuffer& value) noexcept = 0;

 protected:
  CCertificateProperties() = default;
  ~CCertificateProperties() = default;
};

// CryptoAPI's own properties.
CCertificateProperties& SystemCertificateProperties() noexcept;

// The key provider information and the three compared properties. Throws std::bad_alloc only.
CertificateIdentity ReadIdentity(CCertificateProperties& properties, PCCERT_CONTEXT certificate);

// CERT_SHA1_HASH_PROP_ID (20 bytes); empty when it cannot be read.
CSecureBuffer GetSha1Hash(PCCERT_CONTEXT certificate) noexcept;

// The store's certificate with that SHA-1 hash, or none.
luma::CCertContextHandle FindBySha1Hash(HCERTSTORE store, const CSecureBuffer& hash) noexcept;

}  // namespace luma::certstore

#endif  // LUMA_PLUGINS_CERTSTORE_CERTIFICATE_PROPERTIES_H_
