// Configuration reads from the registry, always in the 64-bit view: single values by root, path
// and name; the ordered locations of CRegistryReader, where the first location holding a value
// wins; and readers on an already opened key with defaults, string lists and localised texts.
// Registry values are untrusted: every length is checked, and a value of the wrong type, of a size
// that cannot hold its type, or that cannot be read counts as absent. Nothing here throws or logs.
#ifndef LUMA_FOUNDATION_WIN_REGISTRY_READER_H_
#define LUMA_FOUNDATION_WIN_REGISTRY_READER_H_

#include <windows.h>

#include <string>
#include <vector>

#include "foundation/win/unique_handle.h"

namespace luma {
// Opens parent\path, or parent\path\subKey, in the 64-bit view; empty when parent is null or the
// key does not open.
CRegistryKeyHandle OpenRegistryKeyForReading(HKEY parent, const std::wstring& path,
                                             const wchar_t* subKey = nullptr, REGSAM access = KEY_READ);

// The one reader of a number setting: a REG_DWORD value of exactly four bytes. A value of another
// type or size (two bytes, or eight stored under REG_DWORD) counts as absent: false, and value is
// left unchanged.
bool QueryDwordValue(HKEY key, const wchar_t* valueName, DWORD& value);

// Readers by location: they open root\path (\subKey when subKey is not null) for reading and close
// it again. On false the output is unchanged. Only REG_SZ is a string: REG_EXPAND_SZ is absent.
bool RegReadString(HKEY root, const std::wstring& path, const wchar_t* subKey, const wchar_t* valueName,
                   std::wstring& value);
bool RegReadDWORD(HKEY root, const std::wstring& path, const wchar_t* subKey, const wchar_t* valueName,
                  DWORD& value);
// Appends each trimmed non-empty string of a REG_MULTI_SZ, up to the first empty one.
bool RegReadMultiString(HKEY root, const std::wstring& path, const wchar_t* valueName,
                        std::vector<std::wstring>& values);
// Append the names of the subkeys / values; the result is the list's size afterwards.
DWORD RegEnumSubKeys(HKEY root, const std::wstring& path, const wchar_t* subKey,
                     std::vector<std::wstring>& names);
DWORD RegEnumValueNames(HKEY root, const std::wstring& path, const wchar_t* subKey,
                        std::vector<std::wstring>& names);

}  // namespace luma

class CRegistryReader {
 public:
  struct Location {
    HKEY root;
    std::wstring path;
  };

  void AddLocation(HKEY root, const std::wstring& path) { locations.push_back({root, path}); }
  const std::vector<Location>& GetLocations() const { return locations; }

  // The value of the first location, in the order added, that holds it with the right type.
  DWORD GetDWORD(const wchar_t* subKey, const wchar_t* valueName, DWORD defaultValue) const;
  std::wstring GetString(const wchar_t* subKey, const wchar_t* valueName,
                         const std::wstring& defaultValue) const;

 private:
  std::vector<Location> locations;
};

namespace luma {

// The four locations of the application settings, strongest first: the user's policy, the user's
// setting, the machine's policy, the machine's setting.
void AddApplicationSettingLocations(CRegistryReader& reader);

// Readers on an open key, which they neither open nor close.
DWORD RegQueryDWORD(DWORD defaultValue, HKEY key, const wchar_t* valueName);
std::wstring RegQueryString(HKEY key, const wchar_t* valueName, const wchar_t* defaultValue = nullptr);
// key\language's value, else key\fallback's when that is missing or empty; the two characters "\n"
// become a line feed.
std::wstring RegQueryLocalizedString(HKEY key, const std::wstring& language, const std::wstring& fallback,
                                     const wchar_t* valueName);
// Replaces the list by the trimmed non-empty text of a REG_SZ or the strings of a REG_MULTI_SZ.
void RegQueryStringList(HKEY key, const wchar_t* valueName, std::vector<std::wstring>& values);

}  // namespace luma

#endif  // LUMA_FOUNDATION_WIN_REGISTRY_READER_H_
