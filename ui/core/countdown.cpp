#include "ui/core/countdown.h"

namespace luma::ui {

CountdownTick CCountdownSequence::Tick() {
  CountdownTick tick;
  if (!running) return tick;  // a tick already queued when the dialog stopped counting
  if (secondsLeft <= 0) {
    running = false;
    tick.cancel = true;
    return tick;
  }
  tick.show = true;
  tick.minutes = secondsLeft / 60;
  tick.seconds = secondsLeft % 60;
  --secondsLeft;
  return tick;
}

}  // namespace luma::ui
