// The data exchange key of lumaPassV: a key pair of its own with which the remote signing service
// returns secret results, enveloped for a certificate the client sent along. The key lives in a
// per-user key container and survives restarts; the self-signed certificate is made anew at each
// start and kept in memory. Both are prepared on a background thread that starts with the object,
// so start-up never waits for key generation.
#ifndef LUMA_SERVICE_EXCHANGE_MESSAGE_ENCRYPTION_H_
#define LUMA_SERVICE_EXCHANGE_MESSAGE_ENCRYPTION_H_

#include <windows.h>

#include <memory>
#include <string>

#include "foundation/core/mutex_obj.h"
#include "foundation/core/secure_buffer.h"
#include "service/core/enveloped_data.h"

class CMessageEncryption : public CMutexObj {
 public:
  static const wchar_t kContainerName[];                   // "luma-Pass V Data Exchange Key"
  static constexpr DWORD kDecryptWaitMilliseconds = 5000;  // how long Decrypt waits for the key

  CMessageEncryption();
  // The key in another container, so that tests never touch the user's own.
  explicit CMessageEncryption(const std::wstring& containerName);
  ~CMessageEncryption() override;

  // The DER certificate as it is now: empty while the key is being prepared or after that failed.
  CSecureBuffer GetCertificate();

  // Opens an envelope addressed to the certificate with the exchange key, waiting up to
  // kDecryptWaitMilliseconds for the key first. 0, or: ERROR_BUSY while the key is still being
  // prepared, the error that stopped the preparation, the envelope's error (see message_envelope.h),
  // ERROR_INTERNAL_ERROR for an exception. plain is empty unless the result is 0.
  DWORD Decrypt(const CSecureBuffer& enveloped, CSecureBuffer& plain);

  // Waits up to `milliseconds` for the preparation and returns its state: 0 when the key is ready,
  // ERROR_BUSY while it is still being prepared, otherwise the error that stopped it.
  DWORD WaitForKey(DWORD milliseconds);

 private:
  struct WorkerRecord;

  static DWORD WINAPI CreateKeyThread(LPVOID argument);
  static void RunKeyWorker(const std::shared_ptr<WorkerRecord>& record) noexcept;
  // Called by the worker under its record's lock: the record's lock, then the object's, always.
  void HandOver(DWORD error, CSecureBuffer&& bytes, luma::service::IssuerAndSerial&& id) noexcept;
  void StartWorker();

  const std::wstring containerName;
  CSecureBuffer certificate;
  luma::service::IssuerAndSerial certificateId;  // how envelopes name the certificate
  DWORD status = ERROR_BUSY;
  std::shared_ptr<WorkerRecord> workerRecord;  // shared with the worker; empty once it has handed over
};

#endif  // LUMA_SERVICE_EXCHANGE_MESSAGE_ENCRYPTION_H_
