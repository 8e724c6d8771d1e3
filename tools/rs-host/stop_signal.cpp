#include "stop_signal.hpp"

#include <cstdlib>

#ifndef _WIN32
#include <pthread.h>
#endif

namespace rs_host {
namespace {

// The one piece of global state: a signal handler can reach nothing else.
volatile std::sig_atomic_t gSignal = 0;

extern "C" void OnStopSignal(int signal) {
  // The second signal: whoever sent it does not want to wait for the
  // orderly stop. _Exit is safe in a signal handler; nothing is flushed.
  if (gSignal != 0)
    std::_Exit(StopSignal::kSecondSignalExit);
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

#ifdef _WIN32
// Console control events reach a thread of their own on Windows.
StopSignalsHeld::StopSignalsHeld() = default;
StopSignalsHeld::~StopSignalsHeld() = default;
#else
StopSignalsHeld::StopSignalsHeld() {
  sigset_t held;
  sigemptyset(&held);
  sigaddset(&held, SIGINT);
  sigaddset(&held, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

StopSignalsHeld::~StopSignalsHeld() {
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}
#endif

}  // namespace rs_host
