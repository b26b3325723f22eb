#include "plugins/common/bcrypt_hash.h"

#include <vector>

#include "foundation/win/der_helpers.h"
#include "plugins/common/core/pkcs1_blocks.h"

CBCryptHash::CBCryptHash(const wchar_t* algorithmName) noexcept {
  status = BCryptOpenAlgorithmProvider(algorithm.put(), algorithmName, nullptr, 0);
  if (status != 0) return;
  ULONG written = 0;
  status = BCryptGetProperty(algorithm.get(), BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&digestLength),
                             sizeof(digestLength), &written, 0);
  if (status != 0) return;
  status = BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0);
}

bool CBCryptHash::Hash(const void* data, DWORD size) noexcept {
  if (status != 0) return false;
  status = BCryptHashData(hash.get(), static_cast<PUCHAR>(const_cast<void*>(data)), size, 0);
  return status == 0;
}

CSecureBuffer CBCryptHash::Finish() noexcept {
  if (status != 0 || digestLength == 0) return CSecureBuffer();
  CSecureBuffer digest(digestLength);
  if (digest.size != digestLength) return CSecureBuffer();
  status = BCryptFinishHash(hash.get(), digest.data, digest.size, 0);
  return status == 0 ? digest : CSecureBuffer();
}

namespace luma::plugin {

CSecureBuffer HashBytes(const wchar_t* algorithmName, const CSecureBuffer& bytes) noexcept {
  CBCryptHash hash(algorithmName);
  if (!bytes.empty()) hash.Hash(bytes.data, bytes.size);
  return hash.Finish();
}

bool BuildPkcs1Type1Block(DWORD algId, const CSecureBuffer& hashValue, DWORD blockLength,
                          CSecureBuffer& block) {
  const DigestAlgorithm algorithm = DigestAlgorithmOf(algId);
  if (algorithm.form == DigestInfoForm::kBareHash) return PadPkcs1Type1(hashValue, blockLength, block);
  if (algorithm.form != DigestInfoForm::kDigestInfo) return false;
  try {
    // The foundation's encoder writes the NULL parameters that RFC 8017's DigestInfo prefixes carry;
    // without them strict verifiers refuse the signature.
    std::vector<CSecureBuffer> elements(2);
    if (!EncodeAlgorithmIdentifier(algorithm.oid, elements[0]) ||
        !EncodeOctetString(hashValue, elements[1])) {
      return false;
    }
    CSecureBuffer digestInfo;
    return EncodeSequenceOfAny(elements, digestInfo) && PadPkcs1Type1(digestInfo, blockLength, block);
  } catch (...) {
    return false;
  }
}

CSecureBuffer Mgf1(const wchar_t* algorithmName, const CSecureBuffer& seed, DWORD maskLength) noexcept {
  const DWORD hashLength = CBCryptHash(algorithmName).digestLength;
  constexpr DWORD kMaxMaskLength = 1 << 16;  // far above any RSA block
  if (hashLength == 0 || maskLength == 0 || maskLength > kMaxMaskLength) return CSecureBuffer();
  CSecureBuffer mask;
  if (!mask.Reserve(maskLength + hashLength)) return CSecureBuffer();
  for (DWORD counter = 0; mask.size < maskLength; ++counter) {
    const BYTE counterBytes[4] = {static_cast<BYTE>(counter >> 24), static_cast<BYTE>(counter >> 16),
                                  static_cast<BYTE>(counter >> 8), static_cast<BYTE>(counter)};
    CBCryptHash hash(algorithmName);
    if (!seed.empty()) hash.Hash(seed.data, seed.size);
    hash.Hash(counterBytes, sizeof(counterBytes));
    const CSecureBuffer digest = hash.Finish();
    if (digest.size != hashLength) return CSecureBuffer();
    mask.Append(digest.size, digest.data);
  }
  mask.size = maskLength;
  return mask;
}

CSecureBuffer DecodeOaep(const CSecureBuffer& encoded, const wchar_t* algorithmName,
                         const CSecureBuffer& label) noexcept {
  const CSecureBuffer labelHash = HashBytes(algorithmName, label);
  const DWORD hashLength = labelHash.size;
  if (!OaepBlockFits(encoded.size, hashLength)) return CSecureBuffer();
  const CSecureBuffer maskedSeed(hashLength, encoded.data + 1);
  const DWORD dataLength = encoded.size - hashLength - 1;
  const CSecureBuffer maskedData(dataLength, encoded.data + 1 + hashLength);
  const CSecureBuffer seed = XorBuffers(maskedSeed, Mgf1(algorithmName, maskedData, hashLength));
  const CSecureBuffer dataBlock = XorBuffers(maskedData, Mgf1(algorithmName, seed, dataLength));
  return ExtractOaepMessage(encoded.data[0], dataBlock, labelHash);
}

}  // namespace luma::plugin
