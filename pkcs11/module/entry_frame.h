// What every exported entry point does around its own work: the tracer, one level-5 line per
// argument, the initialisation check and a boundary that lets no exception out.
#ifndef LUMA_PKCS11_MODULE_ENTRY_FRAME_H_
#define LUMA_PKCS11_MODULE_ENTRY_FRAME_H_

#include <cstddef>

#include "pkcs11/core/cryptoki.h"
#include "pkcs11/module/module_log.h"
#include "pkcs11/module/module_state.h"
#include "plugins/diagnostics/entry_boundary.h"

namespace luma {
namespace pkcs11 {

// The argument lines of one call: each name padded with blanks to the longest name plus one.
// Collected first and written by write(); nothing here allocates or throws.
class CArgumentTrace {
 public:
  CArgumentTrace& number(const char* name, CK_ULONG value) { return add(name, Kind::Number, value, nullptr); }
  CArgumentTrace& flags(const char* name, CK_FLAGS value) { return add(name, Kind::Flags, value, nullptr); }
  CArgumentTrace& pointer(const char* name, const void* value) { return add(name, Kind::Pointer, 0, value); }
  void write() const noexcept;

 private:
  enum class Kind { Number, Flags, Pointer };
  struct Line {
    const char* name;
    Kind kind;
    CK_ULONG number;
    const void* pointer;
  };
  static constexpr std::size_t kMaxLines = 8;

  CArgumentTrace& add(const char* name, Kind kind, CK_ULONG number, const void* pointer) noexcept;

  Line lines[kMaxLines] = {};
  std::size_t count = 0;
};

using luma::diagnostics::RunAtBoundary;

// An entry point's body answers with its CK_RV; CKR_HOST_MEMORY when memory ran out and
// CKR_GENERAL_ERROR for any other failure, each recorded by the tracer.
struct CkStatus : luma::diagnostics::FixedFailureStatus<CK_RV, CKR_HOST_MEMORY, CKR_GENERAL_ERROR> {
  static CK_RV Record(CFunctionTracer& tracer, Status rv) noexcept { return tracer.setResult(rv); }
};

// The common frame: tracer, argument lines, CKR_CRYPTOKI_NOT_INITIALIZED before anything else, then
// the body. `describe` fills the argument lines.
template <typename Describe, typename Body>
CK_RV runInitialisedEntry(const char* name, Describe&& describe, Body&& body) noexcept {
  CFunctionTracer tracer(moduleLog(), name);
  return RunAtBoundary<CkStatus>(tracer, [&]() -> CK_RV {
    if (moduleLog().isOn(kLogTrace)) {
      CArgumentTrace arguments;
      describe(arguments);
      arguments.write();
    }
    if (!moduleState().isInitialised()) return CKR_CRYPTOKI_NOT_INITIALIZED;
    return body();
  });
}

}  // namespace pkcs11
}  // namespace luma

#endif  // LUMA_PKCS11_MODULE_ENTRY_FRAME_H_
