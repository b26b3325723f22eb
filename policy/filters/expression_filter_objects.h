// The process-wide objects of certificate filters in the expression syntax: the attribute factory
// with the fifteen certificate attributes and the variable provider with the system's names.
#ifndef LUMA_POLICY_FILTERS_EXPRESSION_FILTER_OBJECTS_H_
#define LUMA_POLICY_FILTERS_EXPRESSION_FILTER_OBJECTS_H_

#include "policy/core/process_filter_objects.h"
#include "policy/filters/certificate_attributes.h"

namespace luma::policy {

// Registers a prototype of every certificate attribute under its name.
void RegisterBuiltInAttributes(CAttributeFilterFactory<CertFilterItem>& factory);

// Made on the first call, under the filter-singleton lock; the same objects afterwards.
CProcessFilterObjects<CertFilterItem> GetCertFilterObjects();

}  // namespace luma::policy

#endif  // LUMA_POLICY_FILTERS_EXPRESSION_FILTER_OBJECTS_H_
