// The choice of the client certificate on a real store of the current user with real CryptoAPI
// keys: filter, provisioned mark (through its seam: this platform may not set the property),
// remembered fingerprint, silent mode, usable key; the selection dialog is replaced by a script.
#include "service/auth/cert_auth_filter.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/core/policy_id_property.h"
#include "service/auth/tests/cert_store_fixture.h"

namespace luma::service::testing {
namespace {

enum class Remembered { kNone, kSecondLowerCase, kStale };
enum class Dialog { kPicksFirst, kCancels, kThrows };

struct ChoiceCase {
  const char* name;
  std::vector<const wchar_t*> certificates;  // labels: "good1", "good2", "nokey", "weak"
  const wchar_t* provisioned;                // label marked as this system's own, or null
  Remembered remembered;
  bool silent;
  Dialog dialog;
  const wchar_t* chosen;  // label, "picked" for the dialog's choice, or null for none
  int dialogCandidates;   // candidates the dialog listed; 0: not shown
};

class CertChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

// 1024-bit keys pass, the 512-bit one does not.
const CCertificateFilter& KeyLengthFilter() {
  static const CCertificateFilter filter(L"", L"(KeyLength>=1024)");
  return filter;
}

bool AddCertificate(CTestCertStore& store, const std::wstring& label) {
  if (label == L"weak") return store.Add(label, 512, true);
  return store.Add(label, 1024, label != L"nokey");
}

TEST_P(CertChoiceTest, ChoosesByCountRememberedFingerprintOrDialog) {
  const ChoiceCase& c = GetParam();
  CTestCertStore store;
  ASSERT_TRUE(store.IsOpen());
  for (const wchar_t* label : c.certificates) ASSERT_TRUE(AddCertificate(store, label)) << label;

  CCertAuthFilter filter(nullptr, L"title", L"prompt");
  std::wstring provisioned = c.provisioned != nullptr ? store.Fingerprint(c.provisioned) : std::wstring();
  filter.SetProvisionedTest([&](PCCERT_CONTEXT certificate) {
    WString fingerprint;
    CCertWrapper(certificate).GetFingerprint(fingerprint);
    return !provisioned.empty() && fingerprint == provisioned;
  });
  int listed = 0;
  WString picked;
  filter.SetSelectionDialog([&](HCERTSTORE candidates, HWND owner, const std::wstring& title,
                                const std::wstring& prompt) -> PCCERT_CONTEXT {
    EXPECT_EQ(nullptr, owner);
    EXPECT_EQ(L"title", title);
    EXPECT_EQ(L"prompt", prompt);
    PCCERT_CONTEXT first = nullptr;
    for (PCCERT_CONTEXT current = nullptr;
         (current = CertEnumCertificatesInStore(candidates, current)) != nullptr;) {
      if (listed++ == 0) {
        first = CertDuplicateCertificateContext(current);
        CCertWrapper(first).GetFingerprint(picked);
      }
    }
    if (c.dialog == Dialog::kThrows) {
      CertFreeCertificateContext(first);
      throw std::runtime_error("the dialog failed");
    }
    if (c.dialog == Dialog::kCancels) {
      CertFreeCertificateContext(first);
      return nullptr;
    }
    return first;
  });

  std::wstring remembered;
  if (c.remembered == Remembered::kSecondLowerCase) remembered = store.Fingerprint(L"good2", true);
  if (c.remembered == Remembered::kStale) remembered = std::wstring(40, L'a');

  const bool chosen = filter.SelectCertificate(CERT_SYSTEM_STORE_CURRENT_USER, store.Name(),
                                               KeyLengthFilter(), remembered, c.silent);
  EXPECT_EQ(c.chosen != nullptr, chosen);
  EXPECT_EQ(c.chosen != nullptr, filter.GetChosen() != nullptr);
  EXPECT_EQ(c.dialogCandidates, listed);
  if (c.chosen == nullptr) {
    EXPECT_EQ(L"", filter.GetFingerprint());
  } else if (std::wstring(c.chosen) == L"picked") {
    EXPECT_EQ(picked, filter.GetFingerprint());
    EXPECT_NE(L"", picked);
  } else {
    EXPECT_EQ(c.chosen, store.LabelOf(filter.GetFingerprint()));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Stores, CertChoiceTest,
    ::testing::Values(
        // name, certificates, provisioned, remembered, silent, dialog, chosen, dialog candidates
        ChoiceCase{"SingleUsableSilently",
                   {L"good1", L"weak"},
                   nullptr,
                   Remembered::kNone,
                   true,
                   Dialog::kPicksFirst,
                   L"good1",
                   0},
        ChoiceCase{"SingleWithoutKeyRefusedSilently",
                   {L"nokey"},
                   nullptr,
                   Remembered::kNone,
                   true,
                   Dialog::kPicksFirst,
                   nullptr,
                   0},
        ChoiceCase{"SingleWithoutKeyTakenWhenAsking",
                   {L"nokey"},
                   nullptr,
                   Remembered::kNone,
                   false,
                   Dialog::kPicksFirst,
                   L"nokey",
                   0},
        ChoiceCase{"RememberedLowerCaseWithoutDialog",
                   {L"good1", L"good2"},
                   nullptr,
                   Remembered::kSecondLowerCase,
                   true,
                   Dialog::kPicksFirst,
                   L"good2",
                   0},
        ChoiceCase{"RememberedEvenWithoutUsableKey",
                   {L"nokey", L"good2"},
                   nullptr,
                   Remembered::kSecondLowerCase,
                   true,
                   Dialog::kPicksFirst,
                   L"good2",
                   0},
        ChoiceCase{"SeveralSilentlyWithoutRemembered",
                   {L"good1", L"good2"},
                   nullptr,
                   Remembered::kNone,
                   true,
                   Dialog::kPicksFirst,
                   nullptr,
                   0},
        ChoiceCase{"StaleRememberedAsksTheUser",
                   {L"good1", L"good2", L"weak"},
                   nullptr,
                   Remembered::kStale,
                   false,
                   Dialog::kPicksFirst,
                   L"picked",
                   2},
        ChoiceCase{"DialogCancelled",
                   {L"good1", L"good2"},
                   nullptr,
                   Remembered::kNone,
                   false,
                   Dialog::kCancels,
                   nullptr,
                   2},
        ChoiceCase{"DialogFailing",
                   {L"good1", L"good2"},
                   nullptr,
                   Remembered::kNone,
                   false,
                   Dialog::kThrows,
                   nullptr,
                   2},
        ChoiceCase{"ProvisionedIsNoCandidate",
                   {L"good1"},
                   L"good1",
                   Remembered::kNone,
                   false,
                   Dialog::kPicksFirst,
                   nullptr,
                   0},
        ChoiceCase{"ProvisionedLeavesOne",
                   {L"good1", L"good2"},
                   L"good1",
                   Remembered::kNone,
                   true,
                   Dialog::kPicksFirst,
                   L"good2",
                   0},
        ChoiceCase{"NothingPassesTheFilter",
                   {L"weak"},
                   nullptr,
                   Remembered::kNone,
                   false,
                   Dialog::kPicksFirst,
                   nullptr,
                   0}),
    [](const ::testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

TEST(CertAuthFilterTest, MissingStoreChoosesNothing) {
  CCertAuthFilter filter(nullptr, L"t", L"p");
  EXPECT_FALSE(filter.SelectCertificate(CERT_SYSTEM_STORE_CURRENT_USER, L"lumaPassNoSuchStore",
                                        KeyLengthFilter(), L"", false));
  EXPECT_TRUE(filter.HasUsablePrivateKey()) << "nothing chosen";
}

TEST(CertAuthFilterTest, UsableKeyIsTriedWithARealSignature) {
  CTestCertStore store;
  ASSERT_TRUE(store.IsOpen());
  ASSERT_TRUE(store.Add(L"good1", 1024, true));
  ASSERT_TRUE(store.Add(L"nokey", 1024, false));
  CCertAuthFilter filter(nullptr, L"t", L"p");
  ASSERT_TRUE(filter.SelectCertificate(CERT_SYSTEM_STORE_CURRENT_USER, store.Name(), KeyLengthFilter(),
                                       store.Fingerprint(L"good1"), false));
  EXPECT_TRUE(filter.HasUsablePrivateKey());
  // A second choice frees the first and keeps the store open.
  ASSERT_TRUE(filter.SelectCertificate(CERT_SYSTEM_STORE_CURRENT_USER, store.Name(), KeyLengthFilter(),
                                       store.Fingerprint(L"nokey"), false));
  EXPECT_EQ(store.Fingerprint(L"nokey"), filter.GetFingerprint());
  EXPECT_FALSE(filter.HasUsablePrivateKey());
}

TEST(CertAuthFilterTest, SignatureBufferIsTwiceTheKeyBytes) {
  EXPECT_EQ(256u, luma::auth::TestSignatureBufferSize(1024));
  EXPECT_EQ(512u, luma::auth::TestSignatureBufferSize(2048));
  EXPECT_EQ(4096u, luma::auth::TestSignatureBufferSize(0)) << "an unreadable length";
  EXPECT_EQ(4096u, luma::auth::TestSignatureBufferSize(7));
}

// The real mark, where the platform can set it (this platform's property store may be a stub).
TEST(CertAuthFilterTest, ProvisionedMarkIsReadFromTheProperty) {
  CTestCertStore store;
  ASSERT_TRUE(store.IsOpen());
  ASSERT_TRUE(store.Add(L"good1", 1024, true));
  const luma::CCertStoreHandle opened(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, X509_ASN_ENCODING, 0,
                                                    CERT_SYSTEM_STORE_CURRENT_USER, store.Name().c_str()));
  ASSERT_TRUE(opened);
  const luma::CCertContextHandle certificate(CertEnumCertificatesInStore(opened.get(), nullptr));
  ASSERT_TRUE(certificate);
  EXPECT_FALSE(luma::auth::HasProvisionedMark(certificate.get()));
  const std::wstring account = L"ACME/anna";
  CRYPT_DATA_BLOB value = {static_cast<DWORD>((account.size() + 1) * sizeof(wchar_t)),
                           reinterpret_cast<BYTE*>(const_cast<wchar_t*>(account.c_str()))};
  if (!CertSetCertificateContextProperty(certificate.get(), LUMAPASSV_POLICY_ID_PROP_ID, 0, &value)) {
    GTEST_SKIP() << "this platform cannot set certificate property 0xA001";
  }
  EXPECT_TRUE(luma::auth::HasProvisionedMark(certificate.get()));
}

// The dialog itself is interactive and stays out of the tests; its entry point must be found where
// the filter loads it at run time.
TEST(CertAuthFilterTest, SelectionDialogEntryPointIsFound) {
  const luma::CModuleHandle module(LoadLibraryW(L"cryptui.dll"));
  if (!module) GTEST_SKIP() << "this platform has no cryptui.dll";
  EXPECT_NE(nullptr, GetProcAddress(module.get(), "CryptUIDlgSelectCertificateFromStore"));
}

}  // namespace
}  // namespace luma::service::testing
