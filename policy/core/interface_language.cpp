#include "policy/core/interface_language.h"

#include "foundation/core/string_utils.h"

namespace luma::policy {

CInterfaceLanguage ResolveInterfaceLanguage(const WString& configured, const WString& systemName,
                                            std::uint16_t userLanguageId) {
  CInterfaceLanguage language;
  language.id = userLanguageId;
  language.name = configured;
  if (language.name.empty()) language.name = systemName.size() >= 2 ? systemName : WString(WSTR("en"));
  if (luma::EqualsIgnoreCase(language.name, WSTR("en"))) {
    language.id = kLanguageIdEnglishUS;
  } else if (luma::EqualsIgnoreCase(language.name, WSTR("de"))) {
    language.id = kLanguageIdGerman;
  }
  return language;
}

}  // namespace luma::policy
