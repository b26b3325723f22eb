// Turns an attribute name of a filter text into a new attribute filter by asking the prototype
// registered under that name. Names are matched without regard to letter case.
#ifndef LUMA_POLICY_CORE_ATTRIBUTE_FILTER_FACTORY_H_
#define LUMA_POLICY_CORE_ATTRIBUTE_FILTER_FACTORY_H_

#include <map>
#include <memory>

#include "policy/core/attribute_filter.h"

template <typename T>
class CAttributeFilterFactory {
 public:
  using FilterPtr = std::shared_ptr<CAttributeFilter<T>>;

  // Keeps a copy of the prototype; a later registration under the same name replaces it.
  void Register(const WString& name, const CAttributeFilter<T>& prototype) {
    prototypes[luma::ToLowerCase(name)] = prototype.Clone();
  }

  // A new filter from the prototype of `name`, or an empty pointer when no attribute has that name.
  // Whether the new filter is valid is for the caller to ask.
  FilterPtr Create(const WString& name, const WString& parameter, AttributeFilterOperator op,
                   const WString& value) const {
    const auto found = prototypes.find(luma::ToLowerCase(name));
    if (found == prototypes.end() || !found->second) return nullptr;
    return found->second->Create(name, parameter, op, value);
  }

 private:
  std::map<WString, FilterPtr> prototypes;  // key: the name in lower case
};

#endif  // LUMA_POLICY_CORE_ATTRIBUTE_FILTER_FACTORY_H_
