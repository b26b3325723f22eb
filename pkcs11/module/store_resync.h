// Whether the platform's CERT_STORE_CTRL_RESYNC of a read-only registry store returns.
#ifndef LUMA_PKCS11_MODULE_STORE_RESYNC_H_
#define LUMA_PKCS11_MODULE_STORE_RESYNC_H_

namespace luma {
namespace pkcs11 {

// True where CERT_STORE_CTRL_RESYNC of a read-only system store that holds a certificate never
// returns. Wine's crypt32 resynchronises by emptying the store's copy through the registry
// provider, which refuses every delete of a read-only store, and so loops forever; it is known by
// its ntdll, which exports wine_get_version. Windows resynchronises in place.
bool resyncOfReadOnlyStoreHangs();

}  // namespace pkcs11
}  // namespace luma

#endif  // LUMA_PKCS11_MODULE_STORE_RESYNC_H_
