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
constexpr DWORD kMaxDigestSize = 64;  // SHA-512
}  // namespace

namespace luma {

bool ComputeDigest(ALG_ID algorithm, const BYTE* data, DWORD length, CSecureBuffer& digest) {
  if (data == nullptr && length != 0) return false;
  // The AES provider type knows SHA-1 and the SHA-2 family. The hash is declared after its
  // provider, so it is destroyed first.
  CCryptProviderHandle provider;
  if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
    return false;
  CCryptHashHandle hash;
  if (!CryptCreateHash(provider.get(), algorithm, 0, 0, hash.put())) return false;
  if (length != 0 && !CryptHashData(hash.get(), data, length, 0)) return false;
  BYTE value[kMaxDigestSize];
  DWORD size = sizeof(value);
  if (!CryptGetHashParam(hash.get(), HP_HASHVAL, value, &size, 0) || size == 0 || size > sizeof(value)) {
    return false;
  }
  CSecureBuffer result(size, value);
  if (result.size != size) return false;
  digest = std::move(result);
  return true;
}

bool ComputeSha1(const BYTE* data, DWORD length, CSecureBuffer& digest) {
  CSecureBuffer result;
  if (!luma::ComputeDigest(CALG_SHA1, data, length, result) || result.size != kSha1Size) return false;
  digest = std::move(result);
  return true;
}

std::wstring Sha1Hex(const BYTE* data, DWORD length) {
  CSecureBuffer digest;
  if (!ComputeSha1(data, length, digest)) return std::wstring();
  return luma::BytesToLowerHex(digest.data, digest.size);
}

std::wstring Sha1GuidString(const BYTE* data, DWORD length) {
  CSecureBuffer digest;
  if (!ComputeSha1(data, length, digest)) return std::wstring();
  return luma::FormatGuid(digest.data);
}

std::wstring Sha1GuidString(const CSecureBuffer& data) { return Sha1GuidString(data.data, data.size); }

}  // namespace luma
