// Ctrl-C and SIGTERM (on Windows Ctrl-C and Ctrl-Break, which come as console
// events) ask the run to end; the main loop notices and stops the sources in
// order instead of the process dying with them running. A second one ends the
// process at once.
#pragma once

#include <csignal>

namespace rs_host {

class StopSignal {
 public:
  // Exit status of the process when a second signal arrives: 128 + SIGINT,
  // as a shell reports a program that Ctrl-C ended.
  static constexpr int kSecondSignalExit = 130;

  // Installs the handlers; the previous ones come back on destruction.
  StopSignal();
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  [[nodiscard]] bool Requested() const;
  // The signal that asked, 0 if none did.
  int Signal() const;

 private:
#ifndef _WIN32
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
#endif
};

// While it lives, SIGINT and SIGTERM are held back from the calling thread.
// Threads created meanwhile (rs-host's start threads) inherit the block, and
// so do the module's and the camera library's threads that they create, so
// the signals reach the main thread only, whose wait loop looks at the flag;
// a signal that came in meanwhile is delivered when the block ends.
class StopSignalsHeld {
 public:
  StopSignalsHeld();
  ~StopSignalsHeld();
  StopSignalsHeld(const StopSignalsHeld&) = delete;
  StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

#ifndef _WIN32
 private:
  sigset_t previous_{};
#endif
};

}  // namespace rs_host
