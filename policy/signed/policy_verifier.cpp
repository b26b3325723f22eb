#include "policy/signed/policy_verifier.h"

#include <cstring>
#include <memory>
#include <vector>

#include "foundation/core/der_codec.h"
#include "foundation/core/string_utils.h"
#include "foundation/win/der_helpers.h"
#include "foundation/win/system_utils.h"
#include "foundation/win/unique_handle.h"
#include "foundation/win/windows_exception.h"
#include "policy/core/policy_content_type.h"
#include "policy/core/policy_exception.h"

namespace {

constexpr DWORD kEncodingTypes = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr DWORD kChainFlags =
    CERT_CHAIN_THREAD_STORE_SYNC | CERT_CHAIN_DISABLE_AUTH_ROOT_AUTO_UPDATE;  // 0x102

using MessageHandle = luma::CCryptMessageHandle;
using CertificateHandle = luma::CCertContextHandle;

using ChainHandle = luma::CCertChainHandle;

[[noreturn]] void FailWithSystemText(DWORD code) {
  throw CPolicyException(luma::FormatSystemErrorMessage(code, false));
}

MessageHandle OpenDecodedMessage(const CSecureBuffer& encoded) {
  MessageHandle message(CryptMsgOpenToDecode(PKCS_7_ASN_ENCODING, 0, 0, 0, nullptr, nullptr));
  if (!message || encoded.size == 0 || !CryptMsgUpdate(message.get(), encoded.data, encoded.size, TRUE)) {
    return MessageHandle();
  }
  return message;
}

// A parameter of the message in a zero-filled block; false when it cannot be read.
bool GetMessageParam(HCRYPTMSG message, DWORD type, std::vector<BYTE>& block) {
  DWORD size = 0;
  if (!CryptMsgGetParam(message, type, 0, nullptr, &size)) return false;
  block.assign(size, 0);
  if (size == 0) return true;
  if (!CryptMsgGetParam(message, type, 0, block.data(), &size)) return false;
  block.resize(size);
  return true;
}

bool DigestEquals(ALG_ID algorithm, const BYTE* data, DWORD size, const luma::der::Element& expected) {
  CSecureBuffer digest;
  return luma::ComputeDigest(algorithm, data, size, digest) && digest.size == expected.contentSize &&
         std::memcmp(digest.data, expected.content, digest.size) == 0;
}

// The signed messageDigest attribute must be the digest of the content. Some platforms verify the
// signature over the signed attributes without comparing it, so a changed content would pass.
void CheckContentDigest(const CSecureBuffer& encoded, const BYTE* content, DWORD contentSize,
                        const BYTE* unwrapped, DWORD unwrappedSize) {
  MessageHandle message = OpenDecodedMessage(encoded);
  if (!message) FailWithSystemText(CRYPT_E_HASH_VALUE);
  std::vector<BYTE> attributesBlock;
  if (!GetMessageParam(message.get(), CMSG_SIGNER_AUTH_ATTR_PARAM, attributesBlock)) {
    if (GetLastError() == static_cast<DWORD>(CRYPT_E_ATTRIBUTES_MISSING))
      return;  // the signature covers the content
    FailWithSystemText(CRYPT_E_HASH_VALUE);
  }
  // Signed attributes without a messageDigest (an empty set included) bind no content at all.
  if (attributesBlock.size() < sizeof(CRYPT_ATTRIBUTES)) FailWithSystemText(CRYPT_E_HASH_VALUE);
  const auto* attributes = reinterpret_cast<const CRYPT_ATTRIBUTES*>(attributesBlock.data());

  const CRYPT_ATTRIBUTE* messageDigest = nullptr;
  for (DWORD i = 0; i < attributes->cAttr; ++i) {
    const CRYPT_ATTRIBUTE& attribute = attributes->rgAttr[i];
    if (attribute.pszObjId != nullptr && std::strcmp(attribute.pszObjId, szOID_RSA_messageDigest) == 0) {
      if (messageDigest != nullptr) FailWithSystemText(CRYPT_E_HASH_VALUE);  // two digests: ambiguous
      messageDigest = &attribute;
    }
  }
  luma::der::Element expected;
  if (messageDigest == nullptr || messageDigest->cValue != 1 ||
      !luma::der::ReadWholeElement(messageDigest->rgValue[0].pbData, messageDigest->rgValue[0].cbData,
                                   expected) ||
      expected.tag != luma::der::kTagOctetString) {
    FailWithSystemText(CRYPT_E_HASH_VALUE);
  }

  std::vector<BYTE> signerBlock;
  if (!GetMessageParam(message.get(), CMSG_SIGNER_INFO_PARAM, signerBlock) ||
      signerBlock.size() < sizeof(CMSG_SIGNER_INFO)) {
    FailWithSystemText(CRYPT_E_HASH_VALUE);
  }
  const auto* signerInfo = reinterpret_cast<const CMSG_SIGNER_INFO*>(signerBlock.data());
  ALG_ID algorithm = 0;
  std::wstring cngName;
  if (signerInfo->HashAlgorithm.pszObjId == nullptr ||
      !luma::LookupHashAlgorithm(signerInfo->HashAlgorithm.pszObjId, algorithm, cngName)) {
    FailWithSystemText(static_cast<DWORD>(NTE_BAD_ALGID));
  }
  // The digest covers the content octets; a platform may still hand them back in their OCTET STRING.
  if (DigestEquals(algorithm, unwrapped, unwrappedSize, expected)) return;
  if (unwrapped != content && DigestEquals(algorithm, content, contentSize, expected)) return;
  FailWithSystemText(CRYPT_E_HASH_VALUE);
}

// The outer content type is not covered by the signature: only the signed content-type attribute
// binds the type to what the signer signed. Exactly one such attribute with exactly one value, the
// policy content type, so that nothing signed as another type can be relabelled as a policy.
bool HasSignedPolicyContentType(const CSecureBuffer& encoded) {
  MessageHandle message = OpenDecodedMessage(encoded);
  std::vector<BYTE> attributesBlock;
  if (!message || !GetMessageParam(message.get(), CMSG_SIGNER_AUTH_ATTR_PARAM, attributesBlock) ||
      attributesBlock.size() < sizeof(CRYPT_ATTRIBUTES)) {
    return false;
  }
  const auto* attributes = reinterpret_cast<const CRYPT_ATTRIBUTES*>(attributesBlock.data());
  const CRYPT_ATTRIBUTE* contentType = nullptr;
  for (DWORD i = 0; i < attributes->cAttr; ++i) {
    const CRYPT_ATTRIBUTE& attribute = attributes->rgAttr[i];
    if (attribute.pszObjId != nullptr && std::strcmp(attribute.pszObjId, szOID_RSA_contentType) == 0) {
      if (contentType != nullptr) return false;  // two content types: ambiguous
      contentType = &attribute;
    }
  }
  luma::der::Element value;
  std::string dotted;
  return contentType != nullptr && contentType->cValue == 1 &&
         luma::der::ReadWholeElement(contentType->rgValue[0].pbData, contentType->rgValue[0].cbData, value) &&
         value.tag == luma::der::kTagOid && luma::der::DecodeOid(value.content, value.contentSize, dotted) &&
         dotted == luma::policy::kPolicyContentType;
}

bool IsSignedByTrustedCertificate(PCCERT_CONTEXT signer, const std::list<CSecureBuffer>& trustedSigners) {
  for (const CSecureBuffer& trusted : trustedSigners) {
    CertificateHandle issuer(CertCreateCertificateContext(kEncodingTypes, trusted.data, trusted.size));
    if (!issuer) continue;
    DWORD flags = CERT_STORE_SIGNATURE_FLAG;
    // The call succeeds for a wrong signature as well and reports it by leaving the flag set.
    if (CertVerifySubjectCertificateContext(signer, issuer.get(), &flags) &&
        (flags & CERT_STORE_SIGNATURE_FLAG) == 0) {
      return true;
    }
  }
  return false;
}

DWORD ChainStatusError(DWORD status) {
  if (status & CERT_TRUST_IS_NOT_SIGNATURE_VALID) return static_cast<DWORD>(TRUST_E_CERT_SIGNATURE);
  if (status & CERT_TRUST_IS_REVOKED) return static_cast<DWORD>(CERT_E_REVOKED);
  if (status & CERT_TRUST_IS_UNTRUSTED_ROOT) return static_cast<DWORD>(CERT_E_UNTRUSTEDROOT);
  if (status & CERT_TRUST_IS_NOT_TIME_VALID) return static_cast<DWORD>(CERT_E_EXPIRED);
  if (status & CERT_TRUST_IS_PARTIAL_CHAIN) return static_cast<DWORD>(CERT_E_CHAINING);
  if (status & CERT_TRUST_REVOCATION_STATUS_UNKNOWN) return static_cast<DWORD>(CERT_E_REVOCATION_FAILURE);
  return static_cast<DWORD>(TRUST_E_FAIL);
}

// 0 when the signer's chain validates, else the error to report.
DWORD ValidateSignerChain(PCCERT_CONTEXT signer, DWORD validationPolicy) {
  const HCERTCHAINENGINE engine = (validationPolicy & CPolicyProviderSettings::kLocalMachineEngine)
                                      ? HCCE_LOCAL_MACHINE
                                      : HCCE_CURRENT_USER;
  CERT_CHAIN_PARA parameters = {};
  parameters.cbSize = sizeof(parameters);
  parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  DWORD flags = kChainFlags;
  if (validationPolicy & CPolicyProviderSettings::kTimestampTime) flags |= CERT_CHAIN_TIMESTAMP_TIME;
  if (validationPolicy & CPolicyProviderSettings::kExcludeRootRevocation) {
    flags |= CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT;
  }
  PCCERT_CHAIN_CONTEXT chainContext = nullptr;
  if (!CertGetCertificateChain(engine, signer, nullptr, nullptr, &parameters, flags, nullptr,
                               &chainContext)) {
    const DWORD error = GetLastError();
    // A failed build must never read as success, whatever the last error says.
    return error != 0 ? error : static_cast<DWORD>(TRUST_E_FAIL);
  }
  const ChainHandle chain(chainContext);
  if (!chain) return static_cast<DWORD>(TRUST_E_FAIL);
  const DWORD status = chain.get()->TrustStatus.dwErrorStatus;
  return status == 0 ? 0 : ChainStatusError(status);
}

}  // namespace

namespace luma::policy {

std::wstring GetSignedContentType(const CSecureBuffer& encoded) {
  MessageHandle message = OpenDecodedMessage(encoded);
  if (!message) return std::wstring();
  std::vector<BYTE> block;
  if (!GetMessageParam(message.get(), CMSG_INNER_CONTENT_TYPE_PARAM, block) || block.size() <= 1) {
    return std::wstring();
  }
  return luma::NarrowToWide(std::string(reinterpret_cast<const char*>(block.data()), block.size() - 1));
}

void VerifySignedPolicy(const CPolicyProviderSettings& settings, const CSecureBuffer& encoded,
                        const std::list<CSecureBuffer>& trustedSigners, CSecureBuffer& content) {
  if (GetSignedContentType(encoded) != luma::NarrowToWide(kPolicyContentType) ||
      !HasSignedPolicyContentType(encoded)) {
    throw CPolicyException(L"Unexpected content type for policy");
  }

  CSecureBuffer output(encoded.size);
  DWORD outputSize = output.size;
  CRYPT_VERIFY_MESSAGE_PARA parameters = {};
  parameters.cbSize = sizeof(parameters);
  parameters.dwMsgAndCertEncodingType = kEncodingTypes;
  CertificateHandle signer;
  if (!CryptVerifyMessageSignature(&parameters, 0, encoded.data, encoded.size, output.data, &outputSize,
                                   signer.put())) {
    FailWithSystemText(GetLastError());
  }
  if (outputSize > output.size) FailWithSystemText(static_cast<DWORD>(CRYPT_E_HASH_VALUE));

  const BYTE* data = output.data;
  DWORD size = outputSize;
  luma::der::Element wrapper;
  if (luma::der::ReadWholeElement(data, size, wrapper) && wrapper.tag == luma::der::kTagOctetString) {
    data = wrapper.content;
    size = wrapper.contentSize;
  }
  CheckContentDigest(encoded, output.data, outputSize, data, size);

  DWORD pendingError = static_cast<DWORD>(CERT_E_UNTRUSTEDROOT);
  bool accepted = false;
  if (!signer) {
    // no certificate to judge
  } else if (!trustedSigners.empty()) {
    accepted = IsSignedByTrustedCertificate(signer.get(), trustedSigners);
  } else if (settings.signerFilter && settings.signerFilter(signer.get())) {
    accepted = true;
    pendingError = 0;
    if (settings.signerValidationPolicy & CPolicyProviderSettings::kValidateChain) {
      pendingError = ValidateSignerChain(signer.get(), settings.signerValidationPolicy);
      accepted = pendingError == 0;
    }
  }
  signer.reset();
  if (!accepted) FailWithSystemText(pendingError);
  content = CSecureBuffer(size, data);
}

}  // namespace luma::policy
