// One opened store: the memory store that CryptoAPI reads through the callbacks, the pipe to
// lumaPassV that fills it, and the fill itself.
#ifndef LUMA_PLUGINS_CERTSTORE_STORE_PROVIDER_RECORD_H_
#define LUMA_PLUGINS_CERTSTORE_STORE_PROVIDER_RECORD_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <atomic>
#include <memory>

#include "foundation/win/unique_handle.h"
#include "plugins/certstore/certificate_properties.h"
#include "plugins/certstore/core/host_process.h"
#include "plugins/common/unconnected_named_pipe_client.h"
#include "plugins/diagnostics/win_mutex.h"

namespace luma::certstore {

// Handed to CryptoAPI as the provider handle; the close callback destroys it. Counted while it
// lives, so that the module answers that it cannot be unloaded.
class CStoreProviderRecord {
 public:
  CStoreProviderRecord(luma::CCertStoreHandle memoryStore,
                       std::unique_ptr<CUnconnectedNamedPipeClient> pipeClient, DWORD openFlags) noexcept;
  ~CStoreProviderRecord();
  CStoreProviderRecord(const CStoreProviderRecord&) = delete;
  CStoreProviderRecord& operator=(const CStoreProviderRecord&) = delete;

  HCERTSTORE memoryStore() const noexcept { return store.get(); }
  DWORD openFlags() const noexcept { return flags; }
  bool setsLocalizedName() const noexcept { return localizedName; }

  // On from the open; a control may set it again, nothing clears it.
  std::atomic<bool> autoResync{true};

  // Before a find: the first one fills the store, and with automatic resynchronisation so does the
  // first find of every search. Threads that share the store take turns, so one fill runs at a time
  // and a find never sees a store another thread is filling. Throws nothing.
  void SyncBeforeFind(bool startsSearch, const HostFlags& host, CCertificateProperties& properties) noexcept;

  // Brings the memory store in step with what lumaPassV offers this process: unchanged certificates
  // stay, changed ones are replaced, the others go. Nothing is asked inside lumaPassV itself.
  // Throws nothing: a failure leaves the store as it is at that point.
  void SyncWithServer(const HostFlags& host, CCertificateProperties& properties) noexcept;

 private:
  CWinMutex fillMutex;
  bool initialized = false;  // guarded by fillMutex

  void Fill(const HostFlags& host, CCertificateProperties& properties);

  luma::CCertStoreHandle store;
  std::unique_ptr<CUnconnectedNamedPipeClient> pipeClient;
  DWORD flags;
  bool localizedName;
};

// CERT_STORE_NO_CRYPT_RELEASE_FLAG is added, and CERT_SYSTEM_STORE_CURRENT_USER when no location is given.
DWORD RecordOpenFlags(DWORD openFlags) noexcept;

}  // namespace luma::certstore

#endif  // LUMA_PLUGINS_CERTSTORE_STORE_PROVIDER_RECORD_H_
