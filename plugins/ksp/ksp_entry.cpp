#include "plugins/ksp/ksp_entry.h"

#include <cstring>

#include "plugins/ksp/ksp_module.h"

namespace luma::ksp {

SECURITY_STATUS ResolveProvider(NCRYPT_PROV_HANDLE handle, std::shared_ptr<CKSPContext>& context) {
  return providerPool().Get(handle, context) ? 0 : kInvalidHandle;
}

SECURITY_STATUS ResolveKey(NCRYPT_PROV_HANDLE provider, NCRYPT_KEY_HANDLE handle,
                           std::shared_ptr<CKSPContext>& context, std::shared_ptr<CKSPKey>& key) {
  if (ResolveProvider(provider, context) != 0 || !context->GetKey(handle, key)) return kInvalidHandle;
  return 0;
}

SECURITY_STATUS WriteOutput(const CSecureBuffer& value, PBYTE output, DWORD outputSize, DWORD* resultSize) {
  *resultSize = value.size;
  moduleLog().print(kLogTrace, "     pcbResult   %p -> %lu", static_cast<void*>(resultSize),
                    static_cast<unsigned long>(value.size));
  if (output == nullptr || outputSize == 0) return 0;
  if (!CheckOutputSize(outputSize, value.size)) return kMoreData;
  if (value.size > 0) std::memcpy(output, value.data, value.size);
  moduleLog().dump("pbOutput", output, value.size);
  return 0;
}

void LogArgument(const char* format, const void* value) { moduleLog().print(kLogTrace, format, value); }

void LogText(const char* label, LPCWSTR text) {
  if (!moduleLog().isOn(kLogTrace)) return;
  if (text == nullptr) {
    moduleLog().print(kLogTrace, "     %-15s (NULL)", label);
  } else {
    moduleLog().print(kLogTrace, "     %-15s '%.*S'", label, 256, text);
  }
}

void LogFlags(DWORD flags) {
  moduleLog().print(kLogTrace, "     dwFlags         0x%08lx", static_cast<unsigned long>(flags));
  moduleLog().print(kLogTrace, "     --");
}

}  // namespace luma::ksp
