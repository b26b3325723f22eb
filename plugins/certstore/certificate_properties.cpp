#include "plugins/certstore/certificate_properties.h"

namespace luma::certstore {

namespace {

class CSystemCertificateProperties final : public CCertificateProperties {
 public:
  bool Set(PCCERT_CONTEXT certificate, DWORD id, DWORD flags, const void* value) noexcept override {
    return CertSetCertificateContextProperty(certificate, id, flags, value) != FALSE;
  }

  bool Get(PCCERT_CONTEXT certificate, DWORD id, CSecureBuffer& value) noexcept override {
    value.Clear();
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(certificate, id, nullptr, &size) || size > kMaxPropertySize) {
      return false;
    }
    if (size == 0) return true;  // present with an empty value
    CSecureBuffer read(size);
    if (read.size != size || !CertGetCertificateContextProperty(certificate, id, read.data, &size) ||
        size > read.size) {
      return false;
    }
    read.size = size;
    value = std::move(read);  // moves the block: the key provider information's pointers stay valid
    return true;
  }
};

std::optional<WString> OptionalText(const wchar_t* text) {
  if (text == nullptr) return std::nullopt;
  return WString(text);
}

std::optional<CSecureBuffer> OptionalProperty(CCertificateProperties& properties, PCCERT_CONTEXT certificate,
                                              DWORD id) {
  CSecureBuffer value;
  if (!properties.Get(certificate, id, value)) return std::nullopt;
  return value;
}

// The key provider information lies in `value` with its strings behind the structure; every pointer
// must stay inside the value before it is followed.
bool InsideValue(const CSecureBuffer& value, const wchar_t* text) {
  if (text == nullptr) return true;
  const BYTE* start = reinterpret_cast<const BYTE*>(text);
  if (start < value.data || start >= value.data + value.size) return false;
  for (const BYTE* unit = start; unit + 1 < value.data + value.size; unit += 2) {
    if (unit[0] == 0 && unit[1] == 0) return true;
  }
  return false;
}

}  // namespace

CCertificateProperties& SystemCertificateProperties() noexcept {
  static CSystemCertificateProperties properties;
  return properties;
}

CertificateIdentity ReadIdentity(CCertificateProperties& properties, PCCERT_CONTEXT certificate) {
  CertificateIdentity identity;
  CSecureBuffer value;
  if (properties.Get(certificate, CERT_KEY_PROV_INFO_PROP_ID, value) &&
      value.size >= sizeof(CRYPT_KEY_PROV_INFO)) {
    const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(value.data);
    if (InsideValue(value, info->pwszContainerName) && InsideValue(value, info->pwszProvName)) {
      KeyProviderFields fields;
      fields.containerName = OptionalText(info->pwszContainerName);
      fields.providerName = OptionalText(info->pwszProvName);
      fields.keySpec = info->dwKeySpec;
      fields.providerType = info->dwProvType;
      identity.keyProvider = std::move(fields);
    }
  }
  identity.archived = OptionalProperty(properties, certificate, CERT_ARCHIVED_PROP_ID);
  // The mark compares by the account key it holds, written with or without a terminating zero.
  if (std::optional<CSecureBuffer> mark =
          OptionalProperty(properties, certificate, LUMAPASSV_POLICY_ID_PROP_ID)) {
    identity.accountKey = WideTextProperty(luma::AccountKeyFromPolicyIdValue(mark->data, mark->size));
  }
  identity.smartCardReader = OptionalProperty(properties, certificate, CERT_SMART_CARD_READER_PROP_ID);
  return identity;
}

CSecureBuffer GetSha1Hash(PCCERT_CONTEXT certificate) noexcept {
  BYTE hash[kSha1HashSize] = {};
  DWORD size = sizeof(hash);
  if (!CertGetCertificateContextProperty(certificate, CERT_SHA1_HASH_PROP_ID, hash, &size) ||
      size != kSha1HashSize) {
    return CSecureBuffer();
  }
  return CSecureBuffer(size, hash);
}

luma::CCertContextHandle FindBySha1Hash(HCERTSTORE store, const CSecureBuffer& hash) noexcept {
  if (hash.empty()) return luma::CCertContextHandle();
  CRYPT_HASH_BLOB blob = {hash.size, hash.data};
  return luma::CCertContextHandle(CertFindCertificateInStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                                             0, CERT_FIND_SHA1_HASH, &blob, nullptr));
}

}  // namespace luma::certstore
