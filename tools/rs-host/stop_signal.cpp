#include "stop_signal.hpp"

namespace rs_host {
namespace {

// The one piece of global state: a signal handler can reach nothing else.
volatile std::sig_atomic_t gSignal = 0;

extern "C" void OnStopSignal(int signal) {
  gSignal = signal;
}

}  // namespace

StopSignal::StopSignal() {
  gSignal = 0;
#ifdef _WIN32
  previousInt_ = std::signal(SIGINT, OnStopSignal);
  previousTerm_ = std::signal(SIGTERM, OnStopSignal);
#else
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previousInt_);
  sigaction(SIGTERM, &action, &previousTerm_);
#endif
}

StopSignal::~StopSignal() {
#ifdef _WIN32
  std::signal(SIGINT, previousInt_);
  std::signal(SIGTERM, previousTerm_);
#else
  sigaction(SIGINT, &previousInt_, nullptr);
  sigaction(SIGTERM, &previousTerm_, nullptr);
#endif
}

bool StopSignal::Requested() const {
  return gSignal != 0;
}

int StopSignal::Signal() const {
  return gSignal;
}

}  // namespace rs_host
