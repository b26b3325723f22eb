#include "plugins/certstore/store_provider_record.h"

#include <map>
#include <string>

#include "foundation/core/string_utils.h"
#include "plugins/certstore/cert_store_module.h"
#include "plugins/certstore/container_certificate.h"
#include "plugins/common/session_containers.h"

namespace luma::certstore {

namespace {

using HashMap = std::map<std::wstring, CSecureBuffer>;  // hexadecimal SHA-1 -> its 20 bytes

// Every certificate the store holds when the fill begins: what is not offered again goes.
void CollectStoreHashes(HCERTSTORE store, HashMap& hashes) {
  hashes.clear();
  luma::CCertContextHandle cursor;
  for (;;) {
    cursor.reset(CertEnumCertificatesInStore(store, cursor.release()));  // frees the previous one
    if (!cursor) break;
    CSecureBuffer hash = GetSha1Hash(cursor.get());
    if (hash.empty()) continue;
    hashes[luma::BytesToHex(hash.data, hash.size)] = std::move(hash);
  }
}

void DeleteUnseenCertificates(HCERTSTORE store, const HashMap& hashes) {
  for (const auto& entry : hashes) {
    luma::CCertContextHandle found = FindBySha1Hash(store, entry.second);
    if (found) CertDeleteCertificateFromStore(found.release());  // frees the context in any case
  }
}

// A session's identifier, wiped when the fill ends.
struct SessionId {
  BYTE bytes[16] = {};
  ~SessionId() { SecureZeroMemory(bytes, sizeof(bytes)); }
};

}  // namespace

DWORD RecordOpenFlags(DWORD openFlags) noexcept {
  DWORD flags = openFlags | CERT_STORE_NO_CRYPT_RELEASE_FLAG;
  if ((flags & CERT_SYSTEM_STORE_LOCATION_MASK) == 0) flags |= CERT_SYSTEM_STORE_CURRENT_USER;
  return flags;
}

CStoreProviderRecord::CStoreProviderRecord(luma::CCertStoreHandle memoryStore,
                                           std::unique_ptr<CUnconnectedNamedPipeClient> pipeClient,
                                           DWORD openFlags) noexcept
    : store(std::move(memoryStore)),
      pipeClient(std::move(pipeClient)),
      flags(RecordOpenFlags(openFlags)),
      localizedName((openFlags & CERT_STORE_SET_LOCALIZED_NAME_FLAG) != 0) {
  RecordOpened();
}

CStoreProviderRecord::~CStoreProviderRecord() { RecordClosed(); }

void CStoreProviderRecord::SyncBeforeFind(bool startsSearch, const HostFlags& host,
                                          CCertificateProperties& properties) noexcept {
  const CWinMutexLock turn = fillMutex.lock();
  if (!turn.isLocked()) return;  // the find goes on with the store as it is
  if (!initialized) {
    moduleLog().print(kLogDetail, "  Initializing store");
    SyncWithServer(host, properties);
    initialized = true;
  } else if (startsSearch && autoResync) {
    moduleLog().print(kLogDetail, "  Auto resync enabled");
    SyncWithServer(host, properties);
  }
}

void CStoreProviderRecord::SyncWithServer(const HostFlags& host,
                                          CCertificateProperties& properties) noexcept {
  try {
    if (host.isServerProcess) {
      moduleLog().print(
          kLogDetail,
          "Called by lumaPassV process. Do not communicate with lumaPassV as this may cause a deadlock");
      return;
    }
    moduleLog().print(kLogDetail, "Not called by lumaPassV process");
    Fill(host, properties);
  } catch (...) {
    // The store keeps what it holds; the find goes on with it.
  }
}

void CStoreProviderRecord::Fill(const HostFlags& host, CCertificateProperties& properties) {
  CVirtualSmartCardClient client(pipeClient.get(), kClientName);
  HashMap unseen;
  CollectStoreHashes(store.get(), unseen);

  SessionId session;
  DWORD containerCount = 0;
  const auto addContainer = [&](DWORD index) {
    luma::CCertContextHandle offered =
        MakeContainerCertificate(client, session.bytes, index, host, properties);
    if (!offered) {
      moduleLog().print(kLogDetail,
                        "  Container %lu not added to store as it is not authorized for the process", index);
      return;
    }
    const CSecureBuffer hash = GetSha1Hash(offered.get());
    if (!hash.empty()) unseen.erase(luma::BytesToHex(hash.data, hash.size));
    luma::CCertContextHandle stored = FindBySha1Hash(store.get(), hash);
    if (stored && IsIdenticalCertificate(ReadIdentity(properties, offered.get()),
                                         ReadIdentity(properties, stored.get()))) {
      moduleLog().print(kLogDetail, "  Identical cert already in store for container %lu", index);
      return;
    }
    stored.reset();
    if (host.isAdminTool) {
      moduleLog().print(kLogDetail, "  Adding container %lu to store since process is mmc or certutil", index);
    } else {
      moduleLog().print(kLogDetail, "  Adding container %lu to store", index);
    }
    CertAddCertificateContextToStore(store.get(), offered.get(), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  };
  if (luma::plugin::OpenSessionAndReadContainers(client, session.bytes, containerCount, addContainer) != 0) {
    moduleLog().print(kLogDetail, "Unable to open session with lumaPassV");
  } else {
    moduleLog().print(kLogDetail, "Successfully opened session with lumaPassV. %lu containers available",
                      containerCount);
    client.CloseSession(session.bytes);
  }
  DeleteUnseenCertificates(store.get(), unseen);
}

}  // namespace luma::certstore
