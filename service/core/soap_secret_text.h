// Growing a narrow text that may hold secrets (form passwords, response bodies) without leaving
// copies behind in freed memory.
#ifndef LUMA_SERVICE_CORE_SOAP_SECRET_TEXT_H_
#define LUMA_SERVICE_CORE_SOAP_SECRET_TEXT_H_

#include <string>
#include <string_view>

namespace luma::service {

// Appends the text; when the target must grow, its old block is wiped before it is freed.
void AppendWiping(std::string& target, std::string_view text);

// Wipes the text's characters and empties it.
void WipeText(std::string& text);

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_SOAP_SECRET_TEXT_H_
