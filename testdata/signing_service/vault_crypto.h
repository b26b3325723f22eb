// The OpenSSL side of the remote signing service: opening the client's enveloped parameters,
// PKCS#1 v1.5 signatures and raw RSA with the users' keys, and envelopes for the client's exchange
// certificate.
#ifndef LUMA_TESTDATA_SIGNING_SERVICE_VAULT_CRYPTO_H_
#define LUMA_TESTDATA_SIGNING_SERVICE_VAULT_CRYPTO_H_

#include <string>
#include <vector>

namespace signing_service {

using Bytes = std::string;

// Base64 with white space skipped / plain base64 without line breaks. False when malformed.
bool DecodeBase64Text(const std::string& text, Bytes& bytes);
std::string EncodeBase64Text(const Bytes& bytes);

// Opens a PKCS#7 enveloped message with the key and certificate in the PEM files.
bool OpenEnvelope(const Bytes& envelope, const std::string& certPath, const std::string& keyPath,
                  Bytes& plain);
// Envelopes (AES-256-CBC) for a DER certificate.
bool MakeEnvelope(const Bytes& plain, const Bytes& recipientDer, Bytes& envelope);

// The elements of a DER SEQUENCE of IA5String, UTF8String and OCTET STRING, as their contents.
bool ReadParameterSequence(const Bytes& der, std::vector<Bytes>& elements);

// PKCS#1 v1.5 type-1 padding of the data (a DigestInfo) and the private-key operation.
bool SignPkcs1(const std::string& keyPath, const Bytes& data, Bytes& signature);
// The private-key operation without padding on a block of the key's size.
bool RawDecrypt(const std::string& keyPath, const Bytes& block, Bytes& plain);

}  // namespace signing_service

#endif  // LUMA_TESTDATA_SIGNING_SERVICE_VAULT_CRYPTO_H_
