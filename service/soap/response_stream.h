// A read-only COM stream over a response body held in memory; the bytes are wiped when the last
// reference goes. The SAX reader parses the service's answers from it.
#ifndef LUMA_SERVICE_SOAP_RESPONSE_STREAM_H_
#define LUMA_SERVICE_SOAP_RESPONSE_STREAM_H_

#include <windows.h>
// after windows.h
#include <objidl.h>
#include <wrl/client.h>

#include <string>

namespace luma::service {

// Takes the body over (the caller's string is left empty); null when out of memory.
Microsoft::WRL::ComPtr<IStream> MakeResponseStream(std::string&& body);

}  // namespace luma::service

#endif  // LUMA_SERVICE_SOAP_RESPONSE_STREAM_H_
