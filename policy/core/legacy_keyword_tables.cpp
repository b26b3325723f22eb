#include "policy/core/legacy_keyword_tables.h"

#include <map>

#include "foundation/core/string_utils.h"

namespace {

// Both tables are built on first use (thread-safe static initialisation) and only read afterwards.
const std::map<WString, std::uint32_t>& KeyUsageTable() {
  static const std::map<WString, std::uint32_t> table = [] {
    const struct {
      const WCHAR* keyword;
      std::uint32_t mask;
    } kKeyUsages[] = {
        {WSTR("digitalSignature"), 0x80}, {WSTR("nonRepudiation"), 0x40},   {WSTR("contentCommitment"), 0x40},
        {WSTR("keyEncipherment"), 0x20},  {WSTR("dataEncipherment"), 0x10}, {WSTR("keyAgreement"), 0x08},
        {WSTR("keyCertSign"), 0x04},      {WSTR("cRLSign"), 0x02},          {WSTR("encipherOnly"), 0x01},
        {WSTR("decipherOnly"), 0x8000},
    };
    std::map<WString, std::uint32_t> byKeyword;
    for (const auto& entry : kKeyUsages) byKeyword[luma::ToUpperCase(entry.keyword)] = entry.mask;
    return byKeyword;
  }();
  return table;
}

const std::map<WString, WString>& EnhancedKeyUsageTable() {
  static const std::map<WString, WString> table = [] {
    const struct {
      const WCHAR* keyword;
      const WCHAR* oid;
    } kUsages[] = {
        {WSTR("anyExtendedKeyUsage"), WSTR("2.5.29.37.0")},
        {WSTR("id-kp-serverAuth"), WSTR("1.3.6.1.5.5.7.3.1")},
        {WSTR("id-kp-clientAuth"), WSTR("1.3.6.1.5.5.7.3.2")},
        {WSTR("id-kp-codeSigning"), WSTR("1.3.6.1.5.5.7.3.3")},
        {WSTR("id-kp-emailProtection"), WSTR("1.3.6.1.5.5.7.3.4")},
        {WSTR("id-kp-timeStamping"), WSTR("1.3.6.1.5.5.7.3.8")},
        {WSTR("id-kp-OCSPSigning"), WSTR("1.3.6.1.5.5.7.3.9")},
        {WSTR("id-ms-kp-sc-logon"), WSTR("1.3.6.1.4.1.311.20.2.2")},
        {WSTR("id-ms-kp-document-signing"), WSTR("1.3.6.1.4.1.311.10.3.12")},
    };
    std::map<WString, WString> byKeyword;
    for (const auto& entry : kUsages) byKeyword[luma::ToUpperCase(entry.keyword)] = entry.oid;
    return byKeyword;
  }();
  return table;
}

}  // namespace

namespace luma::policy {

std::uint32_t KeyUsageMaskOf(const WString& keyword) {
  const auto& table = KeyUsageTable();
  const auto found = table.find(luma::ToUpperCase(keyword));
  return found == table.end() ? 0 : found->second;
}

WString EnhancedKeyUsageOidOf(const WString& keyword) {
  const auto& table = EnhancedKeyUsageTable();
  const auto found = table.find(luma::ToUpperCase(keyword));
  return found == table.end() ? keyword : found->second;
}

}  // namespace luma::policy
