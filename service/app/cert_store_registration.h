// The registration of the product's certificate store for the current user: the physical store
// "lumaPassV" under "MY", served by the store provider of lumaPassCertStore, and the system store
// "lumaPassV". The instance that registered the store removes it at its end, and only what it
// registered. After a restart the previous instance may end late and remove the registration that
// this one made: the registration is checked again once that instance has ended.
#ifndef LUMA_SERVICE_APP_CERT_STORE_REGISTRATION_H_
#define LUMA_SERVICE_APP_CERT_STORE_REGISTRATION_H_

#include <windows.h>

#include <memory>
#include <mutex>

#include "foundation/win/unique_handle.h"

namespace luma::app {

// The four system calls, replaceable so that tests can count them.
class CCertStoreRegistrar {
 public:
  virtual ~CCertStoreRegistrar() = default;
  virtual bool RegisterPhysicalStore();
  virtual bool RegisterSystemStore();
  virtual bool UnregisterPhysicalStore();
  virtual bool UnregisterSystemStore();
};

class CCertStoreRegistration {
 public:
  explicit CCertStoreRegistration(
      std::unique_ptr<CCertStoreRegistrar> registrar = std::make_unique<CCertStoreRegistrar>());
  // Stops the check thread; does not unregister.
  ~CCertStoreRegistration();
  CCertStoreRegistration(const CCertStoreRegistration&) = delete;
  CCertStoreRegistration& operator=(const CCertStoreRegistration&) = delete;

  // The physical store, then (only when that succeeded) the system store; true when both succeeded.
  bool Register();
  // Removes what Register registered: the physical store, then (only when that succeeded) the system
  // store; true when both were removed. Nothing when nothing was registered.
  bool Unregister();
  bool IsRegistered() const;

  // Waits on a thread for the previous instance's process to end and then registers again, when this
  // instance holds a registration. Unregister and the destructor end the wait first.
  void CheckAgainWhenEnded(luma::CKernelHandle previousInstance);

 private:
  void StopCheck();
  void StartCheckThread(HANDLE stop, luma::CKernelHandle previousInstance);
  static DWORD WINAPI CheckThread(void* parameter);
  void Check(HANDLE stop, HANDLE process);

  std::unique_ptr<CCertStoreRegistrar> registrar;
  mutable std::mutex lock;
  bool physicalRegistered = false;
  bool systemRegistered = false;
  luma::CKernelHandle stopCheck;
  luma::CKernelHandle checkThread;
};

}  // namespace luma::app

#endif  // LUMA_SERVICE_APP_CERT_STORE_REGISTRATION_H_
