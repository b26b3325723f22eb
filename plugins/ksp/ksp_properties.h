// The values of the provider and key properties that lumaPassKSP answers.
#ifndef LUMA_PLUGINS_KSP_KSP_PROPERTIES_H_
#define LUMA_PLUGINS_KSP_KSP_PROPERTIES_H_

#include "plugins/ksp/ksp_context.h"

namespace luma::ksp {

// The property's bytes; false for a name the provider does not know (names are case-sensitive).
// Throws std::bad_alloc only.
bool ProviderPropertyValue(CKSPContext& context, const wchar_t* name, CSecureBuffer& value);
bool KeyPropertyValue(CKSPContext& context, const CKSPKey& key, const wchar_t* name, CSecureBuffer& value);

}  // namespace luma::ksp

#endif  // LUMA_PLUGINS_KSP_KSP_PROPERTIES_H_
