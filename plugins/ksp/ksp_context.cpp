#include "plugins/ksp/ksp_context.h"

#include "plugins/common/bcrypt_hash.h"
#include "plugins/common/core/container_record.h"
#include "plugins/common/session_containers.h"
#include "plugins/diagnostics/function_tracer.h"
#include "plugins/ksp/core/key_operation_rules.h"
#include "plugins/ksp/ksp_functions.h"
#include "plugins/ksp/ksp_module.h"

using luma::ksp::moduleLog;

bool CKSPKeyEnumState::Next(std::shared_ptr<CKeyContainer>& container) {
  if (snapshot.empty()) return false;
  container = std::move(snapshot.front());
  snapshot.pop_front();
  return true;
}

CKSPContext::CKSPContext(const std::wstring& providerName, DWORD flags)
    : providerName(providerName), flags(flags) {
  CFunctionTracer tracer(moduleLog(), "CKSPContext::CKSPContext", TraceExitForm::SecurityStatus, this);
  moduleLog().print(kLogTrace, "     CKSPContext(%S, 0x%08lx) -> %p", providerName.c_str(),
                    static_cast<unsigned long>(flags), static_cast<void*>(this));
  pipeClient = std::make_unique<CUnconnectedNamedPipeClient>(luma::ksp::KspModule::CurrentPipeName(),
                                                             kPipeTimeoutMilliseconds);
  sessionClient = std::make_unique<CVirtualSmartCardClient>(pipeClient.get(), luma::ksp::kReaderName);
  DWORD count = 0;
  tracer.setResult(luma::plugin::OpenSessionAndReadContainers(*sessionClient, sessionId, count,
                                                              [this](DWORD index) { ReadContainer(index); }));
}

void CKSPContext::ReadContainer(DWORD index) {
  CSecureBuffer containerInfo, keyInfo, certificate;
  if (sessionClient->GetContainerInfo(sessionId, index, containerInfo, keyInfo, certificate) != 0) return;
  auto container = luma::plugin::MakeKeyContainer(containerInfo, keyInfo, std::move(certificate));
  moduleLog().print(kLogTrace, "       Adding key '%S'", container->name.c_str());
  containers[luma::plugin::ToLowerWide(container->name)] = std::move(container);
}

CKSPContext::~CKSPContext() {
  CFunctionTracer tracer(moduleLog(), "CKSPContext::~CKSPContext", TraceExitForm::SecurityStatus, this);
  moduleLog().print(kLogTrace, "     ~CKSPContext %p", static_cast<void*>(this));
  keyPool.Clear();
  // The session is closed whether or not it was opened: lumaPassV answers an unknown one with 6.
  tracer.setResult(sessionClient ? sessionClient->CloseSession(sessionId) : 0, 0);
  sessionClient.reset();
  pipeClient.reset();
}

ULONG_PTR CKSPContext::OpenKey(const std::wstring& keyName) {
  const auto found = containers.find(luma::plugin::ToLowerWide(keyName));
  if (found == containers.end()) return 0;
  auto key = std::make_shared<CKSPKey>();
  key->container = found->second;
  return keyPool.Add(key);
}

SECURITY_STATUS CKSPContext::SignData(const CKSPKey& key, const std::wstring& hashName,
                                      const CSecureBuffer& hash, CSecureBuffer& signature) {
  CFunctionTracer tracer(moduleLog(), "CKSPContext::SignData", TraceExitForm::SecurityStatus, this);
  const DWORD algId = luma::ksp::HashNameToAlgId(hashName.c_str());
  if (algId == 0) return static_cast<SECURITY_STATUS>(tracer.setResult(luma::ksp::kInvalidParameter));
  const CKeyContainer& container = *key.container;
  CSecureBuffer block;
  if (container.keyBits > luma::ksp::kMaxKeyBits ||
      !luma::plugin::BuildPkcs1Type1Block(algId, hash, container.keyBits / 8, block)) {
    return static_cast<SECURITY_STATUS>(tracer.setResult(luma::ksp::kBadData));
  }
  moduleLog().dump("PKCS#1 padded data", block.data, block.size);
  return static_cast<SECURITY_STATUS>(
      tracer.setResult(sessionClient->SignData(sessionId, container.name, algId, block, signature)));
}

SECURITY_STATUS CKSPContext::DecryptData(const CKSPKey& key, const CSecureBuffer& cipherBlock,
                                         CSecureBuffer& result) {
  CFunctionTracer tracer(moduleLog(), "CKSPContext::DecryptData", TraceExitForm::SecurityStatus, this);
  return static_cast<SECURITY_STATUS>(
      tracer.setResult(sessionClient->DecryptData(sessionId, key.container->name, cipherBlock, result)));
}

std::unique_ptr<CKSPKeyEnumState> CKSPContext::CreateKeyEnumState() const {
  auto state = std::make_unique<CKSPKeyEnumState>();
  for (const auto& entry : containers) state->snapshot.push_back(entry.second);
  return state;
}

CSecureBuffer CKSPContext::GetUseContext() {
  auto lock = useContextMutex.lock();
  return lock.isLocked() ? useContext : CSecureBuffer();
}

void CKSPContext::SetUseContext(const BYTE* bytes, DWORD size) {
  auto lock = useContextMutex.lock();
  if (!lock.isLocked()) return;
  if (size == 0) {
    useContext.Clear();
  } else {
    useContext = CSecureBuffer(size, bytes);
  }
}
