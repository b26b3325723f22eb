#include "policy/core/legacy_keyword_tables.h"

#include <gtest/gtest.h>

#include "policy/core/tests/test_filters.h"

namespace {

using luma::testing::Narrow;

TEST(LegacyKeywordTablesTest, KeyUsageKeywordsGiveTheirBitsInAnyCase) {
  const struct {
    const WCHAR* keyword;
    std::uint32_t mask;
  } cases[] = {
      {WSTR("digitalSignature"), 0x80},  {WSTR("nonRepudiation"), 0x40},
      {WSTR("contentCommitment"), 0x40}, {WSTR("keyEncipherment"), 0x20},
      {WSTR("dataEncipherment"), 0x10},  {WSTR("keyAgreement"), 0x08},
      {WSTR("keyCertSign"), 0x04},       {WSTR("cRLSign"), 0x02},
      {WSTR("encipherOnly"), 0x01},      {WSTR("decipherOnly"), 0x8000},
      {WSTR("DIGITALSIGNATURE"), 0x80},  {WSTR("crlsign"), 0x02},
      {WSTR("digital Signature"), 0},    {WSTR(" digitalSignature"), 0},
      {WSTR("=digitalSignature"), 0},    {WSTR(""), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(luma::policy::KeyUsageMaskOf(c.keyword), c.mask) << Narrow(c.keyword);
}

TEST(LegacyKeywordTablesTest, EnhancedKeyUsageKeywordsGiveTheirIdentifiersOthersStayAsWritten) {
  const struct {
    const WCHAR* keyword;
    const WCHAR* oid;
  } cases[] = {
      {WSTR("anyExtendedKeyUsage"), WSTR("2.5.29.37.0")},
      {WSTR("id-kp-serverAuth"), WSTR("1.3.6.1.5.5.7.3.1")},
      {WSTR("id-kp-clientAuth"), WSTR("1.3.6.1.5.5.7.3.2")},
      {WSTR("ID-KP-CLIENTAUTH"), WSTR("1.3.6.1.5.5.7.3.2")},
      {WSTR("id-kp-codeSigning"), WSTR("1.3.6.1.5.5.7.3.3")},
      {WSTR("id-kp-emailProtection"), WSTR("1.3.6.1.5.5.7.3.4")},
      {WSTR("id-kp-timeStamping"), WSTR("1.3.6.1.5.5.7.3.8")},
      {WSTR("id-kp-ocspsigning"), WSTR("1.3.6.1.5.5.7.3.9")},
      {WSTR("id-ms-kp-sc-logon"), WSTR("1.3.6.1.4.1.311.20.2.2")},
      {WSTR("id-ms-kp-document-signing"), WSTR("1.3.6.1.4.1.311.10.3.12")},
      {WSTR("1.3.6.1.5.5.7.3.2"), WSTR("1.3.6.1.5.5.7.3.2")},
      {WSTR("Id-Unknown"), WSTR("Id-Unknown")},
  };
  for (const auto& c : cases)
    EXPECT_EQ(luma::policy::EnhancedKeyUsageOidOf(c.keyword), c.oid) << Narrow(c.keyword);
}

}  // namespace
