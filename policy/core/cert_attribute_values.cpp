#include "policy/core/cert_attribute_values.h"

#include <limits>

#include "foundation/core/string_utils.h"

namespace luma::cert_values {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

std::int32_t SaturatedDays(std::int64_t seconds) {
  const std::int64_t days = seconds / kSecondsPerDay;
  if (days > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(days);
}

}  // namespace

std::set<WString> ParseValueList(const WString& text) {
  std::set<WString> items;
  WString rest = text;
  for (auto comma = rest.find(WSTR(',')); comma != WString::npos; comma = rest.find(WSTR(','))) {
    items.insert(luma::ToUpperCase(luma::TrimWhitespace(rest.substr(0, comma))));
    rest = luma::TrimWhitespace(rest.substr(comma + 1));
  }
  if (!rest.empty()) items.insert(luma::ToUpperCase(luma::TrimWhitespace(rest)));
  return items;
}

WString FormatHexBytes(const BYTE* bytes, std::size_t count, bool reversed) {
  static const WCHAR kDigits[] = WSTR("0123456789ABCDEF");
  WString text;
  if (bytes == nullptr) return text;
  text.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    const BYTE b = bytes[reversed ? count - 1 - i : i];
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

bool IsDottedDigits(const WString& text) {
  for (const WCHAR c : text) {
    if (c != WSTR('.') && (c < WSTR('0') || c > WSTR('9'))) return false;
  }
  return true;
}

bool LookupKeyUsageBit(const WString& upperKeyword, DWORD& bit) {
  static const struct {
    const WCHAR* keyword;
    DWORD bit;
  } kTable[] = {
      {WSTR("DIGITALSIGNATURE"), 0x80}, {WSTR("NONREPUDIATION"), 0x40}, {WSTR("KEYENCIPHERMENT"), 0x20},
      {WSTR("DATAENCIPHERMENT"), 0x10}, {WSTR("KEYAGREEMENT"), 0x08},   {WSTR("KEYCERTSIGN"), 0x04},
      {WSTR("CRLSIGN"), 0x02},          {WSTR("ENCIPHERONLY"), 0x01},   {WSTR("DECIPHERONLY"), 0x8000},
  };
  for (const auto& entry : kTable) {
    if (upperKeyword == entry.keyword) {
      bit = entry.bit;
      return true;
    }
  }
  return false;
}

namespace {
struct NamedOid {
  const WCHAR* name;
  const WCHAR* oid;
};

template <std::size_t N>
bool LookupOid(const NamedOid (&table)[N], const WString& upperName, WString& oid) {
  for (const auto& entry : table) {
    if (upperName == entry.name) {
      oid = entry.oid;
      return true;
    }
  }
  return false;
}
}  // namespace

bool LookupExtendedKeyUsageOid(const WString& upperName, WString& oid) {
  static const NamedOid kTable[] = {
      {WSTR("ANYEXTENDEDKEYUSAGE"), WSTR("2.5.29.37.0")},
      {WSTR("ID-KP-SERVERAUTH"), WSTR("1.3.6.1.5.5.7.3.1")},
      {WSTR("ID-KP-CLIENTAUTH"), WSTR("1.3.6.1.5.5.7.3.2")},
      {WSTR("ID-KP-CODESIGNING"), WSTR("1.3.6.1.5.5.7.3.3")},
      {WSTR("ID-KP-EMAILPROTECTION"), WSTR("1.3.6.1.5.5.7.3.4")},
      {WSTR("ID-KP-TIMESTAMPING"), WSTR("1.3.6.1.5.5.7.3.8")},
      {WSTR("ID-KP-OCSPSIGNING"), WSTR("1.3.6.1.5.5.7.3.9")},
      {WSTR("ID-MS-KP-SC-LOGON"), WSTR("1.3.6.1.4.1.311.20.2.2")},
      {WSTR("ID-MS-KP-DOCUMENT-SIGNING"), WSTR("1.3.6.1.4.1.311.10.3.12")},
  };
  return LookupOid(kTable, upperName, oid);
}

bool LookupKeyTypeOid(const WString& upperName, WString& oid) {
  static const NamedOid kTable[] = {
      {WSTR("RSA"), WSTR("1.2.840.113549.1.1.1")},
      {WSTR("ECC"), WSTR("1.2.840.10045.2.1")},
      {WSTR("DSA"), WSTR("1.2.840.10040.4.1")},
  };
  return LookupOid(kTable, upperName, oid);
}

std::int32_t LifetimeDays(std::int64_t notBeforeSeconds, std::int64_t notAfterSeconds) {
  if (notAfterSeconds <= notBeforeSeconds) return 0;
  return SaturatedDays(notAfterSeconds - notBeforeSeconds);
}

std::int32_t RemainingLifetimeDays(std::int64_t notAfterSeconds, std::int64_t nowSeconds) {
  if (nowSeconds >= notAfterSeconds) return 0;
  const std::int32_t days = SaturatedDays(notAfterSeconds - nowSeconds);
  return days == 0 ? 1 : days;
}

}  // namespace luma::cert_values
