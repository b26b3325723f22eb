#include "service/exchange/message_envelope.h"

#include <gtest/gtest.h>

#include <functional>

#include "service/exchange/exchange_key.h"
#include "service/exchange/tests/exchange_test_support.h"
#include "service/exchange/tests/openssl_tool.h"

namespace {
using luma::service::Envelope;
using luma::service::EnvelopeFault;

TEST(MessageEnvelopeTest, OpenSslOpensTheEnvelopeForItsCertificate) {
  if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "the host's openssl tool cannot be reached";
  CSharedTempDir dir;
  ASSERT_EQ(COpenSslTool::Run(
                dir, L"req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Service -outform DER -keyout " +
                         dir.UnixPath(L"key.pem") + L" -out " + dir.UnixPath(L"service.der")),
            0u);
  const luma::CCertContextHandle service = CertificateOf(dir.Read(L"service.der"));
  ASSERT_TRUE(service);
  // A failing run must be seen as one, or every check below could pass by accident.
  const DWORD failed =
      COpenSslTool::Run(dir, L"cms -decrypt -inform DER -in " + dir.UnixPath(L"missing.der"));
  EXPECT_NE(failed, 0u);
  EXPECT_NE(failed, COpenSslTool::kNotRun);

  for (DWORD size : {0u, 16u, 300u}) {
    const CSecureBuffer plain = PlainBytes(size, 0x41);
    CSecureBuffer envelope;
    ASSERT_EQ(luma::service::EncryptEnvelope(service.get(), plain, envelope), 0u);
    ASSERT_TRUE(dir.Write(L"envelope.der", envelope));
    DeleteFileW(dir.WindowsPath(L"plain.bin").c_str());
    ASSERT_EQ(COpenSslTool::Run(dir, L"cms -decrypt -binary -inform DER -in " +
                                         dir.UnixPath(L"envelope.der") + L" -inkey " +
                                         dir.UnixPath(L"key.pem") + L" -out " + dir.UnixPath(L"plain.bin")),
              0u)
        << size;
    EXPECT_EQ(dir.Read(L"plain.bin"), plain) << size;
  }
}

// Envelopes for the key of a test container, each damaged in one way.
TEST(MessageEnvelopeTest, DamagedOrForeignEnvelopesFailWithEmptyOutput) {
  CTestContainer container("damaged");
  luma::CCertContextHandle certificate;
  ASSERT_EQ(luma::service::PrepareExchangeKey(container.name(), certificate), 0u);
  luma::service::IssuerAndSerial self;
  ASSERT_EQ(luma::service::ReadCertificateIssuerAndSerial(certificate.get()->pbCertEncoded,
                                                          certificate.get()->cbCertEncoded, self),
            EnvelopeFault::kNone);
  luma::CCryptProviderHandle keyContainer;
  ASSERT_EQ(luma::service::OpenExchangeKeyContainer(container.name(), keyContainer), 0u);

  const CSecureBuffer plain = PlainBytes(37, 7);  // three blocks, the last with 11 bytes of padding
  CSecureBuffer valid;
  ASSERT_EQ(luma::service::EncryptEnvelope(certificate.get(), plain, valid), 0u);
  CSecureBuffer opened;
  ASSERT_EQ(luma::service::DecryptEnvelope(valid, self, keyContainer.get(), opened), 0u);
  ASSERT_EQ(opened, plain);
  CSecureBuffer again;  // every envelope has a key and an IV of its own
  ASSERT_EQ(luma::service::EncryptEnvelope(certificate.get(), plain, again), 0u);
  Envelope first, second;
  ASSERT_EQ(luma::service::ReadEnvelope(valid.data, valid.size, first), EnvelopeFault::kNone);
  ASSERT_EQ(luma::service::ReadEnvelope(again.data, again.size, second), EnvelopeFault::kNone);
  EXPECT_NE(first.iv, second.iv);
  EXPECT_NE(first.recipients[0].encryptedKey, second.recipients[0].encryptedKey);

  auto change = [&](const std::function<void(Envelope&)>& edit) {
    Envelope parts;
    EXPECT_EQ(luma::service::ReadEnvelope(valid.data, valid.size, parts), EnvelopeFault::kNone);
    edit(parts);
    CSecureBuffer bytes;
    EXPECT_TRUE(luma::service::WriteEnvelope(parts, bytes));
    return bytes;
  };
  const DWORD badData = static_cast<DWORD>(NTE_BAD_DATA);
  struct Case {
    const char* name;
    CSecureBuffer envelope;
    DWORD error;
  } cases[] = {
      {"another serial number", change([](Envelope& e) { e.recipients[0].id.serialNumber.data[0] ^= 1; }),
       static_cast<DWORD>(CRYPT_E_NO_DECRYPT_CERT)},
      // The padding count sits in the last block; this byte of the block before flips it from 11 to 10.
      {"padding damaged",
       change([](Envelope& e) { e.encryptedContent.data[e.encryptedContent.size - 17] ^= 0x01; }), badData},
      {"encrypted key damaged", change([](Envelope& e) { e.recipients[0].encryptedKey.data[5] ^= 0x20; }),
       badData},
      {"encrypted key one byte short", change([](Envelope& e) {
         e.recipients[0].encryptedKey =
             CSecureBuffer(e.recipients[0].encryptedKey.size - 1, e.recipients[0].encryptedKey.data + 1);
       }),
       badData},
      {"cut short", CSecureBuffer(valid.size - 1, valid.data), static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT)},
      {"empty", CSecureBuffer(), static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT)},
  };
  for (const Case& c : cases) {
    CSecureBuffer out = PlainBytes(8, 1);
    EXPECT_EQ(luma::service::DecryptEnvelope(c.envelope, self, keyContainer.get(), out), c.error) << c.name;
    EXPECT_TRUE(out.empty()) << c.name;
  }

  CSecureBuffer signedData = valid;
  signedData.data[14] = 0x02;  // the last byte of the content type: 1.2.840.113549.1.7.2
  CSecureBuffer out;
  EXPECT_EQ(luma::service::DecryptEnvelope(signedData, self, keyContainer.get(), out),
            static_cast<DWORD>(CRYPT_E_UNEXPECTED_MSG_TYPE));
}

}  // namespace
