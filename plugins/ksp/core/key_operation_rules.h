// The rules of the key operations that need no platform call: which CNG hash names a signature may
// name, which padding a set of decryption flags asks for, and the longest key the provider works with.
#ifndef LUMA_PLUGINS_KSP_CORE_KEY_OPERATION_RULES_H_
#define LUMA_PLUGINS_KSP_CORE_KEY_OPERATION_RULES_H_

#include "foundation/core/secure_buffer.h"

namespace luma::ksp {

constexpr DWORD kAlgMd2 = 0x8001;
constexpr DWORD kAlgMd4 = 0x8002;

// CNG's RSA keys end at 16384 bits; a longer length from lumaPassV would only size huge blocks.
constexpr DWORD kMaxKeyBits = 16384;

// The CryptoAPI hash id of a CNG hash name, compared exactly (case-sensitive): "MD2", "MD4", "MD5",
// "SHA1", "SHA256", "SHA384", "SHA512"; a null or empty name is the bare hash of TLS client
// authentication (luma::plugin::kAlgSsl3ShaMd5); 0 for every other name.
DWORD HashNameToAlgId(const WCHAR* name);

// The flags of a decryption.
constexpr DWORD kNoPaddingFlag = 0x1;
constexpr DWORD kPkcs1PaddingFlag = 0x2;
constexpr DWORD kOaepPaddingFlag = 0x4;
constexpr DWORD kSilentFlag = 0x40;

enum class DecryptPadding { kNone, kPkcs1, kOaep, kRefused };

// The one padding the flags name; kRefused for a flag outside the three paddings and the silent
// flag, and for none or more than one padding.
DecryptPadding DecryptPaddingOf(DWORD flags);

}  // namespace luma::ksp

#endif  // LUMA_PLUGINS_KSP_CORE_KEY_OPERATION_RULES_H_
