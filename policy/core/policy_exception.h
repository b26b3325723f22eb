// The error of a signed policy that cannot be verified or decoded; its text is shown to the user
// or written to the log.
#ifndef LUMA_POLICY_CORE_POLICY_EXCEPTION_H_
#define LUMA_POLICY_CORE_POLICY_EXCEPTION_H_

#include "foundation/core/platform.h"

class CPolicyException {
 public:
  explicit CPolicyException(const WString& message) : message(message) {}
  CPolicyException(const CPolicyException& other) = default;
  virtual ~CPolicyException() = default;

  WString GetMessage() const { return message; }

 private:
  WString message;
};

#endif  // LUMA_POLICY_CORE_POLICY_EXCEPTION_H_
