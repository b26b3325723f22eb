// A throw-away RSA key with a self-signed certificate, made by the host's OpenSSL, and a scripted
// lumaPassV that performs the bare RSA operation of SignData and DecryptData with it, as lumaPassV
// does; the OpenSSL tool also checks what the provider produces.
#ifndef LUMA_PLUGINS_CSP_TESTS_CSP_RSA_KEY_H_
#define LUMA_PLUGINS_CSP_TESTS_CSP_RSA_KEY_H_

#include <string>
#include <vector>

#include "plugins/common/tests/container_server.h"
#include "plugins/common/tests/scripted_pipe_server.h"
#include "service/exchange/tests/openssl_tool.h"

namespace luma::csp {

class CTestRsaKey {
 public:
  // 2048 bits; IsReady() is false when OpenSSL cannot be reached or fails.
  CTestRsaKey();

  bool IsReady() const { return ready; }
  const CSecureBuffer& Certificate() const { return certificate; }
  const CSharedTempDir& Folder() const { return folder; }

  // The bare private-key operation on a big-endian block; the result is big-endian and as long as
  // the key. Empty when OpenSSL fails.
  CSecureBuffer PrivateOperation(const CSecureBuffer& block) const;
  // Whether OpenSSL accepts the big-endian signature of the data as RSA PKCS#1 v1.5 with SHA-256.
  bool VerifiesSha256(const CSecureBuffer& data, const CSecureBuffer& signature) const;
  // The data encrypted with the public key ("pkcs1" or "oaep", OAEP with SHA-1), big-endian.
  CSecureBuffer Encrypt(const CSecureBuffer& data, const std::wstring& padding) const;

 private:
  CSharedTempDir folder;
  bool ready = false;
  CSecureBuffer certificate;
};

// lumaPassV with these containers that signs and decrypts with the key: a SignData block is taken
// as it comes (big-endian), a DecryptData block is reversed first (it arrives in CryptoAPI's order).
CScriptedPipeServer::Script SigningScript(std::vector<luma::plugin::TestContainer> containers,
                                          const CTestRsaKey& key);

// The bytes in reverse order.
CSecureBuffer Reversed(const CSecureBuffer& bytes);

}  // namespace luma::csp

#endif  // LUMA_PLUGINS_CSP_TESTS_CSP_RSA_KEY_H_
