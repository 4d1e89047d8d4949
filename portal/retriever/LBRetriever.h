#pragma once
// One refresh of the portal's content pages, on a thread of its own.
//
// How the portal uses it (on the user-interface thread):
//
//   auto retriever = std::make_shared<retriever::LBRetriever>();
//   retriever->setRetrieveParams(this, contentPath, source, zipCode, tvGuideEmail, guid, userInitiated);
//   if (!retriever->start()) ...          // false while the program ends; throws
//                                         // std::system_error when no thread can be made
//   m_currentRetriever = retriever;       // keep it: the completion reads from it
//
// When start() answers false or throws, no run began and none will tell the
// portal: the portal clears its in-progress flag and its progress display
// itself. A started run is a registered thread of the process: the end of
// the process stops it (as forceThreadsToEnd does) and joins it.
//
// source is "ALL_SOURCES", one page's address or file name, or keys joined
// by "|" ("brightwire|weatherbug|moviefone|tvguide"); a page key is looked
// for in the file name of an address only, so a folder name never selects a
// page. The run starts one worker per selected content page (and first the
// message centre's retriever while the portal window is visible) under one
// ThreadController: at most 3 at once, polled every 500 ms, a worker without
// page activity for 60 s or running for 90 s is stopped. When every worker
// has ended, the run destroys them and calls
// IRetrieverApp::handleRetrieverCompletion on its own thread; the portal
// then reads getMessageCenterURL() (on any thread).
//
// At shutdown the portal calls forceThreadsToEnd() (or requestStop()): the
// workers are stopped at once, also when the controller is not made yet,
// and the run still ends by telling the portal, so the portal's in-progress
// flag is cleared; join() then waits for the thread.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "foundation/IThreadControllerStarter.h"
#include "foundation/Thread.h"
#include "foundation/ThreadController.h"
#include "portal/retriever/BaseRetrieverThread.h"
#include "portal/retriever/IRetrieverApp.h"

namespace portal::retriever {

class LBRetriever : public foundation::Thread, public foundation::IThreadControllerStarter {
public:
    static constexpr const char* ALL_SOURCES = "ALL_SOURCES";

    // The controller's limits of a run.
    struct Limits {
        int maxThreads = 3;
        int pollMs = 500;
        int pageTimeoutMs = 60000;
        int overallTimeoutMs = 90000;
    };

    // Not owned: the application must outlive the run.
    void setRetrieveParams(IRetrieverApp* application, const std::string& contentRoot, const std::string& source,
                           const std::string& zipCode, const std::string& tvGuideEmail, const std::string& guid,
                           bool manual);
    // Other limits for this run (tests); before start().
    void setLimits(const Limits& limits) { m_limits = limits; }

    void threadsCompleted() override;
    // The message centre's address found by this run; nothing when the run
    // asked none, found none, or failed.
    std::optional<std::string> getMessageCenterURL() const;
    void forceThreadsToEnd();
    void requestStop() override;

    // The workers of a source selection, in the order they are started;
    // with the message centre's retriever first when asked for.
    static std::vector<std::shared_ptr<BaseRetrieverThread>> createWorkers(const std::string& source,
                                                                           bool withMessageCenter);
    // What page keys are looked for in: the file name of an address (the
    // text after its last "/" or "\", without query and fragment), or the
    // source itself.
    static std::string selectionText(const std::string& source);

protected:
    void run() override;

private:
    void runWorkers(std::vector<std::shared_ptr<BaseRetrieverThread>>& workers);
    bool waitForCompletion(int64_t timeoutMs);

    IRetrieverApp* m_application = nullptr;
    std::string m_contentRoot;
    std::string m_source;
    std::string m_zipCode;
    std::string m_tvGuideEmail;
    std::string m_guid;
    bool m_manual = false;
    Limits m_limits;

    mutable std::mutex m_lock;
    std::condition_variable m_completed;
    bool m_areThreadsCompleted = false;
    bool m_forceRequested = false;
    std::shared_ptr<foundation::ThreadController> m_controller;
    std::optional<std::string> m_messageCenterURL;
};

}  // namespace portal::retriever
