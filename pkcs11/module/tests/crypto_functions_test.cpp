// Signing and decryption through the module's entry points: with keys in the platform's RSA
// provider (CryptoAPI), and with a CNG key played through the key provider seam, since some
// platforms cannot hand out a CNG key for a certificate.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "pkcs11/module/key_provider_functions.h"
#include "pkcs11/module/module_state.h"
#include "pkcs11/module/tests/key_container_support.h"
#include "pkcs11/module/tests/module_test_support.h"
#include "service/exchange/tests/openssl_tool.h"

namespace {

// DigestInfo prefixes (SEQUENCE, AlgorithmIdentifier with NULL parameters, OCTET STRING header).
const Bytes kSha1Prefix = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E,
                           0x03, 0x02, 0x1A, 0x05, 0x00, 0x04, 0x14};
const Bytes kSha256Prefix = {0x30, 0x31, 0x30, 0x0D, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                             0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};
const Bytes kUnknownPrefix = {0x30, 0x1D, 0x30, 0x05, 0x06, 0x03, 0x2A, 0x03, 0x04, 0x04, 0x14};

Bytes pattern(std::size_t size, std::uint8_t start) {
  Bytes bytes(size);
  for (std::size_t index = 0; index < size; ++index) bytes[index] = static_cast<std::uint8_t>(start + index);
  return bytes;
}

Bytes join(const Bytes& a, const Bytes& b) {
  Bytes all = a;
  all.insert(all.end(), b.begin(), b.end());
  return all;
}

CK_OBJECT_HANDLE findKey(CK_SESSION_HANDLE session, CK_OBJECT_CLASS objectClass,
                         const Bytes& certificateHash) {
  Bytes id = certificateHash;
  CK_ATTRIBUTE entries[] = {{CKA_CLASS, &objectClass, sizeof(objectClass)},
                            {CKA_ID, id.data(), static_cast<CK_ULONG>(id.size())}};
  return findOnlyObject(session, entries, 2);
}

CK_MECHANISM rsaPkcs = {CKM_RSA_PKCS, nullptr, 0};

class CryptoApiKeyTest : public InitialisedModuleFixture {
 protected:
  CryptoApiKeyTest() : exchange(AT_KEYEXCHANGE, L"Exchange Key"), signature(AT_SIGNATURE, L"Signature Key") {}

  void SetUp() override {
    {
      // Closed before the module opens the store: the platform may write the store out only then.
      const luma::CCertStoreHandle handle = store.open();
      exchangeHash = exchange.addTo(handle.get());
      signatureHash = signature.addTo(handle.get());
    }
    marked = {exchangeHash, signatureHash};
    initialise();
    session = openSession();
    exchangeKey = findKey(session, CKO_PRIVATE_KEY, exchangeHash);
    signatureKey = findKey(session, CKO_PRIVATE_KEY, signatureHash);
  }

  Bytes sign(const Bytes& data, CK_RV* result = nullptr) {
    Bytes input = data;
    Bytes output(256);
    CK_ULONG length = static_cast<CK_ULONG>(output.size());
    const CK_RV rv =
        C_Sign(session, input.data(), static_cast<CK_ULONG>(input.size()), output.data(), &length);
    if (result != nullptr) *result = rv;
    if (rv != CKR_OK) return Bytes();
    output.resize(length);
    return output;
  }

  CTestKeyContainer exchange;
  CTestKeyContainer signature;
  Bytes exchangeHash, signatureHash;
  CK_SESSION_HANDLE session = 0;
  CK_OBJECT_HANDLE exchangeKey = 0, signatureKey = 0;
};

TEST_F(CryptoApiKeyTest, SignaturesOverDigestInfosAndTheSsl3PairVerifyWithTheCertificate) {
  struct Case {
    const char* name;
    Bytes input;
    ALG_ID algId;
    Bytes hash;
  };
  const Case cases[] = {
      {"SHA-1", join(kSha1Prefix, pattern(20, 1)), CALG_SHA1, pattern(20, 1)},
      {"SHA-256", join(kSha256Prefix, pattern(32, 7)), CALG_SHA_256, pattern(32, 7)},
      {"SSL3 pair", pattern(36, 9), CALG_SSL3_SHAMD5, pattern(36, 9)},
  };
  for (const Case& c : cases) {
    for (CK_OBJECT_HANDLE key : {exchangeKey, signatureKey}) {
      ASSERT_EQ(CKR_OK, C_SignInit(session, &rsaPkcs, key)) << c.name;
      Bytes input = c.input;
      CK_ULONG length = 0;
      ASSERT_EQ(CKR_OK, C_Sign(session, input.data(), static_cast<CK_ULONG>(input.size()), nullptr, &length));
      EXPECT_EQ(256u, length);
      Bytes output(255);
      length = 255;
      EXPECT_EQ(CKR_BUFFER_TOO_SMALL,
                C_Sign(session, input.data(), static_cast<CK_ULONG>(input.size()), output.data(), &length));
      EXPECT_EQ(256u, length);
      const Bytes signed_ = sign(c.input);
      ASSERT_EQ(256u, signed_.size()) << c.name;
      EXPECT_TRUE((key == exchangeKey ? exchange : signature).verifies(c.algId, c.hash, signed_)) << c.name;
      // The signature ended the operation.
      CK_RV rv = CKR_OK;
      sign(c.input, &rv);
      EXPECT_EQ(CKR_OPERATION_NOT_INITIALIZED, rv) << c.name;
    }
  }
}

TEST_F(CryptoApiKeyTest, AHashOfTheWrongLengthOrABareHashLeavesTheOperationActive) {
  ASSERT_EQ(CKR_OK, C_SignInit(session, &rsaPkcs, exchangeKey));
  Bytes shortSha256 = join(kSha256Prefix, pattern(20, 1));
  shortSha256[1] = static_cast<BYTE>(shortSha256.size() - 2);
  shortSha256[kSha256Prefix.size() - 1] = 20;
  Bytes longSha1 = join(kSha1Prefix, pattern(22, 1));
  longSha1[1] = static_cast<BYTE>(longSha1.size() - 2);
  longSha1[kSha1Prefix.size() - 1] = 22;
  // A bare SHA-1 hash, a SHA-256 DigestInfo with 20 bytes, a SHA-1 DigestInfo with 22.
  for (const Bytes& input : {pattern(20, 1), shortSha256, longSha1}) {
    CK_RV rv = CKR_OK;
    sign(input, &rv);
    EXPECT_EQ(CKR_DATA_LEN_RANGE, rv) << input.size();
    EXPECT_EQ(CKR_OPERATION_ACTIVE, C_SignInit(session, &rsaPkcs, exchangeKey));
  }
  // A length beyond the key's block is refused before a byte is copied, whatever the caller claims
  // over whatever buffer it passed.
  const Bytes small = join(kSha1Prefix, pattern(20, 3));
  Bytes output(256);
  CK_ULONG length = static_cast<CK_ULONG>(output.size());
  for (const CK_ULONG claimed : {CK_ULONG{257}, CK_ULONG{0x7FFFFFFF}}) {
    EXPECT_EQ(CKR_DATA_LEN_RANGE,
              C_Sign(session, const_cast<BYTE*>(small.data()), claimed, output.data(), &length))
        << claimed;
    EXPECT_EQ(CKR_OPERATION_ACTIVE, C_SignInit(session, &rsaPkcs, exchangeKey));
  }
  EXPECT_EQ(256u, sign(small).size());
  // An algorithm CryptoAPI does not know ends the operation on a CryptoAPI key.
  ASSERT_EQ(CKR_OK, C_SignInit(session, &rsaPkcs, exchangeKey));
  CK_RV rv = CKR_OK;
  sign(join(kUnknownPrefix, pattern(20, 1)), &rv);
  EXPECT_EQ(CKR_DEVICE_ERROR, rv);
  EXPECT_EQ(CKR_OK, C_SignInit(session, &rsaPkcs, exchangeKey));
}

TEST_F(CryptoApiKeyTest, DecryptionOpensAPkcs1CiphertextAndSignatureKeysRefuseIt) {
  const Bytes message = pattern(24, 0x40);
  Bytes cipherText = exchange.encrypt(message);
  ASSERT_EQ(256u, cipherText.size());
  ASSERT_EQ(CKR_OK, C_DecryptInit(session, &rsaPkcs, exchangeKey));
  CK_ULONG length = 0;
  ASSERT_EQ(CKR_OK, C_Decrypt(session, cipherText.data(), 256, nullptr, &length));
  EXPECT_EQ(24u, length);
  Bytes plain(24);
  length = 10;
  EXPECT_EQ(CKR_BUFFER_TOO_SMALL, C_Decrypt(session, cipherText.data(), 256, plain.data(), &length));
  EXPECT_EQ(24u, length);
  ASSERT_EQ(CKR_OK, C_Decrypt(session, cipherText.data(), 256, plain.data(), &length));
  EXPECT_EQ(message, plain);
  EXPECT_EQ(CKR_OPERATION_NOT_INITIALIZED, C_Decrypt(session, cipherText.data(), 256, plain.data(), &length));

  ASSERT_EQ(CKR_OK, C_DecryptInit(session, &rsaPkcs, exchangeKey));
  EXPECT_EQ(CKR_ENCRYPTED_DATA_LEN_RANGE, C_Decrypt(session, nullptr, 256, plain.data(), &length));
  EXPECT_EQ(CKR_ARGUMENTS_BAD, C_Decrypt(session, cipherText.data(), 256, plain.data(), nullptr));
  cipherText[128] ^= 0x55;  // no longer a valid padding
  EXPECT_EQ(CKR_ENCRYPTED_DATA_INVALID, C_Decrypt(session, cipherText.data(), 256, plain.data(), &length));
  EXPECT_EQ(CKR_OPERATION_NOT_INITIALIZED, C_Decrypt(session, cipherText.data(), 256, plain.data(), &length));

  EXPECT_EQ(CKR_KEY_FUNCTION_NOT_PERMITTED, C_DecryptInit(session, &rsaPkcs, signatureKey));
  EXPECT_EQ(CKR_OK, C_SignInit(session, &rsaPkcs, signatureKey));
}

TEST_F(CryptoApiKeyTest, InitChecksAndSignArgumentsInTheirOrder) {
  CK_MECHANISM x509 = {CKM_RSA_X_509, nullptr, 0};
  CK_BYTE parameter[4] = {};
  CK_MECHANISM withParameter = {CKM_RSA_PKCS, parameter, 4};
  const CK_OBJECT_HANDLE certificate = findKey(session, CKO_CERTIFICATE, exchangeHash);
  const CK_OBJECT_HANDLE publicKey = findKey(session, CKO_PUBLIC_KEY, exchangeHash);
  struct Case {
    CK_SESSION_HANDLE session;
    CK_MECHANISM* mechanism;
    CK_OBJECT_HANDLE key;
    CK_RV expected;
  };
  const Case cases[] = {
      {0x999, nullptr, 0, CKR_SESSION_HANDLE_INVALID},
      {session, nullptr, exchangeKey, CKR_MECHANISM_INVALID},
      {session, &x509, exchangeKey, CKR_MECHANISM_INVALID},
      {session, &withParameter, 0x999, CKR_MECHANISM_PARAM_INVALID},
      {session, &rsaPkcs, 0x999, CKR_KEY_HANDLE_INVALID},
      {session, &rsaPkcs, certificate, CKR_KEY_TYPE_INCONSISTENT},
      {session, &rsaPkcs, publicKey, CKR_KEY_TYPE_INCONSISTENT},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, C_SignInit(c.session, c.mechanism, c.key));
    EXPECT_EQ(c.expected, C_DecryptInit(c.session, c.mechanism, c.key));
  }
  Bytes data = join(kSha1Prefix, pattern(20, 1));
  Bytes output(256);
  CK_ULONG length = 256;
  EXPECT_EQ(CKR_OPERATION_NOT_INITIALIZED, C_Sign(session, data.data(), 35, output.data(), &length));
  ASSERT_EQ(CKR_OK, C_SignInit(session, &rsaPkcs, exchangeKey));
  EXPECT_EQ(CKR_OPERATION_ACTIVE, C_SignInit(session, &rsaPkcs, exchangeKey));
  EXPECT_EQ(CKR_ARGUMENTS_BAD, C_Sign(session, data.data(), 35, output.data(), nullptr));
  EXPECT_EQ(CKR_DATA_INVALID, C_Sign(session, nullptr, 35, output.data(), &length));
  EXPECT_EQ(CKR_OK, C_Sign(session, data.data(), 35, output.data(), &length));  // still active after those
}

TEST_F(CryptoApiKeyTest, APinTheProviderRefusesIsForgotten) {
  CK_UTF8CHAR pin[] = {'1', '2', '3', '4'};
  ASSERT_EQ(CKR_OK, C_Login(session, CKU_USER, pin, 4));
  CSessionRef reference;
  ASSERT_EQ(CKR_OK, luma::pkcs11::moduleState().getSessions().lookup(session, reference));
  ASSERT_FALSE(reference->getPin().empty());
  ASSERT_EQ(CKR_OK, C_SignInit(session, &rsaPkcs, exchangeKey));
  // The platform's software provider takes no PIN: the session no longer offers it.
  EXPECT_TRUE(reference->getPin().empty());
}

CSecureBuffer secureOf(const Bytes& bytes) {
  return CSecureBuffer(static_cast<DWORD>(bytes.size()), bytes.data());
}

TEST_F(CryptoApiKeyTest, OpenSslVerifiesTheSignaturesAndItsCiphertextsDecrypt) {
  if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "the host's OpenSSL tool cannot be reached from here";
  const CSharedTempDir dir;
  const PCCERT_CONTEXT certificate = exchange.certificate();
  ASSERT_TRUE(dir.Write(L"cert.der", CSecureBuffer(certificate->cbCertEncoded, certificate->pbCertEncoded)));
  ASSERT_EQ(0u, COpenSslTool::Run(dir, L"x509 -inform DER -in " + dir.UnixPath(L"cert.der") + L" -out " +
                                           dir.UnixPath(L"cert.pem")));
  const Bytes inputs[] = {join(kSha1Prefix, pattern(20, 1)), join(kSha256Prefix, pattern(32, 7)),
                          pattern(36, 9)};
  for (const Bytes& input : inputs) {
    ASSERT_EQ(CKR_OK, C_SignInit(session, &rsaPkcs, exchangeKey));
    const Bytes signature = sign(input);
    ASSERT_EQ(256u, signature.size());
    ASSERT_TRUE(dir.Write(L"input.bin", secureOf(input)));
    ASSERT_TRUE(dir.Write(L"signature.bin", secureOf(signature)));
    // PKCS#1 v1.5 with no digest named: the signature must carry exactly the input bytes.
    EXPECT_EQ(0u, COpenSslTool::Run(dir, L"pkeyutl -verify -certin -inkey " + dir.UnixPath(L"cert.pem") +
                                             L" -in " + dir.UnixPath(L"input.bin") + L" -sigfile " +
                                             dir.UnixPath(L"signature.bin")))
        << input.size();
  }

  const Bytes message = pattern(48, 0x21);
  ASSERT_TRUE(dir.Write(L"message.bin", secureOf(message)));
  ASSERT_EQ(
      0u, COpenSslTool::Run(dir, L"pkeyutl -encrypt -certin -inkey " + dir.UnixPath(L"cert.pem") + L" -in " +
                                     dir.UnixPath(L"message.bin") + L" -out " + dir.UnixPath(L"cipher.bin")));
  const CSecureBuffer cipherText = dir.Read(L"cipher.bin");
  ASSERT_EQ(256u, cipherText.size);
  ASSERT_EQ(CKR_OK, C_DecryptInit(session, &rsaPkcs, exchangeKey));
  Bytes plain(256);
  CK_ULONG length = 256;
  ASSERT_EQ(CKR_OK, C_Decrypt(session, cipherText.data, cipherText.size, plain.data(), &length));
  plain.resize(length);
  EXPECT_EQ(message, plain);
}

// ---- A CNG key, played through the key provider seam ----

struct CFakeCngKey {
  std::atomic<int> signCalls{0};
  std::atomic<int> freed{0};
  bool firstCallAskedForTheSize = false;
  bool algorithmNamed = false;
  std::wstring algorithm;
  Bytes signedInput;
  DWORD flags = 0;
  SECURITY_STATUS decryptStatus = ERROR_SUCCESS;
  HANDLE releaseSigning = nullptr;  // when set, signing waits for it
};
CFakeCngKey* fake = nullptr;
constexpr NCRYPT_KEY_HANDLE kFakeKey = 0x4321;

BOOL WINAPI fakeAcquire(PCCERT_CONTEXT, DWORD, void*, HCRYPTPROV_OR_NCRYPT_KEY_HANDLE* key, DWORD* keySpec,
                        BOOL* callerFree) {
  *key = kFakeKey;
  *keySpec = CERT_NCRYPT_KEY_SPEC;
  *callerFree = TRUE;
  return TRUE;
}

SECURITY_STATUS WINAPI fakeSignHash(NCRYPT_KEY_HANDLE key, VOID* padding, PBYTE hash, DWORD hashSize,
                                    PBYTE signature, DWORD signatureSize, DWORD* written, DWORD flags) {
  if (key != kFakeKey) return NTE_INVALID_HANDLE;
  if (fake->signCalls++ == 0) fake->firstCallAskedForTheSize = signature == nullptr;
  const auto* info = static_cast<BCRYPT_PKCS1_PADDING_INFO*>(padding);
  fake->algorithmNamed = info->pszAlgId != nullptr;
  fake->algorithm = info->pszAlgId != nullptr ? info->pszAlgId : L"";
  fake->signedInput.assign(hash, hash + hashSize);
  fake->flags = flags;
  *written = 256;
  if (signature == nullptr) return ERROR_SUCCESS;
  if (fake->releaseSigning != nullptr) WaitForSingleObject(fake->releaseSigning, INFINITE);
  if (signatureSize < 256) return NTE_BUFFER_TOO_SMALL;
  for (DWORD index = 0; index < 256; ++index) signature[index] = static_cast<BYTE>(index);
  return ERROR_SUCCESS;
}

SECURITY_STATUS WINAPI fakeDecrypt(NCRYPT_KEY_HANDLE, PBYTE input, DWORD inputSize, VOID*, PBYTE output,
                                   DWORD, DWORD* written, DWORD) {
  if (fake->decryptStatus != ERROR_SUCCESS) return fake->decryptStatus;
  std::memcpy(output, input, 5);  // the fake's "plaintext": the first five bytes
  (void)inputSize;
  *written = 5;
  return ERROR_SUCCESS;
}

SECURITY_STATUS WINAPI fakeSetProperty(NCRYPT_HANDLE, LPCWSTR, PBYTE, DWORD, DWORD) { return ERROR_SUCCESS; }

SECURITY_STATUS WINAPI fakeFreeObject(NCRYPT_HANDLE handle) {
  if (handle == kFakeKey) ++fake->freed;
  return ERROR_SUCCESS;
}

class CngKeyTest : public InitialisedModuleFixture {
 protected:
  void SetUp() override {
    fake = &key;
    luma::pkcs11::setKeyProviderFunctions(
        {fakeAcquire, fakeSignHash, fakeDecrypt, fakeSetProperty, fakeFreeObject});
    hash = addMarked({"signing", L"Alice"});
    initialise();
    session = openSession();
    privateKey = findKey(session, CKO_PRIVATE_KEY, hash);
  }
  void TearDown() override {
    InitialisedModuleFixture::TearDown();
    luma::pkcs11::setKeyProviderFunctions(luma::pkcs11::platformKeyProviderFunctions());
    fake = nullptr;
  }

  CK_RV sign(const Bytes& data, Bytes& output, CK_SESSION_HANDLE on = 0) {
    Bytes input = data;
    output.assign(256, 0);
    CK_ULONG length = 256;
    const CK_RV rv = C_Sign(on != 0 ? on : session, input.data(), static_cast<CK_ULONG>(input.size()),
                            output.data(), &length);
    output.resize(rv == CKR_OK ? length : 0);
    return rv;
  }

  CFakeCngKey key;
  Bytes hash;
  CK_SESSION_HANDLE session = 0;
  CK_OBJECT_HANDLE privateKey = 0;
};

TEST_F(CngKeyTest, TheKeySignsWithTheNamedAlgorithmOrTheWholeDigestInfoAfterAskingTheSize) {
  struct Case {
    const char* name;
    Bytes input;
    bool named;
    std::wstring algorithm;
    Bytes signedInput;
  };
  const Bytes sha256 = join(kSha256Prefix, pattern(32, 1));
  const Bytes unknown = join(kUnknownPrefix, pattern(20, 1));
  const Case cases[] = {
      {"SHA-256", sha256, true, L"SHA256", pattern(32, 1)},
      {"SHA-1", join(kSha1Prefix, pattern(20, 5)), true, L"SHA1", pattern(20, 5)},
      {"SSL3 pair", pattern(36, 2), false, L"", pattern(36, 2)},
      {"unknown algorithm", unknown, false, L"", unknown},  // the whole DigestInfo, PKCS#1 padded
  };
  for (const Case& c : cases) {
    key.signCalls = 0;
    ASSERT_EQ(CKR_OK, C_SignInit(session, &rsaPkcs, privateKey)) << c.name;
    Bytes output;
    ASSERT_EQ(CKR_OK, sign(c.input, output)) << c.name;
    EXPECT_TRUE(key.firstCallAskedForTheSize) << c.name;
    EXPECT_EQ(2, key.signCalls.load()) << c.name;
    EXPECT_EQ(c.named, key.algorithmNamed) << c.name;
    EXPECT_EQ(c.algorithm, key.algorithm) << c.name;
    EXPECT_EQ(c.signedInput, key.signedInput) << c.name;
    EXPECT_EQ(static_cast<DWORD>(BCRYPT_PAD_PKCS1), key.flags) << c.name;
    EXPECT_EQ(pattern(256, 0), output) << c.name;  // big-endian as the key gave it
  }
  EXPECT_EQ(4, key.freed.load());  // each operation released its key when it ended
}

TEST_F(CngKeyTest, DecryptionFailuresOfTheKeyEndTheOperation) {
  Bytes cipherText = pattern(256, 0x10);
  Bytes plain(16);
  CK_ULONG length = 16;
  ASSERT_EQ(CKR_OK, C_DecryptInit(session, &rsaPkcs, privateKey));
  ASSERT_EQ(CKR_OK, C_Decrypt(session, cipherText.data(), 256, plain.data(), &length));
  EXPECT_EQ(5u, length);
  EXPECT_EQ(pattern(5, 0x10), Bytes(plain.begin(), plain.begin() + 5));

  key.decryptStatus = NTE_BAD_DATA;
  ASSERT_EQ(CKR_OK, C_DecryptInit(session, &rsaPkcs, privateKey));
  EXPECT_EQ(CKR_ENCRYPTED_DATA_INVALID, C_Decrypt(session, cipherText.data(), 256, plain.data(), &length));
  key.decryptStatus = NTE_FAIL;
  ASSERT_EQ(CKR_OK, C_DecryptInit(session, &rsaPkcs, privateKey));
  EXPECT_EQ(CKR_FUNCTION_FAILED, C_Decrypt(session, cipherText.data(), 256, plain.data(), &length));
  EXPECT_EQ(CKR_OPERATION_NOT_INITIALIZED, C_Decrypt(session, cipherText.data(), 256, plain.data(), &length));
}

TEST_F(CngKeyTest, ASignatureRunningWhileAnotherThreadClosesTheSessionKeepsItsOperation) {
  luma::CKernelHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  key.releaseSigning = release.get();
  ASSERT_EQ(CKR_OK, C_SignInit(session, &rsaPkcs, privateKey));
  std::atomic<CK_RV> signedResult{CKR_GENERAL_ERROR};
  Bytes output;
  std::thread signer([&] { signedResult = sign(join(kSha1Prefix, pattern(20, 5)), output); });
  while (key.signCalls.load() < 1) Sleep(1);  // the size was asked: the signer is inside the key
  // Closing the session ends its operations; the signer's own reference keeps its operation.
  EXPECT_EQ(CKR_OK, C_CloseSession(session));
  EXPECT_EQ(0, key.freed.load());
  SetEvent(release.get());
  signer.join();
  EXPECT_EQ(CKR_OK, signedResult.load());
  EXPECT_EQ(256u, output.size());
  EXPECT_EQ(1, key.freed.load());  // released once, when the last holder let go
}

}  // namespace
