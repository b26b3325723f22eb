// The container information record that lumaPassV sends for each key container, as the key plug-ins
// read it, and the case folding of container names.
#ifndef LUMA_PLUGINS_COMMON_CORE_CONTAINER_RECORD_H_
#define LUMA_PLUGINS_COMMON_CORE_CONTAINER_RECORD_H_

#include "foundation/core/secure_buffer.h"

namespace luma::plugin {

constexpr DWORD kContainerInfoSize = 92;  // name (40 UTF-16 units), defaultFlag, keySpec, keyBits
constexpr DWORD kKeyInfoSize = 24;
constexpr DWORD kContainerNameChars = 40;
constexpr DWORD kAtKeyExchange = 1;
constexpr DWORD kAtSignature = 2;

struct ContainerRecord {
  WString name;  // up to the first zero, never more than 40 units
  DWORD defaultFlag = 0;
  DWORD keySpec = 0;
  DWORD keyBits = 0;
};

// A record shorter than 92 bytes reads as 92 zero bytes: an empty name, key spec 0 and length 0.
ContainerRecord ParseContainerRecord(const CSecureBuffer& record);

// The characters A to Z become a to z; every other unit stays.
WString ToLowerWide(const WString& text);

}  // namespace luma::plugin

#endif  // LUMA_PLUGINS_COMMON_CORE_CONTAINER_RECORD_H_
