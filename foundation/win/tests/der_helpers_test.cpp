#include "foundation/win/der_helpers.h"

#include <gtest/gtest.h>

#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/tests/test_data.h"
#include "foundation/win/unique_handle.h"

namespace {

TEST(DerHelpersTest, DecodersOfTheEdgeCaseTable) {
  std::vector<CSecureBuffer> elements{Bytes({0x01})};
  ASSERT_TRUE(luma::DecodeSequenceOfAny(Bytes({0x30, 0x06, 0x02, 0x01, 0x01, 0x04, 0x01, 0xAA}), elements));
  ASSERT_EQ(elements.size(), 3u);  // appended, not replaced
  EXPECT_EQ(elements[1], Bytes({0x02, 0x01, 0x01}));
  EXPECT_EQ(elements[2], Bytes({0x04, 0x01, 0xAA}));
  EXPECT_FALSE(luma::DecodeSequenceOfAny(Bytes({0x30, 0x05, 0x02, 0x01}), elements));
  EXPECT_EQ(elements.size(), 3u);

  LONG value = 7;
  ASSERT_TRUE(luma::DecodeInteger(Bytes({0x02, 0x01, 0xFF}), value));
  EXPECT_EQ(value, -1);
  EXPECT_FALSE(luma::DecodeInteger(Bytes({0x02, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00}), value));
  EXPECT_EQ(value, -1);

  CSecureBuffer octets = Bytes({0x99});
  ASSERT_TRUE(luma::DecodeOctetString(Bytes({0x04, 0x02, 0xAA, 0xBB}), octets));
  EXPECT_EQ(octets, Bytes({0xAA, 0xBB}));
  EXPECT_FALSE(luma::DecodeOctetString(Bytes({0x03, 0x01, 0x00}), octets));
  EXPECT_EQ(octets, Bytes({0xAA, 0xBB}));

  std::wstring text;
  ASSERT_TRUE(luma::DecodeUnicodeString(Bytes({0x16, 0x03, 'a', 'b', 'c'}), text));
  EXPECT_EQ(text, L"abc");
  ASSERT_TRUE(luma::DecodeUnicodeString(Bytes({0x0C, 0x02, 0xC3, 0xA4}), text));
  EXPECT_EQ(text, L"\u00e4");

  CSecureBuffer bits;
  DWORD unused = 0;
  ASSERT_TRUE(luma::DecodeBitString(Bytes({0x03, 0x02, 0x05, 0xA0}), bits, unused));
  EXPECT_EQ(bits, Bytes({0xA0}));
  EXPECT_EQ(unused, 5u);
}

TEST(DerHelpersTest, ContextTagIsReTaggedAndOnlyTheLowTagFormIsRead) {
  DWORD tag = 99;
  CSecureBuffer inner = Bytes({0x42});
  ASSERT_TRUE(luma::DecodeContextTag(Bytes({0xA1, 0x05, 0x16, 0x03, 'a', 'b', 'c'}), tag, inner));
  EXPECT_EQ(tag, 1u);
  EXPECT_EQ(inner, Bytes({0x16, 0x03, 'a', 'b', 'c'}));
  std::wstring text;
  ASSERT_TRUE(luma::DecodeUnicodeString(inner, text));
  EXPECT_EQ(text, L"abc");

  const CSecureBuffer rejected[] = {
      Bytes({0x80, 0x01, 0x00}),                    // context-specific but primitive
      Bytes({0x30, 0x00}),                          // a SEQUENCE
      Bytes({0xA0}),                                // one byte
      Bytes({0xBF, 0x21, 0x03, 0x02, 0x01, 0x05}),  // high-tag-number form: tag 33, not 31
      Bytes({0xA2, 0x05, 0x02, 0x01}),              // length beyond the data
  };
  for (const CSecureBuffer& bad : rejected) {
    EXPECT_FALSE(luma::DecodeContextTag(bad, tag, inner)) << ::testing::PrintToString(bad);
    EXPECT_EQ(tag, 1u);
  }
}

TEST(DerHelpersTest, TimeInBothFormsGivesTheSameInstant) {
  FILETIME utc = {}, generalized = {};
  const char utcText[] = "240305140709Z";
  const char generalizedText[] = "20240305140709Z";
  CSecureBuffer utcEncoding = Bytes({0x17, 13});
  utcEncoding.Append(13, utcText);
  CSecureBuffer generalizedEncoding = Bytes({0x18, 15});
  generalizedEncoding.Append(15, generalizedText);
  ASSERT_TRUE(luma::DecodeTime(utcEncoding, utc));
  ASSERT_TRUE(luma::DecodeTime(generalizedEncoding, generalized));
  EXPECT_EQ(utc.dwLowDateTime, generalized.dwLowDateTime);
  EXPECT_EQ(utc.dwHighDateTime, generalized.dwHighDateTime);
  SYSTEMTIME st = {};
  ASSERT_TRUE(FileTimeToSystemTime(&utc, &st));
  EXPECT_EQ(st.wYear, 2024);
  EXPECT_EQ(st.wMonth, 3);
  EXPECT_EQ(st.wDay, 5);
  EXPECT_EQ(st.wHour, 14);
  EXPECT_EQ(st.wSecond, 9);
  EXPECT_FALSE(luma::DecodeTime(Bytes({0x04, 0x01, 0x00}), utc));
}

TEST(DerHelpersTest, EncodersOfTheEdgeCaseTable) {
  CSecureBuffer out;
  ASSERT_TRUE(luma::EncodeIA5String(std::wstring(L"abc"), out));
  EXPECT_EQ(out, Bytes({0x16, 0x03, 0x61, 0x62, 0x63}));
  const std::wstring abc = L"abc";
  ASSERT_TRUE(luma::EncodeUTF8String(CSecureBuffer(6, abc.data()), out));
  EXPECT_EQ(out, Bytes({0x0C, 0x03, 0x61, 0x62, 0x63}));
  const std::wstring umlaut = L"\u00e4";
  ASSERT_TRUE(luma::EncodeUTF8String(CSecureBuffer(2, umlaut.data()), out));
  EXPECT_EQ(out, Bytes({0x0C, 0x02, 0xC3, 0xA4}));
  EXPECT_FALSE(luma::EncodeIA5String(umlaut, out));  // outside IA5
  EXPECT_EQ(out, Bytes({0x0C, 0x02, 0xC3, 0xA4}));

  ASSERT_TRUE(luma::EncodeOctetString(CSecureBuffer(), out));
  EXPECT_EQ(out, Bytes({0x04, 0x00}));
  ASSERT_TRUE(luma::EncodeSequenceOfAny({}, out));
  EXPECT_EQ(out, Bytes({0x30, 0x00}));
  ASSERT_TRUE(luma::EncodeSequenceOfAny({Bytes({0x02, 0x01, 0x01}), Bytes({0x04, 0x01, 0xAA})}, out));
  EXPECT_EQ(out, Bytes({0x30, 0x06, 0x02, 0x01, 0x01, 0x04, 0x01, 0xAA}));
}

TEST(DerHelpersTest, MemoryFailureIsAFailureNeverAnEmptySuccess) {
  const CSecureBuffer before = Bytes({0x77});
  const CSecureBuffer octets = Bytes({0x01, 0x02});
  const CSecureBuffer octetString = Bytes({0x04, 0x02, 0xAA, 0xBB});
  const CSecureBuffer sequence = Bytes({0x30, 0x03, 0x02, 0x01, 0x01});
  const CSecureBuffer tagged = Bytes({0xA1, 0x03, 0x02, 0x01, 0x05});
  CSecureBuffer out = before;
  luma::testing::FailNextHeapAllocations(1);
  EXPECT_FALSE(luma::EncodeOctetString(octets, out));
  EXPECT_EQ(out, before);
  luma::testing::FailNextHeapAllocations(1);
  EXPECT_FALSE(luma::DecodeOctetString(octetString, out));
  EXPECT_EQ(out, before);
  std::vector<CSecureBuffer> elements;
  luma::testing::FailNextHeapAllocations(1);
  EXPECT_FALSE(luma::DecodeSequenceOfAny(sequence, elements));
  EXPECT_TRUE(elements.empty());
  DWORD tag = 0;
  luma::testing::FailNextHeapAllocations(1);
  EXPECT_FALSE(luma::DecodeContextTag(tagged, tag, out));
  EXPECT_EQ(out, before);
  luma::testing::FailNextHeapAllocations(0);
}

TEST(DerHelpersTest, AlgorithmIdentifierMatchesTheDigestInfoOpenSslWrote) {
  const CSecureBuffer openSslIdentifier =
      Bytes({0x30, 0x0D, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00});
  CSecureBuffer encoding;
  ASSERT_TRUE(luma::EncodeAlgorithmIdentifier("2.16.840.1.101.3.4.2.1", encoding));
  EXPECT_EQ(encoding, openSslIdentifier);
  std::string oid;
  ASSERT_TRUE(luma::DecodeAlgorithmIdentifier(openSslIdentifier, oid));
  EXPECT_EQ(oid, "2.16.840.1.101.3.4.2.1");
  EXPECT_FALSE(luma::DecodeAlgorithmIdentifier(Bytes({0x30, 0x03, 0x02, 0x01, 0x01}), oid));
  EXPECT_EQ(oid, "2.16.840.1.101.3.4.2.1");

  // The DigestInfo inside an OpenSSL signature, taken apart with the helpers.
  CSecureBuffer block = ReadTestData("sha256_signature_block.bin");
  ASSERT_EQ(block.size, 256u);
  CSecureBuffer digestInfo(block.size - 205, block.data + 205);  // 00 01, 202 x FF, 00
  ASSERT_EQ(digestInfo.data[0], 0x30);
  std::vector<CSecureBuffer> parts;
  ASSERT_TRUE(luma::DecodeSequenceOfAny(digestInfo, parts));
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0], openSslIdentifier);
  CSecureBuffer digest;
  ASSERT_TRUE(luma::DecodeOctetString(parts[1], digest));
  EXPECT_EQ(digest, ReadTestData("sha256_digest.bin"));
}

TEST(DerHelpersTest, HashAlgorithmsHaveTheirCngNames) {
  struct Case {
    const char* oid;
    ALG_ID algId;
    const wchar_t* name;
  } cases[] = {
      {"1.3.14.3.2.26", CALG_SHA1, L"SHA1"},
      {"2.16.840.1.101.3.4.2.1", CALG_SHA_256, L"SHA256"},
      {"2.16.840.1.101.3.4.2.2", CALG_SHA_384, L"SHA384"},
      {"2.16.840.1.101.3.4.2.3", CALG_SHA_512, L"SHA512"},
      {"1.2.840.113549.2.5", CALG_MD5, L"MD5"},
  };
  for (const auto& c : cases) {
    ALG_ID algId = 0;
    std::wstring name;
    ASSERT_TRUE(luma::LookupHashAlgorithm(c.oid, algId, name)) << c.oid;
    EXPECT_EQ(algId, c.algId) << c.oid;
    EXPECT_EQ(name, c.name) << c.oid;
  }
  ALG_ID algId = 0;
  std::wstring name = L"x";
  EXPECT_FALSE(luma::LookupHashAlgorithm("1.2.3.4", algId, name));
  EXPECT_EQ(algId, 0xFFFFFFFFu);
  EXPECT_TRUE(name.empty());
}

// The certificate's extensions, found with the platform.
CSecureBuffer PlatformExtension(const CSecureBuffer& certificate, const char* oid) {
  const luma::CCertContextHandle context(
      CertCreateCertificateContext(X509_ASN_ENCODING, certificate.data, certificate.size));
  if (!context) return CSecureBuffer();
  const CERT_INFO* info = context.get()->pCertInfo;
  const CERT_EXTENSION* extension = CertFindExtension(oid, info->cExtension, info->rgExtension);
  return extension != nullptr ? CSecureBuffer(extension->Value.cbData, extension->Value.pbData)
                              : CSecureBuffer();
}

TEST(DerHelpersTest, CertificateNamesAndTemplateAsOpenSslReadsThem) {
  const CSecureBuffer certificate = ReadTestData("alt_names.der");
  ASSERT_FALSE(certificate.empty()) << TestDataPath("alt_names.der");

  std::vector<luma::der::AltName> names;
  ASSERT_TRUE(luma::DecodeSubjectAltName(PlatformExtension(certificate, szOID_SUBJECT_ALT_NAME2), names));
  std::vector<std::vector<std::string>> seen;
  for (const auto& name : names) {
    if (name.choice == CERT_ALT_NAME_RFC822_NAME) seen.push_back({"rfc822", Narrow(name.text)});
    if (name.choice == CERT_ALT_NAME_DNS_NAME) seen.push_back({"dns", Narrow(name.text)});
    if (name.choice == CERT_ALT_NAME_URL) seen.push_back({"url", Narrow(name.text)});
    if (name.choice == CERT_ALT_NAME_OTHER_NAME && name.oid == luma::der::kUpnOtherNameOid) {
      seen.push_back({"upn", Narrow(name.text)});
      std::wstring upn;  // the value decodes as a Unicode string, as the filters decode it
      ASSERT_TRUE(luma::DecodeUnicodeString(name.value, upn));
      EXPECT_EQ(upn, name.text);
    }
    if (name.choice == CERT_ALT_NAME_IP_ADDRESS) {
      ASSERT_EQ(name.value.size, 4u);
      std::string ip;
      for (int i = 0; i < 4; ++i) ip += (i ? "." : "") + std::to_string(name.value.data[i]);
      seen.push_back({"ip", ip});
    }
  }
  EXPECT_EQ(seen, ExpectedLines("san"));

  const auto expected = ExpectedLines("template");
  ASSERT_EQ(expected.size(), 1u);
  luma::der::CertificateTemplate value;
  ASSERT_TRUE(
      luma::DecodeCertificateTemplate(PlatformExtension(certificate, szOID_CERTIFICATE_TEMPLATE), value));
  EXPECT_EQ(value.oid, expected[0].at(0));
  EXPECT_EQ(std::to_string(value.majorVersion), expected[0].at(1));
  EXPECT_TRUE(value.hasMinorVersion);
  EXPECT_EQ(std::to_string(value.minorVersion), expected[0].at(2));

  // A certificate without an otherName takes the platform's own path.
  names.clear();
  ASSERT_TRUE(luma::DecodeSubjectAltName(
      PlatformExtension(ReadTestData("key_encipherment.der"), szOID_SUBJECT_ALT_NAME2), names));
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(Narrow(names[0].text), ExpectedLines("san2").at(0).at(1));
}

}  // namespace
