// Writes the seeds of the pipe fuzz targets into the folder given: the serialized default of every
// message class, and for every request that names a session, an OpenSession followed by that
// request on the session the endpoint fuzzer's predictable generator hands out first. The build
// makes them, so they follow the message classes as those change.
#include <cstdio>
#include <string>

#include "foundation/core/message_classes.h"

using namespace VirtualSmartCardProtocol;

namespace {

bool Append(const CSerializableMessage& message, std::string& bytes) {
  CMessageSerialization out;
  CSecureBuffer wire;
  if (!message.Serialize(out) || !out.Serialize(wire)) return false;
  bytes.append(reinterpret_cast<const char*>(wire.data), wire.size);
  return true;
}

bool WriteSeed(const std::string& folder, const std::string& name, const std::string& bytes) {
  std::FILE* file = std::fopen((folder + "/" + name).c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_pipe_seeds <folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  COpenSessionRequest open;
  std::string opening;
  if (!Append(open, opening)) return 1;
  int index = 0;
  for (const auto& message : CreateEveryMessageClass()) {
    std::string alone;
    if (!Append(*message, alone) || !WriteSeed(folder, "class-" + std::to_string(index), alone)) return 1;
    if (auto* request = dynamic_cast<CSessionRequest*>(message.get())) {
      request->SetSessionId(CSecureBuffer(kSessionIdSize, std::string(kSessionIdSize, '\x01').data()));
      std::string conversation = opening;
      if (!Append(*request, conversation) ||
          !WriteSeed(folder, "session-" + std::to_string(index), conversation)) {
        return 1;
      }
    }
    ++index;
  }
  std::printf("make_pipe_seeds: %d message classes\n", index);
  return 0;
}
