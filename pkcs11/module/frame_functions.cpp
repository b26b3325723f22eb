// Library initialisation and finalisation, the library, slot and token information, the mechanism
// and random numbers.
#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <cstring>

#include "foundation/win/unique_handle.h"
#include "pkcs11/core/info_text.h"
#include "pkcs11/module/entry_frame.h"

namespace {

using luma::pkcs11::CArgumentTrace;
using luma::pkcs11::CkStatus;
using luma::pkcs11::fillBlankPadded;
using luma::pkcs11::moduleLog;
using luma::pkcs11::moduleState;
using luma::pkcs11::RunAtBoundary;
using luma::pkcs11::runInitialisedEntry;

constexpr char kManufacturer[] = "nuvak";
constexpr char kLibraryDescription[] = "luma-Pass V PKCS#11 Library";
constexpr char kTokenModel[] = "luma-Pass V";
constexpr char kTokenSerialNumber[] = "00";
constexpr CK_VERSION kCryptokiVersion = {2, 20};
constexpr CK_VERSION kLibraryVersion = {2, 1};
constexpr CK_VERSION kHardwareVersion = {1, 0};
constexpr CK_VERSION kFirmwareVersion = {2, 3};
constexpr CK_FLAGS kSlotFlags = CKF_TOKEN_PRESENT | CKF_REMOVABLE_DEVICE | CKF_HW_SLOT;
constexpr CK_FLAGS kTokenFlags = CKF_RNG | CKF_WRITE_PROTECTED | CKF_USER_PIN_INITIALIZED |
                                 CKF_CLOCK_ON_TOKEN | CKF_PROTECTED_AUTHENTICATION_PATH |
                                 CKF_TOKEN_INITIALIZED;
static_assert(kSlotFlags == 7 && kTokenFlags == 0x54B, "the flags every application has seen");
constexpr CK_ULONG kMinKeyBits = 512;
constexpr CK_ULONG kMaxKeyBits = 16384;
constexpr CK_FLAGS kMechanismFlags = CKF_HW | CKF_DECRYPT | CKF_SIGN;

luma::CalendarTime currentUtcTime() {
  SYSTEMTIME now = {};
  GetSystemTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

}  // namespace

extern "C" {

CK_RV LUMA_CK_CALL C_Initialize(CK_VOID_PTR) {
  CFunctionTracer tracer(moduleLog(), "C_Initialize");
  // The arguments (locking flags, mutex callbacks) are not read, and a second call is counted, not
  // refused: the module locks with its own kernel mutexes.
  return RunAtBoundary<CkStatus>(tracer, [] {
    moduleState().initialize();
    return CKR_OK;
  });
}

CK_RV LUMA_CK_CALL C_Finalize(CK_VOID_PTR) {
  CFunctionTracer tracer(moduleLog(), "C_Finalize");
  return RunAtBoundary<CkStatus>(tracer, [] {
    moduleState().finalize();
    return CKR_OK;
  });
}

CK_RV LUMA_CK_CALL C_GetInfo(CK_INFO_PTR pInfo) {
  return runInitialisedEntry(
      "C_GetInfo", [&](CArgumentTrace& a) { a.pointer("pInfo", pInfo); },
      [&] {
        if (pInfo == nullptr) return CKR_ARGUMENTS_BAD;
        std::memset(pInfo, 0, sizeof(*pInfo));
        pInfo->cryptokiVersion = kCryptokiVersion;
        fillBlankPadded(pInfo->manufacturerID, kManufacturer);
        pInfo->flags = 0;
        fillBlankPadded(pInfo->libraryDescription, kLibraryDescription);
        pInfo->libraryVersion = kLibraryVersion;
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_GetSlotList(CK_BBOOL tokenPresent, CK_SLOT_ID_PTR pSlotList, CK_ULONG_PTR pulCount) {
  return runInitialisedEntry(
      "C_GetSlotList",
      [&](CArgumentTrace& a) {
        a.number("tokenPresent", tokenPresent).pointer("pSlotList", pSlotList).pointer("pulCount", pulCount);
      },
      [&] {
        // The token is always present, so tokenPresent changes nothing.
        if (pulCount == nullptr) return CKR_ARGUMENTS_BAD;
        const CK_ULONG slotCount = static_cast<CK_ULONG>(moduleState().getSlots().size());
        const CK_ULONG room = *pulCount;
        *pulCount = slotCount;
        if (pSlotList == nullptr) return CKR_OK;
        if (room < slotCount) return CKR_BUFFER_TOO_SMALL;
        for (CK_ULONG index = 0; index < slotCount; ++index) {
          pSlotList[index] = index;
          moduleLog().print(kLogInfo, "     pSlotList[%u] = %u", static_cast<unsigned>(index),
                            static_cast<unsigned>(index));
        }
        moduleLog().print(kLogInfo, "     *pulCount    %lu", *pulCount);
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_GetSlotInfo(CK_SLOT_ID slotID, CK_SLOT_INFO_PTR pInfo) {
  return runInitialisedEntry(
      "C_GetSlotInfo", [&](CArgumentTrace& a) { a.number("slotID", slotID).pointer("pInfo", pInfo); },
      [&] {
        if (!moduleState().findSlot(slotID)) return CKR_SLOT_ID_INVALID;
        if (pInfo == nullptr) return CKR_ARGUMENTS_BAD;
        std::memset(pInfo, 0, sizeof(*pInfo));
        fillBlankPadded(pInfo->slotDescription, kLibraryDescription);
        fillBlankPadded(pInfo->manufacturerID, kManufacturer);
        pInfo->flags = kSlotFlags;
        pInfo->hardwareVersion = kHardwareVersion;
        pInfo->firmwareVersion = kFirmwareVersion;
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_GetTokenInfo(CK_SLOT_ID slotID, CK_TOKEN_INFO_PTR pInfo) {
  return runInitialisedEntry(
      "C_GetTokenInfo", [&](CArgumentTrace& a) { a.number("slotID", slotID).pointer("pInfo", pInfo); },
      [&] {
        const auto slot = moduleState().findSlot(slotID);
        if (!slot) return CKR_SLOT_ID_INVALID;
        if (pInfo == nullptr) return CKR_ARGUMENTS_BAD;
        const CK_ULONG sessionCount = moduleState().getSessions().count(slotID);
        std::memset(pInfo, 0, sizeof(*pInfo));
        fillBlankPadded(pInfo->label, slot->getLabel().c_str());
        fillBlankPadded(pInfo->manufacturerID, kManufacturer);
        fillBlankPadded(pInfo->model, kTokenModel);
        fillBlankPadded(pInfo->serialNumber, kTokenSerialNumber);
        pInfo->flags = kTokenFlags;
        pInfo->ulMaxSessionCount = CK_EFFECTIVELY_INFINITE;
        pInfo->ulSessionCount = sessionCount;
        pInfo->ulMaxRwSessionCount = 0;
        pInfo->ulRwSessionCount = 0;
        pInfo->ulMaxPinLen = 0;
        pInfo->ulMinPinLen = 0;
        pInfo->ulTotalPublicMemory = CK_UNAVAILABLE_INFORMATION;
        pInfo->ulFreePublicMemory = CK_UNAVAILABLE_INFORMATION;
        pInfo->ulTotalPrivateMemory = CK_UNAVAILABLE_INFORMATION;
        pInfo->ulFreePrivateMemory = CK_UNAVAILABLE_INFORMATION;
        pInfo->hardwareVersion = kHardwareVersion;
        pInfo->firmwareVersion = kFirmwareVersion;
        luma::pkcs11::formatTokenTime(currentUtcTime(), pInfo->utcTime);
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_GetMechanismList(CK_SLOT_ID slotID, CK_MECHANISM_TYPE_PTR pMechanismList,
                                      CK_ULONG_PTR pulCount) {
  return runInitialisedEntry(
      "C_GetMechanismList",
      [&](CArgumentTrace&) {
        moduleLog().print(kLogTrace, "     slotID\t      %lu", slotID);
        moduleLog().print(kLogTrace, "     pMechanismList 0x%p", static_cast<void*>(pMechanismList));
        moduleLog().print(kLogTrace, "     pulCount       0x%p", static_cast<void*>(pulCount));
      },
      [&] {
        if (!moduleState().findSlot(slotID)) return CKR_SLOT_ID_INVALID;
        if (pulCount == nullptr) return CKR_ARGUMENTS_BAD;
        if (pMechanismList == nullptr) {
          *pulCount = 1;
          return CKR_OK;
        }
        const CK_ULONG room = *pulCount;
        *pulCount = 1;
        moduleLog().print(kLogInfo, "     *pulCount    %lu", *pulCount);
        if (room == 0) return CKR_BUFFER_TOO_SMALL;
        pMechanismList[0] = CKM_RSA_PKCS;
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_GetMechanismInfo(CK_SLOT_ID slotID, CK_MECHANISM_TYPE type,
                                      CK_MECHANISM_INFO_PTR pInfo) {
  return runInitialisedEntry(
      "C_GetMechanismInfo",
      [&](CArgumentTrace& a) { a.number("slotID", slotID).number("type", type).pointer("pInfo", pInfo); },
      [&] {
        if (!moduleState().findSlot(slotID)) return CKR_SLOT_ID_INVALID;
        if (type != CKM_RSA_PKCS) return CKR_MECHANISM_INVALID;
        if (pInfo == nullptr) return CKR_ARGUMENTS_BAD;
        pInfo->ulMinKeySize = kMinKeyBits;
        pInfo->ulMaxKeySize = kMaxKeyBits;
        pInfo->flags = kMechanismFlags;
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_GenerateRandom(CK_SESSION_HANDLE hSession, CK_BYTE_PTR RandomData,
                                    CK_ULONG ulRandomLen) {
  return runInitialisedEntry(
      "C_GenerateRandom",
      [&](CArgumentTrace& a) {
        a.number("hSession", hSession).pointer("pRandomData", RandomData).number("ulRandomLen", ulRandomLen);
      },
      [&] {
        // The session handle is not examined: random numbers need no session state.
        if (RandomData == nullptr || ulRandomLen == 0) return CKR_ARGUMENTS_BAD;
        luma::CCryptProviderHandle provider;
        if (!CryptAcquireContextA(provider.put(), nullptr, nullptr, PROV_RSA_FULL,
                                  CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
          return CKR_FUNCTION_FAILED;
        }
        return CryptGenRandom(provider.get(), ulRandomLen, RandomData) ? CKR_OK : CKR_FUNCTION_FAILED;
      });
}

}  // extern "C"
