#include "foundation/core/der_structures.h"

#include <gtest/gtest.h>

#include "foundation/core/der_codec.h"
#include "foundation/core/pkcs1_padding.h"
#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/tests/test_data.h"

namespace {
using namespace luma::der;

const CSecureBuffer kSha256AlgorithmIdentifier =
    Bytes({0x30, 0x0D, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00});

// Alternative names as the tests compare them: kind and text, in certificate order.
std::vector<std::vector<std::string>> Describe(const std::vector<AltName>& names) {
  std::vector<std::vector<std::string>> result;
  for (const AltName& name : names) {
    switch (name.choice) {
      case kAltNameRfc822:
        result.push_back({"rfc822", Narrow(name.text)});
        break;
      case kAltNameDns:
        result.push_back({"dns", Narrow(name.text)});
        break;
      case kAltNameUrl:
        result.push_back({"url", Narrow(name.text)});
        break;
      case kAltNameOtherName:
        result.push_back({name.oid == kUpnOtherNameOid ? "upn" : name.oid, Narrow(name.text)});
        break;
      case kAltNameIpAddress: {
        std::string text;
        for (DWORD i = 0; i < name.value.size; ++i)
          text += (i ? "." : "") + std::to_string(name.value.data[i]);
        result.push_back({"ip", text});
        break;
      }
      default:
        result.push_back({"choice " + std::to_string(name.choice), ""});
    }
  }
  return result;
}

TEST(DerStructuresTest, AlgorithmIdentifierRoundTrip) {
  CSecureBuffer encoding;
  ASSERT_TRUE(BuildAlgorithmIdentifier("2.16.840.1.101.3.4.2.1", encoding));
  EXPECT_EQ(encoding, kSha256AlgorithmIdentifier);
  AlgorithmIdentifier decoded;
  ASSERT_TRUE(ParseAlgorithmIdentifier(encoding, decoded));
  EXPECT_EQ(decoded.oid, "2.16.840.1.101.3.4.2.1");
  EXPECT_EQ(decoded.parameters, Bytes({0x05, 0x00}));

  ASSERT_TRUE(ParseAlgorithmIdentifier(Bytes({0x30, 0x03, 0x06, 0x01, 0x2A}), decoded));
  EXPECT_EQ(decoded.oid, "1.2");
  EXPECT_TRUE(decoded.parameters.empty());
  for (const CSecureBuffer& bad :
       {Bytes({0x30, 0x00}), Bytes({0x30, 0x03, 0x02, 0x01, 0x2A}), Bytes({0x31, 0x03, 0x06, 0x01, 0x2A}),
        Bytes({0x30, 0x07, 0x06, 0x01, 0x2A, 0x05, 0x00, 0x05, 0x00})}) {
    EXPECT_FALSE(ParseAlgorithmIdentifier(bad, decoded)) << ::testing::PrintToString(bad);
  }
  EXPECT_EQ(decoded.oid, "1.2");  // failures leave the output alone
  EXPECT_FALSE(BuildAlgorithmIdentifier("not an oid", encoding));
}

TEST(DerStructuresTest, CertificateTemplateWithAndWithoutMinorVersion) {
  CertificateTemplate value;
  ASSERT_TRUE(
      ParseCertificateTemplate(Bytes({0x30, 0x08, 0x06, 0x03, 0x2B, 0x06, 0x01, 0x02, 0x01, 0x64}), value));
  EXPECT_EQ(value.oid, "1.3.6.1");
  EXPECT_EQ(value.majorVersion, 100u);
  EXPECT_FALSE(value.hasMinorVersion);
  for (const CSecureBuffer& bad : {Bytes({0x30, 0x05, 0x06, 0x03, 0x2B, 0x06, 0x01}),
                                   Bytes({0x30, 0x08, 0x06, 0x03, 0x2B, 0x06, 0x01, 0x02, 0x01, 0xFF}),
                                   Bytes({0x30, 0x08, 0x06, 0x03, 0x2B, 0x06, 0x01, 0x04, 0x01, 0x01})}) {
    EXPECT_FALSE(ParseCertificateTemplate(bad, value)) << ::testing::PrintToString(bad);
  }
}

TEST(DerStructuresTest, OpenSslCertificateExtensionsReadAsOpenSslReadsThem) {
  const CSecureBuffer certificate = ReadTestData("alt_names.der");
  ASSERT_FALSE(certificate.empty()) << "fixture missing: " << TestDataPath("alt_names.der");

  std::vector<AltName> names;
  ASSERT_TRUE(ParseSubjectAltName(FindCertificateExtension(certificate, "2.5.29.17"), names));
  EXPECT_EQ(Describe(names), ExpectedLines("san"));

  const auto expectedTemplate = ExpectedLines("template");
  ASSERT_EQ(expectedTemplate.size(), 1u);
  CertificateTemplate value;
  ASSERT_TRUE(ParseCertificateTemplate(FindCertificateExtension(certificate, "1.3.6.1.4.1.311.21.7"), value));
  EXPECT_EQ(value.oid, expectedTemplate[0].at(0));
  EXPECT_EQ(std::to_string(value.majorVersion), expectedTemplate[0].at(1));
  ASSERT_TRUE(value.hasMinorVersion);
  EXPECT_EQ(std::to_string(value.minorVersion), expectedTemplate[0].at(2));
}

TEST(DerStructuresTest, SubjectAltNameRejectsMalformedNamesAsAWhole) {
  std::vector<AltName> names(1);
  const CSecureBuffer cases[] = {
      Bytes({0x30, 0x03, 0x82, 0x01, 0xE4}),                                      // DNS name outside IA5
      Bytes({0x30, 0x04, 0x87, 0x02, 0x7F, 0x01}),                                // IP address of 2 bytes
      Bytes({0x30, 0x05, 0xA0, 0x03, 0x06, 0x01, 0x2A}),                          // otherName without value
      Bytes({0x30, 0x03, 0x89, 0x01, 0x00}),                                      // no such choice
      Bytes({0x30, 0x03, 0x02, 0x01, 0x00}),                                      // not context-specific
      Bytes({0x30, 0x09, 0xA0, 0x07, 0x06, 0x01, 0x2A, 0xA0, 0x02, 0x0C, 0x01}),  // value cut off
  };
  for (const CSecureBuffer& bad : cases) {
    EXPECT_FALSE(ParseSubjectAltName(bad, names)) << ::testing::PrintToString(bad);
    EXPECT_EQ(names.size(), 1u);
  }
  // An otherName whose value is no string keeps its value and has no text.
  ASSERT_TRUE(ParseSubjectAltName(
      Bytes({0x30, 0x0A, 0xA0, 0x08, 0x06, 0x01, 0x2A, 0xA0, 0x03, 0x02, 0x01, 0x05}), names));
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].oid, "1.2");
  EXPECT_EQ(names[0].value, Bytes({0x02, 0x01, 0x05}));
  EXPECT_TRUE(names[0].text.empty());
}

TEST(DerStructuresTest, CngHashNames) {
  EXPECT_EQ(WString(CngHashAlgorithmName(0x8004)), WSTR("SHA1"));
  EXPECT_EQ(WString(CngHashAlgorithmName(0x800C)), WSTR("SHA256"));
  EXPECT_EQ(WString(CngHashAlgorithmName(0x800D)), WSTR("SHA384"));
  EXPECT_EQ(WString(CngHashAlgorithmName(0x800E)), WSTR("SHA512"));
  EXPECT_EQ(WString(CngHashAlgorithmName(0x8003)), WSTR("MD5"));
  EXPECT_EQ(CngHashAlgorithmName(0x8002), nullptr);  // MD4 has no DigestInfo here
}

TEST(DerStructuresTest, DigestInfoHashesAreFoundByIdAndByOid) {
  const DigestInfoHash* sha256 = DigestInfoHashOf(0x800C);
  ASSERT_NE(sha256, nullptr);
  EXPECT_STREQ(sha256->oid, "2.16.840.1.101.3.4.2.1");
  EXPECT_EQ(sha256->hashSize, 32u);
  EXPECT_EQ(DigestInfoHashOfOid("1.3.14.3.2.26"), DigestInfoHashOf(0x8004));
  EXPECT_EQ(DigestInfoHashOf(0x8002), nullptr);
  EXPECT_EQ(DigestInfoHashOfOid("1.2.840.113549.2.2"), nullptr);  // MD2
}

TEST(DerStructuresTest, OpenSslSignatureBlockYieldsTheDigestInfo) {
  const CSecureBuffer block = ReadTestData("sha256_signature_block.bin");
  const CSecureBuffer digest = ReadTestData("sha256_digest.bin");
  ASSERT_EQ(block.size, 256u);
  ASSERT_EQ(digest.size, 32u);
  const CSecureBuffer digestInfo = luma::RemovePkcs1Type1Padding(block);
  Element info;
  std::vector<Element> parts;
  ASSERT_TRUE(ReadWholeElement(digestInfo.data, digestInfo.size, info));
  ASSERT_TRUE(ReadChildren(info, parts));
  ASSERT_EQ(parts.size(), 2u);
  const CSecureBuffer algorithm(parts[0].encodingSize, parts[0].encoding);
  EXPECT_EQ(algorithm, kSha256AlgorithmIdentifier);  // our encoder writes what OpenSSL wrote
  AlgorithmIdentifier decoded;
  ASSERT_TRUE(ParseAlgorithmIdentifier(algorithm, decoded));
  EXPECT_EQ(decoded.oid, "2.16.840.1.101.3.4.2.1");
  EXPECT_EQ(CSecureBuffer(parts[1].contentSize, parts[1].content), digest);
}

}  // namespace
