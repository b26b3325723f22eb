// Feeds arbitrary bytes to the reader of what a CKM_RSA_PKCS signature is asked to sign. A
// DigestInfo it accepts carries its hash at the end, at most the input's length; a known algorithm
// has its CNG name and the hash length it names.
#include <cstdlib>
#include <cstring>

#include "pkcs11/core/digest_info.h"

using namespace luma::pkcs11;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const CByteBuffer input(size, data);
  CSignedDigest digest;
  if (parseSignedDigest(input, digest) != CKR_OK) return 0;
  if (digest.hash.size() > size) std::abort();
  if (digest.hash.size() != 0 &&
      std::memcmp(digest.hash.data(), data + size - digest.hash.size(), digest.hash.size()) != 0) {
    std::abort();
  }
  if (digest.algId == kAlgSsl3ShaMd5 && digest.hash.size() != kSsl3HashPairSize) std::abort();
  return 0;
}
