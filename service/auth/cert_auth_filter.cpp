#include "service/auth/cert_auth_filter.h"

#include <vector>

#include "foundation/core/secure_buffer.h"
#include "foundation/win/policy_id_property.h"
#include "policy/filters/cert_wrapper.h"
#include "service/auth/ncrypt_key_handle.h"

namespace luma::auth {
namespace {

using SelectFromStoreFn = PCCERT_CONTEXT(WINAPI*)(HCERTSTORE, HWND, LPCWSTR, LPCWSTR, DWORD, DWORD, void*);

// MinGW has no import library for the dialog's module: it is loaded when first needed.
PCCERT_CONTEXT SystemSelectionDialog(HCERTSTORE store, HWND owner, const std::wstring& title,
                                     const std::wstring& prompt) {
  const CModuleHandle module(LoadLibraryW(L"cryptui.dll"));
  if (!module) return nullptr;
  const auto select = reinterpret_cast<SelectFromStoreFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(module.get(), "CryptUIDlgSelectCertificateFromStore")));
  if (select == nullptr) return nullptr;
  return select(store, owner, title.c_str(), prompt.c_str(), kHiddenSelectionColumns, 0, nullptr);
}

bool SignWithNCryptKey(NCRYPT_KEY_HANDLE key, CSecureBuffer& signature) {
  BCRYPT_PKCS1_PADDING_INFO padding{BCRYPT_SHA1_ALGORITHM};
  BYTE hash[20] = {};
  DWORD written = 0;
  return NCryptSignHash(key, &padding, hash, sizeof hash, signature.data, signature.size, &written,
                        BCRYPT_PAD_PKCS1) == 0;
}

bool SignWithCryptoApiKey(HCRYPTPROV provider, DWORD keySpec, CSecureBuffer& signature) {
  CCryptHashHandle hash;
  if (!CryptCreateHash(provider, CALG_SHA1, 0, 0, hash.put())) return false;
  DWORD length = signature.size;
  return CryptSignHashW(hash.get(), keySpec, nullptr, 0, signature.data, &length) != FALSE;
}

}  // namespace

bool HasProvisionedMark(PCCERT_CONTEXT certificate) {
  DWORD size = 0;
  return luma::ReadPolicyIdProperty(certificate, nullptr, &size) && size > 0;
}

DWORD TestSignatureBufferSize(DWORD publicKeyBits) {
  const DWORD keyBytes = publicKeyBits < 8 ? 2048 : publicKeyBits / 8;
  return 2 * keyBytes;
}

bool CanSignSilently(PCCERT_CONTEXT certificate) {
  try {
    HCRYPTPROV_OR_NCRYPT_KEY_HANDLE key = 0;
    DWORD keySpec = 0;
    BOOL callerFrees = FALSE;
    if (!CryptAcquireCertificatePrivateKey(certificate,
                                           CRYPT_ACQUIRE_PREFER_NCRYPT_KEY_FLAG | CRYPT_ACQUIRE_SILENT_FLAG,
                                           nullptr, &key, &keySpec, &callerFrees)) {
      return false;
    }
    const DWORD bits =
        CertGetPublicKeyLength(X509_ASN_ENCODING, &certificate->pCertInfo->SubjectPublicKeyInfo);
    // Zero-filled: the signature lands in a wiped buffer whatever the key writes.
    CSecureBuffer signature(TestSignatureBufferSize(bits));
    if (keySpec == CERT_NCRYPT_KEY_SPEC) {
      CNCryptKeyHandle owned(callerFrees ? key : 0);
      return SignWithNCryptKey(key, signature);
    }
    CCryptProviderHandle owned(callerFrees ? key : 0);
    return SignWithCryptoApiKey(key, keySpec, signature);
  } catch (...) {
    return false;
  }
}

}  // namespace luma::auth

CCertAuthFilter::CCertAuthFilter(HWND owner, std::wstring title, std::wstring prompt)
    : owner(owner),
      title(std::move(title)),
      prompt(std::move(prompt)),
      selectionDialog(luma::auth::SystemSelectionDialog),
      isProvisioned(luma::auth::HasProvisionedMark) {}

// The chosen context goes before the store it came from.
CCertAuthFilter::~CCertAuthFilter() { chosen.reset(); }

bool CCertAuthFilter::SelectCertificate(DWORD location, const std::wstring& name,
                                        const CCertificateFilter& filter, const std::wstring& remembered,
                                        bool silent) {
  chosen.reset();
  if (!store) {
    store.reset(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, X509_ASN_ENCODING, 0,
                              location | luma::auth::kAuthStoreOpenFlags, name.c_str()));
    if (!store) return false;
  }

  // Candidates not chosen are freed with the vector, whichever way this returns.
  std::vector<luma::CCertContextHandle> candidates;
  PCCERT_CONTEXT current = nullptr;
  while ((current = CertEnumCertificatesInStore(store.get(), current)) != nullptr) {
    if (isProvisioned(current)) continue;
    CCertWrapper wrapper(current);
    if (filter.Match(&wrapper)) candidates.emplace_back(CertDuplicateCertificateContext(current));
  }
  if (candidates.empty()) return false;

  if (candidates.size() == 1) {
    chosen = std::move(candidates.front());
    if (!silent || HasUsablePrivateKey()) return true;
    chosen.reset();
    return false;
  }

  if (!remembered.empty()) {
    for (auto& candidate : candidates) {
      WString fingerprint;
      CCertWrapper(candidate.get()).GetFingerprint(fingerprint);
      if (!fingerprint.empty() && _wcsicmp(fingerprint.c_str(), remembered.c_str()) == 0) {
        chosen = std::move(candidate);
        return true;
      }
    }
  }
  if (silent) return false;

  chosen.reset(ShowSelectionDialog(candidates));
  return static_cast<bool>(chosen);
}

PCCERT_CONTEXT CCertAuthFilter::ShowSelectionDialog(std::vector<luma::CCertContextHandle>& candidates) {
  const luma::CCertStoreHandle memory(
      CertOpenStore(CERT_STORE_PROV_MEMORY, X509_ASN_ENCODING, 0, luma::auth::kCandidateStoreFlags, nullptr));
  if (!memory) return nullptr;
  for (const auto& candidate : candidates) {
    CertAddCertificateContextToStore(memory.get(), candidate.get(), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  }
  candidates.clear();
  try {
    return selectionDialog(memory.get(), owner, title, prompt);
  } catch (...) {
    return nullptr;  // a failing dialog is no choice
  }
}

bool CCertAuthFilter::HasUsablePrivateKey() const {
  if (!chosen) return true;
  return luma::auth::CanSignSilently(chosen.get());
}

std::wstring CCertAuthFilter::GetFingerprint() const {
  WString fingerprint;
  if (chosen) CCertWrapper(chosen.get()).GetFingerprint(fingerprint);
  return fingerprint;
}
