#include "pkcs11/module/entry_frame.h"

#include <cstring>

namespace luma {
namespace pkcs11 {

CArgumentTrace& CArgumentTrace::add(const char* name, Kind kind, CK_ULONG number,
                                    const void* pointer) noexcept {
  if (count < kMaxLines) lines[count++] = Line{name, kind, number, pointer};
  return *this;
}

void CArgumentTrace::write() const noexcept {
  int width = 0;
  for (std::size_t index = 0; index < count; ++index) {
    const int length = static_cast<int>(std::strlen(lines[index].name));
    if (length > width) width = length;
  }
  ++width;
  CModuleDebugLog& log = moduleLog();
  for (std::size_t index = 0; index < count; ++index) {
    const Line& line = lines[index];
    switch (line.kind) {
      case Kind::Number:
        log.print(kLogTrace, "     %-*s%lu", width, line.name, line.number);
        break;
      case Kind::Flags:
        log.print(kLogTrace, "     %-*s0x%08lx", width, line.name, line.number);
        break;
      case Kind::Pointer:
        log.print(kLogTrace, "     %-*s0x%p", width, line.name, line.pointer);
        break;
    }
  }
}

}  // namespace pkcs11
}  // namespace luma
