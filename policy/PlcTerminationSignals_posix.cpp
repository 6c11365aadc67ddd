#include "policy/PlcTerminationSignals_posix.h"

#include <cstring>

#include "cmn/cmn_Check.h"

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Written by the handler only; 0 until a signal came.
volatile sig_atomic_t g_pending = 0;

void RecordSignal(int signal) {
  if (g_pending == 0) g_pending = signal;
}

}  // namespace

PlcTerminationSignalsC::PlcTerminationSignalsC() noexcept {
  static_assert(sizeof kSignals / sizeof kSignals[0] == c_Count);
  QLM_DCHECK_MAIN_THREAD();
  g_pending = 0;
  for (int i = 0; i < c_Count; ++i) {
    // A signal the run was told to ignore (nohup) stays ignored.
    struct sigaction current;
    if (::sigaction(kSignals[i], nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
        current.sa_handler == SIG_IGN) {
      continue;
    }
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = &RecordSignal;
    sigemptyset(&action.sa_mask);
    // Restarted calls keep the rest of the run undisturbed; the agent's wait looks at the
    // record at least every few tens of milliseconds.
    action.sa_flags = SA_RESTART;
    installed_[i] = ::sigaction(kSignals[i], &action, &previous_[i]) == 0;
  }
}

PlcTerminationSignalsC::~PlcTerminationSignalsC() {
  QLM_DCHECK_MAIN_THREAD();
  for (int i = 0; i < c_Count; ++i) {
    // A destructor cannot act on it; the previous action was valid.
    if (installed_[i]) (void)::sigaction(kSignals[i], &previous_[i], nullptr);
  }
}

int PlcTerminationSignalsC::Pending() noexcept {
  return g_pending;
}
