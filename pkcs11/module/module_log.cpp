#include "pkcs11/module/module_log.h"

namespace luma {
namespace pkcs11 {

CModuleDebugLog& moduleLog() {
  static CModuleDebugLog log(kModuleName);
  return log;
}

}  // namespace pkcs11
}  // namespace luma
