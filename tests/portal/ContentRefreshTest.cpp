// One refresh of every content page against the imitation content sites,
// compared with golden pages written from the templates; the sources'
// minimum intervals on later refreshes, manual and with another postal code.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "foundation/StrUtil.h"
#include "portal/retriever/BaseRetrieverThread.h"
#include "tests/portal/ContentSites.h"

namespace rltest::content {
namespace {

using foundation::StrUtil;
using portal::retriever::BaseRetrieverThread;

const char* const MESSAGE_PAGE =
    "http://www.roamledger.example/lanternbay/message.php?w=420&h=310&guid=0123456789ABCDEF0123456789ABCDEF";

// The pages a refresh writes, each with its golden.
const char* const FILLED_PAGES[] = {"weatherbug-inner.html", "moviefone.html",        "moviefone-inner.html",
                                    "bloomberg.html",        "bloomberg-inner.html", "brightwire-inner.html",
                                    "tvguide-inner.html"};

class ContentRefresh : public ContentTest {
protected:
    ContentRefresh() {
        scriptContentSites(web, std::string("  ") + MESSAGE_PAGE + "\r\n");
        BaseRetrieverThread::setClock([this] { return clock.load(); });
    }

    size_t count(const char* host, const std::string& pathAndQuery) {
        size_t n = 0;
        for (const Request& r : site(host).requests()) n += r.target == pathAndQuery ? 1 : 0;
        return n;
    }

    std::atomic<int64_t> clock{5000000};
};

TEST_F(ContentRefresh, OneRefreshFillsEveryPage) {
    // Images of an earlier front page go; other files stay.
    std::filesystem::create_directories(content + "images/brightwire/temp");
    writeFile(content + "images/brightwire/temp/harbor0429.jpg", "old");
    writeFile(content + "images/brightwire/temp/readme.txt", "keep");
    const std::string dictionary = page("dictionary-inner.html");

    auto retriever = refresh();

    for (const char* name : FILLED_PAGES) EXPECT_EQ(page(name), golden(name)) << name;
    EXPECT_EQ(page("dictionary-inner.html"), dictionary);

    EXPECT_EQ(page("images/weatherbug/temp/therm_72.gif"), gif(200, 30, 30));
    EXPECT_EQ(page("images/weatherbug/temp/bg_sunny.jpg"), gif(60, 140, 220));
    EXPECT_EQ(page("images/weatherbug/temp/fc_sun.gif"), gif(250, 200, 40));
    EXPECT_EQ(page("images/weatherbug/temp/fc_rain.gif"), gif(90, 90, 160));
    EXPECT_EQ(page("images/brightwire/temp/harbor0430.jpg"), gif(20, 120, 60));
    EXPECT_EQ(page("images/brightwire/temp/council0430.gif"), gif(120, 60, 20));
    EXPECT_FALSE(fileExists(content + "images/brightwire/temp/harbor0429.jpg"));
    EXPECT_EQ(page("images/brightwire/temp/readme.txt"), "keep");
    EXPECT_EQ(page("js/bloomberg/currdata.js"), currencyScript());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(content)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << entry.path();
        EXPECT_EQ(name.find(".part"), std::string::npos) << entry.path();
    }

    EXPECT_EQ(retriever->getMessageCenterURL(), std::optional<std::string>(MESSAGE_PAGE));
    EXPECT_TRUE(app.completedOffTestThread());

    const auto center = site(PRODUCT_HOST).requests("GET", MESSAGE_CENTER_PATH);
    ASSERT_EQ(center.size(), 1u);
    EXPECT_EQ(center[0].query, "version=20060430&guid=0123456789ABCDEF0123456789ABCDEF");
    EXPECT_EQ(count(WEATHER_HOST, WEATHER_PATH), 1u);
    EXPECT_EQ(count(MOVIE_HOST, MOVIE_LIST_PATH), 1u);
    EXPECT_EQ(count(MOVIE_HOST, SHOWTIMES_PATH), 1u);
    EXPECT_EQ(count(MARKET_HOST, MARKETS_PATH), 2u);
    EXPECT_EQ(count(NEWS_HOST, "/"), 1u);

    for (const char* line : {"Started Retriever", "Manual: false", "Zip code: 46236",
                             "TV Guide email: viewer@example.com", "GUID: 0123456789ABCDEF0123456789ABCDEF",
                             "Completed", "Ending Retriever"}) {
        EXPECT_EQ(log.count(line), 1u) << line;
    }
    EXPECT_TRUE(log.contains(std::string("Message center URL to visit: ") + MESSAGE_PAGE));
    EXPECT_TRUE(log.contains("WeatherBug - writing results to " + content + "weatherbug-inner.html"));
    for (const char* worker : {"MessageCenter", "DictionaryInner", "MoviefoneHeader", "MoviefoneInner", "OrbitzInner",
                               "TVGuideInner", "WeatherBugInner", "BrightwireHeader", "BrightwireInner",
                               "BloombergHeader", "BloombergInner"}) {
        EXPECT_EQ(log.count(std::string("Destroying: ") + worker), 1u) << worker;
    }
    EXPECT_FALSE(log.contains("Error"));
}

TEST_F(ContentRefresh, IntervalsKeepPagesUntilTheyRunOut) {
    refresh();
    // The sites change; what a later refresh writes shows where it read.
    site(WEATHER_HOST).on("GET", WEATHER_PATH, Answer::page(StrUtil::replace(weatherPage(), "Indianapolis", "Lawrence")));
    const std::string weather = page("weatherbug-inner.html");
    const std::string showtimes = page("moviefone-inner.html");
    const std::string movies = page("moviefone.html");
    const std::string news = page("brightwire-inner.html");
    writeFile(content + "bloomberg-inner.html", "old");
    writeFile(content + "tvguide-inner.html", "old");

    clock += 600000;
    auto second = refresh();
    EXPECT_EQ(page("weatherbug-inner.html"), weather);
    EXPECT_EQ(page("moviefone-inner.html"), showtimes);
    EXPECT_EQ(page("moviefone.html"), movies);
    EXPECT_EQ(page("brightwire-inner.html"), news);
    // Pages without an interval are written every time; the currency
    // script only once a day.
    EXPECT_EQ(page("bloomberg-inner.html"), golden("bloomberg-inner.html"));
    EXPECT_EQ(page("tvguide-inner.html"), golden("tvguide-inner.html"));
    EXPECT_EQ(count(WEATHER_HOST, WEATHER_PATH), 1u);
    EXPECT_EQ(count(MOVIE_HOST, MOVIE_LIST_PATH), 1u);
    EXPECT_EQ(count(MOVIE_HOST, SHOWTIMES_PATH), 1u);
    EXPECT_EQ(count(NEWS_HOST, "/"), 1u);
    EXPECT_EQ(count(MARKET_HOST, MARKETS_PATH), 4u);
    EXPECT_EQ(site(MARKET_HOST).requests("GET", "/jscommon/calculators/currdata.js").size(), 1u);
    EXPECT_EQ(site(PRODUCT_HOST).requests().size(), 1u);
    EXPECT_EQ(second->getMessageCenterURL(), std::nullopt);
    for (const char* line :
         {"Cancelling WeatherBug Inner update.  Last updated 600 seconds ago; content changes every 1140 seconds",
          "Cancelling Brightwire Inner update.  Last updated 600 seconds ago; content changes every 1740 seconds",
          "Cancelling Moviefone Header update.  Last updated 600 seconds ago; content changes every 84960 seconds",
          "Cancelling Moviefone Inner update.  Last updated 600 seconds ago; content changes every 84960 seconds",
          "Cancelling Bloomberg currency update.  Last updated 600 seconds ago; content changes every 84960 seconds",
          "Cancelling MessageCenter update.  Last updated 600 seconds ago; content changes every 42480 seconds"}) {
        EXPECT_EQ(log.count(line), 1u) << line;
    }

    // 1140 s after the first refresh the weather is due, the newspaper not.
    clock += 540000;
    refresh();
    EXPECT_NE(page("weatherbug-inner.html").find("<h1>Lawrence, IN 46236</h1>"), std::string::npos);
    EXPECT_EQ(count(WEATHER_HOST, WEATHER_PATH), 2u);
    EXPECT_EQ(count(NEWS_HOST, "/"), 1u);

    // A day later everything is fetched again.
    clock += 84960000;
    refresh();
    EXPECT_EQ(count(NEWS_HOST, "/"), 2u);
    EXPECT_EQ(count(MOVIE_HOST, MOVIE_LIST_PATH), 2u);
    EXPECT_EQ(count(MOVIE_HOST, SHOWTIMES_PATH), 2u);
    EXPECT_EQ(site(MARKET_HOST).requests("GET", "/jscommon/calculators/currdata.js").size(), 2u);
    EXPECT_EQ(site(PRODUCT_HOST).requests().size(), 2u);
}

TEST_F(ContentRefresh, ManualRefreshSkipsOnlyTheShortIntervals) {
    refresh();
    clock += 600000;
    RefreshParams manual;
    manual.manual = true;
    refresh(manual);
    EXPECT_EQ(log.count("Manual: true"), 1u);
    EXPECT_EQ(count(WEATHER_HOST, WEATHER_PATH), 2u);
    EXPECT_EQ(count(NEWS_HOST, "/"), 2u);
    // The daily pages and the message centre keep their intervals.
    EXPECT_EQ(count(MOVIE_HOST, MOVIE_LIST_PATH), 1u);
    EXPECT_EQ(count(MOVIE_HOST, SHOWTIMES_PATH), 1u);
    EXPECT_EQ(site(PRODUCT_HOST).requests().size(), 1u);
    EXPECT_EQ(page("weatherbug-inner.html"), golden("weatherbug-inner.html"));
}

TEST_F(ContentRefresh, AnotherPostalCodeDefeatsTheIntervalOfItsPages) {
    refresh();
    const std::string weather10001 = StrUtil::replace(WEATHER_PATH, "46236", "10001");
    site(WEATHER_HOST).on("GET", weather10001, Answer::page(StrUtil::replace(weatherPage(), "Indianapolis, IN 46236",
                                                                          "New York, NY 10001")));
    site(MOVIE_HOST).on("GET", "/search/locationresults.adp?zipcode=10001&x=1&y=1", Answer::page(showtimesPage()));
    clock += 60000;
    RefreshParams other;
    other.source = "brightwire|weatherbug|moviefone|tvguide";
    other.zipCode = "10001";
    refresh(other);
    EXPECT_EQ(count(WEATHER_HOST, weather10001), 1u);
    EXPECT_EQ(count(MOVIE_HOST, "/search/locationresults.adp?zipcode=10001&x=1&y=1"), 1u);
    EXPECT_NE(page("weatherbug-inner.html").find("<h1>New York, NY 10001</h1>"), std::string::npos);
    // Pages that do not depend on the postal code keep their intervals.
    EXPECT_EQ(count(MOVIE_HOST, MOVIE_LIST_PATH), 1u);
    EXPECT_EQ(count(NEWS_HOST, "/"), 1u);
    EXPECT_EQ(count(MARKET_HOST, MARKETS_PATH), 2u);
}

TEST_F(ContentRefresh, TvListingsWithoutEmailTellHowToGiveIt) {
    RefreshParams params;
    params.source = "tvguide";
    params.tvGuideEmail = "";
    refresh(params);
    EXPECT_EQ(page("tvguide-inner.html"), golden("tvguide-inner-no-email.html"));
    EXPECT_EQ(log.count("No email address provided for TV Guide"), 1u);
}

}  // namespace
}  // namespace rltest::content
