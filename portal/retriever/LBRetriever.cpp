#include "portal/retriever/LBRetriever.h"

#include <chrono>
#include <functional>

#include "foundation/AsynchURL.h"
#include "foundation/Logger.h"
#include "portal/retriever/BloombergHeader.h"
#include "portal/retriever/BloombergInner.h"
#include "portal/retriever/BrightwireHeader.h"
#include "portal/retriever/BrightwireInner.h"
#include "portal/retriever/DictionaryInner.h"
#include "portal/retriever/MessageCenter.h"
#include "portal/retriever/MoviefoneHeader.h"
#include "portal/retriever/MoviefoneInner.h"
#include "portal/retriever/OrbitzInner.h"
#include "portal/retriever/TVGuideInner.h"
#include "portal/retriever/WeatherBugInner.h"

namespace portal::retriever {

using foundation::Logger;

namespace {

using Factory = std::function<std::shared_ptr<BaseRetrieverThread>()>;

template <class T>
Factory make() {
    return [] { return std::make_shared<T>(); };
}

struct SourceKey {
    const char* key;
    std::vector<Factory> workers;
};

// The source keys in the order they are tested, each with its workers.
const std::vector<SourceKey>& sourceKeys() {
    static const std::vector<SourceKey> keys = {
        {"brightwire", {make<BrightwireHeader>(), make<BrightwireInner>()}},
        {"weatherbug", {make<WeatherBugInner>()}},
        {"dictionary", {make<DictionaryInner>()}},
        {"moviefone", {make<MoviefoneHeader>(), make<MoviefoneInner>()}},
        {"orbitz", {make<OrbitzInner>()}},
        {"tvguide", {make<TVGuideInner>()}},
        {"bloomberg", {make<BloombergHeader>(), make<BloombergInner>()}},
        {LBRetriever::ALL_SOURCES,
         {make<DictionaryInner>(), make<MoviefoneHeader>(), make<MoviefoneInner>(), make<OrbitzInner>(),
          make<TVGuideInner>(), make<WeatherBugInner>(), make<BrightwireHeader>(), make<BrightwireInner>(),
          make<BloombergHeader>(), make<BloombergInner>()}},
    };
    return keys;
}

// How long the run waits for stopped workers to leave their bodies.
constexpr int64_t WORKER_END_MS = 5000;

}  // namespace

void LBRetriever::setRetrieveParams(IRetrieverApp* application, const std::string& contentRoot,
                                    const std::string& source, const std::string& zipCode,
                                    const std::string& tvGuideEmail, const std::string& guid, bool manual) {
    m_application = application;
    m_contentRoot = contentRoot;
    m_source = source;
    m_zipCode = zipCode;
    m_tvGuideEmail = tvGuideEmail;
    m_guid = guid;
    m_manual = manual;
}

std::string LBRetriever::selectionText(const std::string& source) {
    if (source.find_first_of("/\\") == std::string::npos) return source;
    std::string name = source.substr(0, source.find_first_of("?#"));
    const size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::vector<std::shared_ptr<BaseRetrieverThread>> LBRetriever::createWorkers(const std::string& source,
                                                                             bool withMessageCenter) {
    std::vector<std::shared_ptr<BaseRetrieverThread>> workers;
    workers.reserve(11);
    if (withMessageCenter) workers.push_back(std::make_shared<MessageCenter>());
    const std::string selection = selectionText(source);
    for (const SourceKey& key : sourceKeys()) {
        if (selection.find(key.key) == std::string::npos) continue;
        for (const Factory& factory : key.workers) {
            std::shared_ptr<BaseRetrieverThread> worker = factory();
            // A class has at most one worker in a run: its class state is
            // its own.
            bool present = false;
            for (const auto& other : workers) present = present || other->getClassName() == worker->getClassName();
            if (!present) workers.push_back(std::move(worker));
        }
    }
    return workers;
}

void LBRetriever::threadsCompleted() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_areThreadsCompleted = true;
    }
    m_completed.notify_all();
    Logger::info("Completed");
}

std::optional<std::string> LBRetriever::getMessageCenterURL() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_messageCenterURL;
}

void LBRetriever::forceThreadsToEnd() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_forceRequested = true;
    if (m_controller) m_controller->forceThreadsToEnd();
}

void LBRetriever::requestStop() {
    forceThreadsToEnd();
    Thread::requestStop();
}

bool LBRetriever::waitForCompletion(int64_t timeoutMs) {
    std::unique_lock<std::mutex> guard(m_lock);
    return m_completed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return m_areThreadsCompleted; });
}

void LBRetriever::runWorkers(std::vector<std::shared_ptr<BaseRetrieverThread>>& workers) {
    auto controller = std::make_shared<foundation::ThreadController>();
    controller->setStarter(static_cast<foundation::IThreadControllerStarter*>(this));
    controller->setSources(std::vector<std::shared_ptr<foundation::BaseNetThread>>(workers.begin(), workers.end()));
    controller->setParameters(m_limits.maxThreads, m_limits.pollMs, m_limits.pageTimeoutMs, m_limits.overallTimeoutMs,
                              false);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_controller = controller;
        if (m_forceRequested) controller->forceThreadsToEnd();
    }
    if (!controller->start()) {
        // No thread starts while the process ends: no worker runs either.
        Logger::info("Content refresh not started: the program is ending");
        threadsCompleted();
    }
    // The controller tells its starter once whatever happens in its run,
    // and no later than one poll after its overall time-out.
    {
        std::unique_lock<std::mutex> guard(m_lock);
        m_completed.wait(guard, [this] { return m_areThreadsCompleted; });
    }
    // Stopped workers leave their bodies promptly; wait for them, so that
    // none is still at work when the portal reloads its panes.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(WORKER_END_MS);
    auto left = [&until] {
        return std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                        until - std::chrono::steady_clock::now())
                                        .count());
    };
    controller->join(left());
    for (const auto& worker : workers) {
        if (!worker->join(left())) Logger::error("Worker " + worker->getClassName() + " did not end in time");
    }
    for (const auto& worker : workers) worker->destroy();
}

void LBRetriever::run() {
    try {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_areThreadsCompleted = false;
        }
        Logger::info("Started Retriever");
        Logger::info(std::string("Manual: ") + (m_manual ? "true" : "false"));
        Logger::info("Zip code: " + m_zipCode);
        Logger::info("TV Guide email: " + m_tvGuideEmail);
        Logger::info("GUID: " + m_guid);
        BaseRetrieverThread::setContentRoot(m_contentRoot);

        const bool visible = m_application != nullptr && m_application->isVisible();
        std::vector<std::shared_ptr<BaseRetrieverThread>> workers = createWorkers(m_source, visible);
        for (const auto& worker : workers) {
            worker->setManual(m_manual);
            if (dynamic_cast<MessageCenter*>(worker.get())) {
                worker->setParam(m_guid);
            } else if (dynamic_cast<TVGuideInner*>(worker.get())) {
                worker->setParam(m_tvGuideEmail);
            } else {
                worker->setParam(m_zipCode);
            }
        }
        runWorkers(workers);
        if (visible) {
            auto messageCenter = std::dynamic_pointer_cast<MessageCenter>(workers.front());
            std::lock_guard<std::mutex> guard(m_lock);
            m_messageCenterURL = messageCenter->getFoundURL();
        }
    } catch (const std::exception& failure) {
        foundation::AsynchURL::reportNonRLSourceError("", m_guid, "Lanternbay 20060430", "-", "LBRetriever", &failure,
                                                      0);
        Logger::error(failure);
        std::shared_ptr<foundation::ThreadController> controller;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_messageCenterURL.reset();
            controller = m_controller;
        }
        // A controller that runs still has workers: end them first.
        if (controller && controller->hasBeenStarted()) {
            controller->forceThreadsToEnd();
            waitForCompletion(WORKER_END_MS);
        }
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_controller.reset();
    }
    Logger::info("Ending Retriever");
    if (!m_application) return;
    try {
        m_application->handleRetrieverCompletion();
    } catch (const std::exception& failure) {
        Logger::error("Unable to complete retrieval", failure);
    }
}

}  // namespace portal::retriever
