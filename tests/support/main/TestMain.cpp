// The main of every test program. After each test, every thread the test
// left running is stopped and joined, so that no thread of one test runs
// into the next one; a thread that does not end is a failure of the run.
// The process ends through foundation::Thread::endProcess, as programs do.

#include <gtest/gtest.h>

#include <iostream>

#include "foundation/Thread.h"
#include "tests/support/TempWorkDir.h"

namespace {

class ThreadsEndWithTheirTest : public testing::EmptyTestEventListener {
public:
    void OnTestEnd(const testing::TestInfo& test) override {
        if (foundation::Thread::liveThreadCount() == 0) return;
        if (!rltest::endTestThreads()) {
            std::cerr << "[threads] " << test.test_suite_name() << "." << test.name()
                      << " left threads that did not end" << std::endl;
            failed = true;
        }
    }

    bool failed = false;
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    auto* listener = new ThreadsEndWithTheirTest();
    testing::UnitTest::GetInstance()->listeners().Append(listener);
    int status = RUN_ALL_TESTS();
    if (listener->failed) status = 1;
    return foundation::Thread::endProcess(status);
}
