// Feeds arbitrary bytes to the key plug-ins' readers of untrusted blocks: the type-2 unpadding of a
// decrypted block, the OAEP checks and the container information record. Beyond not crashing: a
// message is always a proper tail of its block, and a name never exceeds its 40 units.
#include <cstdlib>
#include <cstring>

#include "plugins/common/core/container_record.h"
#include "plugins/common/core/pkcs1_blocks.h"

using namespace luma::plugin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 12) return 0;
  const CSecureBuffer block(static_cast<DWORD>(size), data);

  const CSecureBuffer message = RemovePkcs1Type2Padding(block);
  if (!message.empty() &&
      (message.size + 11 > block.size ||
       std::memcmp(message.data, block.data + block.size - message.size, message.size) != 0)) {
    std::abort();
  }

  if (size > 1) {
    const DWORD hashLength = data[0] % 65;
    const CSecureBuffer labelHash(hashLength < size - 1 ? hashLength : 0, data + 1);
    const CSecureBuffer oaep = ExtractOaepMessage(data[0] & 1, block, labelHash);
    if (oaep.size >= block.size) std::abort();
  }

  if (ParseContainerRecord(block).name.size() > kContainerNameChars) std::abort();
  return 0;
}
