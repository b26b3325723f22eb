#include "pkcs11/core/certificate_values.h"

#include <algorithm>

#include "foundation/core/der_codec.h"

namespace luma {
namespace pkcs11 {

CByteBuffer encodeSerialNumber(const CByteBuffer& littleEndianSerial) {
  CByteBuffer content(littleEndianSerial);
  content.reverse();
  CSecureBuffer encoded;
  if (!der::AppendElement(der::kTagInteger, content.data(), content.size(), encoded)) return CByteBuffer();
  return CByteBuffer(encoded.size, encoded.data);
}

CByteBuffer checkValueOf(const CByteBuffer& certificateHash) {
  constexpr std::uint32_t kCheckValueSize = 3;
  return CByteBuffer(std::min(certificateHash.size(), kCheckValueSize), certificateHash.data());
}

CByteBuffer stripLeadingZeros(const CByteBuffer& bigEndian) {
  if (bigEndian.empty()) return CByteBuffer();
  std::uint32_t first = 0;
  while (first < bigEndian.size() && bigEndian.data()[first] == 0) ++first;
  return CByteBuffer(bigEndian.size() - first, bigEndian.data() + first);
}

std::string claimUniqueLabel(std::set<std::string>& used, const std::string& name) {
  std::string candidate = name;
  // Ends: every round tries a new suffix, and only finitely many labels are in use.
  for (unsigned suffix = 2; used.count(candidate) != 0; ++suffix) {
    candidate = name + " [" + std::to_string(suffix) + "]";
  }
  used.insert(candidate);
  return candidate;
}

}  // namespace pkcs11
}  // namespace luma
