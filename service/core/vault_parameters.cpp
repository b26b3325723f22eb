#include "service/core/vault_parameters.h"

#include "foundation/core/der_codec.h"

namespace luma::service {
namespace {

// UTF-16 units (host order) to UTF-8; false for an unpaired surrogate.
bool Utf16ToUtf8(const CSecureBuffer& units, CSecureBuffer& utf8) {
  if (units.size % 2 != 0) return false;
  const DWORD count = units.size / 2;
  if (count > 0x40000000) return false;
  CSecureBuffer out;
  if (!out.Reserve(count * 3)) return false;
  BYTE bytes[4];
  for (DWORD i = 0; i < count; ++i) {
    std::uint32_t c = units.data[2 * i] | (units.data[2 * i + 1] << 8);
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= count) return false;
      const std::uint32_t low = units.data[2 * i + 2] | (units.data[2 * i + 3] << 8);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
    DWORD n = 0;
    if (c < 0x80) {
      bytes[n++] = static_cast<BYTE>(c);
    } else if (c < 0x800) {
      bytes[n++] = static_cast<BYTE>(0xC0 | (c >> 6));
      bytes[n++] = static_cast<BYTE>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      bytes[n++] = static_cast<BYTE>(0xE0 | (c >> 12));
      bytes[n++] = static_cast<BYTE>(0x80 | ((c >> 6) & 0x3F));
      bytes[n++] = static_cast<BYTE>(0x80 | (c & 0x3F));
    } else {
      bytes[n++] = static_cast<BYTE>(0xF0 | (c >> 18));
      bytes[n++] = static_cast<BYTE>(0x80 | ((c >> 12) & 0x3F));
      bytes[n++] = static_cast<BYTE>(0x80 | ((c >> 6) & 0x3F));
      bytes[n++] = static_cast<BYTE>(0x80 | (c & 0x3F));
    }
    out.Append(n, bytes);
  }
  SecureWipe(bytes, sizeof bytes);
  utf8 = std::move(out);
  return true;
}

}  // namespace

bool AppendIa5String(const WString& text, CSecureBuffer& out) {
  CSecureBuffer ascii;
  if (!ascii.Reserve(static_cast<DWORD>(text.size()))) return false;
  for (const auto c : text) {
    if (static_cast<std::uint32_t>(c) > 0x7F) return false;
    const BYTE b = static_cast<BYTE>(c);
    ascii.Append(1, &b);
  }
  return der::AppendElement(der::kTagIa5String, ascii.data, ascii.size, out);
}

bool AppendUtf8String(const CSecureBuffer& utf16Units, CSecureBuffer& out) {
  CSecureBuffer utf8;
  return Utf16ToUtf8(utf16Units, utf8) && der::AppendElement(der::kTagUtf8String, utf8.data, utf8.size, out);
}

bool AppendOctetString(const CSecureBuffer& bytes, CSecureBuffer& out) {
  return der::AppendElement(der::kTagOctetString, bytes.data, bytes.size, out);
}

bool WrapSequence(const CSecureBuffer& elements, CSecureBuffer& out) {
  CSecureBuffer sequence;
  if (!der::AppendElement(der::kTagSequence, elements.data, elements.size, sequence)) return false;
  out = std::move(sequence);
  return true;
}

}  // namespace luma::service
