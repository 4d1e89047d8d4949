#include "foundation/QuietEnd.h"

#include <signal.h>

#include <atomic>

namespace foundation {

namespace {

std::atomic<bool> g_watched{false};
std::atomic<bool> g_requested{false};

static_assert(std::atomic<bool>::is_always_lock_free, "the request is set from a signal handler");

void onEndSignal(int) { g_requested.store(true); }

void handle(int signal) {
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

}  // namespace

void QuietEnd::installSignalHandlers() {
    g_watched.store(true);
    handle(SIGINT);
    handle(SIGTERM);
    struct sigaction hangUp {};
    if (sigaction(SIGHUP, nullptr, &hangUp) == 0 && hangUp.sa_handler == SIG_IGN) return;
    handle(SIGHUP);
}

bool QuietEnd::isWatched() { return g_watched.load(); }

bool QuietEnd::isRequested() { return g_requested.load(); }

}  // namespace foundation
