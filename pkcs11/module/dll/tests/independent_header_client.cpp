#include "pkcs11/module/dll/tests/independent_header_client.h"

#include LUMA_P11KIT_HEADER

namespace independent {

namespace {
template <typename Structure>
std::vector<std::uint8_t> bytesOf(const Structure& structure) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&structure);
  return std::vector<std::uint8_t>(bytes, bytes + sizeof(Structure));
}
}  // namespace

std::map<std::string, std::size_t> layout() {
  return {
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
}

CInformation readInformation(HMODULE module) {
  CInformation result;
  const auto getFunctionList = reinterpret_cast<CK_C_GetFunctionList>(
      reinterpret_cast<void*>(GetProcAddress(module, "C_GetFunctionList")));
  CK_FUNCTION_LIST_PTR list = nullptr;
  if (getFunctionList == nullptr || getFunctionList(&list) != CKR_OK || list == nullptr) {
    result.failure = "C_GetFunctionList";
    return result;
  }
  result.listVersion = list->version.major * 100ul + list->version.minor;
  if (list->C_Initialize(nullptr) != CKR_OK) {
    result.failure = "C_Initialize";
    return result;
  }
  CK_INFO info;
  CK_SLOT_INFO slotInfo;
  CK_TOKEN_INFO tokenInfo;
  CK_SESSION_INFO sessionInfo;
  CK_MECHANISM_INFO mechanismInfo;
  CK_SESSION_HANDLE session = 0;
  if (list->C_GetInfo(&info) != CKR_OK) result.failure = "C_GetInfo";
  if (list->C_GetSlotInfo(0, &slotInfo) != CKR_OK) result.failure = "C_GetSlotInfo";
  if (list->C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &session) != CKR_OK)
    result.failure = "C_OpenSession";
  if (list->C_GetTokenInfo(0, &tokenInfo) != CKR_OK) result.failure = "C_GetTokenInfo";
  if (list->C_GetSessionInfo(session, &sessionInfo) != CKR_OK) result.failure = "C_GetSessionInfo";
  if (list->C_GetMechanismInfo(0, CKM_RSA_PKCS, &mechanismInfo) != CKR_OK)
    result.failure = "C_GetMechanismInfo";
  list->C_Finalize(nullptr);
  if (!result.failure.empty()) return result;
  result.info = bytesOf(info);
  result.slotInfo = bytesOf(slotInfo);
  result.tokenInfo = bytesOf(tokenInfo);
  result.sessionInfo = bytesOf(sessionInfo);
  result.mechanismInfo = bytesOf(mechanismInfo);
  return result;
}

}  // namespace independent
