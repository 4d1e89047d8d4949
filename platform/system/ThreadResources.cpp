#include "platform/system/ThreadResources.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace sys {

namespace {

std::atomic<bool> g_unjoinedThreads{false};

struct Resources {
    std::mutex lock;
    std::vector<ThreadResource> all;
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

void markUnjoinedThreads() { g_unjoinedThreads.store(true); }

bool hasUnjoinedThreads() { return g_unjoinedThreads.load(); }

}  // namespace sys
