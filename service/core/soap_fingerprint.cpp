#include "service/core/soap_fingerprint.h"

namespace luma::service {
namespace {

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::wstring HexLower(const unsigned char* data, std::size_t length) {
  static constexpr wchar_t kHexDigits[] = L"0123456789abcdef";
  std::wstring text;
  text.reserve(length * 2);
  for (std::size_t i = 0; i < length; ++i) {
    text.push_back(kHexDigits[data[i] >> 4]);
    text.push_back(kHexDigits[data[i] & 0x0F]);
  }
  return text;
}

bool IsAcceptedIssuer(std::wstring_view fingerprint, const std::vector<std::wstring>& accepted) {
  if (fingerprint.empty()) return false;
  for (const std::wstring& entry : accepted) {
    if (EqualsIgnoringAsciiCase(fingerprint, entry)) return true;
  }
  return false;
}

}  // namespace luma::service
