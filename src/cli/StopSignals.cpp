#include "cli/StopSignals.h"

#include <csignal>

#include <unistd.h>

#include "hw/SafeFile.h"
#include "hw/StopRequest.h"

namespace quorbit::cli {
namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void OnStopSignal(int signal) {
    // Only async-signal-safe work here: a flag, a lock-free store, _exit.
    if (g_signal != 0) {             // the operator insists
        PublishOutputsAtAbruptEnd(); // the trace so far shows where the run was held
        ::_exit(128 + signal);
    }
    g_signal = signal;
    RequestStop();
}

} // namespace

void InstallStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted writes of the log and the image go on rather than fail.
    action.sa_flags = SA_RESTART;
    sigset_t stops;
    sigemptyset(&stops);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal ignored on entry (nohup, a background job of a script) stays so.
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        ::sigaction(signal, &action, nullptr);
        sigaddset(&stops, signal);
    }
    // One blocked by whoever started us would make the run impossible to stop
    // (and one already waiting is taken up here, before anything is opened).
    ::sigprocmask(SIG_UNBLOCK, &stops, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

int StopSignal() {
    return g_signal;
}

int ExitStatusAfterSignals(int status) {
    // A stop that came when nothing was left to stop did not change the run.
    return g_signal != 0 && StopTaken() ? 128 + g_signal : status;
}

} // namespace quorbit::cli
