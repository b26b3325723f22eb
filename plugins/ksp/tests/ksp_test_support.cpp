#include "plugins/ksp/tests/ksp_test_support.h"

#include "foundation/core/little_endian.h"
#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/vsc_session_messages.h"
#include "plugins/ksp/core/container_record.h"

using namespace VirtualSmartCardProtocol;

namespace luma::ksp {

CSecureBuffer ContainerInfoRecord(const TestContainer& container) {
  CSecureBuffer record(kContainerInfoSize);
  for (size_t i = 0; i < container.name.size() && i < kContainerNameChars; ++i) {
    record.data[2 * i] = static_cast<BYTE>(container.name[i]);
    record.data[2 * i + 1] = static_cast<BYTE>(container.name[i] >> 8);
  }
  luma::WriteLE32(record.data + 80, container.defaultFlag);
  luma::WriteLE32(record.data + 84, container.keySpec);
  luma::WriteLE32(record.data + 88, container.keyBits);
  return record;
}

CScriptedPipeServer::Script ContainerScript(std::vector<TestContainer> containers) {
  return [containers](const CSecureBuffer& request) {
    const BYTE sessionId[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    switch (luma::plugin::MessageTypeOf(request)) {
      case MessageTypeOpenSession: {
        COpenSessionResponse response;
        response.SetStatus(0);
        response.SetSessionId(CSecureBuffer(16, sessionId));
        response.SetContainerCount(static_cast<DWORD>(containers.size()));
        return ToWire(response);
      }
      case MessageTypeGetContainerInfo: {
        CGetContainerInfoRequest parsed;
        CGetContainerInfoResponse response;
        if (!FromWire(request, parsed) || parsed.GetIndex() >= containers.size()) {
          response.SetStatus(ERROR_INVALID_INDEX);
        } else {
          const TestContainer& container = containers[parsed.GetIndex()];
          response.SetStatus(0);
          response.SetContainerInfo(ContainerInfoRecord(container));
          response.SetKeyInfo(CSecureBuffer(kKeyInfoSize));
          response.SetCertificate(container.certificate);
        }
        return ToWire(response);
      }
      default: {
        CCloseSessionResponse response;
        response.SetStatus(0);
        return ToWire(response);
      }
    }
  };
}

std::unique_ptr<CScriptedPipeServer> ServeContainers(const std::wstring& pipeName,
                                                     std::vector<TestContainer> containers) {
  return std::make_unique<CScriptedPipeServer>(pipeName, ContainerScript(std::move(containers)));
}

size_t CountRequests(const CScriptedPipeServer& server, DWORD type) {
  size_t count = 0;
  for (const CSecureBuffer& request : server.Requests()) {
    if (luma::plugin::MessageTypeOf(request) == type) ++count;
  }
  return count;
}

}  // namespace luma::ksp
