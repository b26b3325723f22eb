// The XML namespace of the remote signing service's messages. Shared by the client and the local
// test service, so that both speak the same one; it must end in "/".
#ifndef LUMA_SERVICE_CORE_VAULT_NAMESPACE_H_
#define LUMA_SERVICE_CORE_VAULT_NAMESPACE_H_

namespace luma::service {

#define LUMA_VAULT_NAMESPACE_BASE "urn:nuvak-lumapass/"
inline constexpr char kVaultCoreNamespace[] = LUMA_VAULT_NAMESPACE_BASE "VaultCoreService/";
#undef LUMA_VAULT_NAMESPACE_BASE

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_VAULT_NAMESPACE_H_
