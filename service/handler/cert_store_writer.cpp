// The certificates of the virtual card in their providers' target stores. Failures of single store
// calls are ignored: the next step and the next certificate still run.
#include <string>
#include <vector>

#include "foundation/win/certificate_descriptor.h"
#include "foundation/win/debug_log.h"
#include "foundation/core/policy_id_property.h"
#include "service/core/cert_store_target.h"
#include "service/handler/cert_store_opening.h"
#include "service/handler/vsc_protocol_handler.h"

namespace {

luma::service::CertStoreTarget TargetOf(const CProviderContext& provider) {
  return luma::service::SelectCertStoreTarget(provider.config.TargetCertStoreName,
                                              provider.config.TargetCertStoreType);
}

// The text with its terminating zero.
CRYPT_DATA_BLOB TextBlob(const std::wstring& text) {
  CRYPT_DATA_BLOB blob;
  blob.cbData = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  blob.pbData = reinterpret_cast<BYTE*>(const_cast<wchar_t*>(text.c_str()));
  return blob;
}

// The friendly-name property's text, up to its terminating zero.
std::wstring FriendlyNameOfStored(PCCERT_CONTEXT certificate) {
  const CSecureBuffer bytes = CCertificateDescriptor(certificate).GetFriendlyName();
  const auto* text = reinterpret_cast<const wchar_t*>(bytes.data);
  std::wstring name;
  for (DWORD i = 0; i + 1 < bytes.size && text[i / 2] != L'\0'; i += 2) name.push_back(text[i / 2]);
  return name;
}

}  // namespace

BOOL CVSCProtocolHandler::SetProperty(PCCERT_CONTEXT certificate, DWORD propertyId, DWORD flags,
                                      const void* data) {
  return propertyWriter(certificate, propertyId, flags, data);
}

std::shared_ptr<CProviderContext> CVSCProtocolHandler::ProviderOfCertificate(
    const CCertificatePolicy& certificate) {
  std::shared_ptr<CProviderContext> provider;
  CPolicyPtr policy;
  if (!FindProviderContext(certificate.accountKey, provider, policy)) {
    CDebugLog::Log(LOG_ERROR,
                   L"Unable to find provider configuration for certificate %s to determine target store",
                   certificate.descriptor.GetDescription().c_str());
    return nullptr;
  }
  return provider;
}

void CVSCProtocolHandler::AddToCertStore(const std::vector<CCertificatePolicyPtr>& certificates) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::AddToCertStore");
  for (const CCertificatePolicyPtr& certificate : certificates) {
    if (!certificate) continue;
    const std::shared_ptr<CProviderContext> provider = ProviderOfCertificate(*certificate);
    if (provider) WriteToStore(*provider, *certificate);
  }
}

void CVSCProtocolHandler::RemoveFromCertStore(const std::vector<CCertificatePolicyPtr>& certificates) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::RemoveFromCertStore");
  for (const CCertificatePolicyPtr& certificate : certificates) {
    if (!certificate) continue;
    const std::shared_ptr<CProviderContext> provider = ProviderOfCertificate(*certificate);
    if (provider) DeleteFromStore(*provider, *certificate);
  }
}

// The update thread knows each certificate's provider from its context: a removed account is no
// longer in its provider's list, and a lookup by account would leave its certificates behind.
void CVSCProtocolHandler::AddContextsToCertStore(const std::vector<CCertContext>& contexts) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::AddToCertStore");
  for (const CCertContext& context : contexts) {
    if (!context.certificatePolicy) continue;
    std::shared_ptr<CProviderContext> provider = context.providerContext;
    if (!provider) provider = ProviderOfCertificate(*context.certificatePolicy);
    if (provider) WriteToStore(*provider, *context.certificatePolicy);
  }
}

void CVSCProtocolHandler::RemoveContextsFromCertStore(const std::vector<CCertContext>& contexts) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::RemoveFromCertStore");
  for (const CCertContext& context : contexts) {
    if (!context.certificatePolicy) continue;
    std::shared_ptr<CProviderContext> provider = context.providerContext;
    if (!provider) provider = ProviderOfCertificate(*context.certificatePolicy);
    if (provider) DeleteFromStore(*provider, *context.certificatePolicy);
  }
}

void CVSCProtocolHandler::WriteToStore(const CProviderContext& provider,
                                       const CCertificatePolicy& certificate) {
  const luma::service::CertStoreTarget target = TargetOf(provider);
  DWORD error = 0;
  luma::CCertStoreHandle store = luma::service::OpenTargetCertStore(target, error);
  if (!store) {
    CDebugLog::Log(LOG_INFO, L"Unable to open cert store %s, type %08x: %08x", target.openName.c_str(),
                   target.flags, error);
    return;
  }
  PCCERT_CONTEXT context = certificate.descriptor.GetCertificate();
  const std::wstring description = certificate.descriptor.GetDescription();
  if (context != nullptr) {
    CRYPT_KEY_PROV_INFO keyProvider = {};
    keyProvider.pwszContainerName = const_cast<LPWSTR>(certificate.containerName.c_str());
    keyProvider.pwszProvName = const_cast<LPWSTR>(provider.config.TargetProviderName.c_str());
    keyProvider.dwProvType = provider.config.TargetProviderType;
    keyProvider.dwKeySpec = certificate.descriptor.keySpec;
    SetProperty(context, CERT_KEY_PROV_INFO_PROP_ID, CERT_SET_PROPERTY_IGNORE_PERSIST_ERROR_FLAG,
                &keyProvider);

    const std::wstring friendlyName = FriendlyNameOf(provider, certificate);
    const CRYPT_DATA_BLOB nameBlob = TextBlob(friendlyName);
    SetProperty(context, CERT_FRIENDLY_NAME_PROP_ID, 0, &nameBlob);

    if (certificate.GetDaysUntilExpiry() < 0) {
      const CRYPT_DATA_BLOB archived = {0, nullptr};
      SetProperty(context, CERT_ARCHIVED_PROP_ID, 0, &archived);
    }

    CSecureBuffer policyId = luma::service::PolicyIdPropertyBytes(certificate.accountKey);
    const CRYPT_DATA_BLOB policyIdBlob = {policyId.size, policyId.data};
    SetProperty(context, LUMAPASSV_POLICY_ID_PROP_ID, 0, &policyIdBlob);
    policyId.Clear();

    if (!provider.config.CardReaderImage.empty()) {
      const CRYPT_DATA_BLOB imageBlob = TextBlob(provider.config.CardReaderImage);
      SetProperty(context, CERT_SMART_CARD_READER_PROP_ID, 0, &imageBlob);
    }
    CertAddCertificateContextToStore(store.get(), context, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  }
  CDebugLog::Log(LOG_INFO, L"Adding certificate %s to certificate store %s, type %08x", description.c_str(),
                 target.openName.c_str(), target.flags);
  luma::service::CommitCertStore(store.get());
}

void CVSCProtocolHandler::DeleteFromStore(const CProviderContext& provider,
                                          const CCertificatePolicy& certificate) {
  const luma::service::CertStoreTarget target = TargetOf(provider);
  CDebugLog::Log(LOG_INFO, L"Removing certificate %s from certificate store %s, type %08x",
                 certificate.descriptor.GetDescription().c_str(), target.systemName.c_str(), target.flags);
  DWORD error = 0;
  luma::CCertStoreHandle store = luma::service::OpenTargetCertStore(target, error);
  if (!store) {
    CDebugLog::Log(LOG_ERROR, L"Unable to open cert store %s, type %08x: %08x", target.openName.c_str(),
                   target.flags, error);
    return;
  }
  PCCERT_CONTEXT context = certificate.descriptor.GetCertificate();
  if (context != nullptr) {
    PCCERT_CONTEXT found =
        CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, context, nullptr);
    if (found != nullptr) CertDeleteCertificateFromStore(found);  // frees found
  }
  luma::service::CommitCertStore(store.get());
}

void CVSCProtocolHandler::CleanupCertStore() {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::CleanupCertStore");
  for (const std::shared_ptr<CProviderContext>& provider : GetProviderContexts()) {
    std::list<CPolicyPtr> policies;
    provider->GetPolicies(policies);
    if (policies.empty()) continue;
    const std::wstring prefix =
        luma::service::FriendlyNamePrefixText(provider->config.FriendlyNamePrefix, GetFriendlyNamePrefix());
    DWORD error = 0;
    luma::CCertStoreHandle store = luma::service::OpenTargetCertStore(TargetOf(*provider), error);
    if (!store) continue;
    std::vector<luma::CCertContextHandle> ours;
    PCCERT_CONTEXT enumerated = nullptr;
    while ((enumerated = CertEnumCertificatesInStore(store.get(), enumerated)) != nullptr) {
      if (luma::service::HasFriendlyNamePrefix(FriendlyNameOfStored(enumerated), prefix)) {
        ours.emplace_back(CertDuplicateCertificateContext(enumerated));
      }
    }
    for (const luma::CCertContextHandle& certificate : ours) {
      PCCERT_CONTEXT found = CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING,
                                                        certificate.get(), nullptr);
      if (found != nullptr) CertDeleteCertificateFromStore(found);
    }
    luma::service::CommitCertStore(store.get());
  }
}
