// DER elements read and written through the platform's ASN.1 codec, with bytes carried in
// CSecureBuffer. Where the codec of some platforms lacks a structure (the algorithm identifier, the
// certificate template) or fails on it (an otherName among the alternative names), a portable
// fallback gives the answer the full codec gives.
#ifndef LUMA_FOUNDATION_WIN_DER_HELPERS_H_
#define LUMA_FOUNDATION_WIN_DER_HELPERS_H_

#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <string>
#include <vector>

#include "foundation/core/der_structures.h"
#include "foundation/core/secure_buffer.h"

namespace luma {

// Decoders: true on success; on false the outputs are unchanged.
bool DecodeSequenceOfAny(const CSecureBuffer& encoding, std::vector<CSecureBuffer>& elements);  // appends
bool DecodeOctetString(const CSecureBuffer& encoding, CSecureBuffer& octets);
// A DER character string by the rules of luma::der::DecodeText.
bool DecodeUnicodeString(const CSecureBuffer& encoding, std::wstring& text);
bool DecodeBitString(const CSecureBuffer& encoding, CSecureBuffer& bits, DWORD& unusedBits);
bool DecodeInteger(const CSecureBuffer& encoding, LONG& value);
// An explicit context-specific tag in the low-tag-number form: its number and the encoding inside.
bool DecodeContextTag(const CSecureBuffer& encoding, DWORD& tagNumber, CSecureBuffer& inner);
bool DecodeTime(const CSecureBuffer& encoding, FILETIME& time);

// Encoders: true on success with the output replaced; on false the output is unchanged.
bool EncodeUTF8String(const CSecureBuffer& utf16, CSecureBuffer& encoding);
bool EncodeIA5String(const std::wstring& text, CSecureBuffer& encoding);
bool EncodeIA5String(const CSecureBuffer& utf16, CSecureBuffer& encoding);
bool EncodeOctetString(const CSecureBuffer& octets, CSecureBuffer& encoding);
bool EncodeSequenceOfAny(const std::vector<CSecureBuffer>& elements, CSecureBuffer& encoding);

// Certificate structures, platform codec first.
bool EncodeAlgorithmIdentifier(const std::string& oid, CSecureBuffer& encoding);  // NULL parameters
bool DecodeAlgorithmIdentifier(const CSecureBuffer& encoding, std::string& oid);
bool DecodeCertificateTemplate(const CSecureBuffer& encoding, luma::der::CertificateTemplate& value);
bool DecodeSubjectAltName(const CSecureBuffer& encoding, std::vector<luma::der::AltName>& names);

// The CryptoAPI id and CNG name of a hash algorithm OID: false (id 0xFFFFFFFF, empty name) when
// the platform does not know it. The name comes from a built-in table when the platform has none.
bool LookupHashAlgorithm(const std::string& oid, ALG_ID& algId, std::wstring& cngName);

}  // namespace luma

#endif  // LUMA_FOUNDATION_WIN_DER_HELPERS_H_
