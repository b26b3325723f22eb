#include "ui/core/http_headers.h"

namespace luma::ui {
namespace {

bool IsSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

std::wstring Trim(const std::wstring& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

CHttpHeader ParseHttpHeaderLine(const std::wstring& line) {
  size_t start = line.find_first_not_of(L':');
  if (start == std::wstring::npos) return CHttpHeader();
  const size_t colon = line.find(L':', start);
  CHttpHeader header;
  header.name = Trim(line.substr(start, colon == std::wstring::npos ? std::wstring::npos : colon - start));
  if (colon != std::wstring::npos) header.value = Trim(line.substr(colon + 1));
  return header;
}

void ParseHttpHeaders(const std::wstring& block, std::vector<CHttpHeader>& headers) {
  headers.clear();
  size_t position = 0;
  while (position < block.size()) {
    const size_t end = block.find_first_of(L"\r\n", position);
    const std::wstring line =
        block.substr(position, end == std::wstring::npos ? std::wstring::npos : end - position);
    if (!line.empty()) headers.push_back(ParseHttpHeaderLine(line));
    if (end == std::wstring::npos) break;
    position = block.find_first_not_of(L"\r\n", end);
    if (position == std::wstring::npos) break;
  }
}

}  // namespace luma::ui
