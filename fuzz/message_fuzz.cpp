// Feeds arbitrary bytes to the wire-format reader and to every message class. Whatever parses must
// serialize again and parse back to the same bytes.
#include <cstdlib>
#include <memory>
#include <vector>

#include "foundation/core/message_classes.h"

namespace {
void CheckMessage(VirtualSmartCardProtocol::CSerializableMessage& message, const CSecureBuffer& wire) {
  CMessageSerialization in;
  DWORD consumed = 0;
  if (!in.Deserialize(wire, consumed) || !message.Deserialize(in)) return;
  CMessageSerialization out;
  CSecureBuffer bytes;
  if (!message.Serialize(out) || !out.Serialize(bytes)) std::abort();
  CMessageSerialization again;
  if (!again.Deserialize(bytes, consumed) || consumed != bytes.size || !message.Deserialize(again))
    std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  const CSecureBuffer wire(static_cast<DWORD>(size), data);
  CMessageSerialization s;
  DWORD consumed = 0;
  if (s.Deserialize(wire, consumed)) {
    if (consumed > wire.size) std::abort();
    CSecureBuffer round;
    if (!s.Serialize(round)) std::abort();
  }
  for (auto& message : VirtualSmartCardProtocol::CreateEveryMessageClass()) CheckMessage(*message, wire);
  return 0;
}
