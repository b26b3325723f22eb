// The request headers a browser hands to its host, split into name/value pairs.
#ifndef LUMA_UI_CORE_HTTP_HEADERS_H_
#define LUMA_UI_CORE_HTTP_HEADERS_H_

#include <string>
#include <vector>

namespace luma::ui {

struct CHttpHeader {
  std::wstring name;
  std::wstring value;
  bool operator==(const CHttpHeader& other) const { return name == other.name && value == other.value; }
};

// The text before the first ":" (leading colons skipped) is the name, the rest of the line the value,
// both trimmed of white space; a line without a name gives two empty texts.
CHttpHeader ParseHttpHeaderLine(const std::wstring& line);
// Every non-empty line of the block ("\r" and "\n" in any run break lines), in order.
void ParseHttpHeaders(const std::wstring& block, std::vector<CHttpHeader>& headers);

// The cookie `name` of a Cookie header's list ("a=1; b=2") as "name=value"; empty when the list has
// none of that name. A text without any "=" is a bare value and is returned unchanged. Names compare
// exactly. No copy of another cookie is made.
std::wstring SelectCookie(const std::wstring& list, const std::wstring& name);

}  // namespace luma::ui

#endif  // LUMA_UI_CORE_HTTP_HEADERS_H_
