#include "plugins/certstore/core/certificate_identity.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace luma::certstore {
namespace {

CSecureBuffer Bytes(const char* text) { return CSecureBuffer(static_cast<DWORD>(std::strlen(text)), text); }

CertificateIdentity Stored() {
  CertificateIdentity identity;
  identity.keyProvider = KeyProviderFields{WString(WSTR("alpha")), WString(WSTR("Provider")), 1, 24};
  identity.archived = std::nullopt;
  identity.accountKey = Bytes("cloud/alice");
  identity.smartCardReader = Bytes("Reader 1");
  return identity;
}

struct Change {
  const char* label;
  std::function<void(CertificateIdentity&)> apply;
  bool identical;
};

void PrintTo(const Change& change, std::ostream* out) { *out << change.label; }

class CertificateIdentityTest : public ::testing::TestWithParam<Change> {};

TEST_P(CertificateIdentityTest, OnlyTheComparedPartsDecide) {
  CertificateIdentity offered = Stored();
  GetParam().apply(offered);
  EXPECT_EQ(GetParam().identical, IsIdenticalCertificate(offered, Stored()));
  EXPECT_EQ(GetParam().identical, IsIdenticalCertificate(Stored(), offered));
}

INSTANTIATE_TEST_SUITE_P(
    Changes, CertificateIdentityTest,
    ::testing::Values(
        Change{"unchanged", [](CertificateIdentity&) {}, true},
        Change{"containerName", [](CertificateIdentity& c) { c.keyProvider->containerName = WSTR("beta"); },
               false},
        Change{"containerNameNull", [](CertificateIdentity& c) { c.keyProvider->containerName.reset(); },
               false},
        Change{"providerName", [](CertificateIdentity& c) { c.keyProvider->providerName = WSTR("provider"); },
               false},
        Change{"keySpec", [](CertificateIdentity& c) { c.keyProvider->keySpec = 2; }, false},
        Change{"providerType", [](CertificateIdentity& c) { c.keyProvider->providerType = 1; }, false},
        Change{"noKeyProvider", [](CertificateIdentity& c) { c.keyProvider.reset(); }, false},
        // the mark is an empty value: present and absent must still differ
        Change{"archived", [](CertificateIdentity& c) { c.archived = CSecureBuffer(); }, false},
        Change{"accountKey", [](CertificateIdentity& c) { c.accountKey = Bytes("cloud/bob"); }, false},
        Change{"accountKeyGone", [](CertificateIdentity& c) { c.accountKey.reset(); }, false},
        Change{"reader", [](CertificateIdentity& c) { c.smartCardReader = Bytes("Reader 2"); }, false}),
    [](const ::testing::TestParamInfo<Change>& info) { return std::string(info.param.label); });

TEST(CertificateIdentityTest, NullNamesAreEqualOnlyToNullNames) {
  CertificateIdentity a = Stored();
  CertificateIdentity b = Stored();
  a.keyProvider->providerName.reset();
  b.keyProvider->providerName.reset();
  EXPECT_TRUE(IsIdenticalCertificate(a, b));
  b.keyProvider->providerName = WString();
  EXPECT_FALSE(IsIdenticalCertificate(a, b));
}

TEST(CertificateIdentityTest, TwoCertificatesWithoutKeyProviderAreNotIdentical) {
  EXPECT_FALSE(IsIdenticalCertificate(CertificateIdentity(), CertificateIdentity()));
}

TEST(WideTextPropertyTest, IsLittleEndianUtf16WithItsTerminatingZero) {
  const CSecureBuffer value = WideTextProperty(WSTR("A\u00e9"));
  const BYTE expected[] = {'A', 0, 0xE9, 0, 0, 0};
  ASSERT_EQ(sizeof(expected), value.size);
  EXPECT_EQ(0, std::memcmp(expected, value.data, value.size));
  EXPECT_EQ(2u, WideTextProperty(WString()).size);
}

}  // namespace
}  // namespace luma::certstore
