#include "foundation/win/certificate_descriptor.h"

#include <gtest/gtest.h>

#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/tests/test_data.h"

namespace {

TEST(CertificateDescriptorTest, KeySpecFollowsTheKeyUsageOfAnEncodedCertificate) {
  struct Case {
    const char* file;
    DWORD keyUsage;
    DWORD keySpec;
  } cases[] = {
      {"alt_names.der", 0xC0, AT_SIGNATURE},           // digitalSignature, nonRepudiation
      {"key_encipherment.der", 0xA0, AT_KEYEXCHANGE},  // digitalSignature, keyEncipherment
      {"no_key_usage.der", 0, AT_KEYEXCHANGE},
  };
  for (const auto& c : cases) {
    const CSecureBuffer encoded = ReadTestData(c.file);
    ASSERT_FALSE(encoded.empty()) << TestDataPath(c.file);
    CCertificateDescriptor descriptor(L"container-1", encoded);
    ASSERT_NE(descriptor.GetCertificate(), nullptr) << c.file;
    EXPECT_EQ(descriptor.keyUsage, c.keyUsage) << c.file;
    EXPECT_EQ(descriptor.keySpec, c.keySpec) << c.file;
    EXPECT_EQ(descriptor.keyLengthBits, 2048u) << c.file;
    EXPECT_EQ(descriptor.containerName, L"container-1");
    EXPECT_TRUE(descriptor.providerName.empty());
    EXPECT_EQ(descriptor.providerType, 0u);
    EXPECT_EQ(descriptor.GetEncodedCertificate(), encoded);
  }
}

TEST(CertificateDescriptorTest, RejectedEncodingLeavesAnEmptyDescriptor) {
  CCertificateDescriptor descriptor(L"c", Bytes({0x30, 0x03, 0x02, 0x01, 0x01}));
  EXPECT_EQ(descriptor.GetCertificate(), nullptr);
  EXPECT_EQ(descriptor.keyLengthBits, 0u);
  EXPECT_EQ(descriptor.keySpec, static_cast<DWORD>(AT_KEYEXCHANGE));
  EXPECT_EQ(descriptor.GetDescription(), L"<undef>");
  EXPECT_TRUE(descriptor.GetEncodedCertificate().empty());
  EXPECT_TRUE(descriptor.GetFriendlyName().empty());

  CCertificateDescriptor none(nullptr);
  EXPECT_EQ(none.GetCertificate(), nullptr);
  EXPECT_EQ(none.keySpec, static_cast<DWORD>(AT_KEYEXCHANGE));
}

TEST(CertificateDescriptorTest, DescriptionShowsNamesMostSpecificFirstAndTheSerialWithLeadingZeros) {
  CCertificateDescriptor descriptor(L"c", ReadTestData("alt_names.der"));  // serial 0x80: DER 00 80
  EXPECT_EQ(descriptor.GetDescription(),
            L"'CN=Alice Example, O=Example', serial number 0080, issued by 'CN=Alice Example, O=Example'");
}

TEST(CertificateDescriptorTest, ContextWithKeyProviderInformationAndCopies) {
  const CSecureBuffer encoded = ReadTestData("key_encipherment.der");
  luma::CCertContextHandle context(
      CertCreateCertificateContext(X509_ASN_ENCODING, encoded.data, encoded.size));
  ASSERT_TRUE(context);
  CRYPT_KEY_PROV_INFO info = {};
  info.pwszContainerName = const_cast<wchar_t*>(L"6a1b-container");
  info.pwszProvName = const_cast<wchar_t*>(L"Example Provider");
  info.dwProvType = 24;
  info.dwFlags = CRYPT_SILENT;
  info.dwKeySpec = AT_SIGNATURE;
  ASSERT_TRUE(CertSetCertificateContextProperty(context.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
  const wchar_t friendly[] = L"Bob";
  CRYPT_DATA_BLOB name = {sizeof(friendly), reinterpret_cast<BYTE*>(const_cast<wchar_t*>(friendly))};
  ASSERT_TRUE(CertSetCertificateContextProperty(context.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &name));

  auto descriptor = std::make_unique<CCertificateDescriptor>(context.get());
  context.reset();  // the descriptor holds its own reference
  EXPECT_EQ(descriptor->providerName, L"Example Provider");
  EXPECT_EQ(descriptor->containerName, L"6a1b-container");
  EXPECT_EQ(descriptor->keySpec, static_cast<DWORD>(AT_SIGNATURE));
  EXPECT_EQ(descriptor->providerType, 24u);
  EXPECT_EQ(descriptor->providerFlags, static_cast<DWORD>(CRYPT_SILENT));
  EXPECT_EQ(descriptor->keyUsage, 0u);  // not read from a context
  EXPECT_EQ(descriptor->keyLengthBits, 2048u);
  EXPECT_EQ(descriptor->GetFriendlyName(), Bytes({'B', 0, 'o', 0, 'b', 0, 0, 0, 0, 0}));

  CCertificateDescriptor copy(*descriptor);
  CCertificateDescriptor assigned;
  assigned = *descriptor;
  assigned = assigned;
  descriptor.reset();
  for (const CCertificateDescriptor* d : {&copy, &assigned}) {
    ASSERT_NE(d->GetCertificate(), nullptr);
    EXPECT_EQ(d->GetEncodedCertificate(), encoded);
    EXPECT_EQ(d->containerName, L"6a1b-container");
    EXPECT_EQ(d->keySpec, static_cast<DWORD>(AT_SIGNATURE));
    EXPECT_EQ(d->GetFriendlyName().size, 10u);
  }
}

}  // namespace
