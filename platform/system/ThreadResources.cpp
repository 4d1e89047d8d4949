#include "platform/system/ThreadResources.h"

#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace sys {

namespace {

std::atomic<bool> g_unjoinedThreads{false};
std::atomic<void (*)(int)> g_safetyNet{nullptr};

struct Resources {
    std::mutex lock;
    std::vector<ThreadResource> all;
    std::vector<void (*)()> lastSteps;
};

Resources& resources() {
    // Never destroyed: threads give their share back during the exit too.
    static Resources* r = new Resources();
    return *r;
}

std::vector<ThreadResource> registered() {
    Resources& r = resources();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.all;
}

// exit() while a library's threads run: the program's own threads are
// joined, and nothing of the exit-time clean-up runs under the library's.
void endOnExit(int status, void*) {
    if (void (*net)(int) = g_safetyNet.load()) net(status);
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace

bool registerThreadResource(ThreadResource resource) {
    Resources& r = resources();
    std::lock_guard<std::mutex> guard(r.lock);
    r.all.push_back(resource);
    return true;
}

void setUpThreadResources() {
    for (const ThreadResource& resource : registered()) {
        if (resource.setUp) resource.setUp();
    }
}

void releaseThreadResources() {
    for (const ThreadResource& resource : registered()) {
        if (resource.releaseForThread) resource.releaseForThread();
    }
}

void markUnjoinedThreads(void (*lastStep)()) {
    {
        Resources& r = resources();
        std::lock_guard<std::mutex> guard(r.lock);
        if (lastStep && std::find(r.lastSteps.begin(), r.lastSteps.end(), lastStep) == r.lastSteps.end()) {
            r.lastSteps.push_back(lastStep);
        }
    }
    g_unjoinedThreads.store(true);
    ::on_exit(&endOnExit, nullptr);
}

bool hasUnjoinedThreads() { return g_unjoinedThreads.load(); }

void runLastSteps() {
    std::vector<void (*)()> steps;
    {
        Resources& r = resources();
        std::lock_guard<std::mutex> guard(r.lock);
        steps.swap(r.lastSteps);
    }
    for (auto step : steps) step();
}

void setExitSafetyNet(void (*safetyNet)(int status)) { g_safetyNet.store(safetyNet); }

}  // namespace sys
