// The client of the remote signing service: liveness, the account's signed policy, PIN checks and
// changes, PKCS#1 v1.5 signatures and raw RSA decryptions. The parameters of the PIN-bearing calls
// travel DER-encoded and enveloped for the service's encryption certificate; a decryption comes
// back enveloped for the user's data exchange key. One client per sequence of calls, on one thread.
#ifndef LUMA_SERVICE_VAULT_VAULT_CORE_SOAP_CLIENT_H_
#define LUMA_SERVICE_VAULT_VAULT_CORE_SOAP_CLIENT_H_

#include <windows.h>

#include <memory>
#include <string>

#include "foundation/core/secure_buffer.h"
#include "foundation/win/unique_handle.h"
#include "service/soap/soap_secure_wininet_client.h"
#include "service/vault/vault_core_proxy.h"
#include "service/vault/web_service_exception.h"

class CMessageEncryption;
class CServiceConfig;

class CVaultCoreSOAPClient {
 public:
  // How long a decryption call waits for the data exchange key before it gives up.
  static constexpr DWORD kExchangeKeyWaitMilliseconds = 5000;

  // serviceCertificate (DER) may be empty, messageEncryption null; the calls that need them fail.
  CVaultCoreSOAPClient(const CServiceConfig& config, const CSecureBuffer& serviceCertificate,
                       std::shared_ptr<CMessageEncryption> messageEncryption);
  virtual ~CVaultCoreSOAPClient() = default;
  CVaultCoreSOAPClient(const CVaultCoreSOAPClient&) = delete;
  CVaultCoreSOAPClient& operator=(const CVaultCoreSOAPClient&) = delete;

  // Each throws CSOAPServiceException when the exchange fails. The others return a status code
  // (0 OK, 1 INVALID_PIN, 2 BLOCKED, 3 INVALID_KEY_USAGE, 4 PIN_POLICY_VIOLATION); another status
  // throws CSOAPServiceException (500, ERROR_INVALID_PARAMETER, the status text).
  bool IsAlive();
  void GetPolicy(CSecureBuffer& policy);
  int VerifyPin(const std::wstring& alias, const CSecureBuffer& pin, int& remainingTries);
  int ChangePin(const std::wstring& alias, const CSecureBuffer& oldPin, const CSecureBuffer& newPin,
                int& remainingTries);
  int RsaPkcs1Sign(const std::wstring& alias, const CSecureBuffer& pin, const CSecureBuffer& data,
                   CSecureBuffer& signature);
  // Needs the data exchange key: none throws CWindowsException(ERROR_EVT_UNRESOLVED_VALUE_INSERT
  // 6001); a key still missing after kExchangeKeyWaitMilliseconds throws with its status.
  int RsaRawDecrypt(const std::wstring& alias, const CSecureBuffer& pin, const CSecureBuffer& data,
                    CSecureBuffer& plain);

  // Envelopes the DER parameters for the service certificate; throws CWindowsException.
  void EncryptParameters(const CSecureBuffer& plain, CSecureBuffer& enveloped);
  static bool ParseStatus(const std::wstring& text, int& code);
  [[noreturn]] void ThrowServiceError();

  // Callers set the cookie and the TLS client certificate on it before a call.
  VaultCore::CVaultCoreT<CSoapSecureWininetClient> proxy;

 private:
  // Posts the enveloped parameters by the operation; throws on a failed exchange.
  void Send(HRESULT (VaultCore::CVaultCoreT<CSoapSecureWininetClient>::*operation)(const CSecureBuffer&),
            const CSecureBuffer& derElements);
  // The status code of the last answer; throws for one outside the table.
  int StatusCode();

  luma::CCertContextHandle serviceCertificate;
  std::shared_ptr<CMessageEncryption> messageEncryption;
};

#endif  // LUMA_SERVICE_VAULT_VAULT_CORE_SOAP_CLIENT_H_
