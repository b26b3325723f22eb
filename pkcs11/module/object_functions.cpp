// Object search and attribute access. Each call holds the session's mutex from the object or
// operation lookup to its return, so that a search on another thread, which may replace the
// session's objects, never frees an object under it.
#include <algorithm>
#include <memory>

#include "pkcs11/core/attribute_value.h"
#include "pkcs11/module/entry_frame.h"
#include "pkcs11/module/search_operation.h"

namespace {

using luma::pkcs11::CArgumentTrace;
using luma::pkcs11::moduleLog;
using luma::pkcs11::moduleState;
using luma::pkcs11::runInitialisedEntry;

// What every object answers as its size: the token keeps no object of its own.
constexpr CK_ULONG kObjectSize = 36;

// A template entry and the bytes of its value at level 5, never past the caller's buffer.
void traceEntry(CK_ULONG index, const CK_ATTRIBUTE& entry, CK_RV answer, CK_ULONG callerLength) {
  CModuleDebugLog& log = moduleLog();
  if (!log.isOn(kLogTrace)) return;
  log.print(kLogTrace, "     pTemplate[%u]: Type 0x%08lx", static_cast<unsigned>(index), entry.type);
  log.dump("pTemplate", entry.pValue, luma::pkcs11::readableValueLength(entry, answer, callerLength));
}

std::shared_ptr<SearchOperation> searchOf(CSession& session) {
  return std::static_pointer_cast<SearchOperation>(session.getOperation(kOperationSearch));
}

}  // namespace

CK_ULONG SearchOperation::takeNext(CK_OBJECT_HANDLE* target, CK_ULONG room) {
  const std::size_t left = handles.size() - position;
  const std::size_t count = std::min<std::size_t>(left, room);
  std::copy_n(handles.begin() + static_cast<std::ptrdiff_t>(position), count, target);
  position += count;
  return static_cast<CK_ULONG>(count);
}

extern "C" {

CK_RV LUMA_CK_CALL C_GetObjectSize(CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject,
                                   CK_ULONG_PTR pulSize) {
  return runInitialisedEntry(
      "C_GetObjectSize",
      [&](CArgumentTrace& a) {
        a.number("hSession", hSession).number("hObject", hObject).pointer("pulSize", pulSize);
      },
      [&] {
        CSessionRef session;
        const CK_RV found = moduleState().getSessions().lookup(hSession, session);
        if (found != CKR_OK) return found;
        CWinMutexLock held = session->lock();
        if (session->getObject(hObject) == nullptr) return CKR_OBJECT_HANDLE_INVALID;
        if (pulSize == nullptr) return CKR_ARGUMENTS_BAD;
        *pulSize = kObjectSize;
        moduleLog().print(kLogTrace, "     *pulSize    %lu", *pulSize);
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_GetAttributeValue(CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject,
                                       CK_ATTRIBUTE_PTR pTemplate, CK_ULONG ulCount) {
  return runInitialisedEntry(
      "C_GetAttributeValue",
      [&](CArgumentTrace& a) {
        a.number("hSession", hSession)
            .number("hObject", hObject)
            .pointer("pTemplate", pTemplate)
            .number("ulCount", ulCount);
      },
      [&] {
        CSessionRef session;
        const CK_RV found = moduleState().getSessions().lookup(hSession, session);
        if (found != CKR_OK) return found;
        CWinMutexLock held = session->lock();
        const CPKCS11Object* object = session->getObject(hObject);
        if (object == nullptr) return CKR_OBJECT_HANDLE_INVALID;
        if (pTemplate == nullptr && ulCount != 0) return CKR_ARGUMENTS_BAD;
        CK_RV result = CKR_OK;
        for (CK_ULONG index = 0; index < ulCount; ++index) {
          CK_ATTRIBUTE& entry = pTemplate[index];
          const CK_ULONG room = entry.ulValueLen;
          const CK_RV rv = object->getAttributeValue(entry);
          if (rv == CKR_ATTRIBUTE_SENSITIVE || rv == CKR_ATTRIBUTE_TYPE_INVALID) {
            entry.ulValueLen = CK_UNAVAILABLE_INFORMATION;
          }
          if (rv != CKR_OK) result = rv;
          traceEntry(index, entry, rv, room);
        }
        return result;
      });
}

CK_RV LUMA_CK_CALL C_FindObjectsInit(CK_SESSION_HANDLE hSession, CK_ATTRIBUTE_PTR pTemplate,
                                     CK_ULONG ulCount) {
  return runInitialisedEntry(
      "C_FindObjectsInit",
      [&](CArgumentTrace& a) {
        a.number("hSession", hSession).pointer("pTemplate", pTemplate).number("ulCount", ulCount);
      },
      [&] {
        CSessionRef session;
        const CK_RV found = moduleState().getSessions().lookup(hSession, session);
        if (found != CKR_OK) return found;
        CWinMutexLock held = session->lock();
        if (session->getOperation(kOperationSearch)) return CKR_OPERATION_ACTIVE;
        if (pTemplate == nullptr && ulCount != 0) return CKR_ARGUMENTS_BAD;
        // The only place a session's objects catch up with the slot's.
        session->reloadIfChanged();
        for (CK_ULONG index = 0; index < ulCount; ++index)
          traceEntry(index, pTemplate[index], CKR_OK, pTemplate[index].ulValueLen);
        auto search = std::make_shared<SearchOperation>();
        session->findObjects(pTemplate, ulCount, search->getHandles());
        session->setOperation(kOperationSearch, std::move(search));
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_FindObjects(CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE_PTR phObject,
                                 CK_ULONG ulMaxObjectCount, CK_ULONG_PTR pulObjectCount) {
  return runInitialisedEntry(
      "C_FindObjects",
      [&](CArgumentTrace&) {
        CModuleDebugLog& log = moduleLog();
        log.print(kLogTrace, "     hSession         %lu", hSession);
        log.print(kLogTrace, "     phObject\t        0x%p", static_cast<void*>(phObject));
        log.print(kLogTrace, "     ulMaxObjectCount %lu", ulMaxObjectCount);
        log.print(kLogTrace, "     pulObjectCount   0x%p", static_cast<void*>(pulObjectCount));
      },
      [&] {
        if (pulObjectCount == nullptr) return CKR_ARGUMENTS_BAD;
        CSessionRef session;
        const CK_RV found = moduleState().getSessions().lookup(hSession, session);
        if (found != CKR_OK) return found;
        CWinMutexLock held = session->lock();
        const std::shared_ptr<SearchOperation> search = searchOf(*session.get());
        if (!search) return CKR_OPERATION_NOT_INITIALIZED;
        if (phObject == nullptr && ulMaxObjectCount != 0) return CKR_ARGUMENTS_BAD;
        const CK_ULONG count = search->takeNext(phObject, ulMaxObjectCount);
        *pulObjectCount = count;
        for (CK_ULONG index = 0; index < count; ++index) {
          moduleLog().print(kLogInfo, "     phObject[%u]: %lu", static_cast<unsigned>(index),
                            phObject[index]);
        }
        moduleLog().print(kLogInfo, "     *pulObjectCount  %lu", count);
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_FindObjectsFinal(CK_SESSION_HANDLE hSession) {
  return runInitialisedEntry(
      "C_FindObjectsFinal",
      [&](CArgumentTrace&) { moduleLog().print(kLogTrace, "     hSession         %lu", hSession); },
      [&] {
        CSessionRef session;
        const CK_RV found = moduleState().getSessions().lookup(hSession, session);
        if (found != CKR_OK) return found;
        CWinMutexLock held = session->lock();
        if (!session->getOperation(kOperationSearch)) return CKR_OPERATION_NOT_INITIALIZED;
        session->removeOperation(kOperationSearch);
        return CKR_OK;
      });
}

}  // extern "C"
