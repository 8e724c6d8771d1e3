// Ctrl-C and SIGTERM ask the run to end; the main loop notices and stops the
// sources in order instead of the process dying with them running.
#pragma once

#include <csignal>

namespace rs_host {

class StopSignal {
 public:
  // Installs the handlers; the previous ones come back on destruction.
  StopSignal();
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  bool Requested() const;
  // The signal that asked, 0 if none did.
  int Signal() const;

 private:
#ifdef _WIN32
  using Handler = void (*)(int);
  Handler previousInt_ = SIG_DFL;
  Handler previousTerm_ = SIG_DFL;
#else
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
#endif
};

}  // namespace rs_host
