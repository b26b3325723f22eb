// A plug-in's handle table: the handle of an object is its address, and the table keeps a shared
// pointer to it, so that an entry works on its own reference while another thread frees the handle.
#ifndef LUMA_PLUGINS_COMMON_OBJECT_POOL_H_
#define LUMA_PLUGINS_COMMON_OBJECT_POOL_H_

#include <map>
#include <memory>

#include "plugins/diagnostics/win_mutex.h"

// The mutex is held only for the map operation. An object whose last reference is dropped by Remove
// or Clear is destroyed after the mutex is released: its destructor may make a pipe call, which must
// not stall the other threads that look handles up. Handles come from applications and are looked up,
// never dereferenced, so any value is safe to pass.
template <typename Handle, typename T>
class CObjectPool {
 public:
  CObjectPool() = default;
  virtual ~CObjectPool() { Clear(); }
  CObjectPool(const CObjectPool&) = delete;
  CObjectPool& operator=(const CObjectPool&) = delete;

  // The new handle; 0 for an empty pointer or when the lock or memory fails (std::bad_alloc is caught).
  Handle Add(const std::shared_ptr<T>& object) noexcept {
    if (!object) return 0;
    const Handle handle = reinterpret_cast<Handle>(object.get());
    std::shared_ptr<T> replaced;
    auto lock = mutex.lock();
    if (!lock.isLocked()) return 0;
    try {
      std::shared_ptr<T>& slot = entries[handle];
      replaced = std::move(slot);
      slot = object;
    } catch (...) {
      return 0;
    }
    lock.release();
    return handle;
  }

  bool Get(Handle handle, std::shared_ptr<T>& object) noexcept {
    auto lock = mutex.lock();
    if (!lock.isLocked()) return false;
    const auto found = entries.find(handle);
    if (found == entries.end()) return false;
    object = found->second;
    return true;
  }

  bool Remove(Handle handle) noexcept {
    std::shared_ptr<T> removed;
    auto lock = mutex.lock();
    if (!lock.isLocked()) return false;
    const auto found = entries.find(handle);
    if (found == entries.end()) return false;
    removed = std::move(found->second);
    entries.erase(found);
    lock.release();
    return true;  // `removed` goes here, outside the lock
  }

  void Clear() noexcept {
    std::map<Handle, std::shared_ptr<T>> removed;
    auto lock = mutex.lock();
    if (!lock.isLocked()) return;
    removed.swap(entries);
    lock.release();
  }

  bool IsEmpty() noexcept {
    auto lock = mutex.lock();
    return !lock.isLocked() || entries.empty();
  }

 private:
  CWinMutex mutex;
  std::map<Handle, std::shared_ptr<T>> entries;
};

#endif  // LUMA_PLUGINS_COMMON_OBJECT_POOL_H_
