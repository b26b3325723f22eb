// Signing, decryption and key export through the function table, against a scripted lumaPassV whose
// private-key answers were made by OpenSSL with the key of the container's certificate: a request
// is answered only when its block is exactly the one OpenSSL expects (OpenSslKey).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "foundation/core/tests/test_bytes.h"
#include "plugins/common/core/container_record.h"
#include "plugins/common/tests/container_server.h"
#include "plugins/ksp/ksp_functions.h"
#include "plugins/ksp/ksp_module.h"

using namespace VirtualSmartCardProtocol;

namespace luma::ksp {

// The scripted lumaPassV and the block helpers of the plug-in library.
using namespace luma::plugin;
namespace {

const BYTE kSessionId[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

CSecureBuffer Fixture(const std::string& name) {
  CSecureBuffer bytes = KspFixture(name);
  EXPECT_FALSE(bytes.empty()) << "missing fixture ksp/" << name;
  return bytes;
}

CSecureBuffer Reversed(CSecureBuffer bytes) {
  bytes.Reverse();
  return bytes;
}

std::wstring testPipeName;
std::wstring TestPipeName() { return testPipeName; }

class KspKeyOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testPipeName = luma::plugin::UniqueTestPipeName();
    KspModule::SetPipeNameFunction(&TestPipeName);
  }
  void TearDown() override {
    for (NCRYPT_PROV_HANDLE handle : providers) table.FreeProvider(handle);
    KspModule::SetPipeNameFunction(nullptr);
  }

  // A provider on lumaPassV with three keys of OpenSSL's certificate, the signer and decrypter of
  // 2048 bits and one without a certificate.
  void Open(CryptoScript crypto = OpenSslKey, CryptoReply reply = CryptoReply::kAtOnce, int instances = 2) {
    const CSecureBuffer certificate = Fixture("cert.der");
    server = ServeContainers(testPipeName,
                             {{L"Signer", kAtSignature, 2048, certificate},
                              {L"Decrypter", kAtKeyExchange, 2048, certificate},
                              {L"Bare", kAtKeyExchange, 2048, CSecureBuffer()},
                              {L"Huge", kAtKeyExchange, 0xFFFFFFF8, CSecureBuffer()}},
                             std::move(crypto), reply, instances);
    ASSERT_EQ(0, table.OpenProvider(&provider, L"nuvak lumaPass V Key Storage Provider", 0));
    providers.push_back(provider);
    for (auto [name, key] : {std::pair{L"Signer", &signer}, {L"Decrypter", &decrypter}, {L"Bare", &bare}}) {
      ASSERT_EQ(0, table.OpenKey(provider, key, name, 0, 0)) << name;
    }
  }

  SECURITY_STATUS Sign(NCRYPT_KEY_HANDLE key, const wchar_t* hashName, const CSecureBuffer& hash,
                       std::vector<BYTE>& signature, DWORD flags = BCRYPT_PAD_PKCS1) {
    BCRYPT_PKCS1_PADDING_INFO padding = {hashName};
    DWORD size = 0xDEAD;
    signature.assign(512, 0);
    const SECURITY_STATUS status =
        table.SignHash(provider, key, &padding, hash.data, hash.size, signature.data(),
                       static_cast<DWORD>(signature.size()), &size, flags);
    signature.resize(status == 0 ? size : 0);
    return status;
  }

  SECURITY_STATUS DecryptWith(NCRYPT_KEY_HANDLE key, const CSecureBuffer& cipher, void* padding, DWORD flags,
                              std::vector<BYTE>& plain) {
    DWORD size = 0xDEAD;
    plain.assign(512, 0);
    const SECURITY_STATUS status =
        table.Decrypt(provider, key, cipher.data, cipher.size, padding, plain.data(),
                      static_cast<DWORD>(plain.size()), &size, flags);
    plain.resize(status == 0 ? size : 0);
    return status;
  }

  size_t CryptoRequestCount() const { return SignRequests(*server).size() + DecryptRequests(*server).size(); }

  NCRYPT_KEY_STORAGE_FUNCTION_TABLE& table = FunctionTable();
  std::unique_ptr<CScriptedPipeServer> server;
  std::vector<NCRYPT_PROV_HANDLE> providers;
  NCRYPT_PROV_HANDLE provider = 0;
  NCRYPT_KEY_HANDLE signer = 0;
  NCRYPT_KEY_HANDLE decrypter = 0;
  NCRYPT_KEY_HANDLE bare = 0;
};

wchar_t kOaepLabelHash[] = L"SHA256";

// The OAEP parameters that OpenSSL encrypted with.
struct OaepParameters {
  OaepParameters() : label(Fixture("oaep_label.bin")) { info = {kOaepLabelHash, label.data, label.size}; }
  CSecureBuffer label;
  BCRYPT_OAEP_PADDING_INFO info;
};

TEST_F(KspKeyOperationsTest, SignHashSendsOpenSslsBlockForEachDigestAndReturnsTheSignature) {
  ASSERT_NO_FATAL_FAILURE(Open());
  const struct {
    const char* digest;
    const wchar_t* name;
    DWORD algId;
  } cases[] = {{"md5", L"MD5", 0x8003},
               {"sha1", L"SHA1", 0x8004},
               {"sha256", L"SHA256", 0x800C},
               {"sha384", L"SHA384", 0x800D},
               {"sha512", L"SHA512", 0x800E}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.digest);
    const CSecureBuffer hash = Fixture(std::string("hash.") + c.digest + ".bin");
    std::vector<BYTE> signature;
    // An AT_KEYEXCHANGE key signs as well.
    for (NCRYPT_KEY_HANDLE key : {signer, decrypter}) {
      ASSERT_EQ(0, Sign(key, c.name, hash, signature));
      EXPECT_EQ(ToVector(Fixture(std::string("signature.") + c.digest + ".bin")), signature);
      const CSignDataRequest sent = SignRequests(*server).back();
      EXPECT_EQ(CSecureBuffer(16, kSessionId), sent.GetSessionId());
      EXPECT_EQ(key == signer ? L"Signer" : L"Decrypter", sent.GetContainerName());
      EXPECT_EQ(c.algId, sent.GetAlgorithmId());
      EXPECT_EQ(0u, sent.GetReserved());
      EXPECT_EQ(Fixture(std::string("block.") + c.digest + ".bin"), sent.GetData());
    }
  }
  EXPECT_EQ(10u, SignRequests(*server).size());
}

TEST_F(KspKeyOperationsTest, SignHashWithoutAHashNameSignsTheBareHashWithTheTlsId) {
  const CSecureBuffer signature(256, std::vector<BYTE>(256, 0x5A).data());
  ASSERT_NO_FATAL_FAILURE(Open([&](const CCryptoRequest&) { return CryptoAnswer{0, signature}; }));
  std::vector<BYTE> tlsHash(36);
  for (size_t i = 0; i < tlsHash.size(); ++i) tlsHash[i] = static_cast<BYTE>(0xA0 + i);
  std::vector<BYTE> expected(256, 0xFF);
  expected[0] = 0x00;
  expected[1] = 0x01;
  expected[256 - 37] = 0x00;
  std::memcpy(expected.data() + 256 - 36, tlsHash.data(), 36);
  for (const wchar_t* name : {static_cast<const wchar_t*>(nullptr), L""}) {
    std::vector<BYTE> result;
    ASSERT_EQ(0, Sign(signer, name, CSecureBuffer(36, tlsHash.data()), result));
    EXPECT_EQ(ToVector(signature), result);
    EXPECT_EQ(0x8008u, SignRequests(*server).back().GetAlgorithmId());
    EXPECT_EQ(expected, ToVector(SignRequests(*server).back().GetData()));
  }
}

TEST_F(KspKeyOperationsTest, SignHashRefusalsSendNothing) {
  ASSERT_NO_FATAL_FAILURE(Open());
  const CSecureBuffer hash = Fixture("hash.sha256.bin");
  BCRYPT_PKCS1_PADDING_INFO sha256 = {L"SHA256"};
  BYTE signature[256];
  DWORD size = 0;
  const auto sign = [&](NCRYPT_PROV_HANDLE p, NCRYPT_KEY_HANDLE k, void* padding, BYTE* h, DWORD cb,
                        DWORD* result, DWORD flags) {
    return table.SignHash(p, k, padding, h, cb, signature, 256, result, flags);
  };
  const DWORD pkcs1 = BCRYPT_PAD_PKCS1;
  EXPECT_EQ(kInvalidHandle, sign(provider + 8, signer, &sha256, hash.data, hash.size, &size, pkcs1));
  EXPECT_EQ(kInvalidHandle, sign(provider, signer + 8, nullptr, nullptr, 0, nullptr, 0xFFFF));
  EXPECT_EQ(kInvalidParameter, sign(provider, signer, &sha256, hash.data, hash.size, nullptr, pkcs1));
  EXPECT_EQ(kBadFlags,
            sign(provider, signer, &sha256, hash.data, hash.size, &size, pkcs1 | NCRYPT_NO_PADDING_FLAG));
  EXPECT_EQ(kBadFlags, sign(provider, signer, &sha256, nullptr, 0, &size, pkcs1 | 0x10));
  EXPECT_EQ(kInvalidParameter, sign(provider, signer, &sha256, nullptr, 32, &size, pkcs1));
  EXPECT_EQ(kInvalidParameter, sign(provider, signer, &sha256, hash.data, 0, &size, pkcs1));
  EXPECT_EQ(kBadFlags, sign(provider, signer, &sha256, hash.data, hash.size, &size, BCRYPT_PAD_PSS));
  EXPECT_EQ(kBadFlags, sign(provider, signer, &sha256, hash.data, hash.size, &size, NCRYPT_SILENT_FLAG));
  EXPECT_EQ(kInvalidParameter, sign(provider, signer, nullptr, hash.data, hash.size, &size, pkcs1));

  std::vector<BYTE> result;
  EXPECT_EQ(kInvalidParameter, Sign(signer, L"sha256", hash, result));
  EXPECT_EQ(kInvalidParameter, Sign(signer, L"SHA-256", hash, result));
  EXPECT_EQ(kInvalidParameter, Sign(signer, std::wstring(300, L'S').c_str(), hash, result));
  EXPECT_EQ(kBadData, Sign(signer, L"MD4", hash, result));
  EXPECT_EQ(kBadData, Sign(signer, L"MD2", hash, result));
  // A hash that leaves no room for the padding in the key's 256 bytes.
  EXPECT_EQ(kBadData, Sign(signer, L"SHA256", CSecureBuffer(236), result));
  EXPECT_EQ(0u, CryptoRequestCount());

  // A key length beyond any RSA key from lumaPassV sizes no block; neither does a hash claimed to
  // be far longer than any block.
  NCRYPT_KEY_HANDLE huge = 0;
  ASSERT_EQ(0, table.OpenKey(provider, &huge, L"Huge", 0, 0));
  EXPECT_EQ(kBadData, Sign(huge, L"SHA256", hash, result));
  std::vector<BYTE> longHash(64 * 1024, 0x77);
  EXPECT_EQ(kBadData, table.SignHash(provider, signer, &sha256, longHash.data(), 0x7FFFFFFF, signature, 256,
                                     &size, pkcs1));
  EXPECT_EQ(0u, CryptoRequestCount());

  // The size query answers the key's length without asking lumaPassV, whatever the hash name.
  BCRYPT_PKCS1_PADDING_INFO lowerCase = {L"sha256"};
  size = 0;
  EXPECT_EQ(0, table.SignHash(provider, signer, &lowerCase, hash.data, hash.size, nullptr, 0, &size,
                              pkcs1 | BCRYPT_PAD_PSS | NCRYPT_SILENT_FLAG));
  EXPECT_EQ(256u, size);
  EXPECT_EQ(0u, CryptoRequestCount());

  // A short buffer learns the signature's length after lumaPassV made it.
  size = 0;
  EXPECT_EQ(kBufferTooSmall,
            table.SignHash(provider, signer, &sha256, hash.data, hash.size, signature, 255, &size, pkcs1));
  EXPECT_EQ(256u, size);
  EXPECT_EQ(1u, CryptoRequestCount());
}

TEST_F(KspKeyOperationsTest, DecryptsOpenSslCiphertextsUnderEachPadding) {
  ASSERT_NO_FATAL_FAILURE(Open());
  OaepParameters oaep;
  const struct {
    const char* padding;
    DWORD flags;
    void* info;
  } cases[] = {{"pkcs1", NCRYPT_PAD_PKCS1_FLAG, nullptr},
               {"oaep", NCRYPT_PAD_OAEP_FLAG | NCRYPT_SILENT_FLAG, &oaep.info},
               {"none", NCRYPT_NO_PADDING_FLAG, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.padding);
    const CSecureBuffer cipher = Fixture(std::string("cipher.") + c.padding + ".bin");
    DWORD size = 0;
    ASSERT_EQ(
        0, table.Decrypt(provider, decrypter, cipher.data, cipher.size, c.info, nullptr, 0, &size, c.flags));
    EXPECT_EQ(256u, size);
    std::vector<BYTE> plain;
    ASSERT_EQ(0, DecryptWith(decrypter, cipher, c.info, c.flags, plain));
    EXPECT_EQ(ToVector(Fixture(std::string("plain.") + c.padding + ".bin")), plain);
    const CDecryptDataRequest sent = DecryptRequests(*server).back();
    EXPECT_EQ(CSecureBuffer(16, kSessionId), sent.GetSessionId());
    EXPECT_EQ(L"Decrypter", sent.GetContainerName());
    EXPECT_EQ(Reversed(cipher), sent.GetData());
  }
  // The unpadded block keeps its leading zero byte.
  EXPECT_EQ(3u, DecryptRequests(*server).size());
  EXPECT_EQ(0u, SignRequests(*server).size());
}

TEST_F(KspKeyOperationsTest, DecryptRefusalsAndBadBlocks) {
  ASSERT_NO_FATAL_FAILURE(Open());
  OaepParameters oaep;
  const CSecureBuffer cipher = Fixture("cipher.pkcs1.bin");
  BYTE output[256];
  DWORD size = 0;
  const auto decrypt = [&](NCRYPT_KEY_HANDLE key, const BYTE* input, DWORD inputSize, void* padding,
                           DWORD* result, DWORD flags) {
    return table.Decrypt(provider, key, const_cast<BYTE*>(input), inputSize, padding, output, 256, result,
                         flags);
  };
  const DWORD pkcs1 = NCRYPT_PAD_PKCS1_FLAG;
  EXPECT_EQ(kInvalidHandle,
            table.Decrypt(provider + 8, decrypter, cipher.data, 256, nullptr, output, 256, &size, pkcs1));
  EXPECT_EQ(kInvalidHandle, decrypt(signer + 8, nullptr, 0, nullptr, nullptr, 0xFFFF));
  EXPECT_EQ(kInvalidParameter, decrypt(decrypter, cipher.data, 256, nullptr, nullptr, pkcs1));
  for (DWORD flags : {DWORD(0), DWORD(NCRYPT_SILENT_FLAG), DWORD(0x8 | pkcs1),
                      DWORD(pkcs1 | NCRYPT_PAD_OAEP_FLAG), DWORD(NCRYPT_NO_PADDING_FLAG | pkcs1)}) {
    EXPECT_EQ(kBadFlags, decrypt(decrypter, cipher.data, 256, &oaep.info, &size, flags)) << flags;
  }
  EXPECT_EQ(kInvalidParameter, decrypt(decrypter, nullptr, 256, nullptr, &size, pkcs1));
  EXPECT_EQ(kInvalidParameter, decrypt(decrypter, cipher.data, 0, nullptr, &size, pkcs1));
  EXPECT_EQ(kPerm, decrypt(signer, cipher.data, 256, nullptr, &size, pkcs1));
  EXPECT_EQ(kBadLen, decrypt(decrypter, cipher.data, 255, nullptr, &size, pkcs1));
  EXPECT_EQ(kInvalidParameter, decrypt(decrypter, cipher.data, 256, nullptr, &size, NCRYPT_PAD_OAEP_FLAG));
  BCRYPT_OAEP_PADDING_INFO noHash = {nullptr, nullptr, 0};
  EXPECT_EQ(kInvalidParameter, decrypt(decrypter, cipher.data, 256, &noHash, &size, NCRYPT_PAD_OAEP_FLAG));
  // A label size without a label is refused, never read through null, also for a size query.
  BCRYPT_OAEP_PADDING_INFO nullLabel = {kOaepLabelHash, nullptr, 5};
  EXPECT_EQ(kInvalidParameter, decrypt(decrypter, cipher.data, 256, &nullLabel, &size, NCRYPT_PAD_OAEP_FLAG));
  EXPECT_EQ(kInvalidParameter, table.Decrypt(provider, decrypter, cipher.data, 256, &nullLabel, nullptr, 0,
                                             &size, NCRYPT_PAD_OAEP_FLAG));
  EXPECT_EQ(0u, CryptoRequestCount());

  // Blocks that do not unpad under the padding asked for.
  const CSecureBuffer oaepCipher = Fixture("cipher.oaep.bin");
  std::vector<BYTE> plain;
  BCRYPT_OAEP_PADDING_INFO otherLabel = {kOaepLabelHash, oaep.label.data, oaep.label.size - 1};
  EXPECT_EQ(kBadData, DecryptWith(decrypter, oaepCipher, &otherLabel, NCRYPT_PAD_OAEP_FLAG, plain));
  BCRYPT_OAEP_PADDING_INFO sha1 = {const_cast<wchar_t*>(L"SHA1"), oaep.label.data, oaep.label.size};
  EXPECT_EQ(kBadData, DecryptWith(decrypter, oaepCipher, &sha1, NCRYPT_PAD_OAEP_FLAG, plain));
  BCRYPT_OAEP_PADDING_INFO unknownHash = {const_cast<wchar_t*>(L"SHA999"), oaep.label.data, oaep.label.size};
  EXPECT_EQ(kBadData, DecryptWith(decrypter, oaepCipher, &unknownHash, NCRYPT_PAD_OAEP_FLAG, plain));
  EXPECT_EQ(kBadData, DecryptWith(decrypter, oaepCipher, nullptr, NCRYPT_PAD_PKCS1_FLAG, plain));
  EXPECT_EQ(kBadData,
            DecryptWith(decrypter, Fixture("cipher.none.bin"), nullptr, NCRYPT_PAD_PKCS1_FLAG, plain));
  EXPECT_EQ(5u, DecryptRequests(*server).size());

  // A short buffer learns the plaintext's length.
  const DWORD plainSize = Fixture("plain.pkcs1.bin").size;
  size = 0;
  EXPECT_EQ(kBufferTooSmall, table.Decrypt(provider, decrypter, cipher.data, 256, nullptr, output,
                                           plainSize - 1, &size, pkcs1));
  EXPECT_EQ(plainSize, size);
}

TEST_F(KspKeyOperationsTest, DecryptRefusesBlocksOfTheWrongLengthAndAnEmptyPlaintext) {
  CSecureBuffer answer;
  ASSERT_NO_FATAL_FAILURE(Open([&](const CCryptoRequest&) { return CryptoAnswer{0, answer}; }));
  const CSecureBuffer cipher = Fixture("cipher.pkcs1.bin");
  std::vector<BYTE> plain;
  // 00 02, nonzero padding to the end, 00 as the last byte: the message is empty.
  std::vector<BYTE> emptyMessage(256, 0x33);
  emptyMessage[0] = 0x00;
  emptyMessage[1] = 0x02;
  emptyMessage[255] = 0x00;
  answer = CSecureBuffer(256, emptyMessage.data());
  EXPECT_EQ(kBadData, DecryptWith(decrypter, cipher, nullptr, NCRYPT_PAD_PKCS1_FLAG, plain));
  // The same block with one message byte decrypts.
  emptyMessage[254] = 0x00;
  emptyMessage[255] = 0x42;
  answer = CSecureBuffer(256, emptyMessage.data());
  ASSERT_EQ(0, DecryptWith(decrypter, cipher, nullptr, NCRYPT_PAD_PKCS1_FLAG, plain));
  EXPECT_EQ(std::vector<BYTE>{0x42}, plain);
  for (DWORD length : {255u, 257u, 0u}) {
    answer = CSecureBuffer(length);
    EXPECT_EQ(kBadData, DecryptWith(decrypter, cipher, nullptr, NCRYPT_NO_PADDING_FLAG, plain)) << length;
  }
}

// Every status of lumaPassV is the entry's result and last error, unchanged.
TEST_F(KspKeyOperationsTest, PipeStatusesPassThroughUnchanged) {
  DWORD status = 0;
  ASSERT_NO_FATAL_FAILURE(Open([&](const CCryptoRequest&) {
    return CryptoAnswer{status, CSecureBuffer(256)};
  }));
  const CSecureBuffer hash = Fixture("hash.sha256.bin");
  const CSecureBuffer cipher = Fixture("cipher.none.bin");
  BCRYPT_PKCS1_PADDING_INFO sha256 = {L"SHA256"};
  BYTE output[256];
  for (DWORD pipeStatus : {6u, 0x80100030u, 0x80100004u, 0x80100069u, 0x8010006Au, 0x8010006Cu, 0x8010006Eu,
                           0x80090020u, 0x12345678u}) {
    SCOPED_TRACE(pipeStatus);
    status = pipeStatus;
    DWORD size = 0xDEAD;
    EXPECT_EQ(static_cast<SECURITY_STATUS>(pipeStatus),
              table.SignHash(provider, signer, &sha256, hash.data, hash.size, output, 256, &size,
                             BCRYPT_PAD_PKCS1));
    EXPECT_EQ(pipeStatus, GetLastError());
    EXPECT_EQ(0u, size);
    size = 0xDEAD;
    EXPECT_EQ(static_cast<SECURITY_STATUS>(pipeStatus),
              table.Decrypt(provider, decrypter, cipher.data, 256, nullptr, output, 256, &size,
                            NCRYPT_NO_PADDING_FLAG));
    EXPECT_EQ(pipeStatus, GetLastError());
    EXPECT_EQ(0xDEADu, size);
  }
}

TEST_F(KspKeyOperationsTest, WithLumaPassVGoneSigningAndDecryptionGiveReadFault) {
  ASSERT_NO_FATAL_FAILURE(Open());
  server.reset();
  std::vector<BYTE> result;
  EXPECT_EQ(ERROR_READ_FAULT, Sign(signer, L"SHA256", Fixture("hash.sha256.bin"), result));
  EXPECT_EQ(static_cast<DWORD>(ERROR_READ_FAULT), GetLastError());
  EXPECT_EQ(ERROR_READ_FAULT,
            DecryptWith(decrypter, Fixture("cipher.pkcs1.bin"), nullptr, NCRYPT_PAD_PKCS1_FLAG, result));
  // What needs no pipe still answers.
  DWORD size = 0;
  EXPECT_EQ(0, table.ExportKey(provider, signer, 0, BCRYPT_RSAPUBLIC_BLOB, nullptr, nullptr, 0, &size, 0));
  EXPECT_NE(0u, size);
}

// No lock is held while lumaPassV works: threads sign with one key at once, each getting its own
// signature.
TEST_F(KspKeyOperationsTest, ThreadsSignWithOneKeyAtOnce) {
  constexpr int kThreads = 4;
  ASSERT_NO_FATAL_FAILURE(Open(
      [](const CCryptoRequest& request) {
        // The signature names the hash it signed: the hash is the block's last byte.
        return CryptoAnswer{0, CSecureBuffer(1, request.GetData().data + request.GetData().size - 1)};
      },
      // Twice the instances: an instance is re-armed only after its client has gone, and Wine's
      // CallNamedPipeW gives up on a busy pipe after one retry.
      CryptoReply::kAtOnce, 2 * kThreads));
  // Per thread, the status of its last failed call (-1 for a wrong signature).
  std::vector<SECURITY_STATUS> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 5; ++i) {
        const BYTE last = static_cast<BYTE>(16 * t + i);
        CSecureBuffer hash(32);
        hash.data[31] = last;
        std::vector<BYTE> signature;
        // Under full load Wine's CallNamedPipeW can still find every instance busy; the client then
        // answers ERROR_READ_FAULT without having reached lumaPassV, and the caller signs again.
        SECURITY_STATUS status = ERROR_READ_FAULT;
        for (int attempt = 0; attempt < 20 && status == ERROR_READ_FAULT; ++attempt) {
          status = Sign(signer, L"SHA256", hash, signature);
        }
        if (status != 0 || signature != std::vector<BYTE>{last}) failures[t] = status != 0 ? status : -1;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(std::vector<SECURITY_STATUS>(kThreads, 0), failures);
  EXPECT_EQ(size_t(5 * kThreads), SignRequests(*server).size());
}

TEST_F(KspKeyOperationsTest, AnswersThatLumaPassVGivesAfterATransactionArrive) {
  ASSERT_NO_FATAL_FAILURE(Open(OpenSslKey, CryptoReply::kTransacted));
  std::vector<BYTE> signature;
  ASSERT_EQ(0, Sign(signer, L"SHA256", Fixture("hash.sha256.bin"), signature));
  EXPECT_EQ(ToVector(Fixture("signature.sha256.bin")), signature);
  std::vector<BYTE> plain;
  ASSERT_EQ(0, DecryptWith(decrypter, Fixture("cipher.pkcs1.bin"), nullptr, NCRYPT_PAD_PKCS1_FLAG, plain));
  EXPECT_EQ(ToVector(Fixture("plain.pkcs1.bin")), plain);
  EXPECT_EQ(2u, CountRequests(*server, MessageTypeCheckTransaction));
}

// The RSA public key blob of CNG: header, exponent, then the big-endian modulus.
struct CngRsaBlob {
  ULONG magic, bitLength, exponentSize, modulusSize, prime1Size, prime2Size;
};

TEST_F(KspKeyOperationsTest, ExportKeyHandsOutTheCertificatesPublicKeyInBothForms) {
  ASSERT_NO_FATAL_FAILURE(Open());
  const CSecureBuffer modulus = Fixture("modulus.bin");
  DWORD size = 0;
  ASSERT_EQ(0, table.ExportKey(provider, signer, 0, BCRYPT_RSAPUBLIC_BLOB, nullptr, nullptr, 0, &size, 0));
  const DWORD cngSize = size;
  ASSERT_EQ(sizeof(CngRsaBlob) + 3 + 256, cngSize);
  // No buffer with a size is a size query as well, never a write through null.
  size = 0;
  EXPECT_EQ(0, table.ExportKey(provider, signer, 0, BCRYPT_RSAPUBLIC_BLOB, nullptr, nullptr, 4096, &size, 0));
  EXPECT_EQ(cngSize, size);
  std::vector<BYTE> blob(cngSize);
  EXPECT_EQ(kMoreData, table.ExportKey(provider, signer, 0, BCRYPT_RSAPUBLIC_BLOB, nullptr, blob.data(),
                                       cngSize - 1, &size, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
  ASSERT_EQ(0, table.ExportKey(provider, signer, 0, BCRYPT_RSAPUBLIC_BLOB, nullptr, blob.data(), cngSize,
                               &size, NCRYPT_SILENT_FLAG));
  CngRsaBlob header;
  std::memcpy(&header, blob.data(), sizeof(header));
  EXPECT_EQ(static_cast<ULONG>(BCRYPT_RSAPUBLIC_MAGIC), header.magic);
  EXPECT_EQ(2048u, header.bitLength);
  ASSERT_EQ(3u, header.exponentSize);
  ASSERT_EQ(256u, header.modulusSize);
  EXPECT_EQ((std::vector<BYTE>{1, 0, 1}),
            std::vector<BYTE>(blob.begin() + sizeof(header), blob.begin() + sizeof(header) + 3));
  EXPECT_EQ(ToVector(modulus), std::vector<BYTE>(blob.end() - 256, blob.end()));

  // The CryptoAPI form names the key's use and holds the modulus little-endian.
  for (auto [key, algorithm] :
       {std::pair{signer, ALG_ID(CALG_RSA_SIGN)}, {decrypter, ALG_ID(CALG_RSA_KEYX)}}) {
    ASSERT_EQ(0, table.ExportKey(provider, key, 0, LEGACY_RSAPUBLIC_BLOB, nullptr, nullptr, 0, &size, 0));
    ASSERT_EQ(sizeof(BLOBHEADER) + sizeof(RSAPUBKEY) + 256, size);
    std::vector<BYTE> legacy(size);
    ASSERT_EQ(
        0, table.ExportKey(provider, key, 0, LEGACY_RSAPUBLIC_BLOB, nullptr, legacy.data(), size, &size, 0));
    BLOBHEADER blobHeader;
    RSAPUBKEY rsa;
    std::memcpy(&blobHeader, legacy.data(), sizeof(blobHeader));
    std::memcpy(&rsa, legacy.data() + sizeof(blobHeader), sizeof(rsa));
    EXPECT_EQ(PUBLICKEYBLOB, blobHeader.bType);
    EXPECT_EQ(algorithm, blobHeader.aiKeyAlg);
    EXPECT_EQ(0x31415352u, rsa.magic);  // "RSA1"
    EXPECT_EQ(2048u, rsa.bitlen);
    EXPECT_EQ(65537u, rsa.pubexp);
    EXPECT_EQ(ToVector(Reversed(modulus)), std::vector<BYTE>(legacy.end() - 256, legacy.end()));
  }
  EXPECT_EQ(0u, CryptoRequestCount());
}

TEST_F(KspKeyOperationsTest, ExportKeyRefusals) {
  ASSERT_NO_FATAL_FAILURE(Open());
  BYTE output[1024];
  DWORD size = 0;
  const auto exportKey = [&](NCRYPT_KEY_HANDLE key, LPCWSTR type, DWORD* result, DWORD flags) {
    return table.ExportKey(provider, key, 0, type, nullptr, output, sizeof(output), result, flags);
  };
  EXPECT_EQ(kInvalidHandle, table.ExportKey(provider + 8, signer, 0, BCRYPT_RSAPUBLIC_BLOB, nullptr, output,
                                            sizeof(output), &size, 0));
  EXPECT_EQ(kInvalidHandle, exportKey(signer + 8, nullptr, nullptr, 0xFFFF));
  EXPECT_EQ(kInvalidParameter, exportKey(signer, BCRYPT_RSAPUBLIC_BLOB, nullptr, 0));
  EXPECT_EQ(kBadFlags, exportKey(signer, BCRYPT_RSAPUBLIC_BLOB, &size, 0x1));
  EXPECT_EQ(kNotSupported, exportKey(signer, BCRYPT_RSAPUBLIC_BLOB, &size, NCRYPT_EXPORT_LEGACY_FLAG));
  // A null blob type is refused, never read.
  EXPECT_EQ(kInvalidParameter, exportKey(signer, nullptr, &size, 0));
  for (LPCWSTR type : {L"rsapublicblob", L"RSAPUBLICBLOB ", L"RSAPRIVATEBLOB", L"CAPIPRIVATEBLOB", L""}) {
    EXPECT_EQ(kInvalidParameter, exportKey(signer, type, &size, 0));
  }
  // A key without a certificate has no public key to hand out.
  EXPECT_EQ(kInvalidParameter, exportKey(bare, BCRYPT_RSAPUBLIC_BLOB, &size, 0));
  EXPECT_EQ(kInvalidParameter, exportKey(bare, LEGACY_RSAPUBLIC_BLOB, &size, 0));
}

TEST_F(KspKeyOperationsTest, OperationsOfKeysLumaPassVDoesNotHoldAreRefusedAfterTheHandles) {
  ASSERT_NO_FATAL_FAILURE(Open());
  BYTE data[256] = {};
  DWORD size = 0;
  NCRYPT_KEY_HANDLE imported = 0;
  EXPECT_EQ(kInvalidHandle, table.Encrypt(provider + 8, signer, data, 32, nullptr, data, 256, &size, 0));
  EXPECT_EQ(kInvalidHandle, table.Encrypt(provider, signer + 8, data, 32, nullptr, data, 256, &size, 0));
  EXPECT_EQ(kNotSupported,
            table.Encrypt(provider, decrypter, data, 32, nullptr, data, 256, &size, NCRYPT_PAD_PKCS1_FLAG));
  EXPECT_EQ(kInvalidHandle,
            table.ImportKey(provider + 8, 0, BCRYPT_RSAPUBLIC_BLOB, nullptr, &imported, data, 32, 0));
  EXPECT_EQ(kNotSupported,
            table.ImportKey(provider, 0, BCRYPT_RSAPUBLIC_BLOB, nullptr, &imported, data, 32, 0));
  EXPECT_EQ(kInvalidHandle, table.VerifySignature(provider + 8, signer, nullptr, data, 32, data, 256, 0));
  // Verification never looks at the key handle.
  EXPECT_EQ(kNotSupported, table.VerifySignature(provider, signer + 8, nullptr, data, 32, data, 256, 0));
  EXPECT_EQ(kNotSupported, table.PromptUser(provider, signer, nullptr, 0));
  EXPECT_EQ(kNotSupported, table.NotifyChangeKey(provider, nullptr, 0));
  EXPECT_EQ(kNotSupported, table.SecretAgreement(provider, signer, signer, nullptr, 0));
  EXPECT_EQ(kNotSupported, table.DeriveKey(provider, 0, nullptr, nullptr, data, 32, &size, 0));
  EXPECT_EQ(kNotSupported, table.FreeSecret(provider, 0));
  EXPECT_EQ(0u, CryptoRequestCount());
}

}  // namespace
}  // namespace luma::ksp
