#include "platform/automation/Automation.h"

#include <chrono>
#include <map>
#include <mutex>
#include <vector>

#include "platform/automation/AutomationException.h"
#include "platform/automation/EventThread.h"

namespace automation {

namespace {

struct Registry {
    std::mutex lock;
    std::map<std::string, ServerFactory> servers;
    std::vector<std::pair<std::shared_ptr<EventThread::State>, std::thread>> leftThreads;
};

Registry& registry() {
    // Never destroyed: objects may be released during the program's exit.
    static Registry* r = new Registry();
    return *r;
}

}  // namespace

void registerServer(const std::string& progId, ServerFactory factory) {
    std::lock_guard<std::mutex> guard(registry().lock);
    registry().servers[progId] = std::move(factory);
}

void unregisterServer(const std::string& progId) {
    std::lock_guard<std::mutex> guard(registry().lock);
    registry().servers.erase(progId);
}

DispatchPtr createObject(const std::string& progId) {
    ServerFactory factory;
    {
        std::lock_guard<std::mutex> guard(registry().lock);
        auto found = registry().servers.find(progId);
        if (found != registry().servers.end()) factory = found->second;
    }
    if (!factory) throw AutomationException("No automation server is registered for " + progId);
    DispatchPtr object = factory();
    if (!object) throw AutomationException("The automation server of " + progId + " gave no object");
    return object;
}

namespace detail {

void handOver(std::shared_ptr<EventThread::State> state, std::thread thread) {
    std::lock_guard<std::mutex> guard(registry().lock);
    registry().leftThreads.emplace_back(std::move(state), std::move(thread));
}

}  // namespace detail

bool shutdown(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::pair<std::shared_ptr<EventThread::State>, std::thread>> threads;
    {
        std::lock_guard<std::mutex> guard(registry().lock);
        threads.swap(registry().leftThreads);
    }
    bool allEnded = true;
    for (auto& [state, thread] : threads) {
        bool ended;
        {
            std::unique_lock<std::mutex> lock(state->lock);
            // (A structured binding is named through a reference: clang 14
            // cannot capture one.)
            ended = state->changed.wait_until(lock, deadline, [&s = state] { return s->ended; });
        }
        if (ended && thread.get_id() != std::this_thread::get_id()) {
            thread.join();
        } else {
            allEnded = false;
            std::lock_guard<std::mutex> guard(registry().lock);
            registry().leftThreads.emplace_back(std::move(state), std::move(thread));
        }
    }
    return allEnded;
}

}  // namespace automation
