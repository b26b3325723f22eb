// The MSXML 6 identifiers that MinGW's headers lack, from the published interface definitions.
#ifndef LUMA_SERVICE_SOAP_MSXML6_IDS_H_
#define LUMA_SERVICE_SOAP_MSXML6_IDS_H_

#include <windows.h>
// after windows.h
#include <msxml2.h>

namespace luma::service {

extern const CLSID kClsidSaxXmlReader60;  // {88d96a0c-f192-11d4-a65f-0040963251e5}
extern const IID kIidSaxXmlReader;        // ISAXXMLReader
extern const IID kIidSaxContentHandler;   // ISAXContentHandler

}  // namespace luma::service

#endif  // LUMA_SERVICE_SOAP_MSXML6_IDS_H_
