// The event thread: tasks in order, one at a time; a stop drops what has
// not started; an owner that ends on its own thread leaves the thread to
// shutdown, which waits for it.

#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "platform/automation/Automation.h"
#include "platform/automation/EventThread.h"

namespace {

TEST(EventThread, RunsTasksInOrderOneAtATime) {
    automation::EventThread thread;
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<bool> overlap{false};
    for (int i = 0; i < 200; ++i) {
        thread.post([&, i] {
            if (running.fetch_add(1) != 0) overlap = true;
            order.push_back(i);
            running.fetch_sub(1);
        });
    }
    ASSERT_TRUE(thread.waitIdle(10000));
    EXPECT_FALSE(overlap.load());
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
}

TEST(EventThread, AStopDropsWhatHasNotStartedAndAFailingTaskEndsAlone) {
    automation::EventThread thread;
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> ran{0};
    thread.post([] { throw std::runtime_error("a handler's own failure"); });
    thread.post([&] {
        entered.set_value();
        released.wait();
        ++ran;
    });
    thread.post([&] { ++ran; });
    entered.get_future().wait();
    thread.stop();
    thread.post([&] { ++ran; });
    release.set_value();
    ASSERT_TRUE(thread.waitIdle(10000));
    EXPECT_EQ(ran.load(), 1);
}

TEST(EventThread, AnOwnerThatEndsOnItsOwnThreadIsWaitedForAtShutdown) {
    auto owner = std::make_shared<automation::EventThread>();
    std::promise<void> done;
    automation::EventThread* raw = owner.get();
    raw->post([owner = std::move(owner), &done]() mutable {
        owner.reset();  // the last reference ends here, on the thread itself
        done.set_value();
    });
    done.get_future().wait();
    EXPECT_TRUE(automation::shutdown(10000));
}

}  // namespace
