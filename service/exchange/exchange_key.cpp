#include "service/exchange/exchange_key.h"

#include <wincrypt.h>

#include "foundation/core/mutex_obj.h"
#include "foundation/core/secure_buffer.h"
#include "service/core/calendar_date.h"

namespace luma {
namespace service {

namespace {
constexpr char kSha256Rsa[] = "1.2.840.113549.1.1.11";

// Two preparations of one container at once could both find it empty and make two keys; within
// the process they take turns.
CMutexObj& PreparationLock() {
  static CMutexObj lock;
  return lock;
}

DWORD EnsureExchangeKey(const std::wstring& containerName) {
  CMutexObjLock lock(PreparationLock());
  CCryptProviderHandle provider;
  if (!CryptAcquireContextW(provider.put(), containerName.c_str(), nullptr, PROV_RSA_FULL, CRYPT_SILENT) &&
      !CryptAcquireContextW(provider.put(), containerName.c_str(), nullptr, PROV_RSA_FULL,
                            CRYPT_NEWKEYSET | CRYPT_SILENT)) {
    return GetLastError();
  }
  CCryptKeyHandle key;
  if (CryptGetUserKey(provider.get(), AT_KEYEXCHANGE, key.put())) return ERROR_SUCCESS;
  if (GetLastError() != static_cast<DWORD>(NTE_NO_KEY)) return GetLastError();
  if (!CryptGenKey(provider.get(), AT_KEYEXCHANGE, kExchangeKeyFlags, key.put())) return GetLastError();
  return ERROR_SUCCESS;
}

DWORD EncodeSubject(CSecureBuffer& name) {
  DWORD size = 0;
  if (!CertStrToNameW(X509_ASN_ENCODING, kExchangeKeySubject, CERT_X500_NAME_STR, nullptr, nullptr, &size,
                      nullptr)) {
    return GetLastError();
  }
  CSecureBuffer block(size);
  if (block.size != size) return ERROR_NOT_ENOUGH_MEMORY;
  if (!CertStrToNameW(X509_ASN_ENCODING, kExchangeKeySubject, CERT_X500_NAME_STR, nullptr, block.data, &size,
                      nullptr)) {
    return GetLastError();
  }
  name = CSecureBuffer(size, block.data);  // the second call may report fewer bytes
  if (name.size != size) return ERROR_NOT_ENOUGH_MEMORY;
  return ERROR_SUCCESS;
}

SYSTEMTIME YearsFrom(const SYSTEMTIME& now, int years) {
  const CalendarDate shifted = ShiftYears({now.wYear, now.wMonth, now.wDay}, years);
  SYSTEMTIME result = now;
  result.wYear = static_cast<WORD>(shifted.year);
  result.wDay = static_cast<WORD>(shifted.day);
  return result;
}
}  // namespace

DWORD OpenExchangeKeyContainer(const std::wstring& containerName, CCryptProviderHandle& provider) {
  if (!CryptAcquireContextW(provider.put(), containerName.c_str(), nullptr, PROV_RSA_AES, CRYPT_SILENT))
    return GetLastError();
  return ERROR_SUCCESS;
}

DWORD PrepareExchangeKey(const std::wstring& containerName, CCertContextHandle& certificate) {
  DWORD error = EnsureExchangeKey(containerName);
  if (error != ERROR_SUCCESS) return error;
  CSecureBuffer name;
  error = EncodeSubject(name);
  if (error != ERROR_SUCCESS) return error;

  CRYPT_KEY_PROV_INFO keyProvider = {};
  keyProvider.pwszContainerName = const_cast<LPWSTR>(containerName.c_str());
  keyProvider.dwProvType = PROV_RSA_FULL;
  keyProvider.dwKeySpec = AT_KEYEXCHANGE;
  CRYPT_ALGORITHM_IDENTIFIER signature = {};
  signature.pszObjId = const_cast<LPSTR>(kSha256Rsa);
  SYSTEMTIME now;
  GetSystemTime(&now);
  SYSTEMTIME notBefore = YearsFrom(now, -1);
  SYSTEMTIME notAfter = YearsFrom(now, 10);
  CERT_NAME_BLOB subject = {name.size, name.data};

  // The signature is made through the AES provider on the same container: the default provider of
  // the container's type lacks SHA-256 on some systems.
  CCryptProviderHandle signer;
  error = OpenExchangeKeyContainer(containerName, signer);
  if (error != ERROR_SUCCESS) return error;
  CCertContextHandle made(CertCreateSelfSignCertificate(signer.get(), &subject, 0, &keyProvider, &signature,
                                                        &notBefore, &notAfter, nullptr));
  if (!made) return GetLastError();
  certificate = std::move(made);
  return ERROR_SUCCESS;
}

}  // namespace service
}  // namespace luma
