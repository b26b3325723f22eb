#include "plugins/common/core/container_record.h"

#include "foundation/core/little_endian.h"

namespace luma::plugin {

namespace {
constexpr DWORD kDefaultFlagOffset = 80;
constexpr DWORD kKeySpecOffset = 84;
constexpr DWORD kKeyBitsOffset = 88;
}  // namespace

ContainerRecord ParseContainerRecord(const CSecureBuffer& record) {
  ContainerRecord parsed;
  if (record.size < kContainerInfoSize) return parsed;
  for (DWORD i = 0; i < kContainerNameChars; ++i) {
    const WCHAR unit = static_cast<WCHAR>(record.data[2 * i] | record.data[2 * i + 1] << 8);
    if (unit == 0) break;
    parsed.name.push_back(unit);
  }
  parsed.defaultFlag = luma::ReadLE32(record.data + kDefaultFlagOffset);
  parsed.keySpec = luma::ReadLE32(record.data + kKeySpecOffset);
  parsed.keyBits = luma::ReadLE32(record.data + kKeyBitsOffset);
  return parsed;
}

WString ToLowerWide(const WString& text) {
  WString lower(text);
  for (auto& unit : lower) {
    if (unit >= 'A' && unit <= 'Z') unit = static_cast<WCHAR>(unit - 'A' + 'a');
  }
  return lower;
}

}  // namespace luma::plugin
