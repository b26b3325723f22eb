#include "pkcs11/core/pkcs11_object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

namespace {

std::vector<std::uint8_t> ulongBytes(CK_ULONG value) {
  const CByteBuffer buffer = CByteBuffer::fromUlong(value);
  return std::vector<std::uint8_t>(buffer.data(), buffer.data() + buffer.size());
}
const std::vector<std::uint8_t> kTrue = {1};
const std::vector<std::uint8_t> kFalse = {0};
const std::vector<std::uint8_t> kZeroDate(8, 0);
const std::vector<std::uint8_t> kId = {0xA1, 0xB2, 0xC3};
const std::vector<std::uint8_t> kSubject = {0x30, 0x03, 0x31, 0x01, 0x00};

CByteBuffer make(const std::vector<std::uint8_t>& bytes) { return CByteBuffer(bytes.size(), bytes.data()); }

// Keys with the values the token's RSA keys carry, set the way those classes set them.
class CTestPrivateKey : public CPKCS11PrivateKey {
 public:
  explicit CTestPrivateKey(bool canDecrypt) {
    objectClass = CKO_PRIVATE_KEY;
    isPrivate = CK_TRUE;
    label = "Key";
    id = make(kId);
    subject = make(kSubject);
    decrypt = canDecrypt ? CK_TRUE : CK_FALSE;
  }
  std::unique_ptr<CPKCS11Object> clone() const override { return std::make_unique<CTestPrivateKey>(*this); }
};

class CTestPublicKey : public CPKCS11PublicKey {
 public:
  CTestPublicKey() {
    objectClass = CKO_PUBLIC_KEY;
    label = "Key";
    id = make(kId);
    subject = make(kSubject);
    encrypt = CK_FALSE;
  }
  std::unique_ptr<CPKCS11Object> clone() const override { return std::make_unique<CTestPublicKey>(*this); }
};

struct Expected {
  CK_ATTRIBUTE_TYPE type;
  std::vector<std::uint8_t> value;
};

void expectAttributes(const CPKCS11Object& object, const std::vector<Expected>& table) {
  for (const Expected& expected : table) {
    std::uint8_t buffer[64] = {};
    CK_ATTRIBUTE attribute = {expected.type, buffer, sizeof(buffer)};
    ASSERT_EQ(object.getAttributeValue(attribute), CKR_OK) << std::hex << expected.type;
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + attribute.ulValueLen), expected.value)
        << std::hex << expected.type;
  }
}

void expectInvalid(const CPKCS11Object& object, const std::vector<CK_ATTRIBUTE_TYPE>& types) {
  for (CK_ATTRIBUTE_TYPE type : types) {
    std::uint8_t buffer[8] = {};
    CK_ATTRIBUTE attribute = {type, buffer, 7};
    EXPECT_EQ(object.getAttributeValue(attribute), CKR_ATTRIBUTE_TYPE_INVALID) << std::hex << type;
    EXPECT_EQ(attribute.ulValueLen, 7u) << "the caller marks the entry, not the object";
  }
}

TEST(ObjectTreeTest, PrivateKeyAnswersObjectKeyAndPrivateKeyAttributes) {
  const CTestPrivateKey key(true);
  expectAttributes(key, {
                            {CKA_CLASS, ulongBytes(CKO_PRIVATE_KEY)},
                            {CKA_TOKEN, kTrue},
                            {CKA_PRIVATE, kTrue},
                            {CKA_LABEL, {'K', 'e', 'y'}},
                            {CKA_MODIFIABLE, kFalse},
                            {CKA_KEY_TYPE, ulongBytes(CKK_RSA)},
                            {CKA_ID, kId},
                            {CKA_DERIVE, kFalse},
                            {CKA_START_DATE, kZeroDate},
                            {CKA_END_DATE, kZeroDate},
                            {CKA_LOCAL, kFalse},
                            {CKA_SUBJECT, kSubject},
                            {CKA_SENSITIVE, kTrue},
                            {CKA_DECRYPT, kTrue},
                            {CKA_UNWRAP, kFalse},
                            {CKA_SIGN, kTrue},
                            {CKA_SIGN_RECOVER, kFalse},
                            {CKA_EXTRACTABLE, kFalse},
                            {CKA_NEVER_EXTRACTABLE, kTrue},
                            {CKA_ALWAYS_SENSITIVE, kTrue},
                            {CKA_ALWAYS_AUTHENTICATE, kFalse},
                            {CKA_WRAP_WITH_TRUSTED, kFalse},
                        });
  expectInvalid(key, {CKA_VALUE, CKA_MODULUS_BITS, CKA_ENCRYPT, CKA_VERIFY, CKA_TRUSTED, CKA_APPLICATION});
}

TEST(ObjectTreeTest, PublicKeyAnswersObjectKeyAndPublicKeyAttributes) {
  const CTestPublicKey key;
  expectAttributes(key, {
                            {CKA_CLASS, ulongBytes(CKO_PUBLIC_KEY)},
                            {CKA_PRIVATE, kFalse},
                            {CKA_MODIFIABLE, kFalse},
                            {CKA_ID, kId},
                            {CKA_TRUSTED, kFalse},
                            {CKA_SUBJECT, kSubject},
                            {CKA_ENCRYPT, kFalse},
                            {CKA_WRAP, kFalse},
                            {CKA_VERIFY, kTrue},
                            {CKA_VERIFY_RECOVER, kFalse},
                        });
  expectInvalid(key, {CKA_SIGN, CKA_DECRYPT, CKA_SENSITIVE, CKA_MODULUS, CKA_VALUE});
}

TEST(ObjectTreeTest, EachClassHandlesExactlyItsOwnTypesAndThoseOfItsBases) {
  const std::set<CK_ATTRIBUTE_TYPE> object = {0x0, 0x1, 0x2, 0x3};
  std::set<CK_ATTRIBUTE_TYPE> key = object;
  key.insert({0x100, 0x102, 0x10C, 0x110, 0x111, 0x163});
  std::set<CK_ATTRIBUTE_TYPE> privateKey = key;
  privateKey.insert({0x101, 0x103, 0x105, 0x107, 0x108, 0x109, 0x162, 0x164, 0x165, 0x202, 0x210});
  std::set<CK_ATTRIBUTE_TYPE> publicKey = key;
  publicKey.insert({0x86, 0x101, 0x104, 0x106, 0x10A, 0x10B});

  auto handled = [](const CPKCS11Object& candidate) {
    std::set<CK_ATTRIBUTE_TYPE> types;
    for (CK_ATTRIBUTE_TYPE type = 0; type < 0x400; ++type) {
      if (candidate.handlesAttribute(type)) types.insert(type);
    }
    return types;
  };
  EXPECT_EQ(handled(CPKCS11Object()), object);
  EXPECT_EQ(handled(CPKCS11Key()), key);
  EXPECT_EQ(handled(CTestPrivateKey(false)), privateKey);
  EXPECT_EQ(handled(CTestPublicKey()), publicKey);
}

TEST(ObjectTreeTest, TemplateEntriesMatchThroughTheWholeChain) {
  const CTestPrivateKey key(true);
  CK_ULONG privateClass = CKO_PRIVATE_KEY;
  CK_ULONG rsa = CKK_RSA;
  std::vector<std::uint8_t> id = kId;
  std::vector<std::uint8_t> subject = kSubject;
  std::vector<std::uint8_t> date = kZeroDate;
  CK_BBOOL yes = CK_TRUE, no = CK_FALSE;
  char label[] = "Key";
  struct Case {
    CK_ATTRIBUTE entry;
    bool matches;
  };
  const Case cases[] = {
      {{CKA_CLASS, &privateClass, sizeof(privateClass)}, true},
      {{CKA_LABEL, label, 3}, true},
      {{CKA_KEY_TYPE, &rsa, sizeof(rsa)}, true},
      {{CKA_ID, id.data(), static_cast<CK_ULONG>(id.size())}, true},
      {{CKA_START_DATE, date.data(), 8}, true},
      {{CKA_SUBJECT, subject.data(), static_cast<CK_ULONG>(subject.size())}, true},
      {{CKA_DECRYPT, &yes, 1}, true},
      {{CKA_SIGN_RECOVER, &no, 1}, true},
      {{CKA_SIGN, &no, 1}, false},
      {{CKA_ID, id.data(), 2}, false},
      {{CKA_MODIFIABLE, &no, 1}, false},  // answered FALSE, yet never matched
      {{CKA_MODIFIABLE, &yes, 1}, false},
      {{CKA_ENCRYPT, &no, 1}, false},  // not a private key attribute
      {{CKA_MODULUS_BITS, &rsa, 4}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(key.matches(c.entry), c.matches) << std::hex << c.entry.type;
  }
}

TEST(ObjectTreeTest, CloneIsADeepCopyOfTheSameClass) {
  const CTestPrivateKey key(true);
  std::unique_ptr<CPKCS11Object> copy = key.clone();
  ASSERT_NE(dynamic_cast<CTestPrivateKey*>(copy.get()), nullptr);
  EXPECT_EQ(copy->getLabel(), "Key");
  std::uint8_t original[8] = {}, cloned[8] = {};
  CK_ATTRIBUTE a = {CKA_ID, original, sizeof(original)};
  CK_ATTRIBUTE b = {CKA_ID, cloned, sizeof(cloned)};
  ASSERT_EQ(key.getAttributeValue(a), CKR_OK);
  ASSERT_EQ(copy->getAttributeValue(b), CKR_OK);
  EXPECT_EQ(std::vector<std::uint8_t>(original, original + a.ulValueLen),
            std::vector<std::uint8_t>(cloned, cloned + b.ulValueLen));
  EXPECT_TRUE(CPKCS11Object().getCertificateHash().empty());
}

}  // namespace
