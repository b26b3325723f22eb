#include "plugins/common/file_product_version.h"

#include <windows.h>

#include <cwchar>

#include "foundation/core/secure_buffer.h"

namespace luma::plugin {

namespace {
constexpr wchar_t kDefaultVersion[] = L"0.0.0.0";
constexpr size_t kQueryChars = 128;

struct Translation {
  WORD language;
  WORD codePage;
};
}  // namespace

std::wstring GetFileProductVersion(const wchar_t* path) {
  std::wstring result = kDefaultVersion;
  if (path == nullptr) return result;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return result;
  CSecureBuffer block(size);  // zero-filled; wiped when it goes
  if (block.size != size || !GetFileVersionInfoW(path, 0, block.size, block.data)) return result;

  void* translations = nullptr;
  UINT translationBytes = 0;
  if (!VerQueryValueW(block.data, L"\\VarFileInfo\\Translation", &translations, &translationBytes) ||
      translations == nullptr) {
    return result;
  }
  const auto* entries = static_cast<const Translation*>(translations);
  const UINT count = translationBytes / sizeof(Translation);
  for (UINT i = 0; i < count; ++i) {
    wchar_t query[kQueryChars];
    const int written = std::swprintf(query, kQueryChars, L"\\StringFileInfo\\%04x%04x\\ProductVersion",
                                      entries[i].language, entries[i].codePage);
    if (written < 0) continue;
    void* value = nullptr;
    UINT valueChars = 0;
    if (VerQueryValueW(block.data, query, &value, &valueChars) && value != nullptr) {
      const auto* text = static_cast<const wchar_t*>(value);
      // The reported length may or may not count the terminating zero; stop at the first zero.
      result.assign(text, wcsnlen(text, valueChars));
      break;
    }
  }
  return result;
}

}  // namespace luma::plugin
