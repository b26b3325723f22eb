// The lines every plug-in writes to its log once per process: the architecture, its own version and
// the host program with its version.
#ifndef LUMA_PLUGINS_COMMON_MODULE_VERSION_BANNER_H_
#define LUMA_PLUGINS_COMMON_MODULE_VERSION_BANNER_H_

#include "plugins/diagnostics/module_debug_log.h"

namespace luma::plugin {

// Writes the three lines at the info level, naming the module as moduleName. May throw (the
// versions are read from the files).
void WriteVersionBanner(CModuleDebugLog& log, const char* moduleName);

}  // namespace luma::plugin

#endif  // LUMA_PLUGINS_COMMON_MODULE_VERSION_BANNER_H_
