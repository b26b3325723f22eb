// The token's objects: the attributes every object, every key, every private key and every public
// key answers, and how one search template entry is matched against them. The classes built from a
// certificate (RSA keys, X.509 certificate) derive from these and fill the values.
//
// Each class answers its own attributes after its base has declined them (getAttributeValue), and
// leaves a template entry to its direct base whenever that base handles the type (matches).
#ifndef LUMA_PKCS11_CORE_PKCS11_OBJECT_H_
#define LUMA_PKCS11_CORE_PKCS11_OBJECT_H_

#include <map>
#include <memory>
#include <string>

#include "pkcs11/core/byte_buffer.h"
#include "pkcs11/core/cryptoki.h"

class CPKCS11Object {
 public:
  CPKCS11Object() = default;
  CPKCS11Object(const CPKCS11Object&) = default;
  CPKCS11Object& operator=(const CPKCS11Object&) = delete;
  virtual ~CPKCS11Object() = default;

  // Writes one attribute into the caller's entry: CKR_OK, CKR_BUFFER_TOO_SMALL,
  // CKR_ATTRIBUTE_SENSITIVE or CKR_ATTRIBUTE_TYPE_INVALID.
  virtual CK_RV getAttributeValue(CK_ATTRIBUTE& attribute) const;
  // A deep copy of the same class.
  virtual std::unique_ptr<CPKCS11Object> clone() const;
  // The SHA-1 hash of the object's certificate; empty for an object without one.
  virtual CByteBuffer getCertificateHash() const;
  // Whether this class or one of its bases matches the type itself.
  virtual bool handlesAttribute(CK_ATTRIBUTE_TYPE type) const;
  // Whether the object's value equals the template entry's.
  virtual bool matches(const CK_ATTRIBUTE& templateEntry) const;
  virtual std::string getLabel() const { return label; }

  CK_OBJECT_CLASS getObjectClass() const { return objectClass; }

 protected:
  // The value of one of this class's own attributes; false for a type it does not answer.
  bool ownValue(CK_ATTRIBUTE_TYPE type, CByteBuffer& value) const;

  CK_OBJECT_CLASS objectClass = CKO_DATA;
  CK_BBOOL token = CK_TRUE;
  CK_BBOOL isPrivate = CK_FALSE;
  // Nothing on the token can be changed (every change is refused as write-protected).
  CK_BBOOL modifiable = CK_FALSE;
  std::string label;  // UTF-8, no terminating zero
};

// The slot's and a session's objects under their handles, in handle order.
using CObjectMap = std::map<CK_OBJECT_HANDLE, std::unique_ptr<CPKCS11Object>>;

class CPKCS11Key : public CPKCS11Object {
 public:
  CK_RV getAttributeValue(CK_ATTRIBUTE& attribute) const override;
  std::unique_ptr<CPKCS11Object> clone() const override;
  bool handlesAttribute(CK_ATTRIBUTE_TYPE type) const override;
  bool matches(const CK_ATTRIBUTE& templateEntry) const override;

 protected:
  bool ownValue(CK_ATTRIBUTE_TYPE type, CByteBuffer& value) const;

  CK_KEY_TYPE keyType = CKK_RSA;
  CByteBuffer id;
  CK_DATE startDate = {};
  CK_DATE endDate = {};
  CK_BBOOL derive = CK_FALSE;
  CK_BBOOL local = CK_FALSE;
};

class CPKCS11PrivateKey : public CPKCS11Key {
 public:
  CK_RV getAttributeValue(CK_ATTRIBUTE& attribute) const override;
  std::unique_ptr<CPKCS11Object> clone() const override;
  bool handlesAttribute(CK_ATTRIBUTE_TYPE type) const override;
  bool matches(const CK_ATTRIBUTE& templateEntry) const override;

 protected:
  bool ownValue(CK_ATTRIBUTE_TYPE type, CByteBuffer& value) const;

  CByteBuffer subject;
  CK_BBOOL sensitive = CK_TRUE;
  CK_BBOOL decrypt = CK_FALSE;
  CK_BBOOL sign = CK_TRUE;
  CK_BBOOL signRecover = CK_FALSE;
  CK_BBOOL unwrap = CK_FALSE;
  CK_BBOOL extractable = CK_FALSE;
  CK_BBOOL alwaysSensitive = CK_TRUE;
  CK_BBOOL neverExtractable = CK_TRUE;
  CK_BBOOL wrapWithTrusted = CK_FALSE;
  CK_BBOOL alwaysAuthenticate = CK_FALSE;
};

class CPKCS11PublicKey : public CPKCS11Key {
 public:
  CK_RV getAttributeValue(CK_ATTRIBUTE& attribute) const override;
  std::unique_ptr<CPKCS11Object> clone() const override;
  bool handlesAttribute(CK_ATTRIBUTE_TYPE type) const override;
  bool matches(const CK_ATTRIBUTE& templateEntry) const override;

 protected:
  bool ownValue(CK_ATTRIBUTE_TYPE type, CByteBuffer& value) const;

  CByteBuffer subject;
  CK_BBOOL encrypt = CK_TRUE;
  CK_BBOOL verify = CK_TRUE;
  CK_BBOOL verifyRecover = CK_FALSE;
  CK_BBOOL wrap = CK_FALSE;
  CK_BBOOL trusted = CK_FALSE;
};

namespace luma {
namespace pkcs11 {

// The steps every class of the tree takes: answer or match through the base first, then with the
// class's own value.
CK_RV answerAttribute(CK_RV baseAnswer, CK_ATTRIBUTE& attribute, bool known, const CByteBuffer& value);
bool matchOwnValue(const CK_ATTRIBUTE& templateEntry, bool known, const CByteBuffer& value);

}  // namespace pkcs11
}  // namespace luma

#endif  // LUMA_PKCS11_CORE_PKCS11_OBJECT_H_
