// The process-wide objects of the expression syntax: one attribute-filter factory per item type and
// one variable provider with the built-in variables. Both are made on first need under one lock,
// never replaced, and released only with the static objects at process exit; every filter keeps
// its own reference.
#ifndef LUMA_POLICY_CORE_PROCESS_FILTER_OBJECTS_H_
#define LUMA_POLICY_CORE_PROCESS_FILTER_OBJECTS_H_

#include <memory>

#include "foundation/core/mutex_obj.h"
#include "policy/core/attribute_filter_factory.h"
#include "policy/core/built_in_variables.h"
#include "policy/core/variable_provider.h"

namespace luma::policy {

// Guards only the creation of the process-wide filter objects.
CMutexObj& FilterSingletonLock();

// What a name that is not defined reads as in the process-wide provider.
extern const WCHAR* const kUndefinedVariableValue;  // "<undef>"

// The process-wide provider; on the first call its built-in variables are read from `source`, later
// calls ignore it. The caller holds FilterSingletonLock.
std::shared_ptr<CVariableProvider> ProcessVariableProviderLocked(const CSystemNameSource& source);

}  // namespace luma::policy

template <typename T>
struct CProcessFilterObjects {
  std::shared_ptr<CAttributeFilterFactory<T>> factory;
  std::shared_ptr<CVariableProvider> variableProvider;
};

namespace luma::policy {

// The factory for items of type T and the variable provider, made on the first call: the factory gets
// its built-in attributes from `registerBuiltInAttributes`, the provider its values from `source`.
template <typename T>
CProcessFilterObjects<T> GetProcessFilterObjects(
    void (*registerBuiltInAttributes)(CAttributeFilterFactory<T>&), const CSystemNameSource& source) {
  static std::shared_ptr<CAttributeFilterFactory<T>> s_factory;
  CMutexObjLock lock(FilterSingletonLock());
  if (!s_factory) {
    auto factory = std::make_shared<CAttributeFilterFactory<T>>();
    if (registerBuiltInAttributes) registerBuiltInAttributes(*factory);
    s_factory = factory;
  }
  return {s_factory, ProcessVariableProviderLocked(source)};
}

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_PROCESS_FILTER_OBJECTS_H_
