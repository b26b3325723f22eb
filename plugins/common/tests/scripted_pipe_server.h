// A named-pipe server inside the test process that answers as a scripted lumaPassV would: every
// request is recorded and its reply comes from the test's script.
#ifndef LUMA_PLUGINS_COMMON_TESTS_SCRIPTED_PIPE_SERVER_H_
#define LUMA_PLUGINS_COMMON_TESTS_SCRIPTED_PIPE_SERVER_H_

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/core/secure_buffer.h"
#include "foundation/win/unique_handle.h"

namespace luma::plugin {

// A pipe name no other test process uses.
std::wstring UniqueTestPipeName();

}  // namespace luma::plugin

class CScriptedPipeServer {
 public:
  // Gets the request bytes, returns the reply bytes. Calls are serialised, so a script may keep state.
  using Script = std::function<CSecureBuffer(const CSecureBuffer& request)>;

  // The instances listen when the constructor returns; keep as many as clients call at once, since
  // Wine's CallNamedPipeW gives up on a busy pipe after one retry.
  CScriptedPipeServer(const std::wstring& pipeName, Script script, int instances = 2);
  ~CScriptedPipeServer();
  CScriptedPipeServer(const CScriptedPipeServer&) = delete;
  CScriptedPipeServer& operator=(const CScriptedPipeServer&) = delete;

  std::vector<CSecureBuffer> Requests() const;

 private:
  void Serve(HANDLE pipe);
  bool WaitFor(HANDLE pipe, OVERLAPPED& overlapped, BOOL started, DWORD& transferred);

  Script script;
  luma::CKernelHandle stopEvent;
  std::vector<luma::CKernelHandle> pipes;
  std::vector<std::thread> threads;
  mutable std::mutex lock;
  std::vector<CSecureBuffer> requests;
};

namespace luma::plugin {

// The type id of an encoded message; 0 when it cannot be read.
DWORD MessageTypeOf(const CSecureBuffer& bytes);

}  // namespace luma::plugin

#endif  // LUMA_PLUGINS_COMMON_TESTS_SCRIPTED_PIPE_SERVER_H_
