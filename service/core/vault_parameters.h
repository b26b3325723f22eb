// The DER parameters of the service's PIN-bearing operations: one SEQUENCE of the alias
// (IA5String), PINs (UTF8String from UTF-16 units) and data (OCTET STRING), in call order.
#ifndef LUMA_SERVICE_CORE_VAULT_PARAMETERS_H_
#define LUMA_SERVICE_CORE_VAULT_PARAMETERS_H_

#include <vector>

#include "foundation/core/platform.h"
#include "foundation/core/secure_buffer.h"

namespace luma::service {

// Each appends one element's encoding to out; false (out unchanged) for a character the type
// cannot hold (IA5: above U+007F; UTF-8: an unpaired surrogate or an odd byte count) or no memory.
bool AppendIa5String(const WString& text, CSecureBuffer& out);
bool AppendUtf8String(const CSecureBuffer& utf16Units, CSecureBuffer& out);
bool AppendOctetString(const CSecureBuffer& bytes, CSecureBuffer& out);

// The SEQUENCE around the element encodings; false (out unchanged) when too long.
bool WrapSequence(const CSecureBuffer& elements, CSecureBuffer& out);

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_VAULT_PARAMETERS_H_
