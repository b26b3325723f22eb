// Secrets kept in memory (cached PINs, tokens, session PINs) protected with DPAPI under 32 random
// bytes of entropy that belong to one instance: a blob opens only with the instance that made it.
// An instance that could draw no random bytes refuses both operations.
#ifndef LUMA_FOUNDATION_WIN_DATA_PROTECTION_H_
#define LUMA_FOUNDATION_WIN_DATA_PROTECTION_H_

#include <windows.h>

#include "foundation/core/secure_buffer.h"

class CDataProtection {
 public:
  CDataProtection();

  // Each replaces its output on success and leaves it unchanged on failure. The platform's output
  // block is wiped before it is freed. They may run on several threads at once.
  bool Protect(const CSecureBuffer& data, CSecureBuffer& protectedData) const;
  bool Unprotect(const CSecureBuffer& protectedData, CSecureBuffer& data) const;

  // Machine scope instead of the current user's; the program's own caches leave it off.
  void SetLocalMachine(bool machineScope) { localMachine = machineScope; }

 private:
  CSecureBuffer entropy;
  bool localMachine = false;
};

#endif  // LUMA_FOUNDATION_WIN_DATA_PROTECTION_H_
