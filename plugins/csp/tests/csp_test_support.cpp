#include "plugins/csp/tests/csp_test_support.h"

#include <gtest/gtest.h>

#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/vsc_session_messages.h"

namespace luma::csp {

std::vector<std::wstring> ReaderNames(const CScriptedPipeServer& server) {
  std::vector<std::wstring> names;
  for (const CSecureBuffer& request : server.Requests()) {
    VirtualSmartCardProtocol::COpenSessionRequest openSession;
    if (luma::plugin::MessageTypeOf(request) == VirtualSmartCardProtocol::MessageTypeOpenSession &&
        FromWire(request, openSession)) {
      names.push_back(openSession.GetReaderName());
    }
  }
  return names;
}

void RegisterBothProviders() {
  const std::wstring folder = ProgramFolder();
  // The copy is made anew, so that it is the DLL just built, unless another test program has it loaded.
  const std::wstring copy = folder + L"lumaPassRSACSP.dll";
  ASSERT_TRUE(CopyFileW((folder + L"lumaPassCSP.dll").c_str(), copy.c_str(), FALSE) ||
              GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(0u, RunRegsvr32(folder + L"lumaPassCSP.dll"));
  ASSERT_EQ(0u, RunRegsvr32(folder + L"lumaPassRSACSP.dll"));
}

}  // namespace luma::csp
