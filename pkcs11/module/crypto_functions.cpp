// Signing and decryption with CKM_RSA_PKCS. The Init calls acquire the key of the certificate behind
// the private key object; the single-part calls hand the work to the key's provider without holding
// any lock of the module, so a provider's dialog blocks only the calling thread. Operations are
// shared: a call keeps its operation alive while another thread ends or replaces it.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "pkcs11/core/digest_info.h"
#include "pkcs11/module/caller_window.h"
#include "pkcs11/module/entry_frame.h"
#include "pkcs11/module/rsa_keys.h"
#include "pkcs11/module/rsa_operation.h"

namespace {

using luma::pkcs11::CArgumentTrace;
using luma::pkcs11::moduleLog;
using luma::pkcs11::moduleState;
using luma::pkcs11::runInitialisedEntry;

// What the Init calls take from the key object while the session is held: the key object itself
// may be replaced by a search on another thread as soon as it is given up.
struct CKeySource {
  luma::CCertContextHandle certificate;
  CByteBuffer certificateHash;
};

CK_RV checkMechanismAndKey(CSession& session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE hKey,
                           CKeySource& source) {
  if (mechanism == nullptr || mechanism->mechanism != CKM_RSA_PKCS) return CKR_MECHANISM_INVALID;
  if (mechanism->ulParameterLen != 0) return CKR_MECHANISM_PARAM_INVALID;
  const CPKCS11Object* object = session.getObject(hKey);
  if (object == nullptr) return CKR_KEY_HANDLE_INVALID;
  const auto* key = dynamic_cast<const CPKCS11RSAPrivateKey*>(object);
  if (object->getObjectClass() != CKO_PRIVATE_KEY || key == nullptr) return CKR_KEY_TYPE_INCONSISTENT;
  source.certificate.reset(CertDuplicateCertificateContext(key->getCertificate()));
  source.certificateHash = key->getCertificateHash();
  return source.certificate ? CKR_OK : CKR_HOST_MEMORY;
}

// The common steps of C_SignInit and C_DecryptInit.
template <typename OperationType>
CK_RV initOperation(const char* name, std::int32_t kind, CK_SESSION_HANDLE hSession,
                    CK_MECHANISM_PTR pMechanism, CK_OBJECT_HANDLE hKey) {
  const bool signing = kind == kOperationSign;
  CSessionRef session;
  const CK_RV found = moduleState().getSessions().lookup(hSession, session);
  if (found != CKR_OK) {
    if (signing) moduleLog().print(kLogInfo, "<- %s CKR_SESSION_HANDLE_INVALID", name);
    return found;
  }
  CKeySource source;
  {
    CWinMutexLock held = session->lock();
    if (session->getOperation(kind)) {
      if (signing) moduleLog().print(kLogInfo, "<- %s CKR_OPERATION_ACTIVE", name);
      return CKR_OPERATION_ACTIVE;
    }
    const CK_RV checked = checkMechanismAndKey(*session.get(), pMechanism, hKey, source);
    if (checked != CKR_OK) return checked;
  }
  const HWND window = luma::pkcs11::findCallerWindow();
  moduleLog().print(signing ? kLogTrace : kLogInfo, "  Process window handle 0x%08x",
                    static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(window)));
  // May take long: the provider may show its own dialogs.
  auto operation = std::make_shared<OperationType>(source.certificate.get(), window);
  if (!operation->hasKey()) {
    if (signing && operation->getAcquireError() != 0) {
      moduleLog().print(kLogError, "  CryptAcquireCertificatePrivateKey failed: 0x%08x",
                        static_cast<unsigned>(operation->getAcquireError()));
    }
    return CKR_TOKEN_NOT_PRESENT;
  }
  if (signing) moduleLog().print(kLogInfo, "  CryptAcquireCertificatePrivateKey successful");
  if (!session->isValid()) {
    moduleLog().print(signing ? kLogError : kLogInfo, "  Session invalidated in the meantime");
    return signing ? CKR_FUNCTION_FAILED : CKR_SESSION_CLOSED;
  }
  if (!signing && operation->getKeySpec() == AT_SIGNATURE) return CKR_KEY_FUNCTION_NOT_PERMITTED;
  // The certificate's objects keep their handles from now on, across reloads of the slot.
  session->getSlot().rememberObject(source.certificateHash);
  if (!operation->isCngKey()) {
    const CByteBuffer pin = session->getPin();
    // A refused PIN is forgotten: the provider then asks for one itself.
    if (!pin.empty() && !operation->setPin(pin)) session->setPin(CByteBuffer());
  }
  CWinMutexLock held = session->lock();
  if (session->getOperation(kind)) return CKR_OPERATION_ACTIVE;  // another thread was quicker
  session->setOperation(kind, std::move(operation));
  return CKR_OK;
}

// The operation of the kind, taken under the session's mutex.
template <typename OperationType>
std::shared_ptr<OperationType> operationOf(CSession& session, std::int32_t kind) {
  CWinMutexLock held = session.lock();
  return std::static_pointer_cast<OperationType>(session.getOperation(kind));
}

// Ends the operation unless another thread already ended or replaced it.
void endOperation(CSession& session, std::int32_t kind, const std::shared_ptr<Operation>& operation) {
  CWinMutexLock held = session.lock();
  if (session.getOperation(kind) == operation) session.removeOperation(kind);
}

}  // namespace

extern "C" {

CK_RV LUMA_CK_CALL C_SignInit(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,
                              CK_OBJECT_HANDLE hKey) {
  return runInitialisedEntry(
      "C_SignInit",
      [&](CArgumentTrace& a) {
        a.number("hSession", hSession).pointer("pMechanism", pMechanism).number("hKey", hKey);
      },
      [&] {
        return initOperation<RSAPKCSSignOperation>("C_SignInit", kOperationSign, hSession, pMechanism, hKey);
      });
}

CK_RV LUMA_CK_CALL C_DecryptInit(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,
                                 CK_OBJECT_HANDLE hKey) {
  return runInitialisedEntry(
      "C_DecryptInit",
      [&](CArgumentTrace& a) {
        a.number("hSession", hSession).pointer("pMechanism", pMechanism).number("hKey", hKey);
      },
      [&] {
        return initOperation<RSAPKCSDecryptOperation>("C_DecryptInit", kOperationDecrypt, hSession,
                                                      pMechanism, hKey);
      });
}

CK_RV LUMA_CK_CALL C_Sign(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pData, CK_ULONG ulDataLen,
                          CK_BYTE_PTR pSignature, CK_ULONG_PTR pulSignatureLen) {
  return runInitialisedEntry(
      "C_Sign",
      [&](CArgumentTrace& a) {
        a.number("hSession", hSession)
            .pointer("pData", pData)
            .number("ulDataLen", ulDataLen)
            .pointer("pSignature", pSignature)
            .pointer("pulSignatureLen", pulSignatureLen);
      },
      [&] {
        CSessionRef session;
        const CK_RV found = moduleState().getSessions().lookup(hSession, session);
        if (found != CKR_OK) return found;
        const auto operation = operationOf<RSAPKCSSignOperation>(*session.get(), kOperationSign);
        if (!operation) return CKR_OPERATION_NOT_INITIALIZED;
        if (pulSignatureLen == nullptr) return CKR_ARGUMENTS_BAD;
        if (pData == nullptr) return CKR_DATA_INVALID;
        const CK_ULONG needed = operation->getKeyBytes();
        // What can be signed fits the key's block: the dump shows no more than that, whatever length
        // the caller claims over whatever buffer it passed, and a longer input is refused uncopied.
        moduleLog().dump("pData", pData, std::min<CK_ULONG>(ulDataLen, needed));
        if (pSignature == nullptr || *pulSignatureLen < needed) {
          *pulSignatureLen = needed;
          moduleLog().print(kLogTrace, "     *pulSignatureLen %lu", needed);
          return pSignature == nullptr ? CKR_OK : CKR_BUFFER_TOO_SMALL;
        }
        if (ulDataLen > needed) return CKR_DATA_LEN_RANGE;  // the operation stays for a corrected call
        const CByteBuffer input(ulDataLen, pData);
        if (input.size() != ulDataLen) return CKR_HOST_MEMORY;
        luma::pkcs11::CSignedDigest digest;
        const CK_RV parsed = luma::pkcs11::parseSignedDigest(input, digest);
        if (parsed != CKR_OK) return parsed;  // the operation stays for a corrected call
        moduleLog().print(kLogInfo, "  Hash ALG_ID 0x%08x, CNG algorithm name %S",
                          static_cast<unsigned>(digest.algId),
                          digest.cngName != nullptr ? digest.cngName : L"");
        CByteBuffer signature;
        CK_RV rv;
        {
          std::lock_guard<std::mutex> turn(operation->callMutex());
          rv = operation->sign(input, digest, signature);
        }
        if (rv != CKR_OK) {
          endOperation(*session.get(), kOperationSign, operation);
          return rv;
        }
        const CK_ULONG room = *pulSignatureLen;
        *pulSignatureLen = signature.size();
        if (room < signature.size()) return CKR_BUFFER_TOO_SMALL;
        std::memcpy(pSignature, signature.data(), signature.size());
        endOperation(*session.get(), kOperationSign, operation);
        moduleLog().dump("pSignature", pSignature, signature.size());
        moduleLog().print(kLogTrace, "     *pulSignatureLen %lu", *pulSignatureLen);
        return CKR_OK;
      });
}

CK_RV LUMA_CK_CALL C_Decrypt(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pEncryptedData,
                             CK_ULONG ulEncryptedDataLen, CK_BYTE_PTR pData, CK_ULONG_PTR pulDataLen) {
  return runInitialisedEntry(
      "C_Decrypt",
      [&](CArgumentTrace& a) {
        a.number("hSession", hSession)
            .pointer("pEncryptedData", pEncryptedData)
            .number("ulEncryptedDataLen", ulEncryptedDataLen)
            .pointer("pData", pData)
            .pointer("pulDataLen", pulDataLen);
      },
      [&] {
        CSessionRef session;
        const CK_RV found = moduleState().getSessions().lookup(hSession, session);
        if (found != CKR_OK) return found;
        const auto operation = operationOf<RSAPKCSDecryptOperation>(*session.get(), kOperationDecrypt);
        if (!operation) return CKR_OPERATION_NOT_INITIALIZED;
        if (pEncryptedData == nullptr || ulEncryptedDataLen == 0) return CKR_ENCRYPTED_DATA_LEN_RANGE;
        if (pulDataLen == nullptr) return CKR_ARGUMENTS_BAD;
        const CByteBuffer cipherText(ulEncryptedDataLen, pEncryptedData);
        if (cipherText.size() != ulEncryptedDataLen) return CKR_HOST_MEMORY;
        CByteBuffer plainText;
        CK_RV rv;
        {
          std::lock_guard<std::mutex> turn(operation->callMutex());
          rv = operation->decrypt(cipherText, plainText);
        }
        if (rv != CKR_OK) {
          endOperation(*session.get(), kOperationDecrypt, operation);
          return rv;
        }
        if (pData == nullptr) {
          *pulDataLen = plainText.size();  // the decryption runs again on the next call
          return CKR_OK;
        }
        const CK_ULONG room = *pulDataLen;
        *pulDataLen = plainText.size();
        if (room < plainText.size()) return CKR_BUFFER_TOO_SMALL;
        if (!plainText.empty()) std::memcpy(pData, plainText.data(), plainText.size());
        endOperation(*session.get(), kOperationDecrypt, operation);
        return CKR_OK;
      });
}

}  // extern "C"
