// The three objects of a certificate, read from the fixture certificates and compared with what
// OpenSSL reads from the same certificates.
#include <gtest/gtest.h>

#include "pkcs11/module/certificate_access.h"
#include "pkcs11/module/rsa_keys.h"
#include "pkcs11/module/tests/token_test_support.h"
#include "pkcs11/module/x509_certificate.h"

namespace {

const Bytes kTrue = {1};
const Bytes kFalse = {0};
const Bytes kZeroDate(8, 0);

Bytes ulong(CK_ULONG value) { return bytesOf(CByteBuffer::fromUlong(value)); }

struct Expected {
  CK_ATTRIBUTE_TYPE type;
  Bytes value;
};

void expectTable(const CPKCS11Object& object, const std::vector<Expected>& table) {
  for (const Expected& expected : table) {
    const CAttributeAnswer answer = readAttribute(object, expected.type);
    EXPECT_EQ(answer.result, CKR_OK) << std::hex << expected.type;
    EXPECT_EQ(answer.value, expected.value) << std::hex << expected.type;
  }
}

void expectResult(const CPKCS11Object& object, CK_RV result, const std::vector<CK_ATTRIBUTE_TYPE>& types) {
  for (CK_ATTRIBUTE_TYPE type : types) {
    EXPECT_EQ(readAttribute(object, type).result, result) << std::hex << type;
  }
}

class CertificateObjectsTest : public ::testing::Test {
 protected:
  CertificateObjectsTest()
      : store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr)) {}

  luma::CCertContextHandle add(const std::string& fixture, DWORD keySpec = AT_SIGNATURE,
                               bool keyInfo = true) {
    CCertificateSetup setup;
    setup.fixture = fixture;
    setup.keySpec = keySpec;
    setup.keyProviderInfo = keyInfo;
    return addCertificate(store.get(), setup);
  }

  luma::CCertStoreHandle store;
};

TEST_F(CertificateObjectsTest, CertificateObjectAnswersEveryAttributeOfItsTable) {
  const luma::CCertContextHandle signing = add("signing");
  const CPKCS11X509Certificate certificate(signing.get(), "Alice");
  const Bytes sha1 = expectedValue("signing", "sha1");
  expectTable(certificate, {
                               {CKA_CLASS, ulong(CKO_CERTIFICATE)},
                               {CKA_TOKEN, kTrue},
                               {CKA_PRIVATE, kFalse},
                               {CKA_LABEL, bytesOf(std::string("Alice"))},
                               {CKA_MODIFIABLE, kFalse},
                               {CKA_VALUE, fixtureCertificate("signing")},
                               {CKA_CERTIFICATE_TYPE, ulong(CKC_X_509)},
                               {CKA_ISSUER, expectedValue("signing", "issuer")},
                               {CKA_SERIAL_NUMBER, expectedValue("signing", "serial")},
                               {CKA_TRUSTED, kFalse},
                               {CKA_CERTIFICATE_CATEGORY, ulong(CK_CERTIFICATE_CATEGORY_TOKEN_USER)},
                               {CKA_CHECK_VALUE, Bytes(sha1.begin(), sha1.begin() + 3)},
                               {CKA_SUBJECT, expectedValue("signing", "subject")},
                               {CKA_ID, sha1},
                               {CKA_START_DATE, kZeroDate},
                               {CKA_END_DATE, kZeroDate},
                           });
  EXPECT_EQ(expectedValue("signing", "serial"), (Bytes{0x02, 0x02, 0x12, 0x34}));
  expectResult(certificate, CKR_ATTRIBUTE_TYPE_INVALID,
               {CKA_KEY_TYPE, CKA_MODULUS, CKA_SIGN, CKA_APPLICATION});
}

TEST_F(CertificateObjectsTest, PrivateKeyAnswersItsTableAndHidesThePrivateComponents) {
  const luma::CCertContextHandle signing = add("signing", AT_SIGNATURE);
  const CPKCS11RSAPrivateKey key(signing.get(), "Alice");
  const Bytes modulus = expectedValue("signing", "modulus");
  ASSERT_EQ(modulus.size(), 256u);
  ASSERT_NE(modulus[0], 0);
  expectTable(key, {
                       {CKA_CLASS, ulong(CKO_PRIVATE_KEY)},
                       {CKA_TOKEN, kTrue},
                       {CKA_PRIVATE, kTrue},
                       {CKA_LABEL, bytesOf(std::string("Alice"))},
                       {CKA_MODIFIABLE, kFalse},
                       {CKA_KEY_TYPE, ulong(CKK_RSA)},
                       {CKA_ID, expectedValue("signing", "sha1")},
                       {CKA_DERIVE, kFalse},
                       {CKA_START_DATE, kZeroDate},
                       {CKA_END_DATE, kZeroDate},
                       {CKA_LOCAL, kFalse},
                       {CKA_SUBJECT, expectedValue("signing", "subject")},
                       {CKA_SENSITIVE, kTrue},
                       {CKA_DECRYPT, kFalse},  // AT_SIGNATURE
                       {CKA_UNWRAP, kFalse},
                       {CKA_SIGN, kTrue},
                       {CKA_SIGN_RECOVER, kFalse},
                       {CKA_EXTRACTABLE, kFalse},
                       {CKA_NEVER_EXTRACTABLE, kTrue},
                       {CKA_ALWAYS_SENSITIVE, kTrue},
                       {CKA_ALWAYS_AUTHENTICATE, kFalse},
                       {CKA_WRAP_WITH_TRUSTED, kFalse},
                       {CKA_MODULUS, modulus},
                       {CKA_PUBLIC_EXPONENT, (Bytes{0x01, 0x00, 0x01})},
                   });
  expectResult(
      key, CKR_ATTRIBUTE_SENSITIVE,
      {CKA_PRIVATE_EXPONENT, CKA_PRIME_1, CKA_PRIME_2, CKA_EXPONENT_1, CKA_EXPONENT_2, CKA_COEFFICIENT});
  expectResult(key, CKR_ATTRIBUTE_TYPE_INVALID, {CKA_MODULUS_BITS, CKA_VALUE, CKA_ENCRYPT, CKA_VERIFY});
}

TEST_F(CertificateObjectsTest, DecryptFollowsTheKeySpecOfTheKeyProviderInformation) {
  const luma::CCertContextHandle exchange = add("encryption", AT_KEYEXCHANGE);
  const luma::CCertContextHandle signature = add("signing", AT_SIGNATURE);
  const luma::CCertContextHandle none = add("plain_a", AT_KEYEXCHANGE, false);
  EXPECT_EQ(readAttribute(CPKCS11RSAPrivateKey(exchange.get(), "x"), CKA_DECRYPT).value, kTrue);
  EXPECT_EQ(readAttribute(CPKCS11RSAPrivateKey(signature.get(), "x"), CKA_DECRYPT).value, kFalse);
  EXPECT_EQ(readAttribute(CPKCS11RSAPrivateKey(none.get(), "x"), CKA_DECRYPT).value, kFalse);
  EXPECT_EQ(readAttribute(CPKCS11RSAPrivateKey(signature.get(), "x"), CKA_SIGN).value, kTrue);
}

TEST_F(CertificateObjectsTest, PublicKeyUsagesFollowTheKeyUsageExtension) {
  struct Case {
    const char* fixture;
    Bytes encrypt, verify;
  };
  const Case cases[] = {
      {"signing", kFalse, kTrue},     // digitalSignature, nonRepudiation
      {"encryption", kTrue, kFalse},  // keyEncipherment, dataEncipherment
      {"plain_a", kTrue, kTrue},      // no key usage extension
  };
  for (const Case& c : cases) {
    const luma::CCertContextHandle context = add(c.fixture);
    const CPKCS11RSAPublicKey key(context.get(), "Key");
    expectTable(key, {
                         {CKA_CLASS, ulong(CKO_PUBLIC_KEY)},
                         {CKA_PRIVATE, kFalse},
                         {CKA_MODIFIABLE, kFalse},
                         {CKA_KEY_TYPE, ulong(CKK_RSA)},
                         {CKA_ID, expectedValue(c.fixture, "sha1")},
                         {CKA_TRUSTED, kFalse},
                         {CKA_SUBJECT, expectedValue(c.fixture, "subject")},
                         {CKA_ENCRYPT, c.encrypt},
                         {CKA_WRAP, kFalse},
                         {CKA_VERIFY, c.verify},
                         {CKA_VERIFY_RECOVER, kFalse},
                         {CKA_MODULUS, expectedValue(c.fixture, "modulus")},
                         {CKA_MODULUS_BITS, ulong(2048)},
                         {CKA_PUBLIC_EXPONENT, expectedValue(c.fixture, "exponent")},
                     });
    expectResult(key, CKR_ATTRIBUTE_TYPE_INVALID, {CKA_SIGN, CKA_DECRYPT, CKA_PRIVATE_EXPONENT, CKA_VALUE});
  }
}

TEST_F(CertificateObjectsTest, SerialNumberAboveOneHundredTwentySevenBytesUsesTheLongLengthForm) {
  const luma::CCertContextHandle context = add("long_serial");
  const CPKCS11X509Certificate certificate(context.get(), "Long");
  const Bytes serial = readAttribute(certificate, CKA_SERIAL_NUMBER).value;
  ASSERT_EQ(serial.size(), 3u + 150u);
  EXPECT_EQ(Bytes(serial.begin(), serial.begin() + 3), (Bytes{0x02, 0x81, 0x96}));
  EXPECT_EQ(serial, expectedValue("long_serial", "serial"));
}

TEST_F(CertificateObjectsTest, TheThreeObjectsShareIdLabelAndHashAndCopiesOutliveTheStore) {
  const luma::CCertContextHandle context = add("encryption", AT_KEYEXCHANGE);
  std::vector<std::unique_ptr<CPKCS11Object>> copies;
  {
    const CPKCS11X509Certificate certificate(context.get(), "Alice");
    const CPKCS11RSAPrivateKey privateKey(context.get(), "Alice");
    const CPKCS11RSAPublicKey publicKey(context.get(), "Alice");
    for (const CPKCS11Object* object :
         std::initializer_list<const CPKCS11Object*>{&certificate, &privateKey, &publicKey}) {
      EXPECT_EQ(readAttribute(*object, CKA_ID).value, expectedValue("encryption", "sha1"));
      EXPECT_EQ(bytesOf(object->getCertificateHash()), expectedValue("encryption", "sha1"));
      EXPECT_EQ(object->getLabel(), "Alice");
      copies.push_back(object->clone());
    }
  }
  store.reset();  // each copy holds a duplicate of the context
  ASSERT_NE(dynamic_cast<CPKCS11X509Certificate*>(copies[0].get()), nullptr);
  ASSERT_NE(dynamic_cast<CPKCS11RSAPrivateKey*>(copies[1].get()), nullptr);
  ASSERT_NE(dynamic_cast<CPKCS11RSAPublicKey*>(copies[2].get()), nullptr);
  EXPECT_EQ(readAttribute(*copies[0], CKA_VALUE).value, fixtureCertificate("encryption"));
  EXPECT_EQ(readAttribute(*copies[1], CKA_DECRYPT).value, kTrue);
  EXPECT_EQ(readAttribute(*copies[2], CKA_MODULUS).value, expectedValue("encryption", "modulus"));
}

TEST_F(CertificateObjectsTest, LabelLengthQueryAndShortBuffer) {
  const luma::CCertContextHandle context = add("signing");
  const CPKCS11X509Certificate certificate(context.get(), "Alice");
  CK_ATTRIBUTE query = {CKA_LABEL, nullptr, 0};
  EXPECT_EQ(certificate.getAttributeValue(query), CKR_OK);
  EXPECT_EQ(query.ulValueLen, 5u);
  char buffer[4] = {'-', '-', '-', '-'};
  CK_ATTRIBUTE shortBuffer = {CKA_LABEL, buffer, 4};
  EXPECT_EQ(certificate.getAttributeValue(shortBuffer), CKR_BUFFER_TOO_SMALL);
  EXPECT_EQ(shortBuffer.ulValueLen, 5u);
  EXPECT_EQ(std::string(buffer, 4), "----");
}

TEST_F(CertificateObjectsTest, SearchTemplatesFindExactlyTheirObject) {
  const luma::CCertContextHandle signing = add("signing");
  const luma::CCertContextHandle encryption = add("encryption", AT_KEYEXCHANGE);
  std::vector<std::unique_ptr<CPKCS11Object>> objects;
  for (PCCERT_CONTEXT context : {signing.get(), encryption.get()}) {
    objects.push_back(std::make_unique<CPKCS11X509Certificate>(context, "A"));
    objects.push_back(std::make_unique<CPKCS11RSAPrivateKey>(context, "A"));
    objects.push_back(std::make_unique<CPKCS11RSAPublicKey>(context, "A"));
  }
  CK_ULONG privateKey = CKO_PRIVATE_KEY;
  CK_ULONG certificateType = CKC_X_509;
  CK_ULONG bits = 2048;
  CK_BBOOL two = 2, no = CK_FALSE, yes = CK_TRUE;
  Bytes id = expectedValue("encryption", "sha1");
  Bytes modulus = expectedValue("signing", "modulus");
  Bytes serial = expectedValue("encryption", "serial");
  Bytes checkValue(id.begin(), id.begin() + 3);
  auto entry = [](CK_ATTRIBUTE_TYPE type, void* value, std::size_t size) {
    return CK_ATTRIBUTE{type, value, static_cast<CK_ULONG>(size)};
  };
  struct Case {
    const char* name;
    std::vector<CK_ATTRIBUTE> search;
    std::vector<std::size_t> found;  // indexes into objects
  };
  const std::vector<Case> cases = {
      {"private key by id", {entry(CKA_CLASS, &privateKey, 4), entry(CKA_ID, id.data(), id.size())}, {4}},
      {"everything of one certificate", {entry(CKA_ID, id.data(), id.size())}, {3, 4, 5}},
      {"both keys by modulus", {entry(CKA_MODULUS, modulus.data(), modulus.size())}, {1, 2}},
      {"certificate by serial", {entry(CKA_SERIAL_NUMBER, serial.data(), serial.size())}, {3}},
      {"certificate by check value", {entry(CKA_CHECK_VALUE, checkValue.data(), 3)}, {3}},
      {"certificate type", {entry(CKA_CERTIFICATE_TYPE, &certificateType, 4)}, {0, 3}},
      {"modulus bits only on public keys", {entry(CKA_MODULUS_BITS, &bits, 4)}, {2, 5}},
      {"decrypting keys", {entry(CKA_DECRYPT, &yes, 1)}, {4}},
      {"token 2 is FALSE", {entry(CKA_TOKEN, &two, 1)}, {}},
      {"modifiable is never matched", {entry(CKA_MODIFIABLE, &no, 1)}, {}},
      {"class in 8 bytes", {entry(CKA_CLASS, id.data(), 8)}, {}},
      {"null value with a length", {entry(CKA_ID, nullptr, 20)}, {}},
      {"a length far beyond the buffer", {entry(CKA_VALUE, id.data(), 0xFFFFFFF0u)}, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < objects.size(); ++i) {
      bool all = true;
      for (const CK_ATTRIBUTE& attribute : c.search) all = all && objects[i]->matches(attribute);
      if (all) found.push_back(i);
    }
    EXPECT_EQ(found, c.found) << c.name;
  }
}

}  // namespace
