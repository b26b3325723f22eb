// A provider handle of lumaPassCSP: one pipe session at lumaPassV with the snapshot of the user's key
// containers taken when the handle was acquired, the container selected by the requested name, and a
// context of the Microsoft provider (the delegate) for everything that needs no private key of a
// container. The hash and key handles made on it live in its three handle maps.
#ifndef LUMA_PLUGINS_CSP_CSP_CONTEXT_H_
#define LUMA_PLUGINS_CSP_CSP_CONTEXT_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <memory>
#include <string>
#include <vector>

#include "foundation/core/secure_buffer.h"
#include "foundation/win/unique_handle.h"
#include "plugins/common/key_container.h"
#include "plugins/common/object_pool.h"
#include "plugins/common/unconnected_named_pipe_client.h"
#include "plugins/common/virtual_smart_card_client.h"
#include "plugins/csp/core/enumeration.h"
#include "plugins/csp/csp_interface.h"

// A hash of the delegate provider, with the algorithm it was created for.
class CCSPHash {
 public:
  // Takes the delegate's hash over.
  CCSPHash(ALG_ID algId, luma::CCryptHashHandle&& delegateHash) noexcept;
  ~CCSPHash();
  CCSPHash(const CCSPHash&) = delete;
  CCSPHash& operator=(const CCSPHash&) = delete;

  HCRYPTHASH DelegateHash() const noexcept { return delegateHash.get(); }
  // The hash value as the delegate has it; 0, or the delegate's error.
  DWORD GetValue(CSecureBuffer& value) const;

  const ALG_ID algId;

 private:
  luma::CCryptHashHandle delegateHash;
};

// The private key of a container of lumaPassV: it signs and decrypts through the pipe.
class CCSPKey {
 public:
  explicit CCSPKey(std::shared_ptr<CKeyContainer> container) noexcept;
  ~CCSPKey();
  CCSPKey(const CCSPKey&) = delete;
  CCSPKey& operator=(const CCSPKey&) = delete;

  const std::shared_ptr<CKeyContainer> container;
};

// A key of the delegate provider (imported or duplicated).
class CCSPWrappedKey {
 public:
  // Takes the delegate's key over.
  explicit CCSPWrappedKey(luma::CCryptKeyHandle&& delegateKey) noexcept;
  ~CCSPWrappedKey();
  CCSPWrappedKey(const CCSPWrappedKey&) = delete;
  CCSPWrappedKey& operator=(const CCSPWrappedKey&) = delete;

  HCRYPTKEY DelegateKey() const noexcept { return delegateKey.get(); }

 private:
  luma::CCryptKeyHandle delegateKey;
};

class CCSPContext {
 public:
  // Never fails: a context whose delegate or session could not come up is made all the same, and
  // its later operations fail. Throws std::bad_alloc only.
  CCSPContext(const char* container, DWORD flags, const VTableProvStruc* vtable);
  ~CCSPContext();
  CCSPContext(const CCSPContext&) = delete;
  CCSPContext& operator=(const CCSPContext&) = delete;

  HCRYPTPROV DelegateProvider() const noexcept { return delegateProvider.get(); }
  const std::shared_ptr<CKeyContainer>& SelectedContainer() const noexcept { return selectedContainer; }
  const std::vector<std::shared_ptr<CKeyContainer>>& Containers() const noexcept { return containers; }

  // A new handle on the selected container when its key spec is the one asked for; 0 otherwise.
  HCRYPTKEY GetUserKey(DWORD keySpec);
  bool GetKey(HCRYPTKEY handle, std::shared_ptr<CCSPKey>& key) noexcept { return keys.Get(handle, key); }
  bool DestroyKey(HCRYPTKEY handle) noexcept { return keys.Remove(handle); }

  // Takes the delegate's key over (destroyed again when no handle can be made); 0 on failure.
  HCRYPTKEY AddWrappedKey(luma::CCryptKeyHandle&& delegateKey);
  bool GetWrappedKey(HCRYPTKEY handle, std::shared_ptr<CCSPWrappedKey>& key) noexcept {
    return wrappedKeys.Get(handle, key);
  }
  bool DestroyWrappedKey(HCRYPTKEY handle) noexcept { return wrappedKeys.Remove(handle); }

  // The delegate's hash of that algorithm; 0 with the delegate's last error when it refuses.
  HCRYPTHASH CreateHash(ALG_ID algId, DWORD flags);
  // Takes over a delegate hash the caller duplicated.
  HCRYPTHASH DuplicateHash(ALG_ID algId, luma::CCryptHashHandle&& delegateHash);
  bool GetHash(HCRYPTHASH handle, std::shared_ptr<CCSPHash>& hash) noexcept {
    return hashes.Get(handle, hash);
  }
  bool DestroyHash(HCRYPTHASH handle) noexcept { return hashes.Remove(handle); }

  // The private-key operations of the selected container, through lumaPassV. Each answers 0 or the
  // status of the request (30 when the pipe failed) and holds no lock while the request runs.
  // The signature comes back big-endian; the cipher block goes and the plaintext block comes back as
  // the pipe carries them.
  DWORD SignData(const CCSPHash& hash, CSecureBuffer& signature);
  DWORD DecryptData(const CSecureBuffer& cipherBlock, CSecureBuffer& result);

  // The positions of the three enumerations of the provider parameters.
  luma::csp::CEnumCursor& AlgorithmCursor() noexcept { return enumAlgsCursor; }
  luma::csp::CEnumCursor& AlgorithmExCursor() noexcept { return enumAlgsExCursor; }
  luma::csp::CEnumCursor& ContainerCursor() noexcept { return enumContainersCursor; }

 private:
  void OpenSession(const std::wstring& reader);
  void ReadContainer(DWORD index, bool nameGiven, const std::wstring& wanted);

  std::string requestedContainer;
  DWORD acquireFlags;
  const VTableProvStruc* provVTable;
  luma::csp::CEnumCursor enumAlgsCursor;
  luma::csp::CEnumCursor enumAlgsExCursor;
  luma::csp::CEnumCursor enumContainersCursor;
  luma::CCryptProviderHandle delegateProvider;
  // Each map has its own lock, held only for the map operation.
  CObjectPool<HCRYPTHASH, CCSPHash> hashes;
  CObjectPool<HCRYPTKEY, CCSPKey> keys;
  CObjectPool<HCRYPTKEY, CCSPWrappedKey> wrappedKeys;
  std::shared_ptr<CKeyContainer> selectedContainer;
  std::vector<std::shared_ptr<CKeyContainer>> containers;
  BYTE sessionId[16] = {};
  std::unique_ptr<CUnconnectedNamedPipeClient> pipeClient;
  std::unique_ptr<CVirtualSmartCardClient> sessionClient;
};

#endif  // LUMA_PLUGINS_CSP_CSP_CONTEXT_H_
