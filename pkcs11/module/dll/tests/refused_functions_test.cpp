// The entry points of operations the token does not offer: CKR_CRYPTOKI_NOT_INITIALIZED first, then
// their own checks in order, then their fixed answer.
#include <gtest/gtest.h>

#include <functional>

#include "pkcs11/module/dll/tests/p11_client.h"

namespace {

constexpr CK_SESSION_HANDLE kUnknownSession = 0x7777;

struct CRefusal {
  const char* name;
  std::function<CK_RV(const CK_FUNCTION_LIST&, CK_SESSION_HANDLE)> call;
  bool checksSession;
  CK_RV answer;
};

// Plausible arguments: nothing but the session is examined.
CK_BYTE buffer[4];
CK_ULONG size = sizeof(buffer);
CK_MECHANISM m = {CKM_RSA_PKCS, nullptr, 0};
CK_ATTRIBUTE a = {CKA_LABEL, nullptr, 0};
CK_OBJECT_HANDLE o = 0;

std::vector<CRefusal> refusals() {
  using F = const CK_FUNCTION_LIST&;
  using H = CK_SESSION_HANDLE;
  const CK_RV ro = CKR_TOKEN_WRITE_PROTECTED;
  const CK_RV no = CKR_FUNCTION_NOT_SUPPORTED;
  return {
      {"C_InitPIN", [](F f, H s) { return f.C_InitPIN(s, buffer, 4); }, false, ro},
      {"C_SetPIN", [](F f, H s) { return f.C_SetPIN(s, buffer, 4, buffer, 4); }, false, ro},
      {"C_CreateObject", [](F f, H s) { return f.C_CreateObject(s, &a, 1, &o); }, false, ro},
      {"C_CopyObject", [](F f, H s) { return f.C_CopyObject(s, 1, &a, 1, &o); }, false, ro},
      {"C_SetAttributeValue", [](F f, H s) { return f.C_SetAttributeValue(s, 1, &a, 1); }, false, ro},
      {"C_GetOperationState", [](F f, H s) { return f.C_GetOperationState(s, buffer, &size); }, true,
       CKR_STATE_UNSAVEABLE},
      {"C_SetOperationState", [](F f, H s) { return f.C_SetOperationState(s, buffer, 4, 0, 0); }, false,
       CKR_SAVED_STATE_INVALID},
      {"C_EncryptInit", [](F f, H s) { return f.C_EncryptInit(s, &m, 1); }, false, no},
      {"C_Encrypt", [](F f, H s) { return f.C_Encrypt(s, buffer, 4, buffer, &size); }, false, no},
      {"C_EncryptUpdate", [](F f, H s) { return f.C_EncryptUpdate(s, buffer, 4, buffer, &size); }, false, no},
      {"C_EncryptFinal", [](F f, H s) { return f.C_EncryptFinal(s, buffer, &size); }, false, no},
      {"C_DecryptUpdate", [](F f, H s) { return f.C_DecryptUpdate(s, buffer, 4, buffer, &size); }, false, no},
      {"C_DecryptFinal", [](F f, H s) { return f.C_DecryptFinal(s, buffer, &size); }, false, no},
      {"C_DigestInit", [](F f, H s) { return f.C_DigestInit(s, &m); }, false, no},
      {"C_Digest", [](F f, H s) { return f.C_Digest(s, buffer, 4, buffer, &size); }, false, no},
      {"C_DigestUpdate", [](F f, H s) { return f.C_DigestUpdate(s, buffer, 4); }, false, no},
      {"C_DigestKey", [](F f, H s) { return f.C_DigestKey(s, 1); }, false, no},
      {"C_DigestFinal", [](F f, H s) { return f.C_DigestFinal(s, buffer, &size); }, false, no},
      {"C_SignUpdate", [](F f, H s) { return f.C_SignUpdate(s, buffer, 4); }, false, no},
      {"C_SignFinal", [](F f, H s) { return f.C_SignFinal(s, buffer, &size); }, false, no},
      {"C_SignRecoverInit", [](F f, H s) { return f.C_SignRecoverInit(s, &m, 1); }, false, no},
      {"C_SignRecover", [](F f, H s) { return f.C_SignRecover(s, buffer, 4, buffer, &size); }, false, no},
      {"C_VerifyInit", [](F f, H s) { return f.C_VerifyInit(s, &m, 1); }, false, no},
      {"C_Verify", [](F f, H s) { return f.C_Verify(s, buffer, 4, buffer, 4); }, false, no},
      {"C_VerifyUpdate", [](F f, H s) { return f.C_VerifyUpdate(s, buffer, 4); }, false, no},
      {"C_VerifyFinal", [](F f, H s) { return f.C_VerifyFinal(s, buffer, 4); }, false, no},
      {"C_VerifyRecoverInit", [](F f, H s) { return f.C_VerifyRecoverInit(s, &m, 1); }, false, no},
      {"C_VerifyRecover", [](F f, H s) { return f.C_VerifyRecover(s, buffer, 4, buffer, &size); }, false, no},
      {"C_DigestEncryptUpdate", [](F f, H s) { return f.C_DigestEncryptUpdate(s, buffer, 4, buffer, &size); },
       false, no},
      {"C_DecryptDigestUpdate", [](F f, H s) { return f.C_DecryptDigestUpdate(s, buffer, 4, buffer, &size); },
       false, no},
      {"C_SignEncryptUpdate", [](F f, H s) { return f.C_SignEncryptUpdate(s, buffer, 4, buffer, &size); },
       false, no},
      {"C_DecryptVerifyUpdate", [](F f, H s) { return f.C_DecryptVerifyUpdate(s, buffer, 4, buffer, &size); },
       false, no},
      {"C_GenerateKey", [](F f, H s) { return f.C_GenerateKey(s, &m, &a, 1, &o); }, false, no},
      {"C_GenerateKeyPair", [](F f, H s) { return f.C_GenerateKeyPair(s, &m, &a, 1, &a, 1, &o, &o); }, false,
       no},
      {"C_WrapKey", [](F f, H s) { return f.C_WrapKey(s, &m, 1, 2, buffer, &size); }, false, no},
      {"C_UnwrapKey", [](F f, H s) { return f.C_UnwrapKey(s, &m, 1, buffer, 4, &a, 1, &o); }, false, no},
      {"C_DeriveKey", [](F f, H s) { return f.C_DeriveKey(s, &m, 1, &a, 1, &o); }, false, no},
      {"C_SeedRandom", [](F f, H s) { return f.C_SeedRandom(s, buffer, 4); }, false,
       CKR_RANDOM_SEED_NOT_SUPPORTED},
      {"C_GetFunctionStatus", [](F f, H s) { return f.C_GetFunctionStatus(s); }, false,
       CKR_FUNCTION_NOT_PARALLEL},
      {"C_CancelFunction", [](F f, H s) { return f.C_CancelFunction(s); }, false, CKR_FUNCTION_NOT_PARALLEL},
  };
}

TEST(RefusedFunctionsTest, EachAnswersItsCodeAfterTheInitialisationAndItsOwnChecks) {
  CP11Client p11;
  ASSERT_TRUE(p11.loaded());
  const std::vector<CRefusal> table = refusals();
  EXPECT_EQ(40u, table.size());
  for (const CRefusal& refusal : table) {
    EXPECT_EQ(CKR_CRYPTOKI_NOT_INITIALIZED, refusal.call(*p11, kUnknownSession)) << refusal.name;
  }
  EXPECT_EQ(CKR_CRYPTOKI_NOT_INITIALIZED, p11->C_InitToken(1, nullptr, 0, nullptr));
  EXPECT_EQ(CKR_CRYPTOKI_NOT_INITIALIZED, p11->C_DestroyObject(kUnknownSession, 1));

  ASSERT_EQ(CKR_OK, p11->C_Initialize(nullptr));
  const CK_SESSION_HANDLE session = p11.openSession();
  for (const CRefusal& refusal : table) {
    EXPECT_EQ(refusal.checksSession ? CKR_SESSION_HANDLE_INVALID : refusal.answer,
              refusal.call(*p11, kUnknownSession))
        << refusal.name;
    EXPECT_EQ(refusal.answer, refusal.call(*p11, session)) << refusal.name;
  }
  CK_UTF8CHAR label[32] = {};
  EXPECT_EQ(CKR_SLOT_ID_INVALID, p11->C_InitToken(1, nullptr, 0, label));
  EXPECT_EQ(CKR_TOKEN_WRITE_PROTECTED, p11->C_InitToken(0, nullptr, 0, label));
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, p11->C_DestroyObject(kUnknownSession, 1));
  EXPECT_EQ(CKR_OBJECT_HANDLE_INVALID, p11->C_DestroyObject(session, 0x5555));

  // A closed session is as unknown as one never opened.
  ASSERT_EQ(CKR_OK, p11->C_CloseSession(session));
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, p11->C_GetOperationState(session, nullptr, nullptr));
  EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, p11->C_DestroyObject(session, 1));
  EXPECT_EQ(CKR_OK, p11->C_Finalize(nullptr));
}

}  // namespace
