#include "foundation/win/registry_reader.h"

#include <cstring>
#include <cwchar>

#include "foundation/core/secure_buffer.h"
#include "foundation/core/string_utils.h"

namespace {
constexpr DWORD kMaxNameLength = 260;

// A value's data in a zero-filled block two bytes longer than the data, so that a text without
// its terminating zero still ends inside the block.
// The block is a CSecureBuffer: values such as a proxy password pass through it.
struct CValueData {
  CSecureBuffer block;
  DWORD size = 0;

  const wchar_t* Text() const { return reinterpret_cast<const wchar_t*>(block.data); }
  DWORD Units() const { return size / sizeof(wchar_t); }  // whole UTF-16 units of the data only
};

bool QueryValue(HKEY key, const wchar_t* valueName, DWORD expectedType, CValueData& data) {
  if (key == nullptr) return false;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != expectedType || size == 0 || size > 0x7FFFFFF0u) return false;
  CSecureBuffer block(size + 2);
  if (block.size != size + 2) return false;
  DWORD read = size;
  // The value may change between the two queries: a longer value fails here, a changed type is
  // checked again.
  if (RegQueryValueExW(key, valueName, nullptr, &type, block.data, &read) != ERROR_SUCCESS) return false;
  if (type != expectedType || read == 0 || read > size) return false;
  data.block = std::move(block);
  data.size = read;
  return true;
}

bool QueryText(HKEY key, const wchar_t* valueName, std::wstring& text) {
  CValueData data;
  if (!QueryValue(key, valueName, REG_SZ, data)) return false;
  text.assign(data.Text(), wcsnlen(data.Text(), data.Units()));
  return true;
}

// The trimmed non-empty strings of a REG_MULTI_SZ, up to the first empty one.
bool QueryMultiText(HKEY key, const wchar_t* valueName, std::vector<std::wstring>& values) {
  CValueData data;
  if (!QueryValue(key, valueName, REG_MULTI_SZ, data)) return false;
  const DWORD units = data.Units();
  for (DWORD pos = 0; pos < units;) {
    const size_t length = wcsnlen(data.Text() + pos, units - pos);
    if (length == 0) break;
    const std::wstring trimmed = luma::TrimWhitespace(std::wstring(data.Text() + pos, length));
    if (!trimmed.empty()) values.push_back(trimmed);
    pos += static_cast<DWORD>(length) + 1;
  }
  return true;
}

template <typename EnumOne>
DWORD Enumerate(HKEY root, const std::wstring& path, const wchar_t* subKey, std::vector<std::wstring>& names,
                EnumOne enumOne) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(root, path, subKey);
  if (key) {
    for (DWORD index = 0;; ++index) {
      wchar_t name[kMaxNameLength + 1] = {};
      const LONG result = enumOne(key.get(), index, name);
      if (result == ERROR_MORE_DATA) continue;  // a name too long for the buffer is skipped
      if (result != ERROR_SUCCESS) break;       // the end, or an error that would repeat forever
      name[kMaxNameLength] = 0;
      names.push_back(name);
    }
  }
  return static_cast<DWORD>(names.size());
}

std::wstring ReplaceLineBreaks(const std::wstring& text) {
  std::wstring result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'n') {
      result += L'\n';
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}
}  // namespace

namespace luma {

CRegistryKeyHandle OpenRegistryKeyForReading(HKEY parent, const std::wstring& path, const wchar_t* subKey,
                                             REGSAM access) {
  CRegistryKeyHandle key;
  if (parent == nullptr) return key;
  std::wstring fullPath = path;
  if (subKey != nullptr) fullPath += (fullPath.empty() ? L"" : L"\\") + std::wstring(subKey);
  if (RegOpenKeyExW(parent, fullPath.c_str(), 0, access | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
    key.reset();  // the call leaves no key behind, but the output is not promised to stay null
  }
  return key;
}

bool QueryDwordValue(HKEY key, const wchar_t* valueName, DWORD& value) {
  if (key == nullptr) return false;
  DWORD type = 0, stored = 0, size = sizeof(stored);
  // A larger value fails with ERROR_MORE_DATA; a shorter one is refused by its size.
  if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&stored), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_DWORD || size != sizeof(stored)) return false;
  value = stored;
  return true;
}

bool RegReadString(HKEY root, const std::wstring& path, const wchar_t* subKey, const wchar_t* valueName,
                   std::wstring& value) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(root, path, subKey);
  return QueryText(key.get(), valueName, value);
}

bool RegReadDWORD(HKEY root, const std::wstring& path, const wchar_t* subKey, const wchar_t* valueName,
                  DWORD& value) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(root, path, subKey);
  return luma::QueryDwordValue(key.get(), valueName, value);
}

bool RegReadMultiString(HKEY root, const std::wstring& path, const wchar_t* valueName,
                        std::vector<std::wstring>& values) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(root, path);
  std::vector<std::wstring> found;
  if (!QueryMultiText(key.get(), valueName, found)) return false;
  values.insert(values.end(), found.begin(), found.end());
  return true;
}

DWORD RegEnumSubKeys(HKEY root, const std::wstring& path, const wchar_t* subKey,
                     std::vector<std::wstring>& names) {
  return Enumerate(root, path, subKey, names, [](HKEY key, DWORD index, wchar_t* name) {
    return RegEnumKeyW(key, index, name, kMaxNameLength + 1);
  });
}

DWORD RegEnumValueNames(HKEY root, const std::wstring& path, const wchar_t* subKey,
                        std::vector<std::wstring>& names) {
  return Enumerate(root, path, subKey, names, [](HKEY key, DWORD index, wchar_t* name) {
    DWORD length = kMaxNameLength + 1;
    return RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
  });
}

}  // namespace luma

DWORD CRegistryReader::GetDWORD(const wchar_t* subKey, const wchar_t* valueName, DWORD defaultValue) const {
  DWORD value = defaultValue;
  for (const Location& location : locations) {
    if (luma::RegReadDWORD(location.root, location.path, subKey, valueName, value)) break;
  }
  return value;
}

std::wstring CRegistryReader::GetString(const wchar_t* subKey, const wchar_t* valueName,
                                        const std::wstring& defaultValue) const {
  std::wstring value = defaultValue;
  for (const Location& location : locations) {
    if (luma::RegReadString(location.root, location.path, subKey, valueName, value)) break;
  }
  return value;
}

namespace luma {

void AddApplicationSettingLocations(CRegistryReader& reader) {
  reader.AddLocation(HKEY_CURRENT_USER, L"SOFTWARE\\Policies\\nuvak\\lumaPassV");
  reader.AddLocation(HKEY_CURRENT_USER, L"SOFTWARE\\nuvak\\lumaPassV");
  reader.AddLocation(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies\\nuvak\\lumaPassV");
  reader.AddLocation(HKEY_LOCAL_MACHINE, L"SOFTWARE\\nuvak\\lumaPassV");
}

DWORD RegQueryDWORD(DWORD defaultValue, HKEY key, const wchar_t* valueName) {
  DWORD value = defaultValue;
  luma::QueryDwordValue(key, valueName, value);
  return value;
}

std::wstring RegQueryString(HKEY key, const wchar_t* valueName, const wchar_t* defaultValue) {
  std::wstring value = defaultValue != nullptr ? defaultValue : L"";
  QueryText(key, valueName, value);
  return value;
}

std::wstring RegQueryLocalizedString(HKEY key, const std::wstring& language, const std::wstring& fallback,
                                     const wchar_t* valueName) {
  std::wstring text;
  if (!language.empty()) {
    const luma::CRegistryKeyHandle localized = luma::OpenRegistryKeyForReading(key, language);
    QueryText(localized.get(), valueName, text);
  }
  if (text.empty() && !fallback.empty()) {
    const luma::CRegistryKeyHandle english = luma::OpenRegistryKeyForReading(key, fallback);
    QueryText(english.get(), valueName, text);
  }
  return ReplaceLineBreaks(text);
}

void RegQueryStringList(HKEY key, const wchar_t* valueName, std::vector<std::wstring>& values) {
  values.clear();
  std::wstring text;
  if (QueryText(key, valueName, text)) {
    text = luma::TrimWhitespace(text);
    if (!text.empty()) values.push_back(text);
    return;
  }
  QueryMultiText(key, valueName, values);
}

}  // namespace luma
