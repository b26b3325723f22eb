#include "service/auth/auth_result.h"

CAuthResult::~CAuthResult() {
  // CSecureBuffer wipes its whole block before freeing it; pin first, then token.
  pin.Clear();
  token.Clear();
}

void CAuthResult::Clear() {
  token.Clear();
  pin.Clear();
}

void CAuthResult::GetToken(std::wstring& text) const {
  const size_t units = token.size / sizeof(wchar_t);
  text.assign(reinterpret_cast<const wchar_t*>(token.data), units);
}
