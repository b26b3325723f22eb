#include "service/core/soap_url_escape.h"

#include <cstring>

namespace luma::service {

bool EscapeServiceUrl(std::string_view utf8Url, std::string& escaped) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  static constexpr char kUrlPunctuation[] = "-._~:/?#[]@!$&'()*+,;=%";
  escaped.clear();
  for (const char ch : utf8Url) {
    const auto c = static_cast<unsigned char>(ch);
    const bool inUrlSet = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          (c != 0 && std::strchr(kUrlPunctuation, c) != nullptr);
    if (escaped.size() + (inUrlSet ? 1 : 3) > kMaxServiceUrlLength) {
      escaped.clear();
      return false;
    }
    if (inUrlSet) {
      escaped.push_back(static_cast<char>(c));
    } else {
      escaped.push_back('%');
      escaped.push_back(kHexDigits[c >> 4]);
      escaped.push_back(kHexDigits[c & 0x0F]);
    }
  }
  return true;
}

}  // namespace luma::service
