#include "plugins/common/module_version_banner.h"

#include "plugins/common/virtual_smart_card_client.h"

namespace luma::plugin {

void WriteVersionBanner(CModuleDebugLog& log, const char* moduleName) {
  const CVirtualSmartCardClient identity(nullptr, L"");
  log.print(kLogInfo, "Process architecture is %s", sizeof(void*) == 4 ? "x86" : "x64");
  log.print(kLogInfo, "%s version %S", moduleName, identity.GetClientVersion().c_str());
  log.print(kLogInfo, "Process '%S', version %S", identity.GetProcessPath().c_str(),
            identity.GetProcessVersion().c_str());
}

}  // namespace luma::plugin
