#include "plugins/certstore/container_certificate.h"

#include "foundation/core/vsc_session_messages.h"
#include "plugins/certstore/cert_store_module.h"

namespace luma::certstore {

namespace {

void SetTextProperty(CCertificateProperties& properties, PCCERT_CONTEXT certificate, DWORD id,
                     const std::wstring& text) {
  if (text.empty()) return;
  CSecureBuffer value = WideTextProperty(text);
  if (value.empty()) return;
  CRYPT_DATA_BLOB blob = {value.size, value.data};
  properties.Set(certificate, id, 0, &blob);
}

}  // namespace

void SetStoreProperties(CCertificateProperties& properties, PCCERT_CONTEXT certificate,
                        const CertStoreInfo& info) {
  CRYPT_KEY_PROV_INFO keyProvider = {};
  keyProvider.pwszContainerName = const_cast<LPWSTR>(info.containerName.c_str());
  keyProvider.pwszProvName = const_cast<LPWSTR>(info.providerName.c_str());
  keyProvider.dwProvType = info.providerType;
  keyProvider.dwKeySpec = info.keySpec;
  // The memory store is rebuilt from lumaPassV on every fill: nothing of it is to be persisted.
  properties.Set(certificate, CERT_KEY_PROV_INFO_PROP_ID, CERT_SET_PROPERTY_INHIBIT_PERSIST_FLAG,
                 &keyProvider);
  if (info.archived != 0) {
    moduleLog().print(kLogDetail, "  Flagging certificate as archived");
    CRYPT_DATA_BLOB empty = {0, nullptr};
    properties.Set(certificate, CERT_ARCHIVED_PROP_ID, 0, &empty);
  }
  SetTextProperty(properties, certificate, CERT_FRIENDLY_NAME_PROP_ID, info.friendlyName);
  SetTextProperty(properties, certificate, LUMAPASSV_POLICY_ID_PROP_ID, info.accountKey);
  SetTextProperty(properties, certificate, CERT_SMART_CARD_READER_PROP_ID, info.smartCardReader);
}

luma::CCertContextHandle MakeContainerCertificate(CVirtualSmartCardClient& client, const BYTE sessionId[16],
                                                  DWORD index, const HostFlags& host,
                                                  CCertificateProperties& properties) {
  CSecureBuffer containerInfo;  // the three are wiped when they go
  CSecureBuffer keyInfo;
  CSecureBuffer certificate;
  if (client.GetContainerInfo(sessionId, index, containerInfo, keyInfo, certificate) != 0) {
    moduleLog().print(kLogDetail, "  Unable to get container info for container %lu", index);
    return luma::CCertContextHandle();
  }
  // A shorter record reads as an empty one, a longer one by its first 92 bytes: it only names the
  // container in the log.
  using VirtualSmartCardProtocol::ContainerInfoRecord;
  ContainerInfoRecord record;
  if (containerInfo.size >= ContainerInfoRecord::kSize) {
    ContainerInfoRecord::Decode(CSecureBuffer(ContainerInfoRecord::kSize, containerInfo.data), record);
  }
  moduleLog().print(kLogDetail, "Container %lu is '%S'", index, record.name.c_str());

  CertStoreInfo info;
  if (GetCertStoreInfo(client, sessionId, index, info) != 0) {
    moduleLog().print(kLogDetail, "  Unable to get cert store info for container %lu", index);
    return luma::CCertContextHandle();
  }
  const bool authorized = host.isAdminTool || info.authorized != 0;
  if (!authorized || certificate.empty()) {
    moduleLog().print(kLogDetail, "  Certificate %S not added to store as process is not authorized",
                      info.friendlyName.c_str());
    return luma::CCertContextHandle();
  }
  luma::CCertContextHandle context(
      CertCreateCertificateContext(X509_ASN_ENCODING, certificate.data, certificate.size));
  if (!context) {
    moduleLog().print(kLogDetail, "  Unable to create certificate context");
    return context;
  }
  moduleLog().print(
      kLogDetail,
      "  Certificate '%S' has provider '%S', provider type %lu, container name '%S' and key spec %lu",
      info.friendlyName.c_str(), info.providerName.c_str(), info.providerType, info.containerName.c_str(),
      info.keySpec);
  SetStoreProperties(properties, context.get(), info);
  return context;
}

}  // namespace luma::certstore
