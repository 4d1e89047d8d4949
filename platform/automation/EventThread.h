#pragma once
// The thread on which an automation object runs its events: tasks run one
// at a time, in the order posted. Stopping drops what has not started. The
// thread is joined when the object ends; when it ends on that very thread
// (an object released by its own event handler) the thread is left to
// automation::shutdown, which waits for it.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace automation {

class EventThread {
public:
    EventThread();
    ~EventThread();
    EventThread(const EventThread&) = delete;
    EventThread& operator=(const EventThread&) = delete;

    // Queues a task; ignored once stopped. A task that throws is ended
    // there and the thread goes on.
    void post(std::function<void()> task);
    // No task starts after this; the one running finishes.
    void stop();
    bool isCurrent() const;
    // Waits until no task is queued or running; false on time-out.
    bool waitIdle(int timeoutMs);

    struct State {
        std::mutex lock;
        std::condition_variable changed;
        std::deque<std::function<void()>> tasks;
        bool stopping = false;
        bool busy = false;
        bool ended = false;
        std::thread::id id;
    };

private:
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

namespace detail {
// Keeps a thread whose owner ended on it, for shutdown to join.
void handOver(std::shared_ptr<EventThread::State> state, std::thread thread);
}  // namespace detail

}  // namespace automation
