#include "service/vault/post_parameters.h"

#include "foundation/core/platform.h"
#include "service/soap/soap_secure_wininet_client.h"

namespace {

void Wipe(std::wstring& text) { luma::SecureWipe(&text[0], text.size() * sizeof(wchar_t)); }

}  // namespace

CPostParameters::~CPostParameters() {
  for (std::wstring& line : lines) Wipe(line);
}

bool CPostParameters::Replace(const std::wstring& name, const std::wstring& value) {
  const std::wstring placeholder = L"{" + name + L"}";
  bool replaced = false;
  for (std::wstring& line : lines) {
    std::wstring filled;
    size_t from = 0;
    for (size_t at = line.find(placeholder); at != std::wstring::npos; at = line.find(placeholder, from)) {
      filled.append(line, from, at - from);
      filled += value;
      from = at + placeholder.size();
      replaced = true;
    }
    if (from == 0) continue;
    filled.append(line, from, std::wstring::npos);
    Wipe(line);
    line.swap(filled);
    Wipe(filled);
  }
  return replaced;
}

bool CPostParameters::HasUnresolvedPlaceholders() const {
  for (const std::wstring& line : lines) {
    if (line.find_first_of(L"{}") != std::wstring::npos) return true;
  }
  return false;
}

void CPostParameters::WriteTo(CSoapSecureWininetClient& transport) const {
  for (const std::wstring& line : lines) {
    const size_t equals = line.find(L'=');
    std::wstring name = line.substr(0, equals);
    std::wstring value = equals == std::wstring::npos ? std::wstring() : line.substr(equals + 1);
    transport.AddFormField(name.c_str(), value.c_str());  // a refused field shows in the server's answer
    Wipe(name);
    Wipe(value);
  }
}
