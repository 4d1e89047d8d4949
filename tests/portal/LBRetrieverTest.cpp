// The refresh run: which workers a source selection starts and in which
// order, at most three at once, a run with nothing to do, a run that fails,
// and a run ended early at shutdown.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "foundation/Thread.h"
#include "portal/retriever/LBRetriever.h"
#include "tests/portal/ContentSites.h"

namespace rltest::content {
namespace {

using portal::retriever::LBRetriever;

std::vector<std::string> names(const std::string& source, bool withMessageCenter) {
    std::vector<std::string> out;
    for (const auto& worker : LBRetriever::createWorkers(source, withMessageCenter)) {
        out.push_back(worker->getClassName());
    }
    return out;
}

TEST(SourceSelection, WorkersInTableOrder) {
    EXPECT_EQ(names("brightwire|weatherbug|moviefone|tvguide", false),
              (std::vector<std::string>{"BrightwireHeader", "BrightwireInner", "WeatherBugInner", "MoviefoneHeader",
                                        "MoviefoneInner", "TVGuideInner"}));
    EXPECT_EQ(names(LBRetriever::ALL_SOURCES, true),
              (std::vector<std::string>{"MessageCenter", "DictionaryInner", "MoviefoneHeader", "MoviefoneInner",
                                        "OrbitzInner", "TVGuideInner", "WeatherBugInner", "BrightwireHeader",
                                        "BrightwireInner", "BloombergHeader", "BloombergInner"}));
    EXPECT_EQ(names("bloomberg", true), (std::vector<std::string>{"MessageCenter", "BloombergHeader", "BloombergInner"}));
    EXPECT_EQ(names("mapquest", false), std::vector<std::string>{});
    EXPECT_EQ(names("roamledger", true), std::vector<std::string>{"MessageCenter"});
    // A class runs once per refresh, however often the selection names it.
    EXPECT_EQ(names("weatherbug|weatherbug|ALL_SOURCES", false).size(), 10u);
}

TEST(SourceSelection, PageKeysAreLookedForInTheFileNameOnly) {
    EXPECT_EQ(names("file:///home/bloomberg/weatherbug/content/moviefone.html", false),
              (std::vector<std::string>{"MoviefoneHeader", "MoviefoneInner"}));
    EXPECT_EQ(names("file:///srv/tvguide/content/mapquest.html?from=bloomberg#weatherbug", false),
              std::vector<std::string>{});
    EXPECT_EQ(names("C:\\Program Files\\orbitz\\content\\tvguide-inner.html", false),
              std::vector<std::string>{"TVGuideInner"});
    EXPECT_EQ(LBRetriever::selectionText("file:///x/content/bloomberg.html?a=b/c"), "bloomberg.html");
    EXPECT_EQ(LBRetriever::selectionText("brightwire|weatherbug"), "brightwire|weatherbug");
}

class RefreshRun : public ContentTest {
protected:
    RefreshParams params;
};

TEST_F(RefreshRun, NothingToRefreshCompletesAtOnce) {
    app.visible = false;
    params.source = "file://" + content + "mapquest.html";
    auto run = refresh(params);
    EXPECT_EQ(run->getMessageCenterURL(), std::nullopt);
    EXPECT_EQ(log.count("Completed"), 1u);
    EXPECT_EQ(log.count("Ending Retriever"), 1u);
    EXPECT_FALSE(log.contains("Destroying"));
    EXPECT_TRUE(web.requests().empty());
}

TEST_F(RefreshRun, AtMostThreeWorkersAtOnce) {
    scriptContentSites(web, "");
    // Every answer is held until three requests were in flight at once, so
    // the run must reach its limit however slowly its workers start; once
    // it has, answers go out at once.
    std::mutex lock;
    std::condition_variable changed;
    int inFlight = 0;
    int most = 0;
    auto slow = [&](const Answer& answer) {
        return [&, answer](const Request&) {
            std::unique_lock<std::mutex> guard(lock);
            most = std::max(most, ++inFlight);
            changed.notify_all();
            changed.wait_for(guard, std::chrono::seconds(20), [&] { return most >= 3; });
            --inFlight;
            return answer;
        };
    };
    site(WEATHER_HOST).on("GET", WEATHER_PATH, slow(Answer::page(weatherPage())));
    site(MOVIE_HOST).on("GET", MOVIE_LIST_PATH, slow(Answer::page(movieListPage())));
    site(MOVIE_HOST).on("GET", SHOWTIMES_PATH, slow(Answer::page(showtimesPage())));
    site(MARKET_HOST).on("GET", MARKETS_PATH, slow(Answer::page(marketsPage())));
    site(NEWS_HOST).on("GET", "/", slow(Answer::page(newsHomePage())));
    site(PRODUCT_HOST).on("GET", MESSAGE_CENTER_PATH, slow(Answer::page("")));

    refresh(params);
    EXPECT_EQ(most, 3);
    EXPECT_EQ(page("weatherbug-inner.html"), golden("weatherbug-inner.html"));
    EXPECT_EQ(page("brightwire-inner.html"), golden("brightwire-inner.html"));
}

TEST_F(RefreshRun, FailedRunStillTellsThePortal) {
    scriptContentSites(web, "https://www.roamledger.example/lanternbay/message.php?w=1&h=1");
    app.failVisible = true;
    auto run = refresh(params);
    EXPECT_EQ(run->getMessageCenterURL(), std::nullopt);
    EXPECT_TRUE(log.contains("window state unavailable"));
    EXPECT_EQ(log.count("Ending Retriever"), 1u);
    EXPECT_TRUE(web.requests().empty());
}

TEST_F(RefreshRun, EndedAtShutdownWhileSitesStall) {
    for (const char* host : {WEATHER_HOST, MOVIE_HOST, MARKET_HOST, NEWS_HOST, PRODUCT_HOST}) {
        site(host).on("*", "/*", Answer::neverAnswer());
    }
    const std::string weather = page("weatherbug-inner.html");
    auto run = std::make_shared<LBRetriever>();
    run->setRetrieveParams(&app, content, LBRetriever::ALL_SOURCES, "46236", "", "GUID", false);
    run->start();
    ASSERT_TRUE(web.waitForRequests(3, 20000));
    const auto asked = std::chrono::steady_clock::now();
    run->forceThreadsToEnd();
    ASSERT_TRUE(app.waitForCompletions(1, 20000));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(6));
    EXPECT_TRUE(run->join(rltest::scaled(10000)));
    EXPECT_EQ(app.completions(), 1);
    EXPECT_EQ(web.requests().size(), 3u);  // the waiting workers were not started
    EXPECT_EQ(page("weatherbug-inner.html"), weather);
    EXPECT_EQ(log.count("Forcing end of thread "), 3u);
}

TEST_F(RefreshRun, EndOfTheProcessStopsAndJoinsEveryThreadOfARun) {
    for (const char* host : {WEATHER_HOST, MOVIE_HOST, MARKET_HOST, NEWS_HOST, PRODUCT_HOST}) {
        site(host).on("*", "/*", Answer::neverAnswer());
    }
    auto run = std::make_shared<LBRetriever>();
    run->setRetrieveParams(&app, content, LBRetriever::ALL_SOURCES, "46236", "", "GUID", false);
    ASSERT_TRUE(run->start());
    ASSERT_TRUE(web.waitForRequests(3, 20000));
    // The run, its controller and three workers at least.
    EXPECT_GE(foundation::Thread::liveThreadCount(), 5u);
    // What the end of the process does: every live thread asked to stop and
    // joined, within the time it allows.
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_TRUE(foundation::Thread::stopAndJoinAll(foundation::Thread::END_OF_PROCESS_MS));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(foundation::Thread::END_OF_PROCESS_MS));
    EXPECT_EQ(foundation::Thread::liveThreadCount(), 0u);
    EXPECT_FALSE(run->isAlive());
    // The portal was still told, so its in-progress state ends.
    EXPECT_EQ(app.completions(), 1);
    EXPECT_EQ(run->getMessageCenterURL(), std::nullopt);
}

TEST_F(RefreshRun, EndedBeforeItsControllerExists) {
    scriptContentSites(web, "");
    auto run = std::make_shared<LBRetriever>();
    run->setRetrieveParams(&app, content, LBRetriever::ALL_SOURCES, "46236", "", "GUID", false);
    run->requestStop();
    run->start();
    ASSERT_TRUE(app.waitForCompletions(1, 20000));
    EXPECT_TRUE(run->join(rltest::scaled(10000)));
    EXPECT_TRUE(web.requests().empty());
    EXPECT_EQ(page("weatherbug-inner.html"), readFile(sourceDir() + "/resources/content/weatherbug-inner.html"));
}

}  // namespace
}  // namespace rltest::content
