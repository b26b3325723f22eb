#include "policy/signed/trust_dll.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/tests/test_data.h"
#include "foundation/win/file_signer.h"
#include "foundation/win/unique_handle.h"
#include "policy/signed/tests/trust_fixtures.h"

namespace {

using luma::testing::TrustCertificate;
using luma::testing::TrustOnly;
using luma::testing::TrustPath;

std::wstring TrustDll(const std::string& name) { return TrustPath("Provider\\" + name); }

bool DllEntryPointRan() { return GetEnvironmentVariableW(L"LUMA_TRUST_DLL_RAN", nullptr, 0) != 0; }

std::vector<CSecureBuffer> AsVector(const std::list<CSecureBuffer>& list) {
  return {list.begin(), list.end()};
}

class TrustDllTest : public ::testing::Test {
 protected:
  void SetUp() override {
    trustedSigner = TrustCertificate("trusted_signer");
    ASSERT_FALSE(trustedSigner.empty()) << TestDataPath("trust\\trust_trusted_signer.der");
  }
  CSecureBuffer trustedSigner;
};

TEST_F(TrustDllTest, TrustedDllGivesItsCertificatesAndPrefixesWithoutRunningIt) {
  const CPolicySignerTrustConfig trust(TrustDll("acme-trust-0-0-1.dll"), TrustOnly(trustedSigner));

  EXPECT_EQ(trust.signer, trustedSigner);
  // The empty "CERT" resource between the two certificates is not collected.
  const std::vector<CSecureBuffer> expected = {TrustCertificate("policy_signer_1"),
                                               TrustCertificate("policy_signer_2")};
  EXPECT_EQ(AsVector(trust.certificates), expected);
  EXPECT_EQ(trust.providerPrefixes, std::list<std::wstring>{L"ACME"});
  EXPECT_FALSE(DllEntryPointRan()) << "the trust DLL's code ran while its resources were read";
}

TEST_F(TrustDllTest, TheFileCannotBeWrittenBetweenTheSignatureCheckAndTheReading) {
  bool writable = true;
  const FileSignerReader trustOnly = TrustOnly(trustedSigner);
  const CPolicySignerTrustConfig trust(TrustDll("acme-trust-0-0-1.dll"), [&](const std::wstring& path) {
    const luma::CKernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    writable = static_cast<bool>(file);
    return trustOnly(path);
  });
  EXPECT_FALSE(writable);
  EXPECT_EQ(trust.certificates.size(), 2u);
}

TEST_F(TrustDllTest, DllThatAnotherWriterHoldsOpenAddsNothing) {
  // A copy of its own: other test processes read the shared fixture at the same time, and a writer
  // on it would make them fail (and theirs this one).
  wchar_t folder[MAX_PATH] = {};
  ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
  const std::wstring path =
      std::wstring(folder) + L"acme-trust-writer-" + std::to_wstring(GetCurrentProcessId()) + L".dll";
  ASSERT_TRUE(CopyFileW(TrustDll("acme-trust-0-0-1.dll").c_str(), path.c_str(), FALSE));
  struct RemoveOnExit {
    const std::wstring& file;
    ~RemoveOnExit() { DeleteFileW(file.c_str()); }
  } removeCopy{path};
  luma::CKernelHandle writer(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer);
  // The writer could change the file between the signature check and the reading of its resources,
  // even where the signature check itself shares the file with writers.
  const CPolicySignerTrustConfig trust(path, [this](const std::wstring&) { return trustedSigner; });
  writer.reset();
  EXPECT_TRUE(trust.signer.empty());
  EXPECT_TRUE(trust.certificates.empty());
  EXPECT_TRUE(trust.providerPrefixes.empty());
}

TEST_F(TrustDllTest, PrefixesMatchTheStartOfTheProviderNameInEitherCase) {
  const CPolicySignerTrustConfig trust(TrustDll("acme-trust-0-0-1.dll"), TrustOnly(trustedSigner));
  const struct {
    const wchar_t* provider;
    bool applies;
  } cases[] = {{L"ACME", true}, {L"acme-test", true}, {L"AcmeCorp", true},  {L"AC", false},
               {L"", false},    {L"XACME", false},    {L"ACM\u00c9", false}};
  for (const auto& c : cases) EXPECT_EQ(trust.AppliesTo(c.provider), c.applies) << c.provider;
}

TEST_F(TrustDllTest, OddResourceSizesDropTheLastByteAndAnEmptyPrefixAppliesToEveryProvider) {
  const CSecureBuffer otherSigner = TrustCertificate("other_signer");
  const CPolicySignerTrustConfig trust(TrustDll("other-trust-0-0-2.dll"), TrustOnly(otherSigner));

  ASSERT_EQ(trust.signer, otherSigner);
  EXPECT_EQ(trust.providerPrefixes, (std::list<std::wstring>{L"", L"BETA"}));
  EXPECT_TRUE(trust.AppliesTo(L"ANYONE"));
  EXPECT_TRUE(trust.AppliesTo(L""));
  EXPECT_EQ(AsVector(trust.certificates), std::vector<CSecureBuffer>{TrustCertificate("policy_signer_3")});
}

TEST_F(TrustDllTest, UnsignedAlteredAndMissingDllsAddNothing) {
  for (const char* name : {"unsigned-trust-0-0-3.dll", "tampered-trust-0-0-4.dll", "no-such-0-0-0-0.dll"}) {
    const CPolicySignerTrustConfig trust(TrustDll(name));
    EXPECT_TRUE(trust.signer.empty()) << name;
    EXPECT_TRUE(trust.certificates.empty()) << name;
    EXPECT_TRUE(trust.providerPrefixes.empty()) << name;
    EXPECT_FALSE(trust.AppliesTo(L"ACME")) << name;
  }
}

TEST_F(TrustDllTest, UntrustedSignerAddsNothing) {
  // The operators' signer is trusted, the other one is not.
  const auto trusts = luma::policy::LoadPolicySignerTrusts(TrustPath("Provider"), TrustOnly(trustedSigner));

  ASSERT_EQ(trusts.size(),
            1u);  // the altered DLL and trust.dll (a name of the wrong form) are not read either
  EXPECT_EQ(trusts.front()->signer, trustedSigner);
  const std::vector<CSecureBuffer> expected = {TrustCertificate("policy_signer_1"),
                                               TrustCertificate("policy_signer_2")};
  EXPECT_EQ(AsVector(luma::policy::GetPolicySignersForProvider(trusts, L"AcmeCorp")), expected);
  EXPECT_TRUE(luma::policy::GetPolicySignersForProvider(trusts, L"BETA").empty());
  EXPECT_TRUE(luma::policy::GetPolicySignersForProvider(trusts, L"AC").empty());
  EXPECT_FALSE(DllEntryPointRan());
}

TEST_F(TrustDllTest, TheSystemsSignatureCheckDecidesInTheFolder) {
  if (luma::VerifyFileTrust(TrustDll("acme-trust-0-0-1.dll")) != 0) {
    GTEST_SKIP() << "the throw-away test root is not trusted on this machine";
  }
  const auto trusts = luma::policy::LoadPolicySignerTrusts(TrustPath("Provider"));

  // Both correctly signed DLLs; neither the unsigned, the altered nor the badly named one.
  ASSERT_EQ(trusts.size(), 2u);
  std::vector<CSecureBuffer> signers;
  for (const auto& trust : trusts) signers.push_back(trust->signer);
  EXPECT_EQ(std::count(signers.begin(), signers.end(), trustedSigner), 1);
  EXPECT_EQ(std::count(signers.begin(), signers.end(), TrustCertificate("other_signer")), 1);
  // The empty prefix of the other DLL brings its certificate to every provider, after ACME's own.
  EXPECT_EQ(luma::policy::GetPolicySignersForProvider(trusts, L"acme-test").size(), 3u);
  EXPECT_EQ(AsVector(luma::policy::GetPolicySignersForProvider(trusts, L"Zed")),
            std::vector<CSecureBuffer>{TrustCertificate("policy_signer_3")});
}

TEST(TrustDllFolderTest, IsTheProviderFolderBesideTheProgram) {
  const std::wstring folder = luma::policy::GetTrustDllFolder();
  const std::string program = TestDataPath("");
  const std::wstring programFolder(program.begin(), program.end() - std::string("testdata\\").size());
  EXPECT_EQ(folder, programFolder + L"Provider");
}

}  // namespace
