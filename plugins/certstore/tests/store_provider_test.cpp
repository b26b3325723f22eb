// The store provider's open function and callbacks, called as CryptoAPI calls them, against a
// scripted lumaPassV on a pipe of the test's own. The provider logic is linked into the test, so the
// host's path and the property access can be set.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "foundation/core/vsc_message.h"
#include "plugins/certstore/cert_store_module.h"
#include "plugins/certstore/store_callbacks.h"
#include "plugins/certstore/tests/cert_store_test_support.h"
#include "plugins/common/session_containers.h"
#include "plugins/diagnostics/tests/refused_allocations.h"

using namespace VirtualSmartCardProtocol;

namespace luma::certstore {
namespace {

constexpr wchar_t kOrdinaryHost[] = L"C:\\Program Files\\Example\\mailer.exe";

std::wstring& testPipeName() {
  static std::wstring name;
  return name;
}
std::wstring& testHostPath() {
  static std::wstring path;
  return path;
}
std::wstring TestPipeName() { return testPipeName(); }
std::wstring TestHostPath() { return testHostPath(); }

BOOL WINAPI OpenLinked(LPCSTR provider, DWORD, HCRYPTPROV_LEGACY, DWORD flags, const void*, HCERTSTORE,
                       PCERT_STORE_PROV_INFO info) {
  return OpenStoreProvider(provider, flags, info);
}

class StoreProviderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testPipeName() = luma::plugin::UniqueTestPipeName();
    testHostPath() = kOrdinaryHost;
    SetPipeNameFunction(&TestPipeName);
    SetHostPathFunction(&TestHostPath);
    SetPropertyAccess(&carriers);
  }
  void TearDown() override {
    SetPipeNameFunction(nullptr);
    SetHostPathFunction(nullptr);
    SetPropertyAccess(nullptr);
  }

  // What the store shows for an offered container: its key provider and every property.
  void ExpectShows(PCCERT_CONTEXT certificate, const CertStoreInfo& info) {
    KeyProvider keyProvider;
    ASSERT_TRUE(ReadKeyProvider(certificate, keyProvider));
    EXPECT_EQ(info.containerName, keyProvider.containerName);
    EXPECT_EQ(info.providerName, keyProvider.providerName);
    EXPECT_EQ(info.providerType, keyProvider.providerType);
    EXPECT_EQ(info.keySpec, keyProvider.keySpec);
    EXPECT_EQ(0u, keyProvider.flags);
    EXPECT_EQ(0u, keyProvider.parameterCount);
    EXPECT_EQ(info.friendlyName,
              PropertyText(PropertyBytes(carriers, certificate, CERT_FRIENDLY_NAME_PROP_ID)));
    // Text values carry their terminating zero.
    const CSecureBuffer account = PropertyBytes(carriers, certificate, LUMAPASSV_POLICY_ID_PROP_ID);
    EXPECT_EQ(info.accountKey, PropertyText(account));
    EXPECT_EQ(2 * info.accountKey.size() + 2, account.size);
    EXPECT_EQ(info.smartCardReader,
              PropertyText(PropertyBytes(carriers, certificate, CERT_SMART_CARD_READER_PROP_ID)));
    CSecureBuffer archived;
    EXPECT_EQ(info.archived != 0, carriers.Get(certificate, CERT_ARCHIVED_PROP_ID, archived));
    EXPECT_EQ(0u, archived.size);
  }

  CCarrierProperties carriers;
};

// The certificate with the fixture's hash among those found, or null.
PCCERT_CONTEXT FindFixture(const std::vector<luma::CCertContextHandle>& found, const char* fixture) {
  const CSecureBuffer encoded = FixtureCertificate(fixture);
  for (const auto& certificate : found) {
    if (certificate.get()->cbCertEncoded == encoded.size &&
        std::memcmp(certificate.get()->pbCertEncoded, encoded.data, encoded.size) == 0) {
      return certificate.get();
    }
  }
  return nullptr;
}

TEST_F(StoreProviderTest, AStoreOpenedBeforeLumaPassVStartsIsEmptyAndShowsTheCertificatesOnceItRuns) {
  CDrivenStore store(&OpenLinked);
  ASSERT_TRUE(store.opened());
  EXPECT_EQ(static_cast<DWORD>(CERT_STORE_PROV_EXTERNAL_FLAG | CERT_STORE_PROV_NO_PERSIST_FLAG),
            store.info().dwStoreProvFlags);
  ASSERT_EQ(23u, store.info().cStoreProvFunc);
  for (DWORD i = 0; i < 23; ++i) {
    const bool set = i == 0 || i == 1 || i == 13 || i == 14 || i == 15;
    EXPECT_EQ(set, store.info().rgpvStoreProvFunc[i] != nullptr) << i;
  }
  EXPECT_EQ(1, LiveRecordCount());
  EXPECT_TRUE(store.Enumerate().empty());

  OfferedContainer alpha = Offer("alt_names.der", L"alpha");
  OfferedContainer bravo = Offer("key_encipherment.der", L"bravo");
  bravo.info.archived = 1;
  bravo.info.providerName = L"Microsoft Base Smart Card Crypto Provider";
  bravo.info.keySpec = AT_SIGNATURE;
  CScriptedStoreServer server(testPipeName(), {alpha, bravo});
  const auto found = store.Enumerate();
  ASSERT_EQ(2u, found.size());
  ASSERT_NE(nullptr, FindFixture(found, "alt_names.der"));
  ASSERT_NE(nullptr, FindFixture(found, "key_encipherment.der"));
  ExpectShows(FindFixture(found, "alt_names.der"), alpha.info);
  ExpectShows(FindFixture(found, "key_encipherment.der"), bravo.info);
  // One fill: one session, two requests per container; the continued finds never refill.
  EXPECT_EQ(1u, server.CountRequests(MessageTypeOpenSession));
  EXPECT_EQ(2u, server.CountRequests(MessageTypeGetContainerInfo));
  EXPECT_EQ(2u, server.CountRequests(MessageTypeGetCertStoreInfo));
  EXPECT_EQ(1u, server.CountRequests(MessageTypeCloseSession));

  store.Close();
  EXPECT_EQ(0, LiveRecordCount());
}

struct OfferChange {
  const char* label;
  std::function<void(std::vector<OfferedContainer>&)> apply;
  bool alphaKept;
};

void PrintTo(const OfferChange& change, std::ostream* out) { *out << change.label; }

class StoreChangeTest : public StoreProviderTest, public ::testing::WithParamInterface<OfferChange> {};

TEST_P(StoreChangeTest, ANewEnumerationKeepsUnchangedCertificatesAndReplacesChangedOnes) {
  std::vector<OfferedContainer> offer = {Offer("alt_names.der", L"alpha"),
                                         Offer("key_encipherment.der", L"bravo")};
  CScriptedStoreServer server(testPipeName(), offer);
  CDrivenStore store(&OpenLinked);
  ASSERT_TRUE(store.opened());
  const auto before = store.Enumerate();
  ASSERT_EQ(2u, before.size());
  const std::wstring oldFriendlyName = offer[0].info.friendlyName;

  GetParam().apply(offer);
  server.Replace(offer);
  const auto after = store.Enumerate();
  ASSERT_EQ(offer.size(), after.size());
  PCCERT_CONTEXT alpha = FindFixture(after, "alt_names.der");
  ASSERT_NE(nullptr, alpha);
  // A kept certificate is the very context the store held; a replaced one is a new one.
  EXPECT_EQ(GetParam().alphaKept, alpha == FindFixture(before, "alt_names.der"));
  CertStoreInfo shown = offer[0].info;
  if (GetParam().alphaKept) shown.friendlyName = oldFriendlyName;
  ExpectShows(alpha, shown);
  EXPECT_EQ(offer.size() == 2, FindFixture(after, "key_encipherment.der") != nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Offers, StoreChangeTest,
    ::testing::Values(
        OfferChange{"unchanged", [](std::vector<OfferedContainer>&) {}, true},
        OfferChange{"friendlyNameAlone", [](auto& o) { o[0].info.friendlyName = L"[luma-Pass] renamed"; },
                    true},
        OfferChange{"otherCertificateRemoved", [](auto& o) { o.pop_back(); }, true},
        OfferChange{"providerName", [](auto& o) { o[0].info.providerName = L"Other Provider"; }, false},
        OfferChange{"providerType", [](auto& o) { o[0].info.providerType = 24; }, false},
        OfferChange{"containerName", [](auto& o) { o[0].info.containerName = L"alpha-2"; }, false},
        OfferChange{"keySpec", [](auto& o) { o[0].info.keySpec = AT_SIGNATURE; }, false},
        OfferChange{"archived", [](auto& o) { o[0].info.archived = 1; }, false},
        OfferChange{"accountKey", [](auto& o) { o[0].info.accountKey = L"cloud/bob"; }, false},
        OfferChange{"reader", [](auto& o) { o[0].info.smartCardReader = L"Other Reader"; }, false}),
    [](const ::testing::TestParamInfo<OfferChange>& info) { return std::string(info.param.label); });

TEST_F(StoreProviderTest, AnAdministrationToolSeesUnauthorizedCertificatesAndAnOrdinaryProcessDoesNot) {
  OfferedContainer refused = Offer("alt_names.der", L"alpha");
  refused.info.authorized = 0;
  OfferedContainer empty = Offer("no_key_usage.der", L"charlie");
  empty.certificate = CSecureBuffer();  // never shown, not even to a tool
  CScriptedStoreServer server(testPipeName(), {refused, Offer("key_encipherment.der", L"bravo"), empty});

  CDrivenStore ordinary(&OpenLinked);
  const auto seen = ordinary.Enumerate();
  ASSERT_EQ(1u, seen.size());
  EXPECT_NE(nullptr, FindFixture(seen, "key_encipherment.der"));

  testHostPath() = L"C:\\Windows\\System32\\MMC.EXE";
  CDrivenStore tool(&OpenLinked);
  const auto listed = tool.Enumerate();
  ASSERT_EQ(2u, listed.size());
  ASSERT_NE(nullptr, FindFixture(listed, "alt_names.der"));
  ExpectShows(FindFixture(listed, "alt_names.der"), refused.info);
}

TEST_F(StoreProviderTest, InsideLumaPassVTheStoreStaysEmptyAndNothingIsSent) {
  CScriptedStoreServer server(testPipeName(), {Offer("alt_names.der", L"alpha")});
  testHostPath() = L"C:\\Program Files\\nuvak\\lumaPassV.exe";
  CDrivenStore store(&OpenLinked);
  ASSERT_TRUE(store.opened());
  EXPECT_TRUE(store.Enumerate().empty());
  EXPECT_TRUE(store.Enumerate().empty());
  EXPECT_EQ(0u, server.RequestCount());
}

TEST_F(StoreProviderTest, ADeletionRequestFailsWithoutTouchingTheTableOrTheLastError) {
  SetLastError(12345);
  CDrivenStore store(&OpenLinked, CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_DELETE_FLAG);
  EXPECT_FALSE(store.opened());
  EXPECT_EQ(12345u, GetLastError());
  EXPECT_EQ(0u, store.info().cStoreProvFunc);
  EXPECT_EQ(nullptr, store.info().hStoreProv);
  EXPECT_EQ(0, LiveRecordCount());
}

TEST_F(StoreProviderTest, AShortContainerRecordStillShowsItsCertificate) {
  OfferedContainer shortRecord = Offer("alt_names.der", L"alpha");
  shortRecord.recordSize = 40;
  CScriptedStoreServer server(testPipeName(), {shortRecord});
  CDrivenStore store(&OpenLinked);
  const auto found = store.Enumerate();
  ASSERT_EQ(1u, found.size());
  ExpectShows(found[0].get(), shortRecord.info);
}

TEST_F(StoreProviderTest, AnImplausibleContainerCountIsBounded) {
  CScriptedStoreServer server(testPipeName(), {Offer("alt_names.der", L"alpha")});
  server.ClaimContainerCount(0xFFFFFFFF);
  CDrivenStore store(&OpenLinked);
  EXPECT_EQ(1u, store.Enumerate().size());
  EXPECT_EQ(luma::plugin::kMaxSessionContainers, server.CountRequests(MessageTypeGetContainerInfo));
  EXPECT_EQ(1u, server.CountRequests(MessageTypeCloseSession));
}

// A pipe name that could not be made (memory ran out) is no name to talk to for the store's life.
TEST_F(StoreProviderTest, NoPipeNameFailsTheOpen) {
  SetPipeNameFunction([] { return std::wstring(); });
  SetLastError(0);
  CDrivenStore store(&OpenLinked);
  EXPECT_FALSE(store.opened());
  EXPECT_NE(0u, GetLastError());
  EXPECT_EQ(0, LiveRecordCount());
}

// Threads that enumerate one shared store take turns to fill it: never two sessions at once, and
// each enumeration sees the whole store.
TEST_F(StoreProviderTest, ThreadsSharingAStoreFillItOneAtATime) {
  CScriptedStoreServer server(testPipeName(),
                              {Offer("alt_names.der", L"alpha"), Offer("key_encipherment.der", L"bravo")});
  CDrivenStore store(&OpenLinked);
  std::atomic<int> wrongCounts{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10; ++i) {
        if (store.Enumerate().size() != 2u) ++wrongCounts;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(0, wrongCounts.load());
  EXPECT_EQ(1u, server.MostSessionsOpenAtOnce());
  EXPECT_EQ(server.CountRequests(MessageTypeOpenSession), server.CountRequests(MessageTypeCloseSession));
}

TEST_F(StoreProviderTest, EmptyTextsAndNoArchivedMarkSetNoProperties) {
  OfferedContainer plain = Offer("alt_names.der", L"alpha");
  plain.info.friendlyName.clear();
  plain.info.accountKey.clear();
  plain.info.smartCardReader.clear();
  CScriptedStoreServer server(testPipeName(), {plain});
  CDrivenStore store(&OpenLinked);
  const auto found = store.Enumerate();
  ASSERT_EQ(1u, found.size());
  CSecureBuffer value;
  for (DWORD id :
       {static_cast<DWORD>(CERT_FRIENDLY_NAME_PROP_ID), LUMAPASSV_POLICY_ID_PROP_ID,
        static_cast<DWORD>(CERT_SMART_CARD_READER_PROP_ID), static_cast<DWORD>(CERT_ARCHIVED_PROP_ID)}) {
    EXPECT_FALSE(carriers.Get(found[0].get(), id, value)) << id;
  }
}

TEST_F(StoreProviderTest, TheReadControlFreeFindAndCloseCallbacksAnswerAsCryptoApiExpects) {
  CScriptedStoreServer server(testPipeName(), {Offer("alt_names.der", L"alpha")});
  CDrivenStore store(&OpenLinked);
  ASSERT_EQ(1u, store.Enumerate().size());
  const HCERTSTOREPROV record = store.info().hStoreProv;

  // Read: the store's own certificate with the same hash.
  const CSecureBuffer encoded = FixtureCertificate("alt_names.der");
  luma::CCertContextHandle outside(
      CertCreateCertificateContext(X509_ASN_ENCODING, encoded.data, encoded.size));
  const auto read = store.entry<PFN_CERT_STORE_PROV_READ_CERT>(CERT_STORE_PROV_READ_CERT_FUNC);
  PCCERT_CONTEXT stored = nullptr;
  ASSERT_TRUE(read(record, outside.get(), 0, &stored));
  luma::CCertContextHandle storedOwner(stored);
  EXPECT_NE(outside.get(), stored);
  KeyProvider keyProvider;
  EXPECT_TRUE(ReadKeyProvider(stored, keyProvider));
  const CSecureBuffer other = FixtureCertificate("no_key_usage.der");
  luma::CCertContextHandle absent(CertCreateCertificateContext(X509_ASN_ENCODING, other.data, other.size));
  EXPECT_FALSE(read(record, absent.get(), 0, &stored));
  EXPECT_EQ(nullptr, stored);

  // Control: the automatic resync is the provider's own; everything else is the memory store's.
  const auto control = store.entry<PFN_CERT_STORE_PROV_CONTROL>(CERT_STORE_PROV_CONTROL_FUNC);
  EXPECT_TRUE(control(record, 0, CERT_STORE_CTRL_AUTO_RESYNC, nullptr));
  luma::CCertStoreHandle memory(
      CertOpenStore(CERT_STORE_PROV_MEMORY, X509_ASN_ENCODING, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
  const BOOL expected = CertControlStore(memory.get(), 0, CERT_STORE_CTRL_RESYNC, nullptr);
  EXPECT_EQ(expected, control(record, 0, CERT_STORE_CTRL_RESYNC, nullptr));
  SetLastError(0);
  EXPECT_FALSE(control(nullptr, 0, CERT_STORE_CTRL_RESYNC, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());

  // Free find without a cursor, close without a record.
  const auto freeFind = store.entry<PFN_CERT_STORE_PROV_FREE_FIND_CERT>(CERT_STORE_PROV_FREE_FIND_CERT_FUNC);
  EXPECT_TRUE(freeFind(record, nullptr, nullptr, 0));
  store.entry<PFN_CERT_STORE_PROV_CLOSE>(CERT_STORE_PROV_CLOSE_FUNC)(nullptr, 0);
  EXPECT_EQ(1, LiveRecordCount());
}

TEST_F(StoreProviderTest, AFindThatContinuesNeverRefillsAndANewOneDoes) {
  CScriptedStoreServer server(testPipeName(),
                              {Offer("alt_names.der", L"alpha"), Offer("key_encipherment.der", L"bravo")});
  CDrivenStore store(&OpenLinked);
  const auto find = store.entry<PFN_CERT_STORE_PROV_FIND_CERT>(CERT_STORE_PROV_FIND_CERT_FUNC);
  const auto freeFind = store.entry<PFN_CERT_STORE_PROV_FREE_FIND_CERT>(CERT_STORE_PROV_FREE_FIND_CERT_FUNC);
  CERT_STORE_PROV_FIND_INFO findInfo = {sizeof(findInfo), X509_ASN_ENCODING, 0, CERT_FIND_ANY, nullptr};
  void* cursor = nullptr;
  PCCERT_CONTEXT first = nullptr;
  ASSERT_TRUE(find(store.info().hStoreProv, &findInfo, nullptr, 0, &cursor, &first));
  luma::CCertContextHandle firstOwner(first);
  ASSERT_NE(nullptr, cursor);
  PCCERT_CONTEXT second = nullptr;
  ASSERT_TRUE(find(store.info().hStoreProv, &findInfo, first, 0, &cursor, &second));
  luma::CCertContextHandle secondOwner(second);
  EXPECT_EQ(1u, server.CountRequests(MessageTypeOpenSession));
  // Past the last certificate: the cursor is freed and the search's reason stays.
  PCCERT_CONTEXT third = nullptr;
  EXPECT_FALSE(find(store.info().hStoreProv, &findInfo, second, 0, &cursor, &third));
  EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), GetLastError());
  EXPECT_EQ(nullptr, cursor);
  EXPECT_EQ(nullptr, third);
  // A caller that stops early frees its cursor.
  ASSERT_TRUE(find(store.info().hStoreProv, &findInfo, nullptr, 0, &cursor, &first));
  firstOwner.reset(first);
  EXPECT_EQ(2u, server.CountRequests(MessageTypeOpenSession));
  EXPECT_TRUE(freeFind(store.info().hStoreProv, first, cursor, 0));
  EXPECT_EQ(2u, store.Enumerate().size());
  EXPECT_EQ(3u, server.CountRequests(MessageTypeOpenSession));
}

TEST_F(StoreProviderTest, AnOpenOrFindWithoutMemoryFailsWithItsStatusAndLeavesNoRecord) {
  CScriptedStoreServer server(testPipeName(), {Offer("alt_names.der", L"alpha")});
  for (int allowed = 0;; ++allowed) {
    ASSERT_LT(allowed, 200);
    BOOL opened = FALSE;
    DWORD error = 0;
    CERT_STORE_PROV_INFO info = {};
    info.cbSize = sizeof(info);
    {
      luma::testing::CRefusedAllocations refused(allowed);
      opened = OpenStoreProvider("lumaPassV", CERT_SYSTEM_STORE_CURRENT_USER, &info);
      error = GetLastError();
    }
    if (opened) {
      // A find whose fill runs out of memory shows what the store holds, and the next one recovers.
      const auto find = reinterpret_cast<PFN_CERT_STORE_PROV_FIND_CERT>(info.rgpvStoreProvFunc[14]);
      CERT_STORE_PROV_FIND_INFO findInfo = {sizeof(findInfo), X509_ASN_ENCODING, 0, CERT_FIND_ANY, nullptr};
      void* cursor = nullptr;
      PCCERT_CONTEXT found = nullptr;
      {
        luma::testing::CRefusedAllocations refused(3);
        find(info.hStoreProv, &findInfo, nullptr, 0, &cursor, &found);
      }
      luma::CCertContextHandle owner(found);
      if (cursor != nullptr) LumaPassCertStoreProvFreeFindCert(info.hStoreProv, found, cursor, 0);
      owner.reset();
      cursor = nullptr;
      ASSERT_TRUE(find(info.hStoreProv, &findInfo, nullptr, 0, &cursor, &found));
      owner.reset(found);
      LumaPassCertStoreProvFreeFindCert(info.hStoreProv, found, cursor, 0);
      LumaPassCertStoreProvClose(info.hStoreProv, 0);
      break;
    }
    EXPECT_TRUE(error == ERROR_BAD_CONFIGURATION || error == static_cast<DWORD>(E_OUTOFMEMORY)) << error;
    EXPECT_EQ(nullptr, info.hStoreProv);
    EXPECT_EQ(0, LiveRecordCount());
  }
  EXPECT_EQ(0, LiveRecordCount());
}

}  // namespace
}  // namespace luma::certstore
