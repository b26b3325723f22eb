// The PKCS#11 module's name, machine key and its one debug log.
#ifndef LUMA_PKCS11_MODULE_MODULE_LOG_H_
#define LUMA_PKCS11_MODULE_MODULE_LOG_H_

#include "plugins/diagnostics/module_debug_log.h"

namespace luma {
namespace pkcs11 {

constexpr char kModuleName[] = "lumaPassP11";
// The module's settings under HKLM, read through the 64-bit registry view.
constexpr wchar_t kModuleKey[] = L"SOFTWARE\\nuvak\\lumaPassP11";

// The module's debug log, configured under kModuleKey; made when first asked for, which the
// module's load does before any entry point runs.
CModuleDebugLog& moduleLog();

}  // namespace pkcs11
}  // namespace luma

#endif  // LUMA_PKCS11_MODULE_MODULE_LOG_H_
