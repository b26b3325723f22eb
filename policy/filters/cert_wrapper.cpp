#include "policy/filters/cert_wrapper.h"

#include <string>
#include <vector>

#include "foundation/core/der_structures.h"
#include "foundation/core/secure_buffer.h"
#include "foundation/core/string_utils.h"
#include "foundation/win/der_helpers.h"

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr DWORD kX500ReverseFormat = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG;
constexpr DWORD kSha1Length = 20;

// Decodes an extension's value into a zero-filled heap block of the size the platform asks for.
bool DecodeExtension(const CERT_EXTENSION& extension, LPCSTR structType, CSecureBuffer& decoded) {
  DWORD size = 0;
  if (!CryptDecodeObject(kEncoding, structType, extension.Value.pbData, extension.Value.cbData, 0, nullptr,
                         &size) ||
      size == 0) {
    return false;
  }
  CSecureBuffer block(size);
  if (block.empty()) return false;
  if (!CryptDecodeObject(kEncoding, structType, extension.Value.pbData, extension.Value.cbData, 0, block.data,
                         &size)) {
    return false;
  }
  decoded = std::move(block);
  return true;
}

const CERT_EXTENSION* FindExtension(PCCERT_CONTEXT certificate, LPCSTR oid) {
  if (certificate == nullptr || certificate->pCertInfo == nullptr) return nullptr;
  const CERT_INFO* info = certificate->pCertInfo;
  return CertFindExtension(oid, info->cExtension, info->rgExtension);
}

WString ReadAuthorityKeyIdentifier(PCCERT_CONTEXT certificate) {
  CSecureBuffer decoded;
  if (const CERT_EXTENSION* current = FindExtension(certificate, szOID_AUTHORITY_KEY_IDENTIFIER2)) {
    if (!DecodeExtension(*current, X509_AUTHORITY_KEY_ID2, decoded)) return WString();
    const auto* aki = reinterpret_cast<const CERT_AUTHORITY_KEY_ID2_INFO*>(decoded.data);
    return luma::BytesToHex(aki->KeyId.pbData, aki->KeyId.cbData);
  }
  if (const CERT_EXTENSION* older = FindExtension(certificate, szOID_AUTHORITY_KEY_IDENTIFIER)) {
    if (!DecodeExtension(*older, X509_AUTHORITY_KEY_ID, decoded)) return WString();
    const auto* aki = reinterpret_cast<const CERT_AUTHORITY_KEY_ID_INFO*>(decoded.data);
    return luma::BytesToHex(aki->KeyId.pbData, aki->KeyId.cbData);
  }
  return WString();
}

WString NameToString(PCCERT_CONTEXT certificate, bool issuer) {
  if (certificate == nullptr || certificate->pCertInfo == nullptr) return WString();
  CERT_NAME_BLOB* name = issuer ? &certificate->pCertInfo->Issuer : &certificate->pCertInfo->Subject;
  const DWORD count = CertNameToStrW(kEncoding, name, kX500ReverseFormat, nullptr, 0);
  if (count == 0) return WString();
  // A zero-filled block with room for one more character, wiped when it goes.
  CSecureBuffer text((count + 1) * sizeof(WCHAR));
  if (text.empty()) return WString();
  CertNameToStrW(kEncoding, name, kX500ReverseFormat, reinterpret_cast<LPWSTR>(text.data), count);
  return WString(reinterpret_cast<const WCHAR*>(text.data));
}

// The first principal name read by the portable reader: some platform decoders refuse an
// alternative-name extension holding an otherName and report no name at all.
WString FallbackUserPrincipalName(PCCERT_CONTEXT certificate) {
  const CERT_EXTENSION* extension = FindExtension(certificate, szOID_SUBJECT_ALT_NAME2);
  if (extension == nullptr) return WString();
  std::vector<luma::der::AltName> names;
  if (!luma::DecodeSubjectAltName(CSecureBuffer(extension->Value.cbData, extension->Value.pbData), names)) {
    return WString();
  }
  for (const auto& name : names) {
    if (name.choice == luma::der::kAltNameOtherName && name.oid == luma::der::kUpnOtherNameOid) {
      return name.text;
    }
  }
  return WString();
}

}  // namespace

void CCertWrapper::GetFingerprint(WString& fingerprint) const {
  fingerprint.clear();
  if (certificate_ == nullptr) return;
  BYTE hash[kSha1Length] = {};
  DWORD size = sizeof(hash);
  if (!CertGetCertificateContextProperty(certificate_, CERT_SHA1_HASH_PROP_ID, hash, &size)) return;
  fingerprint = luma::BytesToHex(hash, size);
}

const WString& CCertWrapper::GetAuthorityKeyIdentifier() {
  if (authorityKeyIdentifier_.empty()) {
    authorityKeyIdentifier_ = luma::ToUpperCase(ReadAuthorityKeyIdentifier(certificate_));
  }
  return authorityKeyIdentifier_;
}

bool CCertWrapper::LoadEnhancedKeyUsages() {
  enhancedKeyUsages_.clear();
  if (certificate_ == nullptr) return false;
  DWORD size = 0;
  if (!CertGetEnhancedKeyUsage(certificate_, CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, nullptr, &size)) {
    // Windows answers a certificate without the extension with an empty list; some platforms
    // fail the call instead. Both mean: no usages.
    return FindExtension(certificate_, szOID_ENHANCED_KEY_USAGE) == nullptr;
  }
  if (size < sizeof(CERT_ENHKEY_USAGE)) return size == 0;  // nothing to read
  CSecureBuffer block(size);
  if (block.empty()) return false;
  auto* usage = reinterpret_cast<PCERT_ENHKEY_USAGE>(block.data);
  if (!CertGetEnhancedKeyUsage(certificate_, CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, usage, &size))
    return false;
  for (DWORD i = 0; i < usage->cUsageIdentifier; ++i) {
    if (usage->rgpszUsageIdentifier[i] != nullptr) {
      enhancedKeyUsages_.insert(luma::NarrowToWide(usage->rgpszUsageIdentifier[i]));
    }
  }
  return true;
}

namespace luma::policy {

WString GetSubjectName(PCCERT_CONTEXT certificate) { return NameToString(certificate, false); }

WString GetIssuerName(PCCERT_CONTEXT certificate) { return NameToString(certificate, true); }

WString GetUserPrincipalName(PCCERT_CONTEXT certificate) {
  if (certificate == nullptr) return WString();
  const DWORD count = CertGetNameStringW(certificate, CERT_NAME_UPN_TYPE, 0, nullptr, nullptr, 0);
  if (count > 1) {
    CSecureBuffer text((count + 1) * sizeof(WCHAR));
    if (text.empty()) return WString();
    CertGetNameStringW(certificate, CERT_NAME_UPN_TYPE, 0, nullptr, reinterpret_cast<LPWSTR>(text.data),
                       count);
    WString name(reinterpret_cast<const WCHAR*>(text.data));
    if (!name.empty()) return name;
  }
  return FallbackUserPrincipalName(certificate);
}

}  // namespace luma::policy
