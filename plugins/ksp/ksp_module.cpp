#include "plugins/ksp/ksp_module.h"

#include <utility>

namespace luma::ksp {

namespace {

struct EnumStateRegistry {
  CWinMutex mutex;
  std::map<const void*, std::unique_ptr<CKSPKeyEnumState>> states;
};

EnumStateRegistry& enumStateRegistry() {
  static EnumStateRegistry registry;
  return registry;
}

}  // namespace

bool RegisterEnumState(std::unique_ptr<CKSPKeyEnumState> state) {
  auto& registry = enumStateRegistry();
  auto lock = registry.mutex.lock();
  if (!lock.isLocked()) return false;
  try {
    const void* key = state.get();
    registry.states.emplace(key, std::move(state));
    return true;
  } catch (...) {
    return false;
  }
}

bool NextFromEnumState(const void* state, std::shared_ptr<CKeyContainer>& container) {
  auto& registry = enumStateRegistry();
  auto lock = registry.mutex.lock();
  if (!lock.isLocked()) return false;
  const auto found = registry.states.find(state);
  if (found == registry.states.end()) return false;
  found->second->Next(container);
  return true;
}

bool ReleaseEnumState(const void* state) {
  std::unique_ptr<CKSPKeyEnumState> released;
  auto& registry = enumStateRegistry();
  auto lock = registry.mutex.lock();
  if (!lock.isLocked()) return false;
  const auto found = registry.states.find(state);
  if (found == registry.states.end()) return false;
  released = std::move(found->second);
  registry.states.erase(found);
  return true;
}

}  // namespace luma::ksp
