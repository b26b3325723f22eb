// One container's certificate as the store shows it: the certificate lumaPassV holds, with the key
// provider and the properties that lumaPassV names for the calling process.
#ifndef LUMA_PLUGINS_CERTSTORE_CONTAINER_CERTIFICATE_H_
#define LUMA_PLUGINS_CERTSTORE_CONTAINER_CERTIFICATE_H_

#include "foundation/win/unique_handle.h"
#include "plugins/certstore/cert_store_info.h"
#include "plugins/certstore/certificate_properties.h"
#include "plugins/certstore/core/host_process.h"

namespace luma::certstore {

// Sets the key provider information, then the archived mark, the friendly name, the account key
// and the reader name as `info` asks; a property that cannot be set is left out. Throws
// std::bad_alloc only.
void SetStoreProperties(CCertificateProperties& properties, PCCERT_CONTEXT certificate,
                        const CertStoreInfo& info);

// The certificate of the container at `index`, or none when its information, its store information
// or its certificate cannot be had, or when it is not for this process. An administration tool is
// shown every certificate. Throws std::bad_alloc only.
luma::CCertContextHandle MakeContainerCertificate(CVirtualSmartCardClient& client, const BYTE sessionId[16],
                                                  DWORD index, const HostFlags& host,
                                                  CCertificateProperties& properties);

}  // namespace luma::certstore

#endif  // LUMA_PLUGINS_CERTSTORE_CONTAINER_CERTIFICATE_H_
