#include "foundation/Thread.h"

#include <cxxabi.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <typeinfo>

#include "foundation/Logger.h"

namespace foundation {

Thread::Thread() : m_token(std::make_shared<StopToken>()) {}

Thread::~Thread() = default;

bool Thread::start() {
    std::shared_ptr<Thread> self = weak_from_this().lock();
    if (!self) throw std::logic_error("a thread object must be held by a shared_ptr to be started");
    if (m_launched.exchange(true, std::memory_order_acq_rel)) return false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_alive = true;
    }
    try {
        std::thread([self] { self->body(); }).detach();
    } catch (...) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_alive = false;
        m_ended.notify_all();
        throw;
    }
    return true;
}

void Thread::requestStop() { m_token->requestStop(); }

bool Thread::isAlive() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_alive;
}

bool Thread::join(int64_t timeoutMs) {
    std::unique_lock<std::mutex> guard(m_lock);
    return m_ended.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return !m_alive; });
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
    {
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
    std::lock_guard<std::mutex> guard(m_lock);
    m_alive = false;
    m_ended.notify_all();
}

}  // namespace foundation
