// A PKCS#7 signed message made through CryptoAPI with a certificate's private key, wherever that key
// lives (a software container or a smart card provider such as lumaPassCSP).
#ifndef LUMA_FOUNDATION_WIN_MESSAGE_SIGNING_H_
#define LUMA_FOUNDATION_WIN_MESSAGE_SIGNING_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include "foundation/core/secure_buffer.h"

namespace luma {

// Signs the content with SHA-256 by the signer certificate's key (CryptSignMessage); the message
// carries the signer's certificate, and the content itself unless detached. Answers 0 and the DER
// message, or CryptSignMessage's error.
DWORD SignMessageSha256(PCCERT_CONTEXT signer, const BYTE* content, DWORD contentSize, bool detached,
                        CSecureBuffer& message);

}  // namespace luma

#endif  // LUMA_FOUNDATION_WIN_MESSAGE_SIGNING_H_
