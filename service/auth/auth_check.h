// One silent login attempt on a thread of its own, started before the interactive authentication
// shows any page: when the account's session is still alive at the remote service and the PIN is
// still cached, the user is asked for neither. A session the service reports as gone (a redirect
// to its own login pages) leaves the token cache, so the authentication asks for a login again.
// Held through shared pointers, one by the caller and one by the attempt's thread.
#ifndef LUMA_SERVICE_AUTH_AUTH_CHECK_H_
#define LUMA_SERVICE_AUTH_AUTH_CHECK_H_

#include <windows.h>

#include <functional>
#include <memory>

#include "foundation/core/mutex_obj.h"
#include "foundation/win/unique_handle.h"
#include "service/auth/auth_context.h"
#include "service/auth/auth_result.h"

class CVaultCoreSOAPClient;

class CAuthCheck {
 public:
  using ThreadProc = unsigned(__stdcall*)(void*);
  // Starts a thread as _beginthreadex does: its handle, or 0 when none was started.
  using ThreadStarter = std::function<uintptr_t(ThreadProc, void*)>;
  // Sees the client before its call; for the tests of the transport.
  using ClientObserver = std::function<void(CVaultCoreSOAPClient&)>;

  // Returns once the attempt's thread holds its own reference. When no thread can be started the
  // check is returned finished, with an empty result.
  static std::shared_ptr<CAuthCheck> Start(const std::shared_ptr<CAuthContext>& context);
  static std::shared_ptr<CAuthCheck> Start(const std::shared_ptr<CAuthContext>& context,
                                           const ThreadStarter& startThread,
                                           ClientObserver observer = nullptr);

  // True at once when finished; otherwise waits for the thread without time limit.
  bool Wait();

  CAuthCheck(const CAuthCheck&) = delete;
  CAuthCheck& operator=(const CAuthCheck&) = delete;
  virtual ~CAuthCheck();

  // Read after Wait.
  CAuthResult result;

 private:
  struct Key {};

 public:
  CAuthCheck(Key, std::shared_ptr<CAuthContext> context, ClientObserver observer);

 private:
  static unsigned __stdcall ThreadMain(void* parameter);
  void Run();
  void CheckSession();
  void TakeCachedPin();
  bool IsStarted();

  CMutexObj lock;
  std::shared_ptr<CAuthContext> context;
  ClientObserver observer;
  bool finished = false;
  bool started = false;
  luma::CKernelHandle thread;
};

#endif  // LUMA_SERVICE_AUTH_AUTH_CHECK_H_
