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

std::wstring SelectCookie(const std::wstring& list, const std::wstring& name) {
  if (list.find(L'=') == std::wstring::npos) return list;
  if (name.empty()) return std::wstring();
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find(L';', start);
    if (end == std::wstring::npos) end = list.size();
    size_t begin = start;
    while (begin < end && IsSpace(list[begin])) ++begin;
    size_t stop = end;
    while (stop > begin && IsSpace(list[stop - 1])) --stop;
    const size_t equals = list.find(L'=', begin);
    if (equals != std::wstring::npos && equals < stop && equals - begin == name.size() &&
        list.compare(begin, name.size(), name) == 0) {
      return list.substr(begin, stop - begin);
    }
    start = end + 1;
  }
  return std::wstring();
}

}  // namespace luma::ui
