// Opening, closing and describing sessions, and the login that keeps the PIN for the key providers.
#include "pkcs11/module/entry_frame.h"

namespace {

using luma::pkcs11::CArgumentTrace;
using luma::pkcs11::moduleLog;
using luma::pkcs11::moduleState;
using luma::pkcs11::runInitialisedEntry;

}  // namespace

extern "C" {

CK_RV LUMA_CK_CALL C_OpenSession(CK_SLOT_ID slotID, CK_FLAGS flags, CK_VOID_PTR pApplication,
                                 CK_NOTIFY Notify, CK_SESSION_HANDLE_PTR phSession) {
  return runInitialisedEntry(
      "C_OpenSession",
      [&](CArgumentTrace& a) {
        a.number("slotID", slotID)
            .flags("flags", flags)
            .pointer("pApplication", pApplication)
            .pointer("Notify", reinterpret_cast<const void*>(Notify))
            .pointer("phSession", phSession);
      },
      [&] {
        const auto slot = moduleState().findSlot(slotID);
        if (!slot) return CKR_SLOT_ID_INVALID;
        if (phSession == nullptr) return CKR_ARGUMENTS_BAD;
        if ((flags & CKF_SERIAL_SESSION) == 0) return CKR_SESSION_PARALLEL_NOT_SUPPORTED;
        // CKF_RW_SESSION changes nothing (the token is write-protected), and no notification is sent.
        *phSession = moduleState().getSessions().open(slot);
        moduleLog().print(kLogInfo, "     *phSession    %lu", *phSession);
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_CloseSession(CK_SESSION_HANDLE hSession) {
  return runInitialisedEntry(
      "C_CloseSession", [&](CArgumentTrace& a) { a.number("hSession", hSession); },
      [&] { return moduleState().getSessions().close(hSession); });
}

CK_RV LUMA_CK_CALL C_CloseAllSessions(CK_SLOT_ID slotID) {
  return runInitialisedEntry(
      "C_CloseAllSessions",
      [&](CArgumentTrace&) { moduleLog().print(kLogTrace, "     slotID       %lu", slotID); },
      [&] {
        if (!moduleState().findSlot(slotID)) return CKR_SLOT_ID_INVALID;
        moduleState().getSessions().closeAll(slotID, false);
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_GetSessionInfo(CK_SESSION_HANDLE hSession, CK_SESSION_INFO_PTR pInfo) {
  return runInitialisedEntry(
      "C_GetSessionInfo", [&](CArgumentTrace& a) { a.number("hSession", hSession).pointer("pInfo", pInfo); },
      [&] {
        CK_SESSION_INFO info = {};
        const CK_RV found = moduleState().getSessions().describe(hSession, info);
        if (found != CKR_OK) return found;
        if (pInfo == nullptr) return CKR_ARGUMENTS_BAD;
        *pInfo = info;
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_Login(CK_SESSION_HANDLE hSession, CK_USER_TYPE userType, CK_UTF8CHAR_PTR pPin,
                           CK_ULONG ulPinLen) {
  return runInitialisedEntry(
      "C_Login",
      [&](CArgumentTrace& a) {
        a.number("hSession", hSession)
            .number("userType", userType)
            .pointer("pPin", pPin)
            .number("ulPinLen", ulPinLen);
      },
      [&] {
        CSessionRef session;
        const CK_RV found = moduleState().getSessions().lookup(hSession, session);
        if (found != CKR_OK) return found;
        if (userType == CKU_SO) return CKR_USER_TYPE_INVALID;
        if (pPin == nullptr && ulPinLen != 0) return CKR_ARGUMENTS_BAD;
        // The PIN is only kept: the key provider checks it when a key is used. A second login
        // replaces it; an empty one forgets it.
        const CByteBuffer pin(ulPinLen, pPin);
        session->setPin(pin);
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_Logout(CK_SESSION_HANDLE hSession) {
  return runInitialisedEntry(
      "C_Logout", [&](CArgumentTrace& a) { a.number("hSession", hSession); },
      [&] {
        CSessionRef session;
        const CK_RV found = moduleState().getSessions().lookup(hSession, session);
        if (found != CKR_OK) return found;
        session->setPin(CByteBuffer());
        return CKR_OK;
      });
}

}  // extern "C"
