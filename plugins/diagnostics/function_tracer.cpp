#include "plugins/diagnostics/function_tracer.h"

namespace {
// The exit line is written from a destructor inside a host process: a text that cannot be made for
// want of memory is left empty rather than let an exception end the process.
std::string ErrorTextOrNothing(DWORD code) noexcept {
  try {
    return luma::diagnostics::getErrorText(code);
  } catch (...) {
    return std::string();
  }
}
}  // namespace

CFunctionTracer::CFunctionTracer(CModuleDebugLog& log, const char* name, TraceExitForm form,
                                 const void* object) noexcept
    : log(log), name(name != nullptr ? name : ""), form(form) {
  if (!log.isOn(kLogTrace)) return;
  if (object != nullptr) {
    log.print(kLogTrace, "-> %s [%p]", this->name, object);
  } else {
    log.print(kLogTrace, "-> %s", this->name);
  }
  startTick = GetTickCount();
}

CFunctionTracer::~CFunctionTracer() {
  if (log.isOn(kLogTrace)) {
    if (endTick == 0) takeEndTick();
    const int elapsed = static_cast<int>(endTick - startTick);
    if (!failed()) {
      log.print(kLogTrace, "<- %s %dms SUCCESS", name, elapsed);
    } else if (form == TraceExitForm::Pkcs11) {
      log.print(kLogTrace, "<- %s %dms PKCS#11 ERROR 0x%08lx (LastError 0x%08lx: %s)", name, elapsed, result,
                lastError, ErrorTextOrNothing(lastError).c_str());
    } else if (form == TraceExitForm::SecurityStatus) {
      log.print(kLogTrace, "<- %s %dms ERROR 0x%08lx: %s (LastError 0x%08lx: %s)", name, elapsed, result,
                ErrorTextOrNothing(result).c_str(), lastError, ErrorTextOrNothing(lastError).c_str());
    } else {
      log.print(kLogTrace, "<- %s %dms ERROR: %s", name, elapsed, ErrorTextOrNothing(lastError).c_str());
    }
  }
  SetLastError(lastError);
}

void CFunctionTracer::takeEndTick() {
  if (log.isOn(kLogTrace)) endTick = GetTickCount();
}

DWORD CFunctionTracer::setResult(DWORD code) noexcept {
  result = code;
  // A CSP entry keeps the thread's last error in every case; the others keep it only for a failure.
  lastError = (form == TraceExitForm::Bool || code != 0) ? GetLastError() : 0;
  takeEndTick();
  return code;
}

DWORD CFunctionTracer::setResult(DWORD code, DWORD error) noexcept {
  result = code;
  lastError = error;
  takeEndTick();
  return code;
}
