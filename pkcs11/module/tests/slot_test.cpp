// The slot over a current-user system store of the test's own. Wine can neither set property
// 0xA001 nor signal a store change, so the tests mark certificates through the slot's selection
// function and signal the slot's change event themselves, as the store would.
#include "pkcs11/module/slot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "pkcs11/module/rsa_keys.h"
#include "pkcs11/module/tests/token_test_support.h"
#include "pkcs11/module/x509_certificate.h"
#include "plugins/diagnostics/tests/refused_allocations.h"

namespace {

// One object of the slot as a test sees it.
struct CSeen {
  CK_OBJECT_CLASS objectClass;
  Bytes hash;
  std::string label;
};

class SlotTest : public ::testing::Test {
 protected:
  SlotTest() : stopEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

  // A slot whose selection mark is the set of hashes in `marked`.
  std::unique_ptr<CSlot> makeSlot(const std::string& storeName) {
    CSlotEnvironment environment;
    environment.isMarked = [this](PCCERT_CONTEXT certificate) {
      return marked.count(bytesOf(luma::pkcs11::certificateHash(certificate))) != 0;
    };
    environment.settingsKey = settings.path();
    return std::make_unique<CSlot>(0, "LPV", storeName, stopEvent.get(), std::move(environment));
  }
  std::unique_ptr<CSlot> makeSlot() { return makeSlot(store.name()); }

  Bytes addMarked(CCertificateSetup setup) {
    const Bytes hash = store.add(setup);
    marked.insert(hash);
    return hash;
  }

  static std::map<CK_OBJECT_HANDLE, CSeen> objectsOf(CSlot& slot) {
    CObjectMap copies;
    slot.copyObjects(copies);
    std::map<CK_OBJECT_HANDLE, CSeen> seen;
    for (const auto& entry : copies) {
      seen[entry.first] = {entry.second->getObjectClass(), bytesOf(entry.second->getCertificateHash()),
                           entry.second->getLabel()};
    }
    return seen;
  }

  // The handles of a certificate's three objects, in handle order.
  static std::vector<CK_OBJECT_HANDLE> handlesOf(const std::map<CK_OBJECT_HANDLE, CSeen>& objects,
                                                 const Bytes& hash) {
    std::vector<CK_OBJECT_HANDLE> handles;
    for (const auto& entry : objects) {
      if (entry.second.hash == hash) handles.push_back(entry.first);
    }
    return handles;
  }

  // The marked hashes of the store in its enumeration order.
  std::vector<Bytes> markedInEnumerationOrder(const std::vector<Bytes>& among) const {
    std::vector<Bytes> order;
    for (const Bytes& hash : store.enumerationOrder()) {
      if (std::find(among.begin(), among.end(), hash) != among.end()) order.push_back(hash);
    }
    return order;
  }

  luma::CKernelHandle stopEvent;
  CTestSystemStore store;
  CTestSettingsKey settings;
  std::set<Bytes> marked;
};

TEST_F(SlotTest, MarkedCertificatesGiveThreeObjectsEachInEnumerationOrder) {
  const Bytes alice = addMarked({"signing", L"Alice"});
  const Bytes bob = addMarked({"encryption", L"Bob", true, AT_KEYEXCHANGE});
  store.add({"plain_a", L"Other"});  // has key provider information but no mark

  std::unique_ptr<CSlot> slot = makeSlot();
  EXPECT_EQ(slot->getSlotID(), 0u);
  EXPECT_EQ(slot->getLabel(), "LPV");
  EXPECT_FALSE(slot->showsSmartCardCertificates());
  const auto objects = objectsOf(*slot);
  ASSERT_EQ(objects.size(), 6u);
  const std::vector<Bytes> order = markedInEnumerationOrder({alice, bob});
  ASSERT_EQ(order.size(), 2u);
  CK_OBJECT_HANDLE handle = 1;
  for (const Bytes& hash : order) {
    EXPECT_EQ(handlesOf(objects, hash), (std::vector<CK_OBJECT_HANDLE>{handle, handle + 1, handle + 2}));
    EXPECT_EQ(objects.at(handle).objectClass, CKO_CERTIFICATE);
    EXPECT_EQ(objects.at(handle + 1).objectClass, CKO_PRIVATE_KEY);
    EXPECT_EQ(objects.at(handle + 2).objectClass, CKO_PUBLIC_KEY);
    handle += 3;
  }
  EXPECT_EQ(objects.at(handlesOf(objects, alice)[0]).label, "Alice");
  EXPECT_EQ(objects.at(handlesOf(objects, bob)[2]).label, "Bob");

  // The copies are the classes that read the certificate.
  CObjectMap copies;
  slot->copyObjects(copies);
  const CK_OBJECT_HANDLE bobKey = handlesOf(objects, bob)[1];
  const auto* privateKey = dynamic_cast<const CPKCS11RSAPrivateKey*>(copies.at(bobKey).get());
  ASSERT_NE(privateKey, nullptr);
  EXPECT_EQ(readAttribute(*privateKey, CKA_DECRYPT).value, Bytes{1});
  EXPECT_EQ(slot->getReloadCounter(), 0);
}

TEST_F(SlotTest, ShowSmartCardCertsAddsCertificatesOfTheSmartCardProviderOnly) {
  const Bytes marked = addMarked({"signing", L"Alice"});
  const Bytes smartCard =
      store.add({"plain_a", L"Card", true, AT_KEYEXCHANGE, L"Microsoft Base Smart Card Crypto Provider"});
  const Bytes otherCase =
      store.add({"plain_b", L"Card", true, AT_KEYEXCHANGE, L"microsoft base smart card crypto provider"});
  store.add({"plain_c", L"Other"});

  struct Case {
    const char* name;
    int setting;  // -1 absent, -2 stored as text
    bool showsSmartCards;
  };
  const Case cases[] = {
      {"absent", -1, false}, {"text \"1\"", -2, false}, {"0", 0, false}, {"1", 1, true}, {"7", 7, true},
  };
  for (const Case& c : cases) {
    if (c.setting == -2) settings.setString(L"ShowSmartCardCerts", L"1");
    if (c.setting >= 0) settings.setDword(L"ShowSmartCardCerts", static_cast<DWORD>(c.setting));
    std::unique_ptr<CSlot> slot = makeSlot();
    const auto objects = objectsOf(*slot);
    EXPECT_EQ(slot->showsSmartCardCertificates(), c.showsSmartCards) << c.name;
    EXPECT_EQ(handlesOf(objects, marked).size(), 3u) << c.name;
    EXPECT_EQ(handlesOf(objects, smartCard).size(), c.showsSmartCards ? 3u : 0u) << c.name;
    EXPECT_TRUE(handlesOf(objects, otherCase).empty()) << c.name << ": the provider name is compared exactly";
    EXPECT_EQ(objects.size(), c.showsSmartCards ? 6u : 3u) << c.name;
  }
}

TEST_F(SlotTest, LabelsAreMadeUniqueAndAMarkedCertificateWithoutKeyStillUsesItsName) {
  std::vector<Bytes> shared = {addMarked({"signing", L"Shared"}), addMarked({"encryption", L"Shared"}),
                               addMarked({"plain_a", L"Shared"})};
  const Bytes noKey = addMarked({"plain_b", L"Lonely", false});
  const Bytes sameName = addMarked({"plain_c", L"Lonely"});

  std::unique_ptr<CSlot> slot = makeSlot();
  const auto objects = objectsOf(*slot);
  EXPECT_EQ(objects.size(), 12u) << "the certificate without key provider information gives no object";
  EXPECT_TRUE(handlesOf(objects, noKey).empty());

  const std::vector<std::string> expected = {"Shared", "Shared [2]", "Shared [3]"};
  const std::vector<Bytes> order = markedInEnumerationOrder(shared);
  for (std::size_t i = 0; i < order.size(); ++i) {
    for (CK_OBJECT_HANDLE handle : handlesOf(objects, order[i]))
      EXPECT_EQ(objects.at(handle).label, expected[i]);
  }
  // The keyless certificate claims "Lonely" when it comes first in the store.
  const std::vector<Bytes> lonely = markedInEnumerationOrder({noKey, sameName});
  const std::string expectedLonely = lonely.front() == noKey ? "Lonely [2]" : "Lonely";
  EXPECT_EQ(objects.at(handlesOf(objects, sameName)[0]).label, expectedLonely);
}

TEST_F(SlotTest, AStoreChangeReloadsWithNewHandlesButRememberedObjectsKeepTheirs) {
  const Bytes alice = addMarked({"signing", L"Alice"});
  const Bytes bob = addMarked({"encryption", L"Bob"});
  std::unique_ptr<CSlot> slot = makeSlot();
  ASSERT_NE(slot->getChangeEvent(), nullptr);
  const auto before = objectsOf(*slot);
  const std::vector<CK_OBJECT_HANDLE> aliceHandles = handlesOf(before, alice);
  ASSERT_EQ(aliceHandles.size(), 3u);
  slot->rememberObject(CByteBuffer(alice.size(), alice.data()));  // as after a signature with Alice's key

  const Bytes carol = addMarked({"plain_a", L"Carol"});
  SetEvent(slot->getChangeEvent());  // what the store does on a change
  EXPECT_EQ(slot->getReloadCounter(), 1);
  auto after = objectsOf(*slot);
  EXPECT_EQ(after.size(), 9u);
  EXPECT_EQ(handlesOf(after, alice), aliceHandles);
  for (const Bytes& hash : {bob, carol}) {
    for (CK_OBJECT_HANDLE handle : handlesOf(after, hash))
      EXPECT_GE(handle, 7u) << "handles are never reused";
  }
  EXPECT_EQ(handlesOf(after, carol).size(), 3u);
  EXPECT_EQ(slot->getReloadCounter(), 1) << "no change pending: no reload";

  // Gone from the store, the remembered certificate stays until the slot forgets it.
  store.remove(alice);
  SetEvent(slot->getChangeEvent());
  EXPECT_EQ(slot->getReloadCounter(), 2);
  after = objectsOf(*slot);
  EXPECT_EQ(handlesOf(after, alice), aliceHandles);
  slot->forgetObject(CByteBuffer(alice.size(), alice.data()));
  SetEvent(slot->getChangeEvent());
  EXPECT_TRUE(slot->waitForStoreChange());
  after = objectsOf(*slot);
  EXPECT_TRUE(handlesOf(after, alice).empty());
  EXPECT_EQ(after.size(), 6u);
  EXPECT_EQ(slot->getReloadCounter(), 3);
}

// A remembered hash hides nothing by itself: only the objects kept for it stand for its certificate.
// A stale session may remember a certificate while it is briefly absent from the store.
TEST_F(SlotTest, ARememberedCertificateShowsWhetherOrNotItsObjectsWereKept) {
  struct Case {
    const char* name;
    bool inStoreWhenRemembered;
  } const cases[] = {{"kept objects stand for it", true}, {"remembered while absent", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CTestSystemStore own;
    const CCertificateSetup setup{"signing", L"Alice"};
    const Bytes alice = own.add(setup);
    marked.insert(alice);
    if (!c.inStoreWhenRemembered) own.remove(alice);
    std::unique_ptr<CSlot> slot = makeSlot(own.name());
    const std::vector<CK_OBJECT_HANDLE> before = handlesOf(objectsOf(*slot), alice);
    slot->rememberObject(CByteBuffer(alice.size(), alice.data()));
    if (!c.inStoreWhenRemembered) own.add(setup);
    own.add({"encryption", L"Bob"});
    SetEvent(slot->getChangeEvent());
    EXPECT_EQ(slot->getReloadCounter(), 1);
    const std::vector<CK_OBJECT_HANDLE> after = handlesOf(objectsOf(*slot), alice);
    EXPECT_EQ(after.size(), 3u);
    if (c.inStoreWhenRemembered) {
      EXPECT_EQ(after, before);
    }
  }
}

// Memory that runs out during a reload leaves the objects as they were, remembered ones included,
// and the next look reloads again.
TEST_F(SlotTest, AReloadThatRunsOutOfMemoryKeepsTheObjects) {
  const Bytes alice = addMarked({"signing", L"Alice"});
  addMarked({"encryption", L"Bob"});
  std::unique_ptr<CSlot> slot = makeSlot();
  const auto before = objectsOf(*slot);
  ASSERT_EQ(before.size(), 6u);
  slot->rememberObject(CByteBuffer(alice.size(), alice.data()));
  addMarked({"plain_a", L"Carol"});
  bool refused = true;
  for (int allowed = 0; refused && allowed < 1000; ++allowed) {
    SetEvent(slot->getChangeEvent());
    {
      luma::testing::CRefusedAllocations refusals(allowed);
      try {
        slot->getReloadCounter();
      } catch (const std::bad_alloc&) {
      }
      refused = refusals.refusedAny();
    }
    const auto now = objectsOf(*slot);
    if (refused) {
      ASSERT_EQ(now.size(), before.size()) << allowed;
      EXPECT_EQ(handlesOf(now, alice), handlesOf(before, alice)) << allowed;
    }
  }
  ASSERT_FALSE(refused) << "every reload ran out of memory";
  const auto after = objectsOf(*slot);
  EXPECT_EQ(after.size(), 9u);
  EXPECT_EQ(handlesOf(after, alice), handlesOf(before, alice));
}

// The store's own resynchronisation, where the platform's returns: Wine's does for a store that is
// still empty when it runs (it never returns once the store holds a certificate).
TEST_F(SlotTest, AResyncThroughTheStoreReadsItsNewCertificates) {
  CSlotEnvironment environment;
  environment.isMarked = [this](PCCERT_CONTEXT certificate) {
    return marked.count(bytesOf(luma::pkcs11::certificateHash(certificate))) != 0;
  };
  environment.settingsKey = settings.path();
  environment.resyncReopensStore = false;
  CSlot slot(0, "LPV", store.name(), stopEvent.get(), std::move(environment));
  ASSERT_NE(slot.getChangeEvent(), nullptr);
  ASSERT_TRUE(objectsOf(slot).empty());
  const Bytes alice = addMarked({"signing", L"Alice"});
  SetEvent(slot.getChangeEvent());
  EXPECT_EQ(slot.getReloadCounter(), 1);
  EXPECT_EQ(handlesOf(objectsOf(slot), alice).size(), 3u);
}

TEST_F(SlotTest, TheStopEventEndsAWaitWithoutReloading) {
  addMarked({"signing", L"Alice"});
  std::unique_ptr<CSlot> slot = makeSlot();
  SetEvent(stopEvent.get());
  EXPECT_FALSE(slot->waitForStoreChange());
  EXPECT_EQ(slot->getReloadCounter(), 0);
}

TEST_F(SlotTest, AStoreThatDoesNotExistGivesAnEmptySlot) {
  std::unique_ptr<CSlot> slot = makeSlot(store.name() + "-missing");
  EXPECT_EQ(slot->getChangeEvent(), nullptr);
  EXPECT_FALSE(slot->waitForStoreChange());
  EXPECT_EQ(slot->getReloadCounter(), 0);
  EXPECT_TRUE(objectsOf(*slot).empty());
  slot->resync();  // a blocking slot-event wait may still resynchronise it
  EXPECT_TRUE(objectsOf(*slot).empty());
}

TEST(SlotSelectionPropertyTest, TheDefaultSelectionReadsTheProvisionedMark) {
  luma::CCertStoreHandle memory(
      CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
  luma::CCertContextHandle certificate = addCertificate(memory.get(), {"signing", L""});
  ASSERT_TRUE(certificate);
  const CSlotEnvironment defaults;
  EXPECT_FALSE(defaults.isMarked(certificate.get()));
  std::wstring accountKey = L"provider/alice";  // stored without the terminating zero, as the service does
  CRYPT_DATA_BLOB value = {static_cast<DWORD>(accountKey.size() * sizeof(wchar_t)),
                           reinterpret_cast<BYTE*>(&accountKey[0])};
  if (!CertSetCertificateContextProperty(certificate.get(), LUMAPASSV_POLICY_ID_PROP_ID, 0, &value)) {
    GTEST_SKIP() << "this platform cannot set certificate property 0xA001 (Wine: a stub)";
  }
  EXPECT_TRUE(defaults.isMarked(certificate.get()));
}

}  // namespace
