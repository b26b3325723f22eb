// Failures of a conversation with the remote signing service, shown to the user or logged: the
// HTTP status (0 without an answer, or a pseudo-status of the thrower), an error code, an English
// message and, for a redirect, its target.
#ifndef LUMA_SERVICE_VAULT_WEB_SERVICE_EXCEPTION_H_
#define LUMA_SERVICE_VAULT_WEB_SERVICE_EXCEPTION_H_

#include <cstdint>
#include <string>

class CWebServiceException {
 public:
  CWebServiceException(std::int32_t status, std::int32_t error, std::wstring message)
      : status(status), error(error), message(std::move(message)) {}
  CWebServiceException(const CWebServiceException&) = default;
  CWebServiceException& operator=(const CWebServiceException&) = default;
  virtual ~CWebServiceException() = default;

  std::int32_t GetStatus() const { return status; }
  std::int32_t GetError() const { return error; }
  const std::wstring& GetMessage() const { return message; }
  // The Location of a 3xx answer, else empty.
  const std::wstring& GetExtra() const { return extra; }
  void SetExtra(std::wstring value) { extra = std::move(value); }

 private:
  std::int32_t status;
  std::int32_t error;
  std::wstring message;
  std::wstring extra;
};

// A SOAP call of the service failed.
class CSOAPServiceException : public CWebServiceException {
 public:
  using CWebServiceException::CWebServiceException;
};

// A web-form login failed.
class CAuthenticationException : public CWebServiceException {
 public:
  using CWebServiceException::CWebServiceException;
};

#endif  // LUMA_SERVICE_VAULT_WEB_SERVICE_EXCEPTION_H_
