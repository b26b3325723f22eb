#include "foundation/win/file_signer.h"

#include <gtest/gtest.h>

#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/tests/test_data.h"

namespace {

std::wstring Fixture(const char* name) {
  const std::string path = TestDataPath(name);
  return std::wstring(path.begin(), path.end());
}

TEST(FileSignerTest, UnsignedMissingAndAlteredFilesHaveNoSigner) {
  EXPECT_TRUE(luma::GetFileSignerCertificate(Fixture("unsigned.dll")).empty());
  EXPECT_NE(luma::VerifyFileTrust(Fixture("unsigned.dll")), 0);
  EXPECT_TRUE(luma::ReadFileSignerCertificate(Fixture("unsigned.dll")).empty());

  EXPECT_TRUE(luma::GetFileSignerCertificate(Fixture("no_such_file.dll")).empty());
  EXPECT_TRUE(luma::GetFileSignerCertificate(L"").empty());

  EXPECT_NE(luma::VerifyFileTrust(Fixture("tampered.dll")), 0);
  EXPECT_TRUE(luma::GetFileSignerCertificate(Fixture("tampered.dll")).empty());
}

TEST(FileSignerTest, TheEmbeddedSignerIsTheCertificateThatSigned) {
  const CSecureBuffer signer = ReadTestData("signer.der");
  ASSERT_FALSE(signer.empty()) << TestDataPath("signer.der");
  // Read without the trust decision, the signer is there whoever issued it.
  EXPECT_EQ(luma::ReadFileSignerCertificate(Fixture("signed.dll")), signer);
}

TEST(FileSignerTest, TrustedSignedFileGivesItsSigner) {
  if (luma::VerifyFileTrust(Fixture("signed.dll")) != 0) {
    GTEST_SKIP() << "the throw-away test root is not trusted on this machine";
  }
  EXPECT_EQ(luma::GetFileSignerCertificate(Fixture("signed.dll")), ReadTestData("signer.der"));
}

TEST(FileSignerTest, SignerUnderAnUntrustedRootIsRefused) {
  if (luma::VerifyFileTrust(Fixture("signed.dll")) == 0) {
    GTEST_SKIP() << "this platform's WinVerifyTrust accepts a signature under an untrusted root";
  }
  EXPECT_TRUE(luma::GetFileSignerCertificate(Fixture("signed.dll")).empty());
}

}  // namespace
