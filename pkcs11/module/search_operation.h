// A search a session runs from C_FindObjectsInit to C_FindObjectsFinal: the handles that matched
// the template when it started, and how many of them were handed out.
#ifndef LUMA_PKCS11_MODULE_SEARCH_OPERATION_H_
#define LUMA_PKCS11_MODULE_SEARCH_OPERATION_H_

#include <cstddef>
#include <vector>

#include "pkcs11/core/cryptoki.h"
#include "pkcs11/module/operation.h"

class SearchOperation : public Operation {
 public:
  std::vector<CK_OBJECT_HANDLE>& getHandles() { return handles; }
  // Writes up to `room` of the handles not handed out yet; returns how many.
  CK_ULONG takeNext(CK_OBJECT_HANDLE* target, CK_ULONG room);

 private:
  std::size_t position = 0;
  std::vector<CK_OBJECT_HANDLE> handles;
};

#endif  // LUMA_PKCS11_MODULE_SEARCH_OPERATION_H_
