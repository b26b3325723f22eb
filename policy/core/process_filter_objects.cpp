#include "policy/core/process_filter_objects.h"

#include <map>

namespace luma::policy {

const WCHAR* const kUndefinedVariableValue = WSTR("<undef>");

}  // namespace luma::policy

namespace {
std::shared_ptr<CVariableProvider> g_variableProvider;
}  // namespace

namespace luma::policy {

CMutexObj& FilterSingletonLock() {
  // Made on first use, so that a filter built while static objects are constructed finds it too.
  static CMutexObj lock;
  return lock;
}

std::shared_ptr<CVariableProvider> ProcessVariableProviderLocked(const CSystemNameSource& source) {
  if (!g_variableProvider) {
    std::map<WString, WString> builtIns;
    GetBuiltInVariables(source, builtIns);
    auto provider = std::make_shared<CMapVariableProvider>(kUndefinedVariableValue);
    provider->SetVariables(builtIns);
    g_variableProvider = provider;
  }
  return g_variableProvider;
}

}  // namespace luma::policy
