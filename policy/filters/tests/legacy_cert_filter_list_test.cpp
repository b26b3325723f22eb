#include "policy/filters/legacy_cert_filter_list.h"

#include <gtest/gtest.h>

#include <typeinfo>

namespace {

TEST(CertFilterListTest, EachNameMakesItsClassInTextOrder) {
  const auto filters = luma::policy::ParseCertFilterList(
      L"KU+a; EKU-b;AKI=c;IDN!d;SDN+e;UPN+f;CLT+1;RLT+2;LEN+3;ku+x;XYZ+1;LEN;;");
  const std::type_info* expected[] = {
      &typeid(CKeyUsageCertFilter),
      &typeid(CExtendedKeyUsageCertFilter),
      &typeid(CAuthorityKeyIdentifierFilter),
      &typeid(CIssuerDNFilter),
      &typeid(CSubjectDNFilter),
      &typeid(CUPNFilter),
      &typeid(CLifetimeFilter),
      &typeid(CRemainingLifetimeFilter),
      &typeid(CKeyLengthFilter),
  };
  ASSERT_EQ(filters.size(), 9u);
  for (std::size_t i = 0; i < filters.size(); ++i) EXPECT_EQ(typeid(*filters[i]), *expected[i]) << i;
  EXPECT_EQ(filters[1]->Operator(), LegacyFilterOperator::EXCLUDES);
  EXPECT_EQ(filters[2]->Operator(), LegacyFilterOperator::EQUALS);
  EXPECT_EQ(filters[3]->Operator(), LegacyFilterOperator::NOT_EQUALS);
}

TEST(CertFilterListTest, KeywordsAreResolvedWhenTheItemIsBuilt) {
  const auto filters =
      luma::policy::ParseCertFilterList(L"KU+decipherOnly;KU+nothing;EKU+id-kp-clientauth;EKU+1.2.3");
  ASSERT_EQ(filters.size(), 4u);
  EXPECT_EQ(static_cast<const CKeyUsageCertFilter&>(*filters[0]).Mask(), 0x8000u);
  EXPECT_EQ(static_cast<const CKeyUsageCertFilter&>(*filters[1]).Mask(), 0u);
  EXPECT_EQ(static_cast<const CExtendedKeyUsageCertFilter&>(*filters[2]).Usage(), L"1.3.6.1.5.5.7.3.2");
  EXPECT_EQ(static_cast<const CExtendedKeyUsageCertFilter&>(*filters[3]).Usage(), L"1.2.3");
}

}  // namespace
