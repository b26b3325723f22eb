// The Authenticode signer of a file, which decides which trust DLLs of the providers are accepted.
#ifndef LUMA_FOUNDATION_WIN_FILE_SIGNER_H_
#define LUMA_FOUNDATION_WIN_FILE_SIGNER_H_

#include <windows.h>

#include <string>

#include "foundation/core/secure_buffer.h"

namespace luma {

// The DER encoding of the certificate that signed the file, when the system trusts the file's
// signature; empty for an unsigned, untrusted, altered or missing file.
CSecureBuffer GetFileSignerCertificate(const std::wstring& path);

// The two steps of GetFileSignerCertificate. VerifyFileTrust gives WinVerifyTrust's result (0 when
// trusted); ReadFileSignerCertificate reads the embedded signature's verified signer, trusted or not.
LONG VerifyFileTrust(const std::wstring& path);
CSecureBuffer ReadFileSignerCertificate(const std::wstring& path);

}  // namespace luma

#endif  // LUMA_FOUNDATION_WIN_FILE_SIGNER_H_
