#include "stop_signal.hpp"

#include <cstdlib>

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace rs_host {
namespace {

// The one piece of global state: a signal handler can reach nothing else.
// Lock-free, so a handler may touch it, and atomic, because on Windows the
// console's events arrive on a thread of their own.
std::atomic<int> gSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnStopSignal(int signal) {
  // The second signal: whoever sent it does not want to wait for the
  // orderly stop. _Exit is safe in a signal handler; nothing is flushed.
  if (gSignal != 0)
    std::_Exit(StopSignal::kSecondSignalExit);
  gSignal = signal;
}

#ifdef _WIN32
// Ctrl-C and Ctrl-Break come as console control events; the C runtime's
// SIGINT would be reset to its default after the first one, so the second
// would not exit with 130.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
    return FALSE;  // closing or logging off: the system's default
  OnStopSignal(event == CTRL_C_EVENT ? SIGINT : SIGTERM);
  return TRUE;
}
#endif

}  // namespace

StopSignal::StopSignal() {
  gSignal = 0;
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
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
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
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
