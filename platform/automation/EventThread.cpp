#include "platform/automation/EventThread.h"

#include <chrono>

namespace automation {

namespace {

void body(const std::shared_ptr<EventThread::State>& s) {
    std::unique_lock<std::mutex> lock(s->lock);
    for (;;) {
        s->changed.wait(lock, [&] { return s->stopping || !s->tasks.empty(); });
        if (s->stopping) break;
        std::function<void()> task = std::move(s->tasks.front());
        s->tasks.pop_front();
        s->busy = true;
        lock.unlock();
        try {
            task();
        } catch (...) {
            // A task reports its own failures; nothing leaves the thread.
        }
        task = nullptr;  // its captures go here, outside the lock
        lock.lock();
        s->busy = false;
        s->changed.notify_all();
    }
    s->tasks.clear();
    s->ended = true;
    s->changed.notify_all();
}

}  // namespace

EventThread::EventThread() : m_state(std::make_shared<State>()) {
    std::shared_ptr<State> state = m_state;
    m_thread = std::thread([state] { body(state); });
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->id = m_thread.get_id();
}

EventThread::~EventThread() {
    stop();
    if (!m_thread.joinable()) return;
    if (isCurrent()) {
        detail::handOver(m_state, std::move(m_thread));
    } else {
        m_thread.join();
    }
}

void EventThread::post(std::function<void()> task) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    if (m_state->stopping) return;
    m_state->tasks.push_back(std::move(task));
    m_state->changed.notify_all();
}

void EventThread::stop() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard<std::mutex> guard(m_state->lock);
        m_state->stopping = true;
        dropped.swap(m_state->tasks);
        m_state->changed.notify_all();
    }
    // Dropped tasks release what they hold outside the lock.
}

bool EventThread::isCurrent() const { return m_thread.get_id() == std::this_thread::get_id(); }

bool EventThread::waitIdle(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_state->lock);
    return m_state->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return (m_state->tasks.empty() && !m_state->busy) || m_state->ended;
    });
}

}  // namespace automation
