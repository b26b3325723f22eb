// The body of a web-form post: fields "name=value" joined by "&", each value form-encoded.
#ifndef LUMA_SERVICE_CORE_SOAP_FORM_ENCODING_H_
#define LUMA_SERVICE_CORE_SOAP_FORM_ENCODING_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace luma::service {

// Longest encoded form value the service accepts.
constexpr std::size_t kMaxFormValueLength = 2082;

// Form-encodes the UTF-8 bytes of a value: letters, digits and !'()*-./:_~ stay, a space becomes
// "+", every other byte "%xx" in lower-case hexadecimal. False (and encoded left empty) when the
// result would be longer than kMaxFormValueLength.
bool EncodeFormValue(std::string_view utf8Value, std::string& encoded);

// Appends "name=encodedValue" to the body, after an "&" when the body already holds a field.
void AppendFormField(std::string& body, std::string_view name, std::string_view encodedValue);

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_SOAP_FORM_ENCODING_H_
