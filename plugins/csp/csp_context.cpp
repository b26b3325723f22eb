#include "plugins/csp/csp_context.h"

#include "foundation/core/string_utils.h"
#include "foundation/win/system_utils.h"
#include "plugins/common/bcrypt_hash.h"
#include "plugins/common/session_containers.h"
#include "plugins/csp/core/container_name.h"
#include "plugins/csp/csp_entry.h"
#include "plugins/csp/csp_module.h"
#include "plugins/diagnostics/function_tracer.h"

using luma::csp::moduleLog;

namespace {

constexpr char kDelegateProviderName[] = "Microsoft Enhanced RSA and AES Cryptographic Provider";
constexpr DWORD kDelegateProviderType = 24;  // PROV_RSA_AES
constexpr DWORD kDelegateFlags = CRYPT_VERIFYCONTEXT | CRYPT_SILENT;
// lumaPassV's key lengths are not trusted: no signature block is built for a key longer than this.
constexpr DWORD kMaxKeyBytes = 2048;
constexpr DWORD kMaxHashBytes = 1024;

void* Address(const void* object) { return const_cast<void*>(object); }

}  // namespace

CCSPHash::CCSPHash(ALG_ID algId, luma::CCryptHashHandle&& delegateHash) noexcept
    : algId(algId), delegateHash(std::move(delegateHash)) {
  moduleLog().print(kLogTrace, "     CCSPHash(0x%08x, %p) -> %p", algId,
                    reinterpret_cast<void*>(this->delegateHash.get()), Address(this));
}

CCSPHash::~CCSPHash() { moduleLog().print(kLogTrace, "     ~CCSPHash %p", Address(this)); }

DWORD CCSPHash::GetValue(CSecureBuffer& value) const {
  DWORD hashSize = 0;
  DWORD size = sizeof(hashSize);
  if (!CryptGetHashParam(delegateHash.get(), HP_HASHSIZE, reinterpret_cast<BYTE*>(&hashSize), &size, 0)) {
    return luma::csp::DelegateError();
  }
  if (hashSize == 0 || hashSize > kMaxHashBytes) return luma::csp::kBadData;
  CSecureBuffer work(hashSize);
  size = work.size;
  if (!CryptGetHashParam(delegateHash.get(), HP_HASHVAL, work.data, &size, 0))
    return luma::csp::DelegateError();
  if (size < work.size) work.size = size;
  value = std::move(work);
  return 0;
}

CCSPKey::CCSPKey(std::shared_ptr<CKeyContainer> container) noexcept : container(std::move(container)) {
  moduleLog().print(kLogTrace, "     CCSPKey(%p) -> %p", Address(this->container.get()), Address(this));
}

CCSPKey::~CCSPKey() { moduleLog().print(kLogTrace, "     ~CCSPKey %p", Address(this)); }

CCSPWrappedKey::CCSPWrappedKey(luma::CCryptKeyHandle&& delegateKey) noexcept
    : delegateKey(std::move(delegateKey)) {
  moduleLog().print(kLogTrace, "     CCSPWrappedKey(%p) -> %p",
                    reinterpret_cast<void*>(this->delegateKey.get()), Address(this));
}

CCSPWrappedKey::~CCSPWrappedKey() { moduleLog().print(kLogTrace, "     ~CCSPWrappedKey %p", Address(this)); }

CCSPContext::CCSPContext(const char* container, DWORD flags, const VTableProvStruc* vtable)
    : requestedContainer(container != nullptr ? container : ""), acquireFlags(flags), provVTable(vtable) {
  CFunctionTracer tracer(moduleLog(), "CCSPContext::CCSPContext", TraceExitForm::Bool, this);
  if (container != nullptr) {
    moduleLog().print(kLogTrace, "     CCSPContext(%s, 0x%08lx, %p) -> %p", container,
                      static_cast<unsigned long>(flags), Address(vtable), Address(this));
  } else {
    moduleLog().print(kLogTrace, "     CCSPContext(NULL, 0x%08lx, %p) -> %p",
                      static_cast<unsigned long>(flags), Address(vtable), Address(this));
  }
  if (!CryptAcquireContextA(delegateProvider.put(), nullptr, kDelegateProviderName, kDelegateProviderType,
                            kDelegateFlags)) {
    const DWORD error = GetLastError();
    moduleLog().print(kLogError, "       Unable to acquire default provider: 0x%08lx",
                      static_cast<unsigned long>(error));
    tracer.setResult(FALSE, error);
    return;
  }
  moduleLog().print(kLogTrace, "       Acquired default provider 0x%08lx",
                    static_cast<unsigned long>(delegateProvider.get()));

  const luma::csp::ContainerName name =
      luma::csp::SplitContainerName(luma::NarrowToWide(requestedContainer), luma::csp::kReaderName);
  if (name.fullyQualified) {
    moduleLog().print(kLogTrace, "       We have a fully qualified container name");
    moduleLog().print(kLogTrace, "         Reader   : '%S'", name.reader.c_str());
    moduleLog().print(kLogTrace, "         Container: '%S'", name.container.c_str());
  }
  OpenSession(name.reader);
  DWORD count = 0;
  // A reading that throws closes the session: the destructor will not run.
  luma::plugin::OpenSessionAndReadContainers(*sessionClient, sessionId, count, [&](DWORD index) {
    ReadContainer(index, container != nullptr, name.container);
  });
  if (!selectedContainer && container == nullptr && !containers.empty())
    selectedContainer = containers.front();
  tracer.setResult(TRUE);
}

void CCSPContext::OpenSession(const std::wstring& reader) {
  if (moduleLog().isOn(kLogTrace)) {
    moduleLog().print(kLogTrace, "       Process owner SID: %S", luma::GetCurrentUserSidString().c_str());
  }
  pipeClient = std::make_unique<CUnconnectedNamedPipeClient>(luma::csp::CspModule::CurrentPipeName(),
                                                             kPipeTimeoutMilliseconds);
  sessionClient = std::make_unique<CVirtualSmartCardClient>(pipeClient.get(), reader.c_str());
}

void CCSPContext::ReadContainer(DWORD index, bool nameGiven, const std::wstring& wanted) {
  CSecureBuffer containerInfo, keyInfo, certificate;
  if (sessionClient->GetContainerInfo(sessionId, index, containerInfo, keyInfo, certificate) != 0) return;
  auto container = luma::plugin::MakeKeyContainer(containerInfo, keyInfo, std::move(certificate));
  if (container->defaultFlag != 0) {
    containers.insert(containers.begin(), container);
    if (!nameGiven) selectedContainer = container;
  } else {
    containers.push_back(container);
  }
  moduleLog().print(kLogTrace, "       Adding key '%S'", container->name.c_str());
  if (nameGiven && container->name == wanted) selectedContainer = container;
}

CCSPContext::~CCSPContext() {
  CFunctionTracer tracer(moduleLog(), "CCSPContext::~CCSPContext", TraceExitForm::Bool, this);
  // The delegate's keys and hashes go while the delegate context still exists.
  wrappedKeys.Clear();
  hashes.Clear();
  keys.Clear();
  if (sessionClient) {
    sessionClient->CloseSession(sessionId);
    sessionClient.reset();
  }
  pipeClient.reset();
  if (delegateProvider) {
    const HCRYPTPROV released = delegateProvider.get();
    delegateProvider.reset();
    moduleLog().print(kLogTrace, "       Released default provider 0x%08lx",
                      static_cast<unsigned long>(released));
  }
  tracer.setResult(TRUE);
}

HCRYPTKEY CCSPContext::GetUserKey(DWORD keySpec) {
  if (!selectedContainer || selectedContainer->keySpec != keySpec) return 0;
  return keys.Add(std::make_shared<CCSPKey>(selectedContainer));
}

HCRYPTKEY CCSPContext::AddWrappedKey(luma::CCryptKeyHandle&& delegateKey) {
  return wrappedKeys.Add(std::make_shared<CCSPWrappedKey>(std::move(delegateKey)));
}

HCRYPTHASH CCSPContext::CreateHash(ALG_ID algId, DWORD flags) {
  luma::CCryptHashHandle delegateHash;
  if (!CryptCreateHash(delegateProvider.get(), algId, 0, flags, delegateHash.put())) return 0;
  return hashes.Add(std::make_shared<CCSPHash>(algId, std::move(delegateHash)));
}

HCRYPTHASH CCSPContext::DuplicateHash(ALG_ID algId, luma::CCryptHashHandle&& delegateHash) {
  return hashes.Add(std::make_shared<CCSPHash>(algId, std::move(delegateHash)));
}

DWORD CCSPContext::SignData(const CCSPHash& hash, CSecureBuffer& signature) {
  CFunctionTracer tracer(moduleLog(), "CCSPContext::SignData", TraceExitForm::Bool, this);
  CSecureBuffer value;
  DWORD status = selectedContainer && sessionClient ? hash.GetValue(value) : luma::csp::kNoKey;
  if (status == 0) {
    moduleLog().dump("Hash value", value.data, value.size);
    const DWORD blockLength = selectedContainer->keyBits / 8;
    CSecureBuffer block;
    if (blockLength > kMaxKeyBytes ||
        !luma::plugin::BuildPkcs1Type1Block(hash.algId, value, blockLength, block)) {
      status = luma::csp::kBadData;
    } else {
      moduleLog().dump("PKCS#1 padded data", block.data, block.size);
      status = sessionClient->SignData(sessionId, selectedContainer->name, hash.algId, block, signature);
    }
  }
  tracer.setResult(status == 0 ? TRUE : FALSE, status);
  return status;
}

DWORD CCSPContext::DecryptData(const CSecureBuffer& cipherBlock, CSecureBuffer& result) {
  CFunctionTracer tracer(moduleLog(), "CCSPContext::DecryptData", TraceExitForm::Bool, this);
  DWORD status = luma::csp::kNoKey;
  if (selectedContainer && sessionClient) {
    status = sessionClient->DecryptData(sessionId, selectedContainer->name, cipherBlock, result);
  }
  tracer.setResult(status == 0 ? TRUE : FALSE, status);
  return status;
}
