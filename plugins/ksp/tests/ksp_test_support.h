// A scripted lumaPassV for the provider tests: it opens sessions with a given list of key
// containers, answers GetContainerInfo by index and CloseSession, and records what it was sent.
#ifndef LUMA_PLUGINS_KSP_TESTS_KSP_TEST_SUPPORT_H_
#define LUMA_PLUGINS_KSP_TESTS_KSP_TEST_SUPPORT_H_

#include <memory>
#include <string>
#include <vector>

#include "plugins/common/tests/scripted_pipe_server.h"

namespace luma::ksp {

struct TestContainer {
  std::wstring name;
  DWORD keySpec;
  DWORD keyBits;
  CSecureBuffer certificate;
  DWORD defaultFlag = 0;
};

// The 92-byte record lumaPassV sends for a container.
CSecureBuffer ContainerInfoRecord(const TestContainer& container);

// The script of a lumaPassV with these containers: OpenSession, GetContainerInfo by index, and
// status 0 for anything else.
CScriptedPipeServer::Script ContainerScript(std::vector<TestContainer> containers);

// Serves the containers on the pipe; every request is recorded.
std::unique_ptr<CScriptedPipeServer> ServeContainers(const std::wstring& pipeName,
                                                     std::vector<TestContainer> containers);

// How many requests of the type the server received.
size_t CountRequests(const CScriptedPipeServer& server, DWORD type);

}  // namespace luma::ksp

#endif  // LUMA_PLUGINS_KSP_TESTS_KSP_TEST_SUPPORT_H_
