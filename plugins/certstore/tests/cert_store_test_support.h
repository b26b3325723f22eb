// A scripted lumaPassV for the store provider tests, whose offer can change between fills; the
// fixture certificates; CryptoAPI's certificate properties with the ids a platform may refuse
// carried in ids every platform keeps; and an opened store driven as CryptoAPI drives it.
#ifndef LUMA_PLUGINS_CERTSTORE_TESTS_CERT_STORE_TEST_SUPPORT_H_
#define LUMA_PLUGINS_CERTSTORE_TESTS_CERT_STORE_TEST_SUPPORT_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "foundation/win/unique_handle.h"
#include "plugins/certstore/cert_store_info.h"
#include "plugins/certstore/certificate_properties.h"
#include "plugins/common/tests/scripted_pipe_server.h"

namespace luma::certstore {

struct OfferedContainer {
  std::wstring recordName;    // the container information record's name
  CSecureBuffer certificate;  // DER
  CertStoreInfo info;
  DWORD recordSize = 92;  // a shorter record still names no container
};

// One of the fixture certificates made at build time ("alt_names.der", ...).
CSecureBuffer FixtureCertificate(const char* name);

// A container for the fixture with every field of the store information filled.
OfferedContainer Offer(const char* fixture, const wchar_t* container);

class CScriptedStoreServer {
 public:
  CScriptedStoreServer(const std::wstring& pipeName, std::vector<OfferedContainer> containers);
  // What the next fill is offered.
  void Replace(std::vector<OfferedContainer> containers);
  // The container count OpenSession answers from now on, whatever is offered.
  void ClaimContainerCount(DWORD count);
  size_t CountRequests(DWORD type) const;
  size_t RequestCount() const;
  // The most sessions that were open at one time (opened and not yet closed).
  size_t MostSessionsOpenAtOnce() const;

 private:
  CSecureBuffer Answer(const CSecureBuffer& request);

  mutable std::mutex lock;
  std::vector<OfferedContainer> offered;
  std::optional<DWORD> claimedCount;
  size_t sessionsOpen = 0;
  size_t mostSessionsOpen = 0;
  std::unique_ptr<CScriptedPipeServer> server;
};

// Wine keeps only a fixed list of property ids; the archived mark, the account key and the reader
// name travel in three ids of that list, so the store's own copying and comparing still runs.
class CCarrierProperties final : public CCertificateProperties {
 public:
  bool Set(PCCERT_CONTEXT certificate, DWORD id, DWORD flags, const void* value) noexcept override;
  bool Get(PCCERT_CONTEXT certificate, DWORD id, CSecureBuffer& value) noexcept override;
};

// Whether this platform keeps property 0xA001 on a certificate.
bool PlatformKeepsAccountKeyProperty();

// A store opened through a provider's open function, its callbacks called as CryptoAPI calls them.
class CDrivenStore {
 public:
  explicit CDrivenStore(PFN_CERT_DLL_OPEN_STORE_PROV_FUNC open, DWORD flags = 0x10000);
  ~CDrivenStore();
  CDrivenStore(const CDrivenStore&) = delete;
  CDrivenStore& operator=(const CDrivenStore&) = delete;

  bool opened() const { return openResult != FALSE; }
  const CERT_STORE_PROV_INFO& info() const { return provInfo; }
  template <typename Function>
  Function entry(DWORD index) const {
    return reinterpret_cast<Function>(provInfo.rgpvStoreProvFunc[index]);
  }
  // One enumeration from the start (CERT_FIND_ANY), as CertEnumCertificatesInStore runs it.
  std::vector<luma::CCertContextHandle> Enumerate();
  void Close();

 private:
  CERT_STORE_PROV_INFO provInfo = {};
  BOOL openResult = FALSE;
  bool closed = false;
};

// The property's bytes through the given access; empty when absent.
CSecureBuffer PropertyBytes(CCertificateProperties& properties, PCCERT_CONTEXT certificate, DWORD id);
// The UTF-16 text of a property value, up to its terminating zero.
std::wstring PropertyText(const CSecureBuffer& value);
// The certificate's key provider information, read back.
struct KeyProvider {
  std::wstring containerName;
  std::wstring providerName;
  DWORD providerType = 0;
  DWORD keySpec = 0;
  DWORD flags = 0;
  DWORD parameterCount = 0;
};
bool ReadKeyProvider(PCCERT_CONTEXT certificate, KeyProvider& out);

}  // namespace luma::certstore

#endif  // LUMA_PLUGINS_CERTSTORE_TESTS_CERT_STORE_TEST_SUPPORT_H_
