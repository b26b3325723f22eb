// The interface language of the application: the configured ISO 639 name, else the name of the
// user's interface language, else English; English and German have their own language identifiers.
#ifndef LUMA_POLICY_CORE_INTERFACE_LANGUAGE_H_
#define LUMA_POLICY_CORE_INTERFACE_LANGUAGE_H_

#include <cstdint>

#include "foundation/core/platform.h"

struct CInterfaceLanguage {
  WString name;          // ISO 639 name as configured or as the system gives it
  std::uint16_t id = 0;  // language identifier of the interface
};

namespace luma::policy {

constexpr std::uint16_t kLanguageIdEnglishUS = 1033;
constexpr std::uint16_t kLanguageIdGerman = 7;

// configured: the "UILanguage" setting (may be empty); systemName: the ISO 639 name of the user's
// interface language, empty when it could not be read; userLanguageId: that language's identifier.
CInterfaceLanguage ResolveInterfaceLanguage(const WString& configured, const WString& systemName,
                                            std::uint16_t userLanguageId);

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_INTERFACE_LANGUAGE_H_
