// Initialisation counting, the exported names, and the library, slot, token and mechanism
// information as an application reads them, byte for byte.
#include <gtest/gtest.h>

#include <cstring>

#include "pkcs11/module/dll/tests/p11_client.h"

namespace {

const char* const kEntryPointNames[] = {
#define LUMA_ENTRY_NAME(name, params) #name,
    LUMA_CRYPTOKI_FUNCTIONS(LUMA_ENTRY_NAME)
#undef LUMA_ENTRY_NAME
};

TEST(ModuleFrameTest, EveryEntryPointIsExportedByNameAndListedInTheStandardOrder) {
  CP11Client p11;
  ASSERT_TRUE(p11.loaded());
  EXPECT_EQ(2, p11->version.major);
  EXPECT_EQ(20, p11->version.minor);
  static_assert(sizeof(kEntryPointNames) / sizeof(kEntryPointNames[0]) == 68, "68 entry points");
  const auto* entries = reinterpret_cast<const void* const*>(&p11->C_Initialize);
  for (std::size_t index = 0; index < 68; ++index) {
    const void* exported = reinterpret_cast<void*>(GetProcAddress(p11.module(), kEntryPointNames[index]));
    EXPECT_NE(nullptr, exported) << kEntryPointNames[index];
    EXPECT_EQ(exported, entries[index]) << kEntryPointNames[index];
  }
}

TEST(ModuleFrameTest, FunctionListRefusesANullPointer) {
  CP11Client p11;
  ASSERT_TRUE(p11.loaded());
  EXPECT_EQ(CKR_ARGUMENTS_BAD, p11->C_GetFunctionList(nullptr));
  CK_FUNCTION_LIST_PTR again = nullptr;
  EXPECT_EQ(CKR_OK, p11->C_GetFunctionList(&again));
  EXPECT_EQ(&*p11, again);
}

TEST(ModuleFrameTest, InitialisationIsCountedAndTheLastFinalizeEndsSessions) {
  CP11Client p11;
  ASSERT_TRUE(p11.loaded());
  CK_INFO info;
  EXPECT_EQ(CKR_CRYPTOKI_NOT_INITIALIZED, p11->C_GetInfo(&info));
  EXPECT_EQ(CKR_OK, p11->C_Finalize(nullptr));  // never initialised: still fine

  // Arguments are not read and a second initialisation is counted, not refused.
  CK_C_INITIALIZE_ARGS arguments = {};
  arguments.flags = CKF_OS_LOCKING_OK;
  ASSERT_EQ(CKR_OK, p11->C_Initialize(&arguments));
  ASSERT_EQ(CKR_OK, p11->C_Initialize(nullptr));
  const CK_SESSION_HANDLE first = p11.openSession();
  EXPECT_EQ(1u, first);
  EXPECT_EQ(2u, p11.openSession());

  EXPECT_EQ(CKR_OK, p11->C_Finalize(nullptr));
  EXPECT_EQ(CKR_OK, p11->C_GetInfo(&info));  // one initialisation left
  CK_SESSION_INFO sessionInfo;
  EXPECT_EQ(CKR_OK, p11->C_GetSessionInfo(first, &sessionInfo));
  // The stop event stays set until the next initialisation: a blocking wait returns at once.
  CK_SLOT_ID slot = 99;
  EXPECT_EQ(CKR_CRYPTOKI_NOT_INITIALIZED, p11->C_WaitForSlotEvent(0, &slot, nullptr));

  EXPECT_EQ(CKR_OK, p11->C_Finalize(nullptr));
  EXPECT_EQ(CKR_CRYPTOKI_NOT_INITIALIZED, p11->C_GetInfo(&info));
  EXPECT_EQ(CKR_CRYPTOKI_NOT_INITIALIZED, p11->C_GetSessionInfo(first, &sessionInfo));

  // A new initialisation builds a new slot; the old sessions are gone and handles count on.
  ASSERT_EQ(CKR_OK, p11->C_Initialize(nullptr));
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, p11->C_GetSessionInfo(first, &sessionInfo));
  EXPECT_EQ(3u, p11.openSession());
  EXPECT_EQ(CKR_OK, p11->C_Finalize(nullptr));
}

class InitialisedModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(p11.loaded());
    ASSERT_EQ(CKR_OK, p11->C_Initialize(nullptr));
  }
  void TearDown() override {
    if (p11.loaded()) {
      EXPECT_EQ(CKR_OK, p11->C_Finalize(nullptr));
    }
  }

  CP11Client p11;
};

TEST_F(InitialisedModuleTest, LibraryInformationByteForByte) {
  CGuarded<CK_INFO> info;
  ASSERT_EQ(CKR_OK, p11->C_GetInfo(info.get()));
  EXPECT_EQ(72u, info.structure().size());
  EXPECT_EQ(concat({version(2, 20), padded("nuvak", 32), littleEndian32(0),
                    padded("luma-Pass V PKCS#11 Library", 32), version(2, 1)}),
            info.structure());
  EXPECT_TRUE(info.guardIntact());
  EXPECT_EQ(CKR_ARGUMENTS_BAD, p11->C_GetInfo(nullptr));
}

TEST_F(InitialisedModuleTest, SlotListAndSlotInformation) {
  CK_ULONG count = 0;
  EXPECT_EQ(CKR_ARGUMENTS_BAD, p11->C_GetSlotList(CK_TRUE, nullptr, nullptr));
  ASSERT_EQ(CKR_OK, p11->C_GetSlotList(CK_FALSE, nullptr, &count));
  EXPECT_EQ(1u, count);
  CK_SLOT_ID slots[2] = {77, 77};
  count = 0;
  EXPECT_EQ(CKR_BUFFER_TOO_SMALL, p11->C_GetSlotList(CK_TRUE, slots, &count));
  EXPECT_EQ(1u, count);
  EXPECT_EQ(77u, slots[0]);
  count = 2;
  ASSERT_EQ(CKR_OK, p11->C_GetSlotList(CK_TRUE, slots, &count));
  EXPECT_EQ(1u, count);
  EXPECT_EQ(0u, slots[0]);
  EXPECT_EQ(77u, slots[1]);

  CGuarded<CK_SLOT_INFO> info;
  ASSERT_EQ(CKR_OK, p11->C_GetSlotInfo(0, info.get()));
  EXPECT_EQ(104u, info.structure().size());
  EXPECT_EQ(concat({padded("luma-Pass V PKCS#11 Library", 64), padded("nuvak", 32), littleEndian32(7),
                    version(1, 0), version(2, 3)}),
            info.structure());
  EXPECT_TRUE(info.guardIntact());
  EXPECT_EQ(CKR_SLOT_ID_INVALID, p11->C_GetSlotInfo(1, info.get()));
  EXPECT_EQ(CKR_SLOT_ID_INVALID, p11->C_GetSlotInfo(1, nullptr));  // the slot is checked first
  EXPECT_EQ(CKR_ARGUMENTS_BAD, p11->C_GetSlotInfo(0, nullptr));
}

std::string utcNow() {
  SYSTEMTIME now = {};
  GetSystemTime(&now);
  char text[32];
  std::snprintf(text, sizeof(text), "%04d%02d%02d%02d%02d%02d00", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  return text;
}

TEST_F(InitialisedModuleTest, TokenInformationByteForByteWithTheValidSessionsCounted) {
  const CK_SESSION_HANDLE first = p11.openSession(CKF_SERIAL_SESSION | CKF_RW_SESSION);
  p11.openSession();
  ASSERT_EQ(CKR_OK, p11->C_CloseSession(first));

  CGuarded<CK_TOKEN_INFO> info;
  const std::string before = utcNow();
  ASSERT_EQ(CKR_OK, p11->C_GetTokenInfo(0, info.get()));
  const std::string after = utcNow();
  const Bytes bytes = info.structure();
  ASSERT_EQ(160u, bytes.size());
  const Bytes unavailable = littleEndian32(0xFFFFFFFF);
  EXPECT_EQ(concat({padded("LPV", 32), padded("nuvak", 32), padded("luma-Pass V", 16), padded("00", 16),
                    littleEndian32(0x54B), littleEndian32(0), littleEndian32(1), littleEndian32(0),
                    littleEndian32(0), littleEndian32(0), littleEndian32(0), unavailable, unavailable,
                    unavailable, unavailable, version(1, 0), version(2, 3)}),
            Bytes(bytes.begin(), bytes.end() - 16));
  const std::string clock(bytes.end() - 16, bytes.end());
  EXPECT_LE(before, clock);
  EXPECT_GE(after, clock);
  EXPECT_TRUE(info.guardIntact());

  EXPECT_EQ(CKR_SLOT_ID_INVALID, p11->C_GetTokenInfo(5, info.get()));
  EXPECT_EQ(CKR_ARGUMENTS_BAD, p11->C_GetTokenInfo(0, nullptr));
}

TEST_F(InitialisedModuleTest, OnlyThePkcs1RsaMechanism) {
  CK_ULONG count = 0;
  ASSERT_EQ(CKR_OK, p11->C_GetMechanismList(0, nullptr, &count));
  EXPECT_EQ(1u, count);
  CK_MECHANISM_TYPE mechanisms[2] = {99, 99};
  count = 0;
  EXPECT_EQ(CKR_BUFFER_TOO_SMALL, p11->C_GetMechanismList(0, mechanisms, &count));
  EXPECT_EQ(1u, count);
  EXPECT_EQ(99u, mechanisms[0]);
  count = 2;
  ASSERT_EQ(CKR_OK, p11->C_GetMechanismList(0, mechanisms, &count));
  EXPECT_EQ(1u, count);
  EXPECT_EQ(CKM_RSA_PKCS, mechanisms[0]);
  EXPECT_EQ(CKR_SLOT_ID_INVALID, p11->C_GetMechanismList(1, mechanisms, &count));
  EXPECT_EQ(CKR_ARGUMENTS_BAD, p11->C_GetMechanismList(0, mechanisms, nullptr));

  CGuarded<CK_MECHANISM_INFO> info;
  ASSERT_EQ(CKR_OK, p11->C_GetMechanismInfo(0, CKM_RSA_PKCS, info.get()));
  EXPECT_EQ(concat({littleEndian32(512), littleEndian32(16384), littleEndian32(0xA01)}), info.structure());
  EXPECT_TRUE(info.guardIntact());
  EXPECT_EQ(CKR_MECHANISM_INVALID, p11->C_GetMechanismInfo(0, CKM_RSA_X_509, info.get()));
  EXPECT_EQ(CKR_SLOT_ID_INVALID, p11->C_GetMechanismInfo(1, CKM_RSA_PKCS, info.get()));
  EXPECT_EQ(CKR_ARGUMENTS_BAD, p11->C_GetMechanismInfo(0, CKM_RSA_PKCS, nullptr));
}

TEST_F(InitialisedModuleTest, RandomBytesWithoutASession) {
  CK_BYTE random[40] = {};
  EXPECT_EQ(CKR_ARGUMENTS_BAD, p11->C_GenerateRandom(0, random, 0));
  EXPECT_EQ(CKR_ARGUMENTS_BAD, p11->C_GenerateRandom(0, nullptr, 8));
  CK_BYTE guarded[33];
  std::memset(guarded, 0, sizeof(guarded));
  ASSERT_EQ(CKR_OK, p11->C_GenerateRandom(12345, guarded, 32));  // a handle never opened
  EXPECT_EQ(0, guarded[32]);
  ASSERT_EQ(CKR_OK, p11->C_GenerateRandom(0, random, sizeof(random)));
  EXPECT_NE(0, std::memcmp(random, guarded, 32));  // two draws of 256 bits differ
}

}  // namespace
