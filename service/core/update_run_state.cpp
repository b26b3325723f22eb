#include "service/core/update_run_state.h"

namespace luma::service {

CUpdateRunState::Request CUpdateRunState::RequestUpdate() {
  if (!running) {
    running = true;
    activated = false;
    passRequested = false;
    return Request::kStartRun;
  }
  if (!activated) return Request::kJoinsRun;
  passRequested = true;
  return Request::kExtraPass;
}

bool CUpdateRunState::FinishPass() {
  const bool again = passRequested;
  passRequested = false;
  if (!again) running = false;
  return again;
}

}  // namespace luma::service
