// The product's PKCS#7 enveloped messages: AES-256-CBC content with a fresh random key and IV,
// the key sent by RSA PKCS#1 v1.5 to one recipient named by issuer and serial number. The same
// bytes a standard implementation makes and reads, built from the provider's primitives on every
// platform (the system's envelope functions are missing or incomplete on some).
#ifndef LUMA_SERVICE_EXCHANGE_MESSAGE_ENVELOPE_H_
#define LUMA_SERVICE_EXCHANGE_MESSAGE_ENVELOPE_H_

#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include "foundation/core/secure_buffer.h"
#include "service/core/enveloped_data.h"

namespace luma {
namespace service {

// Envelopes plain for the recipient certificate. 0 or a Win32 error (random source failure:
// NTE_FAIL); envelope is replaced only on success.
DWORD EncryptEnvelope(PCCERT_CONTEXT recipient, const CSecureBuffer& plain, CSecureBuffer& envelope);

// Opens an envelope addressed to `self` with the exchange key of the key container behind
// `keyContainer`. On any failure plain is emptied and the error is returned: the envelope's fault
// (EnvelopeFaultError), CRYPT_E_NO_DECRYPT_CERT when no recipient is `self`, NTE_BAD_DATA when the
// key or the content does not decrypt, or the provider's error.
DWORD DecryptEnvelope(const CSecureBuffer& envelope, const IssuerAndSerial& self, HCRYPTPROV keyContainer,
                      CSecureBuffer& plain);

// The Win32 error for a fault of the envelope's encoding.
DWORD EnvelopeFaultError(EnvelopeFault fault);

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_EXCHANGE_MESSAGE_ENVELOPE_H_
