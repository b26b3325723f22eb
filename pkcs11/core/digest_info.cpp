#include "pkcs11/core/digest_info.h"

#include <cstring>
#include <string>
#include <vector>

#include "foundation/core/der_codec.h"
#include "foundation/core/der_structures.h"

namespace luma {
namespace pkcs11 {

CK_RV parseSignedDigest(const CByteBuffer& input, CSignedDigest& out) {
  if (input.size() == kSsl3HashPairSize) {
    out.hash = input;
    out.algId = kAlgSsl3ShaMd5;
    out.cngName = nullptr;
    return CKR_OK;
  }
  // SEQUENCE { SEQUENCE { OBJECT IDENTIFIER, parameters OPTIONAL }, OCTET STRING }
  der::Element digestInfo;
  std::vector<der::Element> parts;
  if (!der::ReadWholeElement(input.data(), input.size(), digestInfo) || digestInfo.tag != der::kTagSequence ||
      !der::ReadChildren(digestInfo, parts) || parts.size() != 2 || parts[0].tag != der::kTagSequence ||
      parts[1].tag != der::kTagOctetString) {
    return CKR_DATA_LEN_RANGE;
  }
  std::vector<der::Element> algorithm;
  std::string oid;
  if (!der::ReadChildren(parts[0], algorithm) || algorithm.empty() || algorithm.size() > 2 ||
      algorithm[0].tag != der::kTagOid ||
      !der::DecodeOid(algorithm[0].content, algorithm[0].contentSize, oid)) {
    return CKR_DATA_LEN_RANGE;
  }
  const der::DigestInfoHash* known = der::DigestInfoHashOfOid(oid);
  // A hash shorter or longer than its algorithm's would be signed as something it is not.
  if (known != nullptr && parts[1].contentSize != known->hashSize) return CKR_DATA_LEN_RANGE;
  CByteBuffer hash(parts[1].contentSize, parts[1].content);
  if (hash.size() != parts[1].contentSize) return CKR_HOST_MEMORY;
  out.hash = std::move(hash);
  out.algId = known != nullptr ? known->algId : kAlgUnknown;
  out.cngName = known != nullptr ? der::CngHashAlgorithmName(known->algId) : nullptr;
  return CKR_OK;
}

}  // namespace pkcs11
}  // namespace luma
