#include "vault_crypto.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <memory>

namespace signing_service {
namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using CmsPtr = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo, CMS_ContentInfo_free>>;
using CtxPtr = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;

KeyPtr LoadKey(const std::string& path) {
  BioPtr file(BIO_new_file(path.c_str(), "r"));
  return KeyPtr(file ? PEM_read_bio_PrivateKey(file.get(), nullptr, nullptr, nullptr) : nullptr);
}

X509Ptr LoadCert(const std::string& path) {
  BioPtr file(BIO_new_file(path.c_str(), "r"));
  return X509Ptr(file ? PEM_read_bio_X509(file.get(), nullptr, nullptr, nullptr) : nullptr);
}

Bytes Drain(BIO* bio) {
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  return size > 0 ? Bytes(data, static_cast<size_t>(size)) : Bytes();
}

void FreeAsn1Type(ASN1_TYPE* value) { ASN1_TYPE_free(value); }

}  // namespace

bool DecodeBase64Text(const std::string& text, Bytes& bytes) {
  std::string clean;
  for (const char c : text) {
    if (c != ' ' && c != '\r' && c != '\n' && c != '\t') clean.push_back(c);
  }
  if (clean.size() % 4 != 0) return false;
  Bytes out(clean.size() / 4 * 3, '\0');
  const int length =
      EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&out[0]),
                      reinterpret_cast<const unsigned char*>(clean.data()), static_cast<int>(clean.size()));
  if (length < 0) return false;
  size_t padding = 0;
  if (!clean.empty() && clean.back() == '=') ++padding;
  if (clean.size() > 1 && clean[clean.size() - 2] == '=') ++padding;
  out.resize(static_cast<size_t>(length) - padding);
  bytes.swap(out);
  return true;
}

std::string EncodeBase64Text(const Bytes& bytes) {
  std::string out((bytes.size() + 2) / 3 * 4 + 1, '\0');
  const int length =
      EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]),
                      reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  out.resize(static_cast<size_t>(length));
  return out;
}

bool OpenEnvelope(const Bytes& envelope, const std::string& certPath, const std::string& keyPath,
                  Bytes& plain) {
  KeyPtr key = LoadKey(keyPath);
  X509Ptr cert = LoadCert(certPath);
  BioPtr in(BIO_new_mem_buf(envelope.data(), static_cast<int>(envelope.size())));
  if (!key || !cert || !in) return false;
  CmsPtr cms(d2i_CMS_bio(in.get(), nullptr));
  BioPtr out(BIO_new(BIO_s_mem()));
  if (!cms || !out || CMS_decrypt(cms.get(), key.get(), cert.get(), nullptr, out.get(), CMS_BINARY) != 1) {
    return false;
  }
  plain = Drain(out.get());
  return true;
}

bool MakeEnvelope(const Bytes& plain, const Bytes& recipientDer, Bytes& envelope) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(recipientDer.data());
  X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(recipientDer.size())));
  if (!cert) return false;
  STACK_OF(X509)* recipients = sk_X509_new_null();
  sk_X509_push(recipients, cert.get());
  BioPtr in(BIO_new_mem_buf(plain.data(), static_cast<int>(plain.size())));
  CmsPtr cms(CMS_encrypt(recipients, in.get(), EVP_aes_256_cbc(), CMS_BINARY));
  sk_X509_free(recipients);
  BioPtr out(BIO_new(BIO_s_mem()));
  if (!cms || !out || i2d_CMS_bio(out.get(), cms.get()) != 1) return false;
  envelope = Drain(out.get());
  return true;
}

bool ReadParameterSequence(const Bytes& der, std::vector<Bytes>& elements) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
  ASN1_SEQUENCE_ANY* sequence = d2i_ASN1_SEQUENCE_ANY(nullptr, &p, static_cast<long>(der.size()));
  if (sequence == nullptr) return false;
  bool ok = p == reinterpret_cast<const unsigned char*>(der.data()) + der.size();
  for (int i = 0; ok && i < sk_ASN1_TYPE_num(sequence); ++i) {
    const ASN1_TYPE* value = sk_ASN1_TYPE_value(sequence, i);
    const int type = ASN1_TYPE_get(value);
    if (type != V_ASN1_IA5STRING && type != V_ASN1_UTF8STRING && type != V_ASN1_OCTET_STRING) {
      ok = false;
      break;
    }
    const ASN1_STRING* text = value->value.asn1_string;
    elements.emplace_back(reinterpret_cast<const char*>(ASN1_STRING_get0_data(text)),
                          static_cast<size_t>(ASN1_STRING_length(text)));
  }
  sk_ASN1_TYPE_pop_free(sequence, FreeAsn1Type);
  return ok;
}

bool SignPkcs1(const std::string& keyPath, const Bytes& data, Bytes& signature) {
  KeyPtr key = LoadKey(keyPath);
  if (!key) return false;
  CtxPtr context(EVP_PKEY_CTX_new(key.get(), nullptr));
  size_t size = 0;
  if (!context || EVP_PKEY_sign_init(context.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1 ||
      EVP_PKEY_sign(context.get(), nullptr, &size, reinterpret_cast<const unsigned char*>(data.data()),
                    data.size()) != 1) {
    return false;
  }
  Bytes out(size, '\0');
  if (EVP_PKEY_sign(context.get(), reinterpret_cast<unsigned char*>(&out[0]), &size,
                    reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1) {
    return false;
  }
  out.resize(size);
  signature.swap(out);
  return true;
}

bool RawDecrypt(const std::string& keyPath, const Bytes& block, Bytes& plain) {
  KeyPtr key = LoadKey(keyPath);
  if (!key) return false;
  CtxPtr context(EVP_PKEY_CTX_new(key.get(), nullptr));
  size_t size = 0;
  if (!context || EVP_PKEY_decrypt_init(context.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_NO_PADDING) != 1 ||
      EVP_PKEY_decrypt(context.get(), nullptr, &size, reinterpret_cast<const unsigned char*>(block.data()),
                       block.size()) != 1) {
    return false;
  }
  Bytes out(size, '\0');
  if (EVP_PKEY_decrypt(context.get(), reinterpret_cast<unsigned char*>(&out[0]), &size,
                       reinterpret_cast<const unsigned char*>(block.data()), block.size()) != 1) {
    return false;
  }
  out.resize(size);
  plain.swap(out);
  return true;
}

}  // namespace signing_service
