// A CNG provider handle of lumaPassKSP: one pipe session at lumaPassV with the snapshot of the user's
// key containers taken when the handle was opened, the key handles opened on it and its properties.
#ifndef LUMA_PLUGINS_KSP_KSP_CONTEXT_H_
#define LUMA_PLUGINS_KSP_KSP_CONTEXT_H_

#include <windows.h>

#include <deque>
#include <map>
#include <memory>
#include <string>

#include "foundation/core/secure_buffer.h"
#include "plugins/common/key_container.h"
#include "plugins/common/object_pool.h"
#include "plugins/common/unconnected_named_pipe_client.h"
#include "plugins/common/virtual_smart_card_client.h"

// One key handle. Its "Use Context" is the provider handle's.
struct CKSPKey {
  std::shared_ptr<CKeyContainer> container;
};

// One EnumKeys cursor: the containers still to be returned, from the front.
class CKSPKeyEnumState {
 public:
  virtual ~CKSPKeyEnumState() = default;
  bool Next(std::shared_ptr<CKeyContainer>& container);

  std::deque<std::shared_ptr<CKeyContainer>> snapshot;
};

class CKSPContext {
 public:
  // Opens the session and reads every container; a session that fails to open leaves a context
  // without containers. Throws std::bad_alloc only.
  CKSPContext(const std::wstring& providerName, DWORD flags);
  ~CKSPContext();
  CKSPContext(const CKSPContext&) = delete;
  CKSPContext& operator=(const CKSPContext&) = delete;

  // The handle of a new key on the container of that name (A to Z folded); 0 when there is none.
  ULONG_PTR OpenKey(const std::wstring& keyName);
  bool GetKey(ULONG_PTR handle, std::shared_ptr<CKSPKey>& key) noexcept { return keyPool.Get(handle, key); }
  bool FreeKey(ULONG_PTR handle) noexcept { return keyPool.Remove(handle); }

  bool HasContainers() const noexcept { return !containers.empty(); }
  // A cursor over every container in ascending order of the folded names.
  std::unique_ptr<CKSPKeyEnumState> CreateKeyEnumState() const;

  // The private-key operations, carried to lumaPassV on this handle's session; the key never leaves
  // it. The status of lumaPassV is the result unchanged (30 when the exchange failed), and the output
  // is filled on 0 only. No lock is held while lumaPassV works, which may include the user's time in
  // its authentication dialog. Throw std::bad_alloc only.
  // Signing: NTE_INVALID_PARAMETER for a hash name that is not known, NTE_BAD_DATA when no PKCS#1
  // block can be built for it (MD2, MD4, a hash too long for the key). The block goes out big-endian.
  SECURITY_STATUS SignData(const CKSPKey& key, const std::wstring& hashName, const CSecureBuffer& hash,
                           CSecureBuffer& signature);
  // Decryption of a cipher block already reversed to little-endian; the result is the encoded block.
  SECURITY_STATUS DecryptData(const CKSPKey& key, const CSecureBuffer& cipherBlock, CSecureBuffer& result);

  const std::wstring& GetProviderName() const noexcept { return providerName; }
  // "Use Context", read and written under its own lock, as CNG may call from any thread.
  CSecureBuffer GetUseContext();
  void SetUseContext(const BYTE* bytes, DWORD size);

 private:
  void ReadContainer(DWORD index);

  std::wstring providerName;
  DWORD flags;
  CWinMutex useContextMutex;
  CSecureBuffer useContext;
  CObjectPool<ULONG_PTR, CKSPKey> keyPool;
  std::map<std::wstring, std::shared_ptr<CKeyContainer>> containers;
  BYTE sessionId[16] = {};
  std::unique_ptr<CUnconnectedNamedPipeClient> pipeClient;
  std::unique_ptr<CVirtualSmartCardClient> sessionClient;
};

#endif  // LUMA_PLUGINS_KSP_KSP_CONTEXT_H_
