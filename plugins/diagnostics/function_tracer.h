// Entry and exit tracing of an exported entry point, with the elapsed milliseconds and the result.
#ifndef LUMA_PLUGINS_DIAGNOSTICS_FUNCTION_TRACER_H_
#define LUMA_PLUGINS_DIAGNOSTICS_FUNCTION_TRACER_H_

#include "plugins/diagnostics/module_debug_log.h"

// How a module reports its results in the exit line.
enum class TraceExitForm {
  Pkcs11,          // CK_RV: 0 is success; "... PKCS#11 ERROR 0x%08x (LastError 0x%08x: %s)"
  SecurityStatus,  // SECURITY_STATUS: 0 is success; "... ERROR 0x%08x: %s (LastError 0x%08x: %s)"
  Bool,            // BOOL with the last error: non-zero is success; "... ERROR: %s"
};

// A local object at the top of an entry point. Every return passes its value through setResult; the
// destructor writes the exit line and leaves the recorded last error as the thread's last error.
// Nothing here throws: an exit line whose error text cannot be made for want of memory goes without it.
class CFunctionTracer {
 public:
  // `object` non-null adds " [%p]" to the entry line (the traced operations of a context object).
  CFunctionTracer(CModuleDebugLog& log, const char* name, TraceExitForm form = TraceExitForm::Pkcs11,
                  const void* object = nullptr) noexcept;
  virtual ~CFunctionTracer();
  CFunctionTracer(const CFunctionTracer&) = delete;
  CFunctionTracer& operator=(const CFunctionTracer&) = delete;

  // Records the result with the thread's last error as it stands (a successful CK_RV or
  // SECURITY_STATUS records 0) and returns the result.
  DWORD setResult(DWORD code) noexcept;
  // Records the result and the given last error.
  DWORD setResult(DWORD code, DWORD error) noexcept;

  DWORD getResult() const { return result; }
  DWORD getLastError() const { return lastError; }

 private:
  bool failed() const { return form == TraceExitForm::Bool ? result == 0 : result != 0; }
  void takeEndTick();

  CModuleDebugLog& log;
  const char* name;
  TraceExitForm form;
  DWORD startTick = 0;
  DWORD endTick = 0;
  DWORD result = 0;
  DWORD lastError = 0;
};

#endif  // LUMA_PLUGINS_DIAGNOSTICS_FUNCTION_TRACER_H_
