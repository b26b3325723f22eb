// A strict DER reader and writer free of the platform's ASN.1 codec. It backs the structures the
// platform codec of some systems cannot handle, so every platform gets the same answer.
#ifndef LUMA_FOUNDATION_CORE_DER_CODEC_H_
#define LUMA_FOUNDATION_CORE_DER_CODEC_H_

#include <string>
#include <vector>

#include "foundation/core/secure_buffer.h"

namespace luma {
namespace der {

enum : BYTE {
  kTagBoolean = 0x01,
  kTagInteger = 0x02,
  kTagBitString = 0x03,
  kTagOctetString = 0x04,
  kTagNull = 0x05,
  kTagOid = 0x06,
  kTagUtf8String = 0x0C,
  kTagNumericString = 0x12,
  kTagPrintableString = 0x13,
  kTagTeletexString = 0x14,
  kTagVideotexString = 0x15,
  kTagIa5String = 0x16,
  kTagGraphicString = 0x19,
  kTagVisibleString = 0x1A,
  kTagGeneralString = 0x1B,
  kTagUniversalString = 0x1C,
  kTagBmpString = 0x1E,
  kTagSequence = 0x30,
  kTagSet = 0x31,
  kClassContext = 0x80,
  kConstructed = 0x20,
};

// One element inside a caller's byte range; the pointers point into that range.
struct Element {
  BYTE tag = 0;
  const BYTE* content = nullptr;
  DWORD contentSize = 0;
  const BYTE* encoding = nullptr;  // tag, length and content
  DWORD encodingSize = 0;
};

// Reads the element at the start of [data, data + size): a one-byte tag (the high-tag-number form
// is refused), a definite length in its shortest form, and content within the range. False on any
// malformation.
bool ReadElement(const BYTE* data, DWORD size, Element& out);

// Reads one element that must fill the range exactly.
bool ReadWholeElement(const BYTE* data, DWORD size, Element& out);

// Splits the content of a constructed element into its elements, which must fill it exactly.
bool ReadChildren(const Element& parent, std::vector<Element>& out);

// Object identifier content octets <-> dotted text ("1.2.840.113549"). Arcs are limited to 32 bits;
// non-minimal encodings are refused.
bool DecodeOid(const BYTE* content, DWORD size, std::string& dotted);
bool EncodeOid(const std::string& dotted, CSecureBuffer& content);

// INTEGER content that fits in a signed 32-bit value, in minimal form.
bool DecodeInt32(const BYTE* content, DWORD size, std::int32_t& value);

// The one reader of DER character strings (policies, certificate names, the service's answers),
// as UTF-16. Accepted, and nothing else:
//   UTF8String (strict: no overlong forms, no encoded surrogates, nothing cut off);
//   NumericString, PrintableString, IA5String, VisibleString: 7-bit characters only;
//   TeletexString, VideotexString, GraphicString, GeneralString: one byte per character (Latin-1);
//   BMPString: big-endian UTF-16 units, an even size; UniversalString: big-endian UCS-4, no
//   surrogates, nothing above U+10FFFF.
// The characters are not checked against each type's smaller alphabet. False for another tag or a
// malformed text; text is then unchanged.
bool DecodeText(const Element& element, WString& text);

// Appends tag, length and content to out. False when memory runs out or the result would exceed
// 4 GiB; out is then unchanged.
bool AppendElement(BYTE tag, const BYTE* content, DWORD size, CSecureBuffer& out);

}  // namespace der
}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_DER_CODEC_H_
