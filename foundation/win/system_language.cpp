// The interface language and the program's localised strings.
#include <cstdarg>
#include <cwchar>

#include "foundation/win/system_utils.h"

namespace {
LANGID g_languageOverride = 0;
}  // namespace

void SetUILanguageOverride(LANGID language) { g_languageOverride = language; }

LANGID GetUILanguageOverride() { return g_languageOverride; }

LANGID GetEffectiveUILanguage() {
  return g_languageOverride != 0 ? g_languageOverride : GetUserDefaultUILanguage();
}

std::wstring GetUILanguageName(const std::wstring& defaultName) {
  wchar_t name[16] = {};
  const LCID locale = MAKELCID(GetEffectiveUILanguage(), SORT_DEFAULT);
  // The count includes the terminator: fewer than 2 means no name at all.
  if (GetLocaleInfoW(locale, LOCALE_SISO639LANGNAME, name, 16) < 2) return defaultName;
  name[15] = 0;
  return name;
}
