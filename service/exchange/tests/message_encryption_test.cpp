#include "service/exchange/message_encryption.h"

#include <gtest/gtest.h>

#include <memory>

#include "service/exchange/message_envelope.h"
#include "service/exchange/tests/exchange_test_support.h"
#include "service/exchange/tests/openssl_tool.h"

namespace {

std::wstring SubjectText(PCCERT_CONTEXT certificate, bool issuer) {
  wchar_t text[256] = {};
  CertNameToStrW(X509_ASN_ENCODING,
                 issuer ? &certificate->pCertInfo->Issuer : &certificate->pCertInfo->Subject,
                 CERT_X500_NAME_STR, text, 256);
  return text;
}

CSecureBuffer Blob(const CRYPT_BIT_BLOB& blob) { return CSecureBuffer(blob.cbData, blob.pbData); }
CSecureBuffer Blob(const CRYPT_INTEGER_BLOB& blob) { return CSecureBuffer(blob.cbData, blob.pbData); }

CSecureBuffer EnvelopeFor(const CSecureBuffer& certificate, const CSecureBuffer& plain) {
  const luma::CCertContextHandle context = CertificateOf(certificate);
  CSecureBuffer envelope;
  EXPECT_TRUE(context);
  if (context) {
    EXPECT_EQ(luma::service::EncryptEnvelope(context.get(), plain, envelope), 0u);
  }
  return envelope;
}

TEST(MessageEncryptionTest, FirstStartMakesTheKeyAndTheNextStartReusesItWithANewCertificate) {
  CTestContainer container("reuse");
  CSecureBuffer first;
  {
    CMessageEncryption encryption(container.name());
    ASSERT_EQ(encryption.WaitForKey(INFINITE), 0u);
    first = encryption.GetCertificate();
  }
  const luma::CCertContextHandle firstContext = CertificateOf(first);
  ASSERT_TRUE(firstContext);
  EXPECT_EQ(SubjectText(firstContext.get(), false), L"CN=luma-Pass V Data Exchange Key");
  EXPECT_EQ(SubjectText(firstContext.get(), true), L"CN=luma-Pass V Data Exchange Key");
  EXPECT_STREQ(firstContext.get()->pCertInfo->SignatureAlgorithm.pszObjId, "1.2.840.113549.1.1.11");
  EXPECT_EQ(firstContext.get()->pCertInfo->cExtension, 0u);
  EXPECT_EQ(CertGetPublicKeyLength(X509_ASN_ENCODING, &firstContext.get()->pCertInfo->SubjectPublicKeyInfo),
            2048u);
  SYSTEMTIME now, notBefore, notAfter;
  GetSystemTime(&now);
  FileTimeToSystemTime(&firstContext.get()->pCertInfo->NotBefore, &notBefore);
  FileTimeToSystemTime(&firstContext.get()->pCertInfo->NotAfter, &notAfter);
  EXPECT_EQ(notBefore.wYear, now.wYear - 1);
  EXPECT_EQ(notAfter.wYear, now.wYear + 10);
  EXPECT_EQ(notAfter.wMonth, now.wMonth);

  // The key is an exchange key of the container and cannot be exported.
  luma::CCryptProviderHandle provider;
  luma::CCryptKeyHandle key;
  ASSERT_TRUE(
      CryptAcquireContextW(provider.put(), container.name().c_str(), nullptr, PROV_RSA_FULL, CRYPT_SILENT));
  ASSERT_TRUE(CryptGetUserKey(provider.get(), AT_KEYEXCHANGE, key.put()));
  DWORD blobSize = 0;
  EXPECT_FALSE(CryptExportKey(key.get(), 0, PRIVATEKEYBLOB, 0, nullptr, &blobSize));

  CMessageEncryption secondStart(container.name());
  ASSERT_EQ(secondStart.WaitForKey(INFINITE), 0u);
  const CSecureBuffer second = secondStart.GetCertificate();
  const luma::CCertContextHandle secondContext = CertificateOf(second);
  ASSERT_TRUE(secondContext);
  EXPECT_EQ(Blob(secondContext.get()->pCertInfo->SubjectPublicKeyInfo.PublicKey),
            Blob(firstContext.get()->pCertInfo->SubjectPublicKeyInfo.PublicKey));
  EXPECT_NE(Blob(secondContext.get()->pCertInfo->SerialNumber),
            Blob(firstContext.get()->pCertInfo->SerialNumber));

  // Same key, but an envelope names its certificate: only the current one opens.
  const CSecureBuffer plain = PlainBytes(256, 3);
  CSecureBuffer opened = PlainBytes(4, 0);
  EXPECT_EQ(secondStart.Decrypt(EnvelopeFor(first, plain), opened),
            static_cast<DWORD>(CRYPT_E_NO_DECRYPT_CERT));
  EXPECT_TRUE(opened.empty());
  ASSERT_EQ(secondStart.Decrypt(EnvelopeFor(second, plain), opened), 0u);
  EXPECT_EQ(opened, plain);
}

TEST(MessageEncryptionTest, ContainerLeftWithoutKeyGetsOne) {
  CTestContainer container("empty");
  {
    luma::CCryptProviderHandle provider;
    ASSERT_TRUE(CryptAcquireContextW(provider.put(), container.name().c_str(), nullptr, PROV_RSA_FULL,
                                     CRYPT_NEWKEYSET | CRYPT_SILENT));
  }
  CMessageEncryption encryption(container.name());
  ASSERT_EQ(encryption.WaitForKey(INFINITE), 0u);
  const CSecureBuffer plain = PlainBytes(100, 9);
  CSecureBuffer opened;
  ASSERT_EQ(encryption.Decrypt(EnvelopeFor(encryption.GetCertificate(), plain), opened), 0u);
  EXPECT_EQ(opened, plain);
}

TEST(MessageEncryptionTest, DecryptRightAfterConstructionWaitsForTheKey) {
  CTestContainer container("wait");
  {
    CMessageEncryption firstStart(container.name());
    ASSERT_EQ(firstStart.WaitForKey(INFINITE), 0u);
  }
  // Another start prepares only its certificate, well within the wait of Decrypt.
  CMessageEncryption encryption(container.name());
  CSecureBuffer opened;
  const DWORD result = encryption.Decrypt(CSecureBuffer(1, "\x30"), opened);
  EXPECT_EQ(result, static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT)) << "not ERROR_BUSY: the call waited";
  const CSecureBuffer certificate = encryption.GetCertificate();
  ASSERT_FALSE(certificate.empty());
  const CSecureBuffer plain = PlainBytes(32, 1);
  ASSERT_EQ(encryption.Decrypt(EnvelopeFor(certificate, plain), opened), 0u);
  EXPECT_EQ(opened, plain);
}

TEST(MessageEncryptionTest, DestructionDuringPreparationReturnsAndLeavesTheContainerUsable) {
  CTestContainer container("destroy");
  for (int i = 0; i < 3; ++i) {
    // Gone at once, while its worker is still opening the container or generating the key.
    CMessageEncryption shortLived(container.name());
  }
  CMessageEncryption encryption(container.name());
  ASSERT_EQ(encryption.WaitForKey(INFINITE), 0u);
  // With the key in place a worker hands over within milliseconds, so some of these destructions
  // overlap a hand-over: both take the record's lock and the object's lock.
  for (int i = 0; i < 20; ++i) {
    CMessageEncryption shortLived(container.name());
    Sleep(i % 4);
  }
  const CSecureBuffer plain = PlainBytes(48, 5);
  CSecureBuffer opened;
  ASSERT_EQ(encryption.Decrypt(EnvelopeFor(encryption.GetCertificate(), plain), opened), 0u);
  EXPECT_EQ(opened, plain);
}

TEST(MessageEncryptionTest, GetCertificateIsSafeWhileTheWorkerHandsOver) {
  CTestContainer container("handover");
  CMessageEncryption encryption(container.name());
  // Reads race with the hand-over; each sees either nothing or the whole certificate.
  CSecureBuffer last;
  while (encryption.WaitForKey(0) == ERROR_BUSY) {
    last = encryption.GetCertificate();
    ASSERT_TRUE(last.empty() || CertificateOf(last));
  }
  last = encryption.GetCertificate();
  EXPECT_TRUE(CertificateOf(last));
}

TEST(MessageEncryptionTest, OpensAnOpenSslEnvelopeForTheExchangeCertificate) {
  if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "the host's openssl tool cannot be reached";
  CTestContainer container("openssl");
  CMessageEncryption encryption(container.name());
  ASSERT_EQ(encryption.WaitForKey(INFINITE), 0u);
  CSharedTempDir dir;
  ASSERT_TRUE(dir.Write(L"exchange.der", encryption.GetCertificate()));
  for (DWORD size : {37u, 256u}) {
    const CSecureBuffer plain = PlainBytes(size, static_cast<BYTE>(size));
    ASSERT_TRUE(dir.Write(L"plain.bin", plain));
    ASSERT_EQ(COpenSslTool::Run(dir, L"cms -encrypt -aes256 -binary -in " + dir.UnixPath(L"plain.bin") +
                                         L" -outform DER -out " + dir.UnixPath(L"envelope.der") + L" " +
                                         dir.UnixPath(L"exchange.der")),
              0u);
    CSecureBuffer opened;
    ASSERT_EQ(encryption.Decrypt(dir.Read(L"envelope.der"), opened), 0u) << size;
    EXPECT_EQ(opened, plain) << size;
  }
}

}  // namespace
