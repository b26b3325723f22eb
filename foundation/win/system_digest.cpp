// SHA-1 digests as hexadecimal and GUID-form text.
// windows.h first.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include "foundation/win/system_utils.h"
#include "foundation/win/unique_handle.h"

namespace {
constexpr DWORD kSha1Size = 20;
}  // namespace

bool ComputeSha1(const BYTE* data, DWORD length, CSecureBuffer& digest) {
  if (data == nullptr && length != 0) return false;
  // The hash is declared after its provider, so it is destroyed first.
  luma::CCryptProviderHandle provider;
  if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
    return false;
  luma::CCryptHashHandle hash;
  if (!CryptCreateHash(provider.get(), CALG_SHA1, 0, 0, hash.put())) return false;
  if (!CryptHashData(hash.get(), data, length, 0)) return false;
  BYTE value[kSha1Size];
  DWORD size = kSha1Size;
  if (!CryptGetHashParam(hash.get(), HP_HASHVAL, value, &size, 0) || size != kSha1Size) return false;
  digest = CSecureBuffer(kSha1Size, value);
  return digest.size == kSha1Size;
}

std::wstring Sha1Hex(const BYTE* data, DWORD length) {
  CSecureBuffer digest;
  if (!ComputeSha1(data, length, digest)) return std::wstring();
  return BytesToLowerHex(digest.data, digest.size);
}

std::wstring Sha1GuidString(const BYTE* data, DWORD length) {
  CSecureBuffer digest;
  if (!ComputeSha1(data, length, digest)) return std::wstring();
  return FormatGuid(digest.data);
}

std::wstring Sha1GuidString(const CSecureBuffer& data) { return Sha1GuidString(data.data, data.size); }
