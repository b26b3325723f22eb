// The module's own declarations of the interface against an independent one: the same sizes and
// offsets, and the same bytes read through either function list.
#include <gtest/gtest.h>

#include <cstddef>

#include "pkcs11/module/dll/tests/p11_client.h"

#if defined(LUMA_HAVE_P11KIT_HEADER)
#include "pkcs11/module/dll/tests/independent_header_client.h"
#endif

namespace {

#if defined(LUMA_HAVE_P11KIT_HEADER)

TEST(StructureLayoutTest, SizesAndOffsetsMatchAnIndependentDeclaration) {
  const std::map<std::string, std::size_t> ours = {
      {"CK_VERSION", sizeof(CK_VERSION)},
      {"CK_INFO", sizeof(CK_INFO)},
      {"CK_INFO.flags", offsetof(CK_INFO, flags)},
      {"CK_INFO.libraryVersion", offsetof(CK_INFO, libraryVersion)},
      {"CK_SLOT_INFO", sizeof(CK_SLOT_INFO)},
      {"CK_SLOT_INFO.flags", offsetof(CK_SLOT_INFO, flags)},
      {"CK_TOKEN_INFO", sizeof(CK_TOKEN_INFO)},
      {"CK_TOKEN_INFO.flags", offsetof(CK_TOKEN_INFO, flags)},
      {"CK_TOKEN_INFO.ulSessionCount", offsetof(CK_TOKEN_INFO, ulSessionCount)},
      {"CK_TOKEN_INFO.utcTime", offsetof(CK_TOKEN_INFO, utcTime)},
      {"CK_SESSION_INFO", sizeof(CK_SESSION_INFO)},
      {"CK_MECHANISM_INFO", sizeof(CK_MECHANISM_INFO)},
      {"CK_ATTRIBUTE", sizeof(CK_ATTRIBUTE)},
      {"CK_ATTRIBUTE.ulValueLen", offsetof(CK_ATTRIBUTE, ulValueLen)},
      {"CK_MECHANISM", sizeof(CK_MECHANISM)},
      {"CK_MECHANISM.ulParameterLen", offsetof(CK_MECHANISM, ulParameterLen)},
      {"CK_DATE", sizeof(CK_DATE)},
      {"CK_C_INITIALIZE_ARGS", sizeof(CK_C_INITIALIZE_ARGS)},
      {"CK_FUNCTION_LIST", sizeof(CK_FUNCTION_LIST)},
      {"CK_FUNCTION_LIST.C_Initialize", offsetof(CK_FUNCTION_LIST, C_Initialize)},
      {"CK_FUNCTION_LIST.C_Login", offsetof(CK_FUNCTION_LIST, C_Login)},
      {"CK_FUNCTION_LIST.C_Sign", offsetof(CK_FUNCTION_LIST, C_Sign)},
      {"CK_FUNCTION_LIST.C_WaitForSlotEvent", offsetof(CK_FUNCTION_LIST, C_WaitForSlotEvent)},
  };
  EXPECT_EQ(ours, independent::layout());
}

TEST(StructureLayoutTest, TheIndependentClientReadsTheSameBytes) {
  CP11Client p11;
  ASSERT_TRUE(p11.loaded());
  const independent::CInformation theirs = independent::readInformation(p11.module());
  ASSERT_EQ("", theirs.failure);
  EXPECT_EQ(220u, theirs.listVersion);

  ASSERT_EQ(CKR_OK, p11->C_Initialize(nullptr));
  CK_INFO info;
  CK_SLOT_INFO slotInfo;
  CK_TOKEN_INFO tokenInfo;
  CK_SESSION_INFO sessionInfo;
  CK_MECHANISM_INFO mechanismInfo;
  const CK_SESSION_HANDLE session = p11.openSession();
  ASSERT_EQ(CKR_OK, p11->C_GetInfo(&info));
  ASSERT_EQ(CKR_OK, p11->C_GetSlotInfo(0, &slotInfo));
  ASSERT_EQ(CKR_OK, p11->C_GetTokenInfo(0, &tokenInfo));
  ASSERT_EQ(CKR_OK, p11->C_GetSessionInfo(session, &sessionInfo));
  ASSERT_EQ(CKR_OK, p11->C_GetMechanismInfo(0, CKM_RSA_PKCS, &mechanismInfo));
  EXPECT_EQ(CKR_OK, p11->C_Finalize(nullptr));

  const auto bytes = [](const auto& structure) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(&structure);
    return Bytes(first, first + sizeof(structure));
  };
  EXPECT_EQ(bytes(info), theirs.info);
  EXPECT_EQ(bytes(slotInfo), theirs.slotInfo);
  EXPECT_EQ(bytes(sessionInfo), theirs.sessionInfo);
  EXPECT_EQ(bytes(mechanismInfo), theirs.mechanismInfo);
  // Everything but the clock.
  const Bytes ourToken = bytes(tokenInfo);
  ASSERT_EQ(ourToken.size(), theirs.tokenInfo.size());
  EXPECT_EQ(Bytes(ourToken.begin(), ourToken.end() - 16),
            Bytes(theirs.tokenInfo.begin(), theirs.tokenInfo.end() - 16));
}

#else

TEST(StructureLayoutTest, SizesAndOffsetsMatchAnIndependentDeclaration) {
  GTEST_SKIP() << "p11-kit's PKCS#11 header is not installed on the build machine";
}

#endif

}  // namespace
