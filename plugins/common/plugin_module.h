// The module-wide frame of a key plug-in (the key storage provider and the CSP): its debug log, the
// pool of the handles it hands out, the pipe its new contexts talk to, and its unload.
#ifndef LUMA_PLUGINS_COMMON_PLUGIN_MODULE_H_
#define LUMA_PLUGINS_COMMON_PLUGIN_MODULE_H_

#include <string>

#include "plugins/common/object_pool.h"
#include "plugins/common/user_pipe_name.h"
#include "plugins/diagnostics/module_debug_log.h"
#include "plugins/diagnostics/unload_only_object.h"

namespace luma::plugin {

// Names the pipe that new contexts talk to.
using PipeNameFunction = std::wstring (*)();

// ModuleName is also the log's registry key; Handle and Context are the pool's entries. The log and
// the pool are made at their first use, so a module that is only loaded makes neither.
template <typename Handle, typename Context, const char* ModuleName>
class CPluginModule {
 public:
  using Pool = CObjectPool<Handle, Context>;

  static CModuleDebugLog& Log() {
    static CModuleDebugLog log(ModuleName);
    return log;
  }

  // Destroyed by the module's unload only: at process exit its contexts would close their sessions
  // through a pipe call under the loader lock, and release keys into providers (rsaenh) that may
  // be detached already.
  static Pool& Handles() { return pool.Get(); }

  // lumaPassV's per-user pipe, unless a program that links the provider logic directly (its tests)
  // names another; null restores the user's pipe.
  static void SetPipeNameFunction(PipeNameFunction function) noexcept {
    pipeNameFunction = function ? function : &GetUserPipeName;
  }
  static std::wstring CurrentPipeName() { return pipeNameFunction(); }

  // DLL_PROCESS_DETACH. At process exit only local work: the log is shut down and the contexts stay
  // to the end of the process (its other threads are gone, possibly mid-call, and the DLLs a context
  // would call may be detached already). On FreeLibrary the handles still open are dropped (closing
  // their sessions), the log is shut down and the pool destroyed.
  static void Detach(bool processTerminating) noexcept {
    if (processTerminating) {
      Log().shutdown();
      return;
    }
    if (!Handles().IsEmpty()) {
      Log().print(kLogDetail, "DLL_PROCESS_DETACH called while still having active contexts");
      Handles().Clear();
    }
    Log().shutdown();
    pool.Destroy();
  }

 private:
  static inline PipeNameFunction pipeNameFunction = &GetUserPipeName;
  static inline luma::diagnostics::CUnloadOnlyObject<Pool> pool;
};

}  // namespace luma::plugin

#endif  // LUMA_PLUGINS_COMMON_PLUGIN_MODULE_H_
