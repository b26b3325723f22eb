#include "foundation/win/message_signing.h"

namespace luma {

DWORD SignMessageSha256(PCCERT_CONTEXT signer, const BYTE* content, DWORD contentSize, bool detached,
                        CSecureBuffer& message) {
  message.Clear();
  CRYPT_SIGN_MESSAGE_PARA parameters = {};
  parameters.cbSize = sizeof(parameters);
  parameters.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  parameters.pSigningCert = signer;
  parameters.HashAlgorithm.pszObjId = const_cast<LPSTR>(szOID_NIST_sha256);
  parameters.cMsgCert = 1;
  parameters.rgpMsgCert = &signer;
  const BYTE* contents[] = {content};
  DWORD contentSizes[] = {contentSize};
  DWORD size = 0;
  if (!CryptSignMessage(&parameters, detached ? TRUE : FALSE, 1, contents, contentSizes, nullptr, &size)) {
    return GetLastError();
  }
  CSecureBuffer encoded(size);
  if (!CryptSignMessage(&parameters, detached ? TRUE : FALSE, 1, contents, contentSizes, encoded.data,
                        &size)) {
    return GetLastError();
  }
  encoded.size = size;
  message = std::move(encoded);
  return 0;
}

}  // namespace luma
