// A module-wide object that the module's unload destroys but the end of its process does not.
//
// When a process exits with a module loaded, the loader detaches the DLLs in an order of its own:
// the providers and system DLLs an object's destructor would call (the key providers, rsaenh,
// ncrypt) may be detached already, and the loader lock is held. A function-local static would still
// be destroyed then, right after DllMain. This holder is built on first use and destroyed only by
// Destroy(), which the module's DllMain calls when it is unloaded with FreeLibrary; at process exit
// the object is left to the end of the process on purpose.
#ifndef LUMA_PLUGINS_DIAGNOSTICS_UNLOAD_ONLY_OBJECT_H_
#define LUMA_PLUGINS_DIAGNOSTICS_UNLOAD_ONLY_OBJECT_H_

#include <atomic>
#include <mutex>
#include <new>
#include <type_traits>

namespace luma::diagnostics {

template <typename T>
class CUnloadOnlyObject {
 public:
  // No destructor of its own: a static holder registers nothing to run at process exit.
  constexpr CUnloadOnlyObject() = default;
  CUnloadOnlyObject(const CUnloadOnlyObject&) = delete;
  CUnloadOnlyObject& operator=(const CUnloadOnlyObject&) = delete;

  // Built by the first call (thread-safe); the constructor's exception passes through.
  T& Get() {
    std::call_once(once, [this] {
      new (&storage) T();
      built.store(true);
    });
    return *std::launder(reinterpret_cast<T*>(&storage));
  }

  // Destroys the object when it was built. Only while the module is being unloaded and no other
  // thread is inside it.
  void Destroy() noexcept {
    if (built.exchange(false)) std::launder(reinterpret_cast<T*>(&storage))->~T();
  }

 private:
  std::once_flag once;
  std::atomic<bool> built{false};
  alignas(T) unsigned char storage[sizeof(T)] = {};
};

}  // namespace luma::diagnostics

#endif  // LUMA_PLUGINS_DIAGNOSTICS_UNLOAD_ONLY_OBJECT_H_
