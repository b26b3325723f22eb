// Where the printers get a certificate's property values from: the certificate context itself in
// the program, a table of values in the tests (the platform cannot set every property id).
#ifndef LUMA_TOOLS_DUMPSTORE_PROPERTY_READER_H_
#define LUMA_TOOLS_DUMPSTORE_PROPERTY_READER_H_

#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

class CPropertyReader {
 public:
  virtual ~CPropertyReader() = default;

  // The value's size in bytes; false when the certificate does not carry the property.
  virtual bool GetPropertySize(DWORD propId, DWORD& size) = 0;
  // Copies the value into `buffer` of `size` bytes and sets `size` to the value's size; false when
  // the property is missing or the buffer is too small. Structures with pointers (key provider
  // information) point into `buffer`.
  virtual bool GetProperty(DWORD propId, BYTE* buffer, DWORD& size) = 0;
  // The enhanced key usage held by the certificate's property only (not its extension), in the
  // same two steps: size query with a null `usage`, then the read into a CERT_ENHKEY_USAGE block.
  virtual bool GetEnhancedKeyUsage(CERT_ENHKEY_USAGE* usage, DWORD& size) = 0;
};

// Reads the properties of one certificate context (which must outlive the reader).
class CCertificatePropertyReader : public CPropertyReader {
 public:
  explicit CCertificatePropertyReader(PCCERT_CONTEXT certificate) : m_certificate(certificate) {}

  bool GetPropertySize(DWORD propId, DWORD& size) override;
  bool GetProperty(DWORD propId, BYTE* buffer, DWORD& size) override;
  bool GetEnhancedKeyUsage(CERT_ENHKEY_USAGE* usage, DWORD& size) override;

 private:
  PCCERT_CONTEXT m_certificate;
};

#endif  // LUMA_TOOLS_DUMPSTORE_PROPERTY_READER_H_
