#include "plugins/ksp/ksp_properties.h"

#include <cwchar>
#include <string>

#include "plugins/common/core/container_record.h"

namespace luma::ksp {

using luma::plugin::kAtSignature;

namespace {

constexpr DWORD kImplHardwareRemovable = 9;  // NCRYPT_IMPL_HARDWARE_FLAG | NCRYPT_IMPL_REMOVABLE_FLAG
constexpr DWORD kMaxNameLength = 39;
constexpr DWORD kProviderVersion = 0x10000;
constexpr DWORD kAllowSigning = 2;
constexpr DWORD kAllowDecryptAndSigning = 3;

CSecureBuffer Dword(DWORD value) { return CSecureBuffer(sizeof(value), &value); }

// UTF-16 with its terminating zero.
CSecureBuffer Text(const std::wstring& text) {
  return CSecureBuffer(static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), text.c_str());
}

bool Is(const wchar_t* name, const wchar_t* expected) { return std::wcscmp(name, expected) == 0; }

// The properties both tables share.
bool CommonValue(CKSPContext& context, const wchar_t* name, CSecureBuffer& value) {
  if (Is(name, L"Max Name Length")) {
    value = Dword(kMaxNameLength);
  } else if (Is(name, L"Use Context")) {
    value = context.GetUseContext();
  } else if (Is(name, L"Security Descr Support")) {
    value = Dword(0);
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool ProviderPropertyValue(CKSPContext& context, const wchar_t* name, CSecureBuffer& value) {
  if (Is(name, L"Impl Type")) {
    value = Dword(kImplHardwareRemovable);
  } else if (Is(name, L"Name")) {
    value = Text(context.GetProviderName());
  } else if (Is(name, L"Version")) {
    value = Dword(kProviderVersion);
  } else {
    return CommonValue(context, name, value);
  }
  return true;
}

bool KeyPropertyValue(CKSPContext& context, const CKSPKey& key, const wchar_t* name, CSecureBuffer& value) {
  const CKeyContainer& container = *key.container;
  if (Is(name, L"Key Type") || Is(name, L"Export Policy")) {
    value = Dword(0);
  } else if (Is(name, L"Key Usage")) {
    value = Dword(container.keySpec == kAtSignature ? kAllowSigning : kAllowDecryptAndSigning);
  } else if (Is(name, L"Algorithm Group") || Is(name, L"Algorithm Name")) {
    value = Text(L"RSA");
  } else if (Is(name, L"Length")) {
    value = Dword(container.keyBits);
  } else if (Is(name, L"Block Length")) {
    value = Dword(container.keyBits / 8);
  } else if (Is(name, L"SmartCardKeyCertificate")) {
    value = container.certificate;
  } else if (Is(name, L"Name") || Is(name, L"Unique Name")) {
    value = Text(container.name);
  } else if (Is(name, L"CLR IsEphemeral")) {
    const BYTE ephemeral = 0;
    value = CSecureBuffer(1, &ephemeral);
  } else {
    return CommonValue(context, name, value);
  }
  return true;
}

}  // namespace luma::ksp
