// The protocol handler's record of PINs validated outside the pipe protocol: per PIN identifier, a
// random token handed to the client (who proves possession of it later) and the PIN, protected
// with DPAPI while it sits in memory. Shared by all sessions and clients.
#ifndef LUMA_SERVICE_PINS_SESSION_PIN_CACHE_H_
#define LUMA_SERVICE_PINS_SESSION_PIN_CACHE_H_

#include <windows.h>

#include <map>

#include "foundation/core/cap_notice.h"
#include "foundation/core/mutex_obj.h"
#include "foundation/core/secure_buffer.h"
#include "foundation/win/data_protection.h"

class CSessionPINEntry {
 public:
  CSessionPINEntry() = default;
  CSessionPINEntry(const CSessionPINEntry&) = default;
  CSessionPINEntry(CSessionPINEntry&&) noexcept = default;
  CSessionPINEntry& operator=(const CSessionPINEntry&) = default;
  CSessionPINEntry& operator=(CSessionPINEntry&&) noexcept = default;
  virtual ~CSessionPINEntry() = default;  // the buffers wipe themselves

  CSecureBuffer protectedPin;  // empty when protection failed
  CSecureBuffer token;
  unsigned long long stored = 0;  // when it was stored; the smallest is the oldest
};

class CSessionPINCache {
 public:
  static constexpr DWORD kTokenSize = 16;
  // PIN identifiers remembered; any client names them, so a new one beyond these takes the place of
  // the one stored longest ago.
  static constexpr std::size_t kMaxEntries = 64;

  CSessionPINCache() = default;
  virtual ~CSessionPINCache() = default;
  CSessionPINCache(const CSessionPINCache&) = delete;
  CSessionPINCache& operator=(const CSessionPINCache&) = delete;

  // Creates or replaces the entry of pinId and hands out its new token. When no random token can be
  // drawn nothing is stored, an existing entry stays as it was, the token is empty and the result is
  // ERROR_INTERNAL_ERROR (the status the PIN request answers with); otherwise 0.
  DWORD Store(int pinId, const CSecureBuffer& pin, CSecureBuffer& token);
  // True when pinId has an entry whose token equals the given one.
  bool VerifyToken(int pinId, const CSecureBuffer& token) const;
  // Drops the entry of pinId, if any.
  void Remove(int pinId);
  std::size_t Count() const;
  const luma::CCapNotice& CapNotice() const { return capNotice; }

  // kTokenSize random bytes; empty when no random generator answered.
  static CSecureBuffer GenerateToken();

 private:
  mutable CMutexObj lock;  // guards the entries; every operation holds it throughout
  CDataProtection protector;
  std::map<int, CSessionPINEntry> entries;
  unsigned long long nextStored = 0;
  luma::CCapNotice capNotice{L"session PIN entries", kMaxEntries};
};

#endif  // LUMA_SERVICE_PINS_SESSION_PIN_CACHE_H_
