// One key container as the key plug-ins keep it: the records lumaPassV sent for it and the public
// keys decoded from its certificate. Read-only once built.
#ifndef LUMA_PLUGINS_COMMON_KEY_CONTAINER_H_
#define LUMA_PLUGINS_COMMON_KEY_CONTAINER_H_

#include <windows.h>

#include <memory>
#include <string>

#include "foundation/core/secure_buffer.h"

class CKeyContainer {
 public:
  virtual ~CKeyContainer() = default;

  CSecureBuffer containerInfo;  // 92 bytes
  CSecureBuffer keyInfo;        // 24 bytes, kept, not read here
  CSecureBuffer certificate;    // DER, may be empty
  CSecureBuffer cngPublicKey;   // BCRYPT_RSAKEY_BLOB of the certificate's key
  CSecureBuffer capiPublicKey;  // PUBLICKEYBLOB with CALG_RSA_SIGN or CALG_RSA_KEYX
  std::wstring name;            // read from containerInfo
  DWORD defaultFlag = 0;
  DWORD keySpec = 0;
  DWORD keyBits = 0;
};

namespace luma::plugin {

// A container from the three records of a GetContainerInfo answer: a record shorter than its size
// reads as that many zero bytes. Throws std::bad_alloc only.
std::shared_ptr<CKeyContainer> MakeKeyContainer(const CSecureBuffer& containerInfo,
                                                const CSecureBuffer& keyInfo, CSecureBuffer certificate);

// Fills the two public-key blobs of a container from its certificate; a certificate that cannot be
// parsed, or a key that cannot be decoded into 2048 bytes, leaves the blob concerned empty.
void DecodePublicKeys(CKeyContainer& container);

}  // namespace luma::plugin

#endif  // LUMA_PLUGINS_COMMON_KEY_CONTAINER_H_
