// An operation a session runs between its Init call and its final call: a search, a signature or
// a decryption. Sessions hold them by shared pointer, so that a call working on one keeps it alive
// while another thread ends or replaces it.
#ifndef LUMA_PKCS11_MODULE_OPERATION_H_
#define LUMA_PKCS11_MODULE_OPERATION_H_

#include <cstdint>

// The kinds a session keeps one operation of each.
enum : std::int32_t {
  kOperationSearch = 1,
  kOperationSign = 2,
  kOperationDecrypt = 3,
};

class Operation {
 public:
  Operation() = default;
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;
  virtual ~Operation() = default;
};

#endif  // LUMA_PKCS11_MODULE_OPERATION_H_
