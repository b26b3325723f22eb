#include "service/vault/vault_core_soap_client.h"

#include "foundation/core/platform.h"
#include "foundation/win/windows_exception.h"
#include "policy/config/service_config.h"
#include "service/core/vault_parameters.h"
#include "service/exchange/message_encryption.h"
#include "service/exchange/message_envelope.h"

using luma::service::CVaultResponseFields;

namespace {

// SCARD_E_CERTIFICATE_UNAVAILABLE: the code the callers know for "no service certificate".
constexpr DWORD kNoServiceCertificate = 0x8010002D;
// ERROR_EVT_UNRESOLVED_VALUE_INSERT: the code the callers know for "no data exchange key object".
constexpr DWORD kNoExchangeKeyObject = 6001;

// The status text of an answer as wide text (UTF-8 from the service).
std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::wstring(text.begin(), text.end());
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

void Check(bool encoded) {
  if (!encoded) throw CWindowsException(ERROR_INVALID_DATA);
}

}  // namespace

CVaultCoreSOAPClient::CVaultCoreSOAPClient(const CServiceConfig& config, const CSecureBuffer& certificate,
                                           std::shared_ptr<CMessageEncryption> encryption)
    : messageEncryption(std::move(encryption)) {
  if (!certificate.empty()) {
    serviceCertificate.reset(
        CertCreateCertificateContext(X509_ASN_ENCODING, certificate.data, certificate.size));
  }
  ConfigureSoapClient(config, proxy);
}

bool CVaultCoreSOAPClient::ParseStatus(const std::wstring& text, int& code) {
  std::string narrow;
  for (const wchar_t c : text) {
    if (c > 0x7F) return false;
    narrow.push_back(static_cast<char>(c));
  }
  return luma::service::ParseVaultStatus(narrow, code);
}

void CVaultCoreSOAPClient::ThrowServiceError() {
  const DWORD status = proxy.GetStatusCode();
  std::wstring text;
  const DWORD code = proxy.GetErrorText(text);
  CSOAPServiceException failure(static_cast<std::int32_t>(status), static_cast<std::int32_t>(code), text);
  if (status >= 300 && status <= 399) failure.SetExtra(proxy.GetLocationHeader());
  throw failure;
}

void CVaultCoreSOAPClient::EncryptParameters(const CSecureBuffer& plain, CSecureBuffer& enveloped) {
  enveloped.Clear();
  if (!serviceCertificate) throw CWindowsException(kNoServiceCertificate);
  CSecureBuffer envelope;
  const DWORD error = luma::service::EncryptEnvelope(serviceCertificate.get(), plain, envelope);
  if (error != 0) throw CWindowsException(error);
  enveloped = std::move(envelope);
}

void CVaultCoreSOAPClient::Send(
    HRESULT (VaultCore::CVaultCoreT<CSoapSecureWininetClient>::*operation)(const CSecureBuffer&),
    const CSecureBuffer& derElements) {
  CSecureBuffer sequence;
  Check(luma::service::WrapSequence(derElements, sequence));
  CSecureBuffer enveloped;
  EncryptParameters(sequence, enveloped);
  if ((proxy.*operation)(enveloped) != S_OK) ThrowServiceError();
}

int CVaultCoreSOAPClient::StatusCode() {
  const std::string& status = proxy.Response().Text("status");
  if (luma::service::IsVaultStatusOk(status)) return luma::service::kVaultStatusOk;
  int code = 0;
  if (!luma::service::ParseVaultStatus(status, code)) {
    throw CSOAPServiceException(500, ERROR_INVALID_PARAMETER, Widen(status));
  }
  return code;
}

bool CVaultCoreSOAPClient::IsAlive() {
  if (proxy.IsAlive() != S_OK) ThrowServiceError();
  return true;
}

void CVaultCoreSOAPClient::GetPolicy(CSecureBuffer& policy) {
  policy.Clear();
  if (proxy.GetPolicy() != S_OK) ThrowServiceError();
  CSecureBuffer bytes;
  if (!proxy.Response().Bytes("policy", bytes)) {
    proxy.SetErrorState(luma::service::kSoapParseFailed);
    ThrowServiceError();
  }
  policy = std::move(bytes);
}

namespace {

// remainingTries as sent; a missing or malformed number reads as 0.
int RemainingTries(const CVaultResponseFields& response) {
  std::int32_t tries = 0;
  return response.Int32("remainingTries", tries) ? tries : 0;
}

}  // namespace

int CVaultCoreSOAPClient::VerifyPin(const std::wstring& alias, const CSecureBuffer& pin,
                                    int& remainingTries) {
  CSecureBuffer elements;
  Check(luma::service::AppendIa5String(alias, elements) && luma::service::AppendUtf8String(pin, elements));
  Send(&VaultCore::CVaultCoreT<CSoapSecureWininetClient>::VerifyPin, elements);
  const int code = StatusCode();
  remainingTries = RemainingTries(proxy.Response());
  return code;
}

int CVaultCoreSOAPClient::ChangePin(const std::wstring& alias, const CSecureBuffer& oldPin,
                                    const CSecureBuffer& newPin, int& remainingTries) {
  CSecureBuffer elements;
  Check(luma::service::AppendIa5String(alias, elements) &&
        luma::service::AppendUtf8String(oldPin, elements) &&
        luma::service::AppendUtf8String(newPin, elements));
  Send(&VaultCore::CVaultCoreT<CSoapSecureWininetClient>::ChangePin, elements);
  const int code = StatusCode();
  remainingTries = RemainingTries(proxy.Response());
  return code;
}

int CVaultCoreSOAPClient::RsaPkcs1Sign(const std::wstring& alias, const CSecureBuffer& pin,
                                       const CSecureBuffer& data, CSecureBuffer& signature) {
  signature.Clear();
  CSecureBuffer elements;
  Check(luma::service::AppendIa5String(alias, elements) && luma::service::AppendUtf8String(pin, elements) &&
        luma::service::AppendOctetString(data, elements));
  Send(&VaultCore::CVaultCoreT<CSoapSecureWininetClient>::RsaPkcs1Sign, elements);
  const int code = StatusCode();
  CSecureBuffer bytes;
  if (!proxy.Response().Bytes("signature", bytes)) {
    proxy.SetErrorState(luma::service::kSoapParseFailed);
    ThrowServiceError();
  }
  signature = std::move(bytes);
  return code;
}

int CVaultCoreSOAPClient::RsaRawDecrypt(const std::wstring& alias, const CSecureBuffer& pin,
                                        const CSecureBuffer& data, CSecureBuffer& plain) {
  plain.Clear();
  if (!messageEncryption) throw CWindowsException(kNoExchangeKeyObject);
  // The service can envelope its answer only for a certificate: wait for the key as Decrypt
  // does, and refuse the call while there is none.
  const DWORD keyState = messageEncryption->WaitForKey(kExchangeKeyWaitMilliseconds);
  if (keyState != 0) throw CWindowsException(keyState);
  const CSecureBuffer exchangeCertificate = messageEncryption->GetCertificate();
  if (exchangeCertificate.empty()) throw CWindowsException(ERROR_BUSY);

  CSecureBuffer elements;
  Check(luma::service::AppendIa5String(alias, elements) && luma::service::AppendUtf8String(pin, elements) &&
        luma::service::AppendOctetString(data, elements) &&
        luma::service::AppendOctetString(exchangeCertificate, elements));
  Send(&VaultCore::CVaultCoreT<CSoapSecureWininetClient>::RsaRawDecrypt, elements);
  const int code = StatusCode();
  if (code != luma::service::kVaultStatusOk) return code;
  CSecureBuffer envelope;
  if (!proxy.Response().Bytes("encResponse", envelope)) {
    proxy.SetErrorState(luma::service::kSoapParseFailed);
    ThrowServiceError();
  }
  CSecureBuffer decrypted;
  const DWORD error = messageEncryption->Decrypt(envelope, decrypted);
  if (error != 0) throw CWindowsException(error);
  plain = std::move(decrypted);
  return code;
}
