// Layers known to the program's threads only through what they registered.

#include "platform/system/ThreadResources.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

std::atomic<int> setUps{0};
thread_local int releasedHere = 0;
std::atomic<int> releases{0};

void setUp() { ++setUps; }
void release() {
    ++releasedHere;
    ++releases;
}

TEST(ThreadResources, ARegisteredLayerIsSetUpAndEachThreadGivesItsShareBack) {
    ASSERT_TRUE(sys::registerThreadResource({&setUp, &release}));
    const int setUpsBefore = setUps.load();
    sys::setUpThreadResources();
    EXPECT_EQ(setUps.load(), setUpsBefore + 1);

    const int releasesBefore = releases.load();
    int onThatThread = 0;
    std::thread worker([&] {
        sys::releaseThreadResources();
        onThatThread = releasedHere;
    });
    worker.join();
    EXPECT_EQ(onThatThread, 1) << "released on the thread that ends";
    EXPECT_EQ(releasedHere, 0);
    EXPECT_EQ(releases.load(), releasesBefore + 1);
}

}  // namespace
