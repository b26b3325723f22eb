#include "pkcs11/module/session.h"

#include <new>
#include <utility>

#include "pkcs11/module/module_log.h"

namespace {
CModuleDebugLog& log() { return luma::pkcs11::moduleLog(); }
}  // namespace

CSession::CSession(std::shared_ptr<CSlot> slot) : slot(std::move(slot)) {
  if (mutex.getHandle() == nullptr) throw std::bad_alloc();  // out of kernel resources
  log().print(kLogTrace, "      CSession::CSession %p", static_cast<void*>(this));
  CWinMutexLock held = lock();
  slotCounter = this->slot->getReloadCounter();
  copyObjectsFromSlot();
}

CSession::~CSession() {
  log().print(kLogTrace, "      CSession::~CSession %p", static_cast<void*>(this));
  operations.clear();
  objects.clear();
  pin.Clear();
}

void CSession::acquire() {
  CWinMutexLock held = lock();
  ++usageCount;
  log().print(kLogTrace, "      CSession::acquire 0x%p new usage count %d", static_cast<void*>(this),
              static_cast<int>(usageCount));
}

void CSession::release() {
  CWinMutexLock held = lock();
  if (usageCount > 0) --usageCount;
  log().print(kLogTrace, "      CSession::release 0x%p new usage count %d", static_cast<void*>(this),
              static_cast<int>(usageCount));
}

void CSession::invalidate() {
  log().print(kLogTrace, "      CSession::invalidate %p", static_cast<void*>(this));
  CWinMutexLock held = lock();
  valid = false;
}

bool CSession::isValid() {
  CWinMutexLock held = lock();
  return valid;
}

std::int32_t CSession::getUsageCount() {
  CWinMutexLock held = lock();
  return usageCount;
}

void CSession::copyObjectsFromSlot() {
  CObjectMap copies;
  slot->copyObjects(copies);
  objects = std::move(copies);
}

void CSession::reload() {
  log().print(kLogTrace, "      CSession::reload %p", static_cast<void*>(this));
  CWinMutexLock held = lock();
  copyObjectsFromSlot();  // the old copies stay when the new ones cannot be made
}

bool CSession::reloadIfChanged() {
  CWinMutexLock held = lock();
  const std::int32_t counter = slot->getReloadCounter();
  if (counter == slotCounter) return false;
  log().print(kLogInfo, "      Object reload required. New counter is %d", static_cast<int>(counter));
  reload();
  slotCounter = counter;
  return true;
}

void CSession::findObjects(const CK_ATTRIBUTE* attributes, CK_ULONG count,
                           std::vector<CK_OBJECT_HANDLE>& handles) {
  CWinMutexLock held = lock();
  for (const auto& entry : objects) {
    bool matching = true;
    for (CK_ULONG index = 0; index < count && matching; ++index) {
      matching = entry.second->matches(attributes[index]);
    }
    if (matching) handles.push_back(entry.first);
  }
}

CPKCS11Object* CSession::getObject(CK_OBJECT_HANDLE handle) {
  CWinMutexLock held = lock();
  const auto found = objects.find(handle);
  return found != objects.end() ? found->second.get() : nullptr;
}

std::shared_ptr<Operation> CSession::getOperation(std::int32_t kind) {
  CWinMutexLock held = lock();
  const auto found = operations.find(kind);
  return found != operations.end() ? found->second : nullptr;
}

void CSession::setOperation(std::int32_t kind, std::shared_ptr<Operation> operation) {
  std::shared_ptr<Operation> previous;  // ends after the mutex is given up
  CWinMutexLock held = lock();
  std::shared_ptr<Operation>& slotOfKind = operations[kind];
  previous = std::move(slotOfKind);
  slotOfKind = std::move(operation);
}

void CSession::removeOperation(std::int32_t kind) {
  std::shared_ptr<Operation> previous;
  CWinMutexLock held = lock();
  const auto found = operations.find(kind);
  if (found == operations.end()) return;
  previous = std::move(found->second);
  operations.erase(found);
}

void CSession::setPin(const CByteBuffer& newPin) {
  CSecureBuffer blob;
  if (!newPin.empty()) {
    const CSecureBuffer clear(newPin.size(), newPin.data());
    // A PIN that cannot be protected is not kept at all.
    if (clear.size == newPin.size() && !protection.Protect(clear, blob)) blob.Clear();
  }
  CWinMutexLock held = lock();
  pin = std::move(blob);  // the old blob is wiped as it goes
}

CByteBuffer CSession::getPin() {
  CSecureBuffer blob;
  {
    CWinMutexLock held = lock();
    blob = pin;
  }
  if (blob.empty()) return CByteBuffer();
  CSecureBuffer clear;
  if (!protection.Unprotect(blob, clear) || clear.empty()) return CByteBuffer();
  return CByteBuffer(clear.size, clear.data);
}

CSessionRef::CSessionRef(std::shared_ptr<CSession> session) : session(std::move(session)) {
  if (this->session) this->session->acquire();
}

CSessionRef& CSessionRef::operator=(CSessionRef&& other) noexcept {
  if (this != &other) {
    reset();
    session = std::move(other.session);
  }
  return *this;
}

void CSessionRef::reset() noexcept {
  if (!session) return;
  session->release();
  session.reset();
}
