#include "foundation/Thread.h"

#include <cxxabi.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <typeinfo>

#include "foundation/Logger.h"
#include "platform/system/ThreadResources.h"

namespace foundation {

// One started thread, shared by its object, its body and the registry.
// Every field is guarded by the registry's lock.
struct Thread::State {
    uint64_t id = 0;
    std::string name;
    std::thread thread;
    std::thread::id threadId;
    std::weak_ptr<Thread> owner;
    std::shared_ptr<StopToken> token;
    bool ended = false;      // the body reported its end
    bool taken = false;      // a joiner took the std::thread
    bool joined = false;     // the operating-system thread is gone
    bool stopAsked = false;  // asked to stop by stopAndJoinAll
};

namespace {

using Clock = std::chrono::steady_clock;

void atExit(int status, void*);
void safetyNet(int status);

struct Registry {
    std::mutex lock;
    std::condition_variable changed;
    std::map<uint64_t, std::shared_ptr<Thread::State>> threads;
    uint64_t next = 0;
    bool closing = false;

    Registry() {
        // libcurl and OpenSSL (through the network layer, when the program
        // has it) register their exit-time clean-up when they are first set
        // up; set up first, the safety net below runs before that clean-up
        // (exit handlers run in reverse order).
        sys::setUpThreadResources();
        ::on_exit(&atExit, nullptr);
        sys::setExitSafetyNet(&safetyNet);
    }
};

Registry& registry() {
    // Never destroyed: threads may report their end during the exit.
    static Registry* r = new Registry();
    return *r;
}

// Joins the taken thread of st outside the lock and marks it joined.
void finishJoin(Registry& reg, const std::shared_ptr<Thread::State>& st, std::thread& t) {
    if (t.joinable()) t.join();
    std::lock_guard<std::mutex> guard(reg.lock);
    st->joined = true;
    reg.threads.erase(st->id);
    reg.changed.notify_all();
}

// Joins every thread that has reported its end and that nobody joins yet.
void reapEnded(Registry& reg) {
    std::vector<std::pair<std::shared_ptr<Thread::State>, std::thread>> ended;
    {
        std::lock_guard<std::mutex> guard(reg.lock);
        for (auto& [id, st] : reg.threads) {
            if (st->ended && !st->taken) {
                st->taken = true;
                ended.emplace_back(st, std::move(st->thread));
            }
        }
    }
    for (auto& [st, t] : ended) finishJoin(reg, st, t);
}

// The program left by exit() rather than by Thread::endProcess (a library
// called it, as Qt's X11 plugin does when the connection to the X server
// breaks). It ends as endProcess does, with exit()'s status, but without
// the log: the logger's own statics may be gone by now.
void safetyNet(int status) {
    Registry& reg = registry();
    {
        std::lock_guard<std::mutex> guard(reg.lock);
        reg.closing = true;
    }
    if (Thread::liveThreadCount() == 0 && !sys::hasUnjoinedThreads()) return;
    if (Thread::stopAndJoinAll(Thread::END_OF_PROCESS_MS) && !sys::hasUnjoinedThreads()) return;
    std::fflush(nullptr);
    std::_Exit(status);
}

void atExit(int status, void*) { safetyNet(status); }

}  // namespace

Thread::Thread() : m_token(std::make_shared<StopToken>()) {}

Thread::~Thread() = default;

bool Thread::start() {
    std::shared_ptr<Thread> self = weak_from_this().lock();
    if (!self) throw std::logic_error("a thread object must be held by a shared_ptr to be started");
    if (m_launched.exchange(true, std::memory_order_acq_rel)) return false;
    Registry& reg = registry();
    reapEnded(reg);

    auto st = std::make_shared<State>();
    st->name = getClassName();
    st->owner = self;
    st->token = m_token;
    std::unique_lock<std::mutex> guard(reg.lock);
    m_state = st;
    if (reg.closing) {
        st->ended = st->taken = st->joined = true;
        guard.unlock();
        Logger::error("Thread " + st->name + " not started: the program is ending");
        return false;
    }
    st->id = ++reg.next;
    reg.threads.emplace(st->id, st);
    try {
        st->thread = std::thread([self = std::move(self), st]() mutable {
            self->body();
            // The last reference may be this one: the object's destructor
            // then runs here, while the thread still counts as alive.
            self.reset();
            // So does the thread's network state: it frees OpenSSL objects,
            // which must not happen while the process tears OpenSSL down.
            sys::releaseThreadResources();
            Registry& r = registry();
            std::lock_guard<std::mutex> lock(r.lock);
            st->ended = true;
            r.changed.notify_all();
        });
        st->threadId = st->thread.get_id();
    } catch (...) {
        reg.threads.erase(st->id);
        st->ended = st->taken = st->joined = true;
        reg.changed.notify_all();
        throw;
    }
    return true;
}

void Thread::requestStop() { m_token->requestStop(); }

bool Thread::isAlive() const {
    if (!hasBeenStarted()) return false;
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.lock);
    return m_state && !m_state->ended;
}

bool Thread::join(int64_t timeoutMs) {
    if (!hasBeenStarted()) return true;
    Registry& reg = registry();
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max<int64_t>(timeoutMs, 0));
    std::unique_lock<std::mutex> guard(reg.lock);
    // start() sets the state under this lock; a concurrent start may not
    // have got there yet.
    if (!reg.changed.wait_until(guard, deadline, [this] { return m_state && m_state->ended; })) return false;
    std::shared_ptr<State> st = m_state;
    if (st->joined) return true;
    if (!st->taken) {
        if (st->threadId == std::this_thread::get_id()) return true;
        st->taken = true;
        std::thread t = std::move(st->thread);
        guard.unlock();
        finishJoin(reg, st, t);
        return true;
    }
    // Another caller is joining it: its operating-system thread is about
    // to be gone.
    return reg.changed.wait_until(guard, deadline, [&st] { return st->joined; });
}

std::string Thread::getClassName() const {
    int status = 0;
    const char* mangled = typeid(*this).name();
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = (status == 0 && demangled) ? demangled : mangled;
    std::free(demangled);
    auto colon = name.rfind("::");
    if (colon != std::string::npos) name = name.substr(colon + 2);
    return name;
}

void Thread::body() {
    ThreadStop::Scope scope(m_token);
    try {
        run();
    } catch (const ThreadStopped&) {
        // A stop request ended the body; nothing to report.
    } catch (const std::exception& failure) {
        if (!isStopRequested()) Logger::error("Unhandled failure in thread " + getClassName(), failure);
    } catch (...) {
        if (!isStopRequested()) Logger::error("Unhandled failure in thread " + getClassName());
    }
    try {
        afterRun();
    } catch (...) {
        // The end of a body never throws past here.
    }
}

bool Thread::stopAndJoinAll(int64_t timeoutMs) {
    Registry& reg = registry();
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max<int64_t>(timeoutMs, 0));
    const std::thread::id me = std::this_thread::get_id();
    auto waitingFor = [me](const std::shared_ptr<State>& st) { return !st->ended && st->threadId != me; };
    for (;;) {
        reapEnded(reg);
        std::vector<std::shared_ptr<State>> toStop;
        {
            std::unique_lock<std::mutex> guard(reg.lock);
            bool waiting = false;
            for (auto& [id, st] : reg.threads) {
                if (!waitingFor(st)) continue;
                waiting = true;
                if (!st->stopAsked) {
                    st->stopAsked = true;
                    toStop.push_back(st);
                }
            }
            if (!waiting) break;
            if (toStop.empty()) {
                // Wakes when a thread ends or starts.
                if (reg.changed.wait_until(guard, deadline) == std::cv_status::timeout && Clock::now() >= deadline) {
                    break;
                }
                continue;
            }
        }
        for (const auto& st : toStop) {
            // The object's own stop (a controller also stops its workers);
            // the token alone once the object is gone.
            std::shared_ptr<Thread> owner;
            std::shared_ptr<StopToken> token;
            {
                std::lock_guard<std::mutex> guard(reg.lock);
                owner = st->owner.lock();
                token = st->token;
            }
            try {
                if (owner) {
                    owner->requestStop();
                } else if (token) {
                    token->requestStop();
                }
            } catch (...) {
                if (token) token->requestStop();
            }
        }
    }
    reapEnded(reg);
    std::lock_guard<std::mutex> guard(reg.lock);
    for (auto& [id, st] : reg.threads) {
        if (waitingFor(st)) return false;
    }
    return true;
}

int Thread::endProcess(int status, int64_t timeoutMs) {
    Registry& reg = registry();
    {
        std::lock_guard<std::mutex> guard(reg.lock);
        reg.closing = true;
    }
    if (stopAndJoinAll(timeoutMs)) {
        if (!sys::hasUnjoinedThreads()) return status;
    } else {
        std::string names;
        for (const std::string& name : liveThreadNames()) names += (names.empty() ? "" : ", ") + name;
        Logger::error("Threads still running at the end of the program: " + names);
    }
    // What the libraries still keep in memory (the web engine's cookies)
    // goes to disk before the process ends under their threads.
    sys::runLastSteps();
    Logger::close();
    std::fflush(nullptr);
    std::_Exit(status);
}

size_t Thread::liveThreadCount() {
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.lock);
    size_t n = 0;
    for (auto& [id, st] : reg.threads) {
        if (!st->ended) ++n;
    }
    return n;
}

std::vector<std::string> Thread::liveThreadNames() {
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.lock);
    std::vector<std::string> names;
    for (auto& [id, st] : reg.threads) {
        if (!st->ended) names.push_back(st->name);
    }
    return names;
}

}  // namespace foundation
