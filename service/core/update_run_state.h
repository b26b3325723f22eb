// The bookkeeping of the certificate update runs: whether a run is in progress, whether it has
// taken the pending certificates yet, and whether it owes another pass. The owner keeps it under
// the lock that guards the certificate lists; every decision is one call, so a change is never
// left between a run that is ending and one that is not started.
#ifndef LUMA_SERVICE_CORE_UPDATE_RUN_STATE_H_
#define LUMA_SERVICE_CORE_UPDATE_RUN_STATE_H_

namespace luma::service {

class CUpdateRunState {
 public:
  enum class Request {
    kStartRun,   // no run in progress: start one now
    kJoinsRun,   // the run has yet to take the pending list and will see the change
    kExtraPass,  // the run has taken its list already: it makes one more pass
  };

  // A change of the pending list arrived.
  Request RequestUpdate();
  // The run asked for could not be started.
  void RunNotStarted() { running = false; }
  // The run made the pending list the active one in its current pass.
  void Activated() { activated = true; }
  // At the end of a pass: true when another pass is due (requests since activation count once);
  // otherwise the run ends in this same step and the next change starts a new one.
  bool FinishPass();
  // The run stopped early (an error); the next change starts a new one.
  void Abandon() { running = false; }

  bool IsRunning() const { return running; }

 private:
  bool running = false;
  bool activated = false;
  bool passRequested = false;
};

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_UPDATE_RUN_STATE_H_
