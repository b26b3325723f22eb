#include "service/exchange/message_encryption.h"

#include <wincrypt.h>

#include "foundation/win/unique_handle.h"
#include "service/core/thread_stacks.h"
#include "service/exchange/exchange_key.h"
#include "service/exchange/message_envelope.h"

const wchar_t CMessageEncryption::kContainerName[] = L"luma-Pass V Data Exchange Key";

// What the worker shares with its owner. The owner may go while the worker still runs: it then
// sets `cancelled`, and the worker, which holds its own reference, hands nothing over.
struct CMessageEncryption::WorkerRecord {
  CMessageEncryption* owner = nullptr;
  std::wstring containerName;
  CMutexObj lock;  // guards cancelled
  bool cancelled = false;
  luma::CKernelHandle finished;  // manual-reset event, set when the worker is done
};

CMessageEncryption::CMessageEncryption() : CMessageEncryption(kContainerName) {}

CMessageEncryption::CMessageEncryption(const std::wstring& containerName) : containerName(containerName) {
  StartWorker();
}

void CMessageEncryption::StartWorker() {
  auto record = std::make_shared<WorkerRecord>();
  record->owner = this;
  record->containerName = containerName;
  record->finished.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!record->finished) {
    status = GetLastError();
    return;
  }
  workerRecord = record;
  // The thread owns one reference through this heap copy of the pointer.
  auto argument = std::make_unique<std::shared_ptr<WorkerRecord>>(record);
  luma::CKernelHandle thread(CreateThread(nullptr, luma::service::kBackgroundThreadStackBytes,
                                          CreateKeyThread, argument.get(), STACK_SIZE_PARAM_IS_A_RESERVATION,
                                          nullptr));
  if (!thread) {
    status = GetLastError();
    workerRecord.reset();
    return;
  }
  (void)argument.release();  // now the thread's; the handle is not needed: waits use the event
}

CMessageEncryption::~CMessageEncryption() {
  std::shared_ptr<WorkerRecord> record;
  {
    CMutexObjLock lock(*this);
    record = workerRecord;
  }
  if (!record) return;
  // Same order as the worker's hand-over: the record's lock, then the object's. The worker is
  // not stopped by force: it may hold the provider's or the heap's locks, and it ends on its own.
  CMutexObjLock recordLock(record->lock);
  record->cancelled = true;
  CMutexObjLock lock(*this);
  workerRecord.reset();
}

DWORD WINAPI CMessageEncryption::CreateKeyThread(LPVOID argument) {
  std::unique_ptr<std::shared_ptr<WorkerRecord>> owned(static_cast<std::shared_ptr<WorkerRecord>*>(argument));
  const std::shared_ptr<WorkerRecord> record = std::move(*owned);
  owned.reset();
  RunKeyWorker(record);
  SetEvent(record->finished.get());
  return 0;
}

void CMessageEncryption::RunKeyWorker(const std::shared_ptr<WorkerRecord>& record) noexcept {
  DWORD error = ERROR_INTERNAL_ERROR;
  luma::CCertContextHandle made;
  CSecureBuffer bytes;
  luma::service::IssuerAndSerial id;
  try {
    error = luma::service::PrepareExchangeKey(record->containerName, made);
    if (error == ERROR_SUCCESS) {
      bytes = CSecureBuffer(made.get()->cbCertEncoded, made.get()->pbCertEncoded);
      error = bytes.size == made.get()->cbCertEncoded
                  ? luma::service::EnvelopeFaultError(
                        luma::service::ReadCertificateIssuerAndSerial(bytes.data, bytes.size, id))
                  : ERROR_NOT_ENOUGH_MEMORY;
    }
  } catch (...) {
    error = ERROR_INTERNAL_ERROR;
  }
  CMutexObjLock recordLock(record->lock);
  if (!record->cancelled) record->owner->HandOver(error, std::move(bytes), std::move(id));
}

void CMessageEncryption::HandOver(DWORD error, CSecureBuffer&& bytes,
                                  luma::service::IssuerAndSerial&& id) noexcept {
  CMutexObjLock lock(*this);
  if (error == ERROR_SUCCESS) {
    certificate = std::move(bytes);
    certificateId = std::move(id);
  }
  status = error;
  workerRecord.reset();
}

CSecureBuffer CMessageEncryption::GetCertificate() {
  CMutexObjLock lock(*this);  // the worker may be handing the bytes over right now
  return certificate;
}

DWORD CMessageEncryption::WaitForKey(DWORD milliseconds) {
  std::shared_ptr<WorkerRecord> record;
  {
    CMutexObjLock lock(*this);
    record = workerRecord;
  }
  if (record) WaitForSingleObject(record->finished.get(), milliseconds);
  CMutexObjLock lock(*this);
  return status;
}

DWORD CMessageEncryption::Decrypt(const CSecureBuffer& enveloped, CSecureBuffer& plain) {
  plain.Clear();
  try {
    const DWORD state = WaitForKey(kDecryptWaitMilliseconds);
    if (state != ERROR_SUCCESS) return state;
    luma::service::IssuerAndSerial self;
    {
      CMutexObjLock lock(*this);
      self = certificateId;
    }
    luma::CCryptProviderHandle container;
    const DWORD error = luma::service::OpenExchangeKeyContainer(containerName, container);
    if (error != ERROR_SUCCESS) return error;
    return luma::service::DecryptEnvelope(enveloped, self, container.get(), plain);
  } catch (...) {
    plain.Clear();
    return ERROR_INTERNAL_ERROR;
  }
}
