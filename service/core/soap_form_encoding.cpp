#include "service/core/soap_form_encoding.h"

#include "service/core/soap_secret_text.h"

namespace luma::service {
namespace {

bool StaysUnencoded(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '!':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '-':
    case '.':
    case '/':
    case ':':
    case '_':
    case '~':
      return true;
    default:
      return false;
  }
}

}  // namespace

bool EncodeFormValue(std::string_view utf8Value, std::string& encoded) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  encoded.clear();
  encoded.reserve(kMaxFormValueLength);  // never reallocates, so no copy of a password is left behind
  for (const char ch : utf8Value) {
    const auto c = static_cast<unsigned char>(ch);
    const std::size_t needed = StaysUnencoded(c) || c == ' ' ? 1 : 3;
    if (encoded.size() + needed > kMaxFormValueLength) {
      WipeText(encoded);
      return false;
    }
    if (StaysUnencoded(c)) {
      encoded.push_back(static_cast<char>(c));
    } else if (c == ' ') {
      encoded.push_back('+');  // "%20" is sent as "+"
    } else {
      encoded.push_back('%');
      encoded.push_back(kHexDigits[c >> 4]);
      encoded.push_back(kHexDigits[c & 0x0F]);
    }
  }
  return true;
}

void AppendFormField(std::string& body, std::string_view name, std::string_view encodedValue) {
  if (!body.empty()) AppendWiping(body, "&");
  AppendWiping(body, name);
  AppendWiping(body, "=");
  AppendWiping(body, encodedValue);
}

}  // namespace luma::service
