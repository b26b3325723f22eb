// Feeds arbitrary bytes to the portable DER reader and the certificate structures built on it.
// Whatever decodes must encode back to the same bytes where the structure has one encoding.
#include <cstdlib>
#include <vector>

#include "foundation/core/der_codec.h"
#include "foundation/core/der_structures.h"
#include "foundation/core/pkcs1_padding.h"

namespace {
void Walk(const BYTE* data, DWORD size, int depth) {
  luma::der::Element element;
  DWORD offset = 0;
  while (offset < size && luma::der::ReadElement(data + offset, size - offset, element)) {
    if (element.encodingSize == 0 || element.encodingSize > size - offset) std::abort();
    CSecureBuffer again;
    if (!luma::der::AppendElement(element.tag, element.content, element.contentSize, again) ||
        again != CSecureBuffer(element.encodingSize, element.encoding)) {
      std::abort();  // DER has one encoding per element
    }
    std::string oid;
    if (element.tag == luma::der::kTagOid &&
        luma::der::DecodeOid(element.content, element.contentSize, oid)) {
      CSecureBuffer content;
      if (!luma::der::EncodeOid(oid, content) ||
          content != CSecureBuffer(element.contentSize, element.content)) {
        std::abort();
      }
    }
    WString text;
    luma::der::DecodeText(element, text);
    if ((element.tag & luma::der::kConstructed) && depth < 16)
      Walk(element.content, element.contentSize, depth + 1);
    offset += element.encodingSize;
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  const CSecureBuffer input(static_cast<DWORD>(size), data);
  Walk(input.data, input.size, 0);

  luma::der::AlgorithmIdentifier algorithm;
  if (luma::der::ParseAlgorithmIdentifier(input, algorithm) && algorithm.parameters.size == 2 &&
      algorithm.parameters.data[0] == luma::der::kTagNull) {
    CSecureBuffer encoded;
    if (!luma::der::BuildAlgorithmIdentifier(algorithm.oid, encoded) || encoded != input) std::abort();
  }
  luma::der::CertificateTemplate templateValue;
  luma::der::ParseCertificateTemplate(input, templateValue);
  std::vector<luma::der::AltName> names;
  if (luma::der::ParseSubjectAltName(input, names)) {
    for (const auto& name : names) {
      if (name.choice < luma::der::kAltNameOtherName || name.choice > luma::der::kAltNameRegisteredId)
        std::abort();
    }
  }
  const CSecureBuffer payload = luma::RemovePkcs1Type1Padding(input);
  if (!payload.empty() && payload.size + 11 > input.size) std::abort();  // at least 00 01, 8 x FF, 00
  return 0;
}
