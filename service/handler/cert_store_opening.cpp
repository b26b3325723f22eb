#include "service/handler/cert_store_opening.h"

namespace luma::service {

luma::CCertStoreHandle OpenTargetCertStore(const CertStoreTarget& target, DWORD& error) {
  error = 0;
  luma::CCertStoreHandle store;
  if (target.provider == CertStoreProvider::kSystem) {
    store.reset(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, X509_ASN_ENCODING, 0, target.flags, target.openName.c_str()));
  } else {
    store.reset(CertOpenStore(CERT_STORE_PROV_PHYSICAL_W, X509_ASN_ENCODING, 0, target.flags,
                              target.openName.c_str()));
    if (!store) {
      store.reset(CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, X509_ASN_ENCODING, 0, target.flags,
                                target.systemName.c_str()));
    }
  }
  if (!store) error = GetLastError();
  return store;
}

void CommitCertStore(HCERTSTORE store) {
  if (store != nullptr) CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
}

}  // namespace luma::service
