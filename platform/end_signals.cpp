#include "platform/end_signals.h"

#include <signal.h>

namespace platform {
namespace {

volatile sig_atomic_t g_endRequested = 0;

void OnEndSignal(int) {
  g_endRequested = 1;
}

void Catch(int signal) {
  struct sigaction old {};
  if (sigaction(signal, nullptr, &old) != 0) return;
  // Ignored by whoever started us, or already ours: leave it.
  if (old.sa_handler == SIG_IGN || old.sa_handler == OnEndSignal) return;
  struct sigaction action {};
  action.sa_handler = OnEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(signal, &action, nullptr);
}

}  // namespace

void CatchEndSignals() {
  Catch(SIGHUP);
  Catch(SIGQUIT);
}

bool TakeEndSignal() {
  if (g_endRequested == 0) return false;
  g_endRequested = 0;
  return true;
}

}  // namespace platform
