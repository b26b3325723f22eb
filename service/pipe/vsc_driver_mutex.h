// Tells the virtual smart card reader whether the user's card is present: the card counts as
// inserted while the mutex "Global\<name>" exists, that is while this object holds it open.
#ifndef LUMA_SERVICE_PIPE_VSC_DRIVER_MUTEX_H_
#define LUMA_SERVICE_PIPE_VSC_DRIVER_MUTEX_H_

#include <windows.h>

#include <string>

#include "foundation/core/mutex_obj.h"
#include "foundation/win/unique_handle.h"

class CVSCDriverMutex {
 public:
  // `name` is the "SmartCardCommunicationGUID" setting, without the "Global\" prefix.
  explicit CVSCDriverMutex(const std::wstring& name) : name(name) {}
  virtual ~CVSCDriverMutex();
  CVSCDriverMutex(const CVSCDriverMutex&) = delete;
  CVSCDriverMutex& operator=(const CVSCDriverMutex&) = delete;

  // Creates the mutex: true when this call opened it; false when it was already open or could not
  // be created (then a later call tries again).
  bool Create();
  // Closes the mutex: true when it was open.
  bool Destroy();

 private:
  CMutexObj lock;  // makes each call atomic with respect to the handle
  luma::CKernelHandle handle;
  std::wstring name;
};

#endif  // LUMA_SERVICE_PIPE_VSC_DRIVER_MUTEX_H_
