#pragma once
// A thread of the program: an object held through std::shared_ptr by whoever
// starts it and, while its body runs, by the body itself. The body runs with
// the object's StopToken bound, so a stop request ends its web requests and
// sleeps at once (they throw ThreadStopped, which the body wrapper takes).
// No exception leaves a body: ordinary failures are logged.
//
// start() runs once per object. The object may be dropped at any time
// without waiting for a body that is still running.
//
// Lifetime. Every started thread stays joinable: a process-wide registry
// keeps it until it has really ended. A body ends in this order: run() and
// afterRun(); the thread's own network state (libcurl handles, TLS
// sessions) is released; the body drops its own reference (which may run
// the object's destructor on that thread); only then is the thread
// reported ended. So when join(ms) answers true, nothing of the thread runs
// any more and its operating-system thread has been joined.
//
// The end of the process. Every program ends its main with
//
//     return foundation::Thread::endProcess(status);
//
// (also on its early exits). It asks every live thread to stop
// (requestStop(), the cooperative stop), joins each one, waiting at most
// END_OF_PROCESS_MS in all, and returns status. From then on no new thread
// starts. A thread that has not ended by then is named in the log, and the
// process ends at once with status through std::_Exit, so that no exit-time
// clean-up (libcurl's, OpenSSL's, static destructors) ever runs under a
// live thread. It also ends that way, with status, when a library runs
// threads of its own that nobody joins (sys::markUnjoinedThreads), after the
// library's last step (the web engine writes its profile). The same happens,
// as a safety net, when the process leaves by exit() without that call,
// with the status exit() was given (the libraries' last steps excepted: a
// library may be why the program leaves).
//
// Tests: stopAndJoinAll(ms) does the same without closing the registry; the
// test support calls it before a test's temporary folder is removed and
// after each test, so every thread a test started has ended before the next
// one begins. liveThreadCount() and liveThreadNames() tell what still runs.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/ThreadStop.h"

namespace foundation {

class Thread : public std::enable_shared_from_this<Thread> {
public:
    // How long the end of the process waits for all live threads together.
    static constexpr int64_t END_OF_PROCESS_MS = 10000;

    Thread();
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts the body; false when it was started before or the process is
    // ending. The object must be held by a shared_ptr (std::logic_error
    // otherwise).
    bool start();
    // Cooperative stop: the body's requests and sleeps end by ThreadStopped.
    virtual void requestStop();
    bool isStopRequested() const { return m_token->stopRequested(); }
    const std::shared_ptr<StopToken>& getStopToken() const { return m_token; }

    bool hasBeenStarted() const { return m_launched.load(std::memory_order_acquire); }
    // Started and not yet ended (see the order above).
    bool isAlive() const;
    // Waits up to timeoutMs for the thread to have ended; true when it has
    // (or the thread was never started). Never waits longer than asked.
    bool join(int64_t timeoutMs);

    // The object's class name without namespaces, for log lines.
    std::string getClassName() const;

    // --- every thread of the process -------------------------------------
    // Asks every live thread to stop and joins them, waiting at most
    // timeoutMs in all (threads started meanwhile included); true when none
    // is left. Any thread but a registered one may call it.
    static bool stopAndJoinAll(int64_t timeoutMs);
    // The program's last call: see above. Returns status when every thread
    // ended and no library's thread runs; otherwise it does not return.
    static int endProcess(int status, int64_t timeoutMs = END_OF_PROCESS_MS);
    static size_t liveThreadCount();
    static std::vector<std::string> liveThreadNames();

    // What the registry keeps of a started thread (opaque).
    struct State;

protected:
    virtual void run() = 0;
    // Runs on the thread after run() however it ended (also after a stop).
    virtual void afterRun() {}

private:
    void body();

    std::shared_ptr<StopToken> m_token;
    std::atomic<bool> m_launched{false};
    std::shared_ptr<State> m_state;
};

}  // namespace foundation
