// The automatic cancel of the authentication dialog: a one-second tick that shows the time left and,
// on the tick after it showed 0m 00s, cancels the dialog. Once stopped (OK or Cancel) it never runs
// again in that dialog.
#ifndef LUMA_UI_CORE_COUNTDOWN_H_
#define LUMA_UI_CORE_COUNTDOWN_H_

namespace luma::ui {

constexpr int kAuthCountdownSeconds = 180;

struct CountdownTick {
  bool cancel = false;  // end the dialog with IDCANCEL
  bool show = false;    // show the time below
  int minutes = 0;
  int seconds = 0;
};

class CCountdownSequence {
 public:
  void Start(int seconds = kAuthCountdownSeconds) {
    secondsLeft = seconds < 0 ? 0 : seconds;
    running = true;
  }
  void Stop() { running = false; }
  bool Running() const { return running; }
  int SecondsLeft() const { return secondsLeft; }
  // One timer tick.
  CountdownTick Tick();

 private:
  int secondsLeft = 0;
  bool running = false;
};

}  // namespace luma::ui

#endif  // LUMA_UI_CORE_COUNTDOWN_H_
