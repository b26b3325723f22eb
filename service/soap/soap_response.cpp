// What the transport reads of the last response: status, headers, body and the server's issuer.
#include <array>
#include <new>

#include "foundation/core/platform.h"
#include "foundation/win/debug_log.h"
#include "foundation/win/unique_handle.h"
#include "service/core/soap_fingerprint.h"
#include "service/core/soap_secret_text.h"
#include "service/soap/response_stream.h"
#include "service/soap/soap_secure_wininet_client.h"

using namespace luma::service;

namespace {

constexpr DWORD kStatusTextBufferBytes = 8192;
constexpr DWORD kCookieBufferBytes = 5000;
constexpr DWORD kLocationBufferBytes = 5000;
constexpr DWORD kReadChunkBytes = 1024;
constexpr DWORD kMaxIssuerNameCharacters = 4096;
constexpr DWORD kSha1Bytes = 20;
// INTERNET_OPTION_SERVER_CERT_CHAIN_CONTEXT, missing from MinGW's wininet.h.
constexpr DWORD kOptionServerCertChainContext = 105;

using luma::CCertChainHandle;

// The certificate of the CA that issued the server certificate: the second element of the first
// simple chain that has two. Null when there is none; valid as long as the chain.
PCCERT_CONTEXT FindIssuer(const CCertChainHandle& chain) {
  if (!chain) return nullptr;
  for (DWORD i = 0; i < chain.get()->cChain; ++i) {
    const CERT_SIMPLE_CHAIN* simple = chain.get()->rgpChain[i];
    if (simple != nullptr && simple->cElement >= 2 && simple->rgpElement[1] != nullptr) {
      return simple->rgpElement[1]->pCertContext;
    }
  }
  return nullptr;
}

}  // namespace

DWORD CSoapSecureWininetClient::GetStatusCode() const {
  if (!m_request) return 0;
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!HttpQueryInfoW(m_request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                      nullptr)) {
    return 0;
  }
  return status;
}

std::wstring CSoapSecureWininetClient::QueryHeader(DWORD query, DWORD bufferBytes) const {
  if (!m_request) return std::wstring();
  std::vector<wchar_t> buffer(bufferBytes / sizeof(wchar_t), L'\0');
  DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  DWORD index = 0;
  std::wstring value;
  if (HttpQueryInfoW(m_request.get(), query, buffer.data(), &size, &index)) {
    value.assign(buffer.data(), std::min<size_t>(size / sizeof(wchar_t), buffer.size()));
  }
  luma::SecureWipe(buffer.data(), buffer.size() * sizeof(wchar_t));
  return value;
}

std::wstring CSoapSecureWininetClient::GetStatusText() const {
  return QueryHeader(HTTP_QUERY_STATUS_TEXT, kStatusTextBufferBytes);
}

std::wstring CSoapSecureWininetClient::GetSetCookieHeader() const {
  return QueryHeader(HTTP_QUERY_SET_COOKIE, kCookieBufferBytes);
}

std::wstring CSoapSecureWininetClient::GetLocationHeader() const {
  return QueryHeader(HTTP_QUERY_LOCATION, kLocationBufferBytes);
}

std::string CSoapSecureWininetClient::ReadResponseBody() {
  std::string body;
  if (!m_request) return body;
  std::array<char, kReadChunkBytes> chunk;
  bool tooLong = false;
  DWORD read = 0;
  while (InternetReadFile(m_request.get(), chunk.data(), kReadChunkBytes, &read) && read != 0) {
    if (body.size() + read > kMaxResponseBodyBytes) {
      tooLong = true;
      break;
    }
    AppendWiping(body, std::string_view(chunk.data(), read));
  }
  luma::SecureWipe(chunk.data(), chunk.size());
  if (tooLong) {
    CDebugLog::Log(LOG_ERROR, L"Response body longer than %u bytes, not read",
                   static_cast<unsigned>(kMaxResponseBodyBytes));
    WipeText(body);
  }
  return body;
}

Microsoft::WRL::ComPtr<IStream> CSoapSecureWininetClient::GetReadStream() {
  try {
    return MakeResponseStream(ReadResponseBody());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::wstring CSoapSecureWininetClient::GetServerIssuerFingerprint() const {
  if (!m_request) return std::wstring();
  CCertChainHandle chain;
  DWORD size = sizeof(PCCERT_CHAIN_CONTEXT);
  if (!InternetQueryOptionW(m_request.get(), kOptionServerCertChainContext, chain.put(), &size))
    return std::wstring();
  const PCCERT_CONTEXT issuer = FindIssuer(chain);
  return issuer != nullptr ? GetCertificateFingerprint(issuer->pbCertEncoded, issuer->cbCertEncoded)
                           : std::wstring();
}

std::wstring CSoapSecureWininetClient::GetServerIssuerName() const {
  if (!m_request) return std::wstring();
  CCertChainHandle chain;
  DWORD size = sizeof(PCCERT_CHAIN_CONTEXT);
  if (!InternetQueryOptionW(m_request.get(), kOptionServerCertChainContext, chain.put(), &size))
    return std::wstring();
  const PCCERT_CONTEXT issuer = FindIssuer(chain);
  if (issuer == nullptr) return std::wstring();
  const DWORD type = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG;
  CERT_NAME_BLOB* subject = &issuer->pCertInfo->Subject;
  const DWORD needed = CertNameToStrW(X509_ASN_ENCODING, subject, type, nullptr, 0);
  if (needed <= 1 || needed > kMaxIssuerNameCharacters) return std::wstring();
  std::vector<wchar_t> name(needed, L'\0');
  const DWORD written = CertNameToStrW(X509_ASN_ENCODING, subject, type, name.data(), needed);
  if (written <= 1 || written > needed) return std::wstring();
  return std::wstring(name.data(), written - 1);
}

std::wstring CSoapSecureWininetClient::GetCertificateFingerprint(const BYTE* encoded, DWORD length) {
  luma::CCryptProviderHandle provider;
  luma::CCryptHashHandle hash;
  BYTE digest[kSha1Bytes];
  DWORD digestSize = sizeof digest;
  if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) ||
      !CryptCreateHash(provider.get(), CALG_SHA1, 0, 0, hash.put()) ||
      !CryptHashData(hash.get(), encoded, length, 0) ||
      !CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &digestSize, 0) || digestSize != kSha1Bytes) {
    return std::wstring();
  }
  return HexLower(digest, digestSize);
}
