// Object search and attribute reads through the module's entry points, over two marked certificates.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "pkcs11/module/certificate_access.h"
#include "pkcs11/module/module_state.h"
#include "pkcs11/module/tests/module_test_support.h"
#include "plugins/diagnostics/tests/refused_allocations.h"

namespace {

class ObjectFunctionsTest : public InitialisedModuleFixture {
 protected:
  void SetUp() override {
    alice = addMarked({"signing", L"Alice"});
    bob = addMarked({"encryption", L"Bob", true, AT_KEYEXCHANGE});
    initialise();
    session = openSession();
  }

  std::vector<CK_OBJECT_HANDLE> find(std::vector<CK_ATTRIBUTE> attributes, CK_ULONG room = 100) {
    EXPECT_EQ(CKR_OK,
              C_FindObjectsInit(session, attributes.data(), static_cast<CK_ULONG>(attributes.size())));
    std::vector<CK_OBJECT_HANDLE> all;
    for (;;) {
      std::vector<CK_OBJECT_HANDLE> part(room);
      CK_ULONG count = 99;
      EXPECT_EQ(CKR_OK, C_FindObjects(session, part.data(), room, &count));
      if (count == 0) break;
      all.insert(all.end(), part.begin(), part.begin() + count);
    }
    EXPECT_EQ(CKR_OK, C_FindObjectsFinal(session));
    return all;
  }

  Bytes alice, bob;
  CK_SESSION_HANDLE session = 0;
};

TEST_F(ObjectFunctionsTest, TemplatesFindTheirObjectsInHandleOrder) {
  EXPECT_EQ((std::vector<CK_OBJECT_HANDLE>{1, 2, 3, 4, 5, 6}), find({}));
  EXPECT_EQ((std::vector<CK_OBJECT_HANDLE>{1, 2, 3, 4, 5, 6}), find({}, 4));  // handed out 4, 2 and 0

  CK_OBJECT_CLASS privateKey = CKO_PRIVATE_KEY;
  CK_OBJECT_CLASS certificate = CKO_CERTIFICATE;
  Bytes bobId = bob;
  const auto byClass = [](CK_OBJECT_CLASS& value) { return CK_ATTRIBUTE{CKA_CLASS, &value, sizeof(value)}; };
  const std::vector<CK_OBJECT_HANDLE> keys = find({byClass(privateKey)});
  EXPECT_EQ(2u, keys.size());
  const std::vector<CK_OBJECT_HANDLE> bobsKey =
      find({byClass(privateKey), {CKA_ID, bobId.data(), static_cast<CK_ULONG>(bobId.size())}});
  ASSERT_EQ(1u, bobsKey.size());
  EXPECT_NE(keys.end(), std::find(keys.begin(), keys.end(), bobsKey[0]));
  EXPECT_EQ(2u, find({byClass(certificate)}).size());
  char label[] = "Alice";
  EXPECT_EQ(3u, find({{CKA_LABEL, label, 5}}).size());
  EXPECT_TRUE(find({{CKA_LABEL, label, 4}}).empty());
}

TEST_F(ObjectFunctionsTest, SearchStatesAndArgumentChecks) {
  CK_OBJECT_HANDLE handles[4];
  CK_ULONG count = 0;
  EXPECT_EQ(CKR_OPERATION_NOT_INITIALIZED, C_FindObjects(session, handles, 4, &count));
  EXPECT_EQ(CKR_OPERATION_NOT_INITIALIZED, C_FindObjectsFinal(session));
  EXPECT_EQ(CKR_ARGUMENTS_BAD, C_FindObjects(0x999, handles, 4, nullptr));  // before the session
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, C_FindObjects(0x999, handles, 4, &count));
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, C_FindObjectsInit(0x999, nullptr, 0));
  EXPECT_EQ(CKR_ARGUMENTS_BAD, C_FindObjectsInit(session, nullptr, 2));
  EXPECT_EQ(CKR_OPERATION_NOT_INITIALIZED, C_FindObjectsFinal(session));  // the refusal started nothing

  ASSERT_EQ(CKR_OK, C_FindObjectsInit(session, nullptr, 0));
  EXPECT_EQ(CKR_OPERATION_ACTIVE, C_FindObjectsInit(session, nullptr, 0));
  EXPECT_EQ(CKR_ARGUMENTS_BAD, C_FindObjects(session, nullptr, 4, &count));
  ASSERT_EQ(CKR_OK, C_FindObjects(session, nullptr, 0, &count));
  EXPECT_EQ(0u, count);
  ASSERT_EQ(CKR_OK, C_FindObjects(session, handles, 4, &count));  // the first search goes on
  EXPECT_EQ(4u, count);
  EXPECT_EQ(1u, handles[0]);
  EXPECT_EQ(CKR_OK, C_FindObjectsFinal(session));
  EXPECT_EQ(CKR_OPERATION_NOT_INITIALIZED, C_FindObjectsFinal(session));
}

TEST_F(ObjectFunctionsTest, AttributeReadsAnswerEachEntryAndTheLastFailure) {
  CK_OBJECT_CLASS privateKey = CKO_PRIVATE_KEY;
  Bytes aliceId = alice;
  const std::vector<CK_OBJECT_HANDLE> found =
      find({{CKA_CLASS, &privateKey, sizeof(privateKey)},
            {CKA_ID, aliceId.data(), static_cast<CK_ULONG>(aliceId.size())}});
  ASSERT_EQ(1u, found.size());
  const CK_OBJECT_HANDLE key = found[0];
  CK_OBJECT_CLASS objectClass = 0;
  CK_ATTRIBUTE classEntry = {CKA_CLASS, &objectClass, sizeof(objectClass)};
  ASSERT_EQ(CKR_OK, C_GetAttributeValue(session, key, &classEntry, 1));
  ASSERT_EQ(CKO_PRIVATE_KEY, objectClass);

  char label[16] = {};
  CK_BYTE exponent[512];
  CK_BYTE one[1] = {0xEE};
  struct Case {
    const char* name;
    std::vector<CK_ATTRIBUTE> entries;
    CK_RV result;
    std::vector<CK_ULONG> lengths;
  };
  const CK_ULONG none = CK_UNAVAILABLE_INFORMATION;
  const Case cases[] = {
      {"sensitive, then readable",
       {{CKA_PRIVATE_EXPONENT, exponent, 512}, {CKA_LABEL, label, 16}},
       CKR_ATTRIBUTE_SENSITIVE,
       {none, 5}},
      {"too small, then unknown",
       {{CKA_LABEL, one, 1}, {CKA_VALUE, label, 16}},
       CKR_ATTRIBUTE_TYPE_INVALID,
       {5, none}},
      {"unknown, then too small",
       {{CKA_VALUE, label, 16}, {CKA_LABEL, one, 1}},
       CKR_BUFFER_TOO_SMALL,
       {none, 5}},
      {"size query", {{CKA_LABEL, nullptr, 0}}, CKR_OK, {5}},
      {"empty template", {}, CKR_OK, {}},
  };
  for (const Case& c : cases) {
    std::vector<CK_ATTRIBUTE> entries = c.entries;
    EXPECT_EQ(c.result,
              C_GetAttributeValue(session, key, entries.data(), static_cast<CK_ULONG>(entries.size())))
        << c.name;
    for (std::size_t index = 0; index < entries.size(); ++index) {
      EXPECT_EQ(c.lengths[index], entries[index].ulValueLen) << c.name << " entry " << index;
    }
  }
  EXPECT_EQ("Alice", std::string(label, 5));
  EXPECT_EQ(0xEE, one[0]);  // a buffer too small is left alone

  EXPECT_EQ(CKR_ARGUMENTS_BAD, C_GetAttributeValue(session, key, nullptr, 1));
  EXPECT_EQ(CKR_OBJECT_HANDLE_INVALID, C_GetAttributeValue(session, 77, &classEntry, 1));
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, C_GetAttributeValue(0x999, 2, &classEntry, 1));

  CK_ULONG size = 0;
  EXPECT_EQ(CKR_OK, C_GetObjectSize(session, 1, &size));
  EXPECT_EQ(36u, size);
  size = 0;
  EXPECT_EQ(CKR_OK, C_GetObjectSize(session, 3, &size));
  EXPECT_EQ(36u, size);
  EXPECT_EQ(CKR_ARGUMENTS_BAD, C_GetObjectSize(session, 3, nullptr));
  EXPECT_EQ(CKR_OBJECT_HANDLE_INVALID, C_GetObjectSize(session, 7, nullptr));  // the object first
}

TEST_F(ObjectFunctionsTest, ASessionCatchesUpWithTheStoreOnlyAtItsNextSearch) {
  const Bytes carol = addMarked({"plain_a", L"Carol"});
  SetEvent(luma::pkcs11::moduleState().findSlot(0)->getChangeEvent());  // as the store would
  // The old copies still answer under their handles until the session searches again.
  CK_OBJECT_CLASS objectClass = 0;
  CK_ATTRIBUTE classEntry = {CKA_CLASS, &objectClass, sizeof(objectClass)};
  EXPECT_EQ(CKR_OK, C_GetAttributeValue(session, 1, &classEntry, 1));
  const std::vector<CK_OBJECT_HANDLE> reloaded = find({});
  EXPECT_EQ((std::vector<CK_OBJECT_HANDLE>{7, 8, 9, 10, 11, 12, 13, 14, 15}), reloaded);
  EXPECT_EQ(CKR_OBJECT_HANDLE_INVALID, C_GetAttributeValue(session, 1, &classEntry, 1));
}

TEST_F(ObjectFunctionsTest, SearchesAndReadsOnOneSessionFromManyThreads) {
  const Bytes carol = addMarked({"plain_a", L"Carol"});
  std::atomic<int> failures{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      char label[64];
      while (!stop.load()) {
        for (CK_OBJECT_HANDLE handle = 1; handle < 40; ++handle) {
          CK_ATTRIBUTE entry = {CKA_LABEL, label, sizeof(label)};
          const CK_RV rv = C_GetAttributeValue(session, handle, &entry, 1);
          if (rv != CKR_OK && rv != CKR_OBJECT_HANDLE_INVALID) ++failures;
        }
      }
    });
  }
  // Each search after a store change replaces the session's objects under the readers.
  for (int round = 0; round < 10; ++round) {
    SetEvent(luma::pkcs11::moduleState().findSlot(0)->getChangeEvent());
    CK_RV rv = C_FindObjectsInit(session, nullptr, 0);
    if (rv == CKR_OK) rv = C_FindObjectsFinal(session);
    EXPECT_EQ(CKR_OK, rv);
  }
  stop = true;
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(0, failures.load());
}

TEST_F(ObjectFunctionsTest, RunningOutOfMemoryAnswersHostMemoryAndLeavesTheModuleConsistent) {
  int opened = 1;  // the fixture's session
  int refusals = 0;
  bool refused = true;
  for (int allowed = 0; refused && allowed < 2000; ++allowed) {
    CK_SESSION_HANDLE another = 0;
    CK_RV openResult = CKR_OK;
    CK_RV searchResult = CKR_OK;
    {
      luma::testing::CRefusedAllocations refusal(allowed);
      openResult = C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &another);
      SetEvent(luma::pkcs11::moduleState().findSlot(0)->getChangeEvent());  // the search copies again
      searchResult = C_FindObjectsInit(session, nullptr, 0);
      refused = refusal.refusedAny();
    }
    ASSERT_TRUE(openResult == CKR_OK || openResult == CKR_HOST_MEMORY) << allowed << ": " << openResult;
    ASSERT_TRUE(searchResult == CKR_OK || searchResult == CKR_HOST_MEMORY) << allowed << ": " << searchResult;
    if (openResult == CKR_OK) ++opened;
    if (openResult == CKR_HOST_MEMORY || searchResult == CKR_HOST_MEMORY) ++refusals;
    if (searchResult == CKR_OK) {
      EXPECT_EQ(CKR_OK, C_FindObjectsFinal(session));
    }
  }
  EXPECT_FALSE(refused);  // the loop reached an allowance that needed no refusal
  EXPECT_GT(refusals, 0);
  CK_TOKEN_INFO info;
  ASSERT_EQ(CKR_OK, C_GetTokenInfo(0, &info));
  EXPECT_EQ(static_cast<CK_ULONG>(opened), info.ulSessionCount);
  // The session still searches its six objects.
  EXPECT_EQ(6u, find({}).size());
}

}  // namespace
