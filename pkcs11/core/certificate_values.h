// Values the token derives from a certificate without the platform: the DER serial number, the
// check value, RSA integers without leading zeros, and the unique object labels of a slot.
#ifndef LUMA_PKCS11_CORE_CERTIFICATE_VALUES_H_
#define LUMA_PKCS11_CORE_CERTIFICATE_VALUES_H_

#include <set>
#include <string>

#include "pkcs11/core/byte_buffer.h"

namespace luma {
namespace pkcs11 {

// The serial number as a DER INTEGER (tag, length, content) from the content bytes in the order
// CryptoAPI keeps them (least significant first). Long serial numbers get the long length form.
CByteBuffer encodeSerialNumber(const CByteBuffer& littleEndianSerial);

// The first three bytes of a certificate's SHA-1 hash (all of it when shorter).
CByteBuffer checkValueOf(const CByteBuffer& certificateHash);

// The integer without its leading zero bytes; all zeros give an empty buffer.
CByteBuffer stripLeadingZeros(const CByteBuffer& bigEndian);

// The label for a certificate whose display name is `name`: the name itself while unused, else the
// name followed by " [2]", " [3]", ... whichever is free first. The label is added to `used`.
std::string claimUniqueLabel(std::set<std::string>& used, const std::string& name);

}  // namespace pkcs11
}  // namespace luma

#endif  // LUMA_PKCS11_CORE_CERTIFICATE_VALUES_H_
