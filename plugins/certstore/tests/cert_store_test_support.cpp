#include "plugins/certstore/tests/cert_store_test_support.h"

#include <algorithm>
#include <utility>

#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/tests/test_data.h"
#include "foundation/core/vsc_session_messages.h"

using namespace VirtualSmartCardProtocol;

namespace luma::certstore {

namespace {

const BYTE kSessionId[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};

// Ids that every platform keeps as plain bytes, standing in for the three a platform may refuse.
DWORD CarrierOf(DWORD id) {
  switch (id) {
    case CERT_ARCHIVED_PROP_ID:
      return CERT_DESCRIPTION_PROP_ID;
    case LUMAPASSV_POLICY_ID_PROP_ID:
      return CERT_NEXT_UPDATE_LOCATION_PROP_ID;
    case CERT_SMART_CARD_READER_PROP_ID:
      return CERT_AUTO_ENROLL_PROP_ID;
    default:
      return id;
  }
}

}  // namespace

CSecureBuffer FixtureCertificate(const char* name) { return ReadTestData(name); }

OfferedContainer Offer(const char* fixture, const wchar_t* container) {
  OfferedContainer offered;
  offered.recordName = container;
  offered.certificate = FixtureCertificate(fixture);
  offered.info.authorized = 1;
  offered.info.providerName = L"nuvak lumaPass V Cryptographic Service Provider";
  offered.info.providerType = 1;
  offered.info.containerName = container;
  offered.info.keySpec = AT_KEYEXCHANGE;
  offered.info.archived = 0;
  offered.info.friendlyName = std::wstring(L"[luma-Pass] ") + container;
  offered.info.accountKey = L"cloud/alice";
  offered.info.smartCardReader = L"lumaPass Reader";
  return offered;
}

CScriptedStoreServer::CScriptedStoreServer(const std::wstring& pipeName,
                                           std::vector<OfferedContainer> containers)
    : offered(std::move(containers)) {
  server = std::make_unique<CScriptedPipeServer>(
      pipeName, [this](const CSecureBuffer& request) { return Answer(request); });
}

void CScriptedStoreServer::Replace(std::vector<OfferedContainer> containers) {
  std::lock_guard<std::mutex> guard(lock);
  offered = std::move(containers);
}

void CScriptedStoreServer::ClaimContainerCount(DWORD count) {
  std::lock_guard<std::mutex> guard(lock);
  claimedCount = count;
}

size_t CScriptedStoreServer::CountRequests(DWORD type) const {
  size_t count = 0;
  for (const CSecureBuffer& request : server->Requests()) {
    if (luma::plugin::MessageTypeOf(request) == type) ++count;
  }
  return count;
}

size_t CScriptedStoreServer::RequestCount() const { return server->Requests().size(); }

size_t CScriptedStoreServer::MostSessionsOpenAtOnce() const {
  std::lock_guard<std::mutex> guard(lock);
  return mostSessionsOpen;
}

CSecureBuffer CScriptedStoreServer::Answer(const CSecureBuffer& request) {
  std::lock_guard<std::mutex> guard(lock);
  switch (luma::plugin::MessageTypeOf(request)) {
    case MessageTypeOpenSession: {
      mostSessionsOpen = std::max(mostSessionsOpen, ++sessionsOpen);
      COpenSessionResponse response;
      response.SetStatus(0);
      response.SetSessionId(CSecureBuffer(16, kSessionId));
      response.SetContainerCount(claimedCount.value_or(static_cast<DWORD>(offered.size())));
      return ToWire(response);
    }
    case MessageTypeGetContainerInfo: {
      CGetContainerInfoRequest parsed;
      CGetContainerInfoResponse response;
      if (!FromWire(request, parsed) || parsed.GetIndex() >= offered.size()) {
        response.SetStatus(ERROR_INVALID_INDEX);
        return ToWire(response);
      }
      const OfferedContainer& container = offered[parsed.GetIndex()];
      ContainerInfoRecord record;
      record.name = container.recordName;
      record.keySpec = container.info.keySpec;
      record.keyBits = 2048;
      CSecureBuffer encoded = record.Encode();
      if (container.recordSize < encoded.size) encoded.size = container.recordSize;
      response.SetStatus(0);
      response.SetContainerInfo(encoded);
      response.SetCertificate(container.certificate);
      return ToWire(response);
    }
    case MessageTypeGetCertStoreInfo: {
      CGetCertStoreInfoRequest parsed;
      CGetCertStoreInfoResponse response;
      if (!FromWire(request, parsed) || parsed.GetIndex() >= offered.size()) {
        response.SetStatus(ERROR_INVALID_INDEX);
        return ToWire(response);
      }
      const CertStoreInfo& info = offered[parsed.GetIndex()].info;
      response.SetStatus(0);
      response.SetAllowed(info.authorized);
      response.SetProviderName(info.providerName);
      response.SetProviderType(info.providerType);
      response.SetContainerName(info.containerName);
      response.SetKeySpec(info.keySpec);
      response.SetExpired(info.archived);
      response.SetFriendlyName(info.friendlyName);
      response.SetAccountKey(info.accountKey);
      response.SetCardReaderImage(info.smartCardReader);
      return ToWire(response);
    }
    default: {
      if (luma::plugin::MessageTypeOf(request) == MessageTypeCloseSession && sessionsOpen > 0) --sessionsOpen;
      CCloseSessionResponse response;
      response.SetStatus(0);
      return ToWire(response);
    }
  }
}

bool CCarrierProperties::Set(PCCERT_CONTEXT certificate, DWORD id, DWORD flags, const void* value) noexcept {
  return SystemCertificateProperties().Set(certificate, CarrierOf(id), flags, value);
}

bool CCarrierProperties::Get(PCCERT_CONTEXT certificate, DWORD id, CSecureBuffer& value) noexcept {
  return SystemCertificateProperties().Get(certificate, CarrierOf(id), value);
}

bool PlatformKeepsAccountKeyProperty() {
  const CSecureBuffer encoded = FixtureCertificate("alt_names.der");
  luma::CCertContextHandle probe(CertCreateCertificateContext(X509_ASN_ENCODING, encoded.data, encoded.size));
  if (!probe) return false;
  BYTE text[] = {'x', 0, 0, 0};
  CRYPT_DATA_BLOB value = {sizeof(text), text};
  return CertSetCertificateContextProperty(probe.get(), LUMAPASSV_POLICY_ID_PROP_ID, 0, &value) != FALSE;
}

CDrivenStore::CDrivenStore(PFN_CERT_DLL_OPEN_STORE_PROV_FUNC open, DWORD flags) {
  provInfo.cbSize = sizeof(provInfo);
  openResult = open("lumaPassV", 0, 0, flags, L"lumaPassV", nullptr, &provInfo);
}

CDrivenStore::~CDrivenStore() { Close(); }

std::vector<luma::CCertContextHandle> CDrivenStore::Enumerate() {
  const auto find = entry<PFN_CERT_STORE_PROV_FIND_CERT>(CERT_STORE_PROV_FIND_CERT_FUNC);
  const auto freeFind = entry<PFN_CERT_STORE_PROV_FREE_FIND_CERT>(CERT_STORE_PROV_FREE_FIND_CERT_FUNC);
  CERT_STORE_PROV_FIND_INFO findInfo = {sizeof(findInfo), X509_ASN_ENCODING, 0, CERT_FIND_ANY, nullptr};
  std::vector<luma::CCertContextHandle> found;
  void* cursor = nullptr;
  PCCERT_CONTEXT previous = nullptr;
  for (;;) {
    PCCERT_CONTEXT next = nullptr;
    if (!find(provInfo.hStoreProv, &findInfo, previous, 0, &cursor, &next)) break;
    found.emplace_back(next);
    previous = next;
    if (found.size() > 16) break;  // a provider that never ends fails the test, not the run
  }
  if (cursor != nullptr) freeFind(provInfo.hStoreProv, previous, cursor, 0);
  return found;
}

void CDrivenStore::Close() {
  if (closed || !openResult) return;
  closed = true;
  entry<PFN_CERT_STORE_PROV_CLOSE>(CERT_STORE_PROV_CLOSE_FUNC)(provInfo.hStoreProv, 0);
}

CSecureBuffer PropertyBytes(CCertificateProperties& properties, PCCERT_CONTEXT certificate, DWORD id) {
  CSecureBuffer value;
  properties.Get(certificate, id, value);
  return value;
}

std::wstring PropertyText(const CSecureBuffer& value) {
  std::wstring text;
  for (DWORD i = 0; i + 1 < value.size; i += 2) {
    const wchar_t unit = static_cast<wchar_t>(value.data[i] | value.data[i + 1] << 8);
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

bool ReadKeyProvider(PCCERT_CONTEXT certificate, KeyProvider& out) {
  CSecureBuffer value;
  if (!SystemCertificateProperties().Get(certificate, CERT_KEY_PROV_INFO_PROP_ID, value) ||
      value.size < sizeof(CRYPT_KEY_PROV_INFO)) {
    return false;
  }
  const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(value.data);
  out.containerName = info->pwszContainerName ? info->pwszContainerName : L"";
  out.providerName = info->pwszProvName ? info->pwszProvName : L"";
  out.providerType = info->dwProvType;
  out.keySpec = info->dwKeySpec;
  out.flags = info->dwFlags;
  out.parameterCount = info->cProvParam;
  return true;
}

}  // namespace luma::certstore
