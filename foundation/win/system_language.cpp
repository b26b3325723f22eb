// The interface language and the program's localised strings.
#include <cstdarg>
#include <cwchar>

#include "foundation/win/debug_log.h"
#include "foundation/win/resource_string.h"
#include "foundation/win/system_utils.h"

namespace {
LANGID g_languageOverride = 0;
}  // namespace

namespace luma {

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

}  // namespace luma

namespace {
constexpr LANGID kEnglish = 1033;
constexpr wchar_t kUndefined[] = L"<undefined>";

// The language and module are taken once, on first use, for the life of the process.
struct CResourceStringCache {
  LANGID language = luma::GetEffectiveUILanguage();
  HMODULE module = GetModuleHandleW(nullptr);
};
}  // namespace

namespace luma {

std::wstring LoadStringResource(HMODULE module, LANGID language, UINT id) {
  // Strings are stored in blocks of 16, each a length followed by that many characters.
  HRSRC found = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
  if (found == nullptr) return std::wstring();
  const DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const auto* block = static_cast<const WCHAR*>(loaded != nullptr ? LockResource(loaded) : nullptr);
  if (block == nullptr) return std::wstring();
  const size_t units = size / sizeof(WCHAR);
  size_t at = 0;
  for (UINT index = 0; index < id % 16; ++index) {
    if (at >= units) return std::wstring();
    at += 1 + block[at];
  }
  if (at >= units) return std::wstring();
  const size_t length = block[at];
  if (length > units - at - 1) return std::wstring();  // damaged block
  return std::wstring(block + at + 1, length);
}

std::wstring LookupStringResource(HMODULE module, LANGID language, UINT id) {
  // A table is written for one sublanguage (German as spoken in Germany) while the interface
  // language may name only the primary one (German) or another country's: try the language as
  // given, its primary language, that language's default country, then English.
  const LANGID primary = PRIMARYLANGID(language);
  const LANGID candidates[] = {language, MAKELANGID(primary, SUBLANG_NEUTRAL),
                               MAKELANGID(primary, SUBLANG_DEFAULT), kEnglish};
  for (size_t i = 0; i < ARRAYSIZE(candidates); ++i) {
    bool tried = false;
    for (size_t j = 0; j < i; ++j) tried = tried || candidates[j] == candidates[i];
    if (tried) continue;
    std::wstring text = LoadStringResource(module, candidates[i], id);
    if (!text.empty()) return text;
  }
  // A text the code asks for and the table lacks is a fault of the build: say so, show a marker.
  CDebugLog::Log(LOG_ERROR, L"String %u is missing from the string table", id);
  return kUndefined;
}

std::wstring FormatStringResourceV(HMODULE module, LANGID language, UINT id, va_list args) {
  const std::wstring format = LookupStringResource(module, language, id);
  wchar_t buffer[kMaxResourceText + 1];
  // The C runtime's own wide printf: %s takes a wide string, as the string tables expect.
  const int written = _vsnwprintf(buffer, kMaxResourceText, format.c_str(), args);
  if (written < 0 || static_cast<size_t>(written) >= kMaxResourceText) buffer[kMaxResourceText] = 0;
  return buffer;
}

std::wstring FormatResourceString(UINT id, ...) {
  static const CResourceStringCache cache;
  va_list args;
  va_start(args, id);
  std::wstring text = FormatStringResourceV(cache.module, cache.language, id, args);
  va_end(args);
  return text;
}

}  // namespace luma
