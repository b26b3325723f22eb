// Lets the remote calls of a group of threads be cut short from another thread: the program's
// shut-down aborts the calls of its request workers and of the automatic provisioning, which may
// otherwise wait for a slow service until their time-out.
//
// A thread joins a group for a while with CCallAbortScope; every transport it creates meanwhile
// attaches its WinINet session to the group. Abort closes the request and session handles of every
// attached transport (WinINet then ends a call blocked on them with an error) and makes every later
// call fail at once. A transport closes its own handles through the group, so that a handle Abort
// has closed is never closed twice.
#ifndef LUMA_SERVICE_SOAP_CALL_ABORT_H_
#define LUMA_SERVICE_SOAP_CALL_ABORT_H_

#include <windows.h>
// after windows.h
#include <wininet.h>

#include <memory>
#include <vector>

#include "foundation/core/mutex_obj.h"

namespace luma::service {

class CCallAbort {
 public:
  CCallAbort() = default;
  CCallAbort(const CCallAbort&) = delete;
  CCallAbort& operator=(const CCallAbort&) = delete;

  // Closes the handles of every attached transport; later attachments are refused.
  void Abort() noexcept;
  bool IsAborted() const;
  // How many transports are attached now.
  size_t AttachedCount() const;

  // The transport's side. Attach: false once aborted (the caller then closes the session itself).
  bool Attach(HINTERNET session);
  // The request handle the transport is about to block on; null when it has none.
  void SetRequest(HINTERNET session, HINTERNET request);
  // Closes one handle of an attached session (the session itself last, which detaches it), unless
  // Abort closed the session already: its handles went with it. A session that is not attached is
  // closed plainly.
  void Close(HINTERNET session, HINTERNET handle) noexcept;

 private:
  struct Attached {
    HINTERNET session;
    HINTERNET request;
  };

  mutable CMutexObj lock;
  bool aborted = false;
  std::vector<Attached> attached;
  // Sessions Abort has closed whose transports have not detached yet.
  std::vector<HINTERNET> closedByAbort;
};

// Makes a group the calling thread's until the end of the block (the previous one afterwards).
class CCallAbortScope {
 public:
  explicit CCallAbortScope(std::shared_ptr<CCallAbort> group);
  ~CCallAbortScope();
  CCallAbortScope(const CCallAbortScope&) = delete;
  CCallAbortScope& operator=(const CCallAbortScope&) = delete;

  // The calling thread's group; null outside every scope.
  static std::shared_ptr<CCallAbort> Current();

 private:
  std::shared_ptr<CCallAbort> previous;
};

}  // namespace luma::service

#endif  // LUMA_SERVICE_SOAP_CALL_ABORT_H_
