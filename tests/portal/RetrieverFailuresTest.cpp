// What a content page keeps when its retrieval goes wrong: a site that
// stalls, markers that are missing, a template that cannot be read or does
// not parse, image names that would leave the image folder, content that is
// not what the retriever expects.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "foundation/StrUtil.h"
#include "portal/retriever/BaseRetrieverThread.h"
#include "portal/retriever/LBRetriever.h"
#include "portal/retriever/WeatherBugInner.h"
#include "tests/portal/ContentSites.h"

namespace rltest::content {
namespace {

using foundation::StrUtil;
using portal::retriever::BaseRetrieverThread;
using portal::retriever::WeatherBugInner;

class RetrieverFailures : public ContentTest {
protected:
    RetrieverFailures() {
        scriptContentSites(web, "");
    }

    RefreshParams only(const std::string& source) {
        RefreshParams p = params;
        p.source = source;
        return p;
    }

    // The weather page with one text replaced.
    void weatherAnswers(const std::string& from, const std::string& to) {
        site(WEATHER_HOST).on("GET", WEATHER_PATH, Answer::page(StrUtil::replace(weatherPage(), from, to)));
    }

    RefreshParams params;
};

// The limits every refresh of the portal runs under (the portal sets no
// others): three workers, a 500 ms poll, 60 s per page and 90 s in all.
TEST(RetrieverLimits, ThePortalsRefreshRunsUnderItsFixedLimits) {
    const portal::retriever::LBRetriever::Limits limits;
    EXPECT_EQ(limits.maxThreads, 3);
    EXPECT_EQ(limits.pollMs, 500);
    EXPECT_EQ(limits.pageTimeoutMs, 60000);
    EXPECT_EQ(limits.overallTimeoutMs, 90000);
}

TEST_F(RetrieverFailures, StalledSiteIsTimedOutAndItsPageKept) {
    site(WEATHER_HOST).on("GET", WEATHER_PATH, Answer::neverAnswer());
    const std::string shipped = page("weatherbug-inner.html");
    RefreshParams p = only("weatherbug|bloomberg");
    p.limits.pageTimeoutMs = 1500;
    p.limits.overallTimeoutMs = 30000;

    const auto started = std::chrono::steady_clock::now();
    refresh(p);
    const auto took = std::chrono::steady_clock::now() - started;

    EXPECT_EQ(page("weatherbug-inner.html"), shipped);
    EXPECT_EQ(page("bloomberg-inner.html"), golden("bloomberg-inner.html"));
    EXPECT_EQ(log.count("Timing out thread (WeatherBugInner): page - "), 1u);
    EXPECT_FALSE(log.contains("WeatherBug - writing results"));
    // Stopped by the page time-out, long before the overall one.
    EXPECT_LT(took, std::chrono::milliseconds(15000));

    // Nothing was recorded for the stopped page: the next refresh tries.
    site(WEATHER_HOST).on("GET", WEATHER_PATH, Answer::page(weatherPage()));
    refresh(p);
    EXPECT_EQ(page("weatherbug-inner.html"), golden("weatherbug-inner.html"));
}

TEST_F(RetrieverFailures, TricklingSiteIsStoppedByTheOverallLimit) {
    site(MOVIE_HOST).on("GET", SHOWTIMES_PATH, Answer::page(showtimesPage()).slowly(8, 200));
    const std::string shipped = page("moviefone-inner.html");
    RefreshParams p = only("moviefone");
    p.limits.pageTimeoutMs = 1500;
    p.limits.overallTimeoutMs = 2500;
    refresh(p);
    EXPECT_EQ(page("moviefone-inner.html"), shipped);
    EXPECT_EQ(page("moviefone.html"), golden("moviefone.html"));
    EXPECT_EQ(log.count("Timing out thread (MoviefoneInner): page - "), 1u);
}

TEST_F(RetrieverFailures, MissingPositionMarkerGivesAnEmptyPiece) {
    // The location line, the background and the conditions have lost their
    // markers; what follows such a marker is not taken from elsewhere.
    std::string weather = StrUtil::replace(weatherPage(), "margin-bottom: 5px\"", "margin-top: 5px\"");
    weather = StrUtil::replace(weather, "align=\"middle\" background=", "align=\"center\" background=");
    site(WEATHER_HOST).on("GET", WEATHER_PATH, Answer::page(weather));
    std::string markets = StrUtil::replace(marketsPage(), "bblogo.gif", "logo.gif");
    markets = StrUtil::replace(markets, "<img usemap=\"#snapshot\"", "<img usemap=\"#chart\"");
    site(MARKET_HOST).on("GET", MARKETS_PATH, Answer::page(markets));

    refresh(only("weatherbug|bloomberg"));

    std::string expected = golden("weatherbug-inner.html");
    expected = StrUtil::replace(expected, "<p>Observed at Lawrence Central HS</p>", "<p></p>");
    expected = StrUtil::replace(expected, "background=\"images/weatherbug/temp/bg_sunny.jpg\"", "background=\"\"");
    expected = StrUtil::replace(expected, "<br>Sunny<br>Feels like 74°F</td>", "<br></td>");
    EXPECT_EQ(page("weatherbug-inner.html"), expected);
    EXPECT_FALSE(fileExists(content + "images/weatherbug/temp/bg_sunny.jpg"));

    std::string header = golden("bloomberg.html");
    header = StrUtil::replace(
        header, "<td>DOW 11,367.14 <img src=\"images/bloomberg/1x1.gif\"> +0.3%</td><td>S&amp;P 500 1,310.61</td>", "");
    EXPECT_EQ(page("bloomberg.html"), header);
    std::string inner = golden("bloomberg-inner.html");
    inner = StrUtil::replace(inner, "<tr><td>Fed funds</td><td>4.75%</td></tr><tr><td><span class=\"note\">", "");
    inner = StrUtil::replace(
        inner, "<tr><td>Nikkei 225</td><td><img src=\"images/bloomberg/up.gif\"> 17,233.03</td></tr><tr><td>", "");
    EXPECT_EQ(page("bloomberg-inner.html"), inner);
}

TEST_F(RetrieverFailures, TheTickerAndTheMovieListAreReadUpToTheirLimitsOnly) {
    // Each list ends on the last byte read (7,000 and 30,000), then on the
    // byte after it, where the cut loses its end.
    auto endingAt = [](const std::string& page, size_t from, const std::string& end, size_t at) {
        return std::string(at - (page.find(end, from) + end.size()), ' ') + page;
    };
    for (size_t beyond : {0, 1}) {
        portal::retriever::RetrieverClassState::resetAll();
        const std::string& markets = marketsPage();
        const size_t ticker = markets.find("<tr bgcolor=\"#4B4B4B\">", markets.find("bblogo.gif"));
        site(MARKET_HOST).on("GET", MARKETS_PATH, Answer::page(endingAt(markets, ticker, "</tr>", 7000 + beyond)));
        site(MOVIE_HOST).on("GET", MOVIE_LIST_PATH,
                            Answer::page(endingAt(movieListPage(), 0, "</select>", 30000 + beyond)));
        refresh(only("moviefone|bloomberg"));
        EXPECT_EQ(page("bloomberg.html").find("DOW 11,367.14") != std::string::npos, beyond == 0) << beyond;
        EXPECT_EQ(page("moviefone.html").find("A Quiet Harbor") != std::string::npos, beyond == 0) << beyond;
    }
}

TEST_F(RetrieverFailures, UnreadableTemplateKeepsThePage) {
    const std::string shipped = page("weatherbug-inner.html");
    const std::string templatePath = content + "weatherbug-inner-template.html";
    const std::string pattern = readFile(templatePath);
    std::filesystem::remove(templatePath);

    refresh(only("weatherbug"));
    EXPECT_EQ(page("weatherbug-inner.html"), shipped);
    EXPECT_EQ(log.count("Unable to read from file " + templatePath), 2u);  // the line and its report
    EXPECT_EQ(site(WEATHER_HOST).requests().size(), 0u);

    // Once the template is back, the next refresh builds the page.
    writeFile(templatePath, pattern);
    refresh(only("weatherbug"));
    EXPECT_EQ(page("weatherbug-inner.html"), golden("weatherbug-inner.html"));
}

TEST_F(RetrieverFailures, TemplateWithAnOpenBraceIsAClearError) {
    const std::string shipped = page("moviefone-inner.html");
    writeFile(content + "moviefone-inner-template.html", "<html><body>{0} and {1</body></html>");
    refresh(only("moviefone"));
    EXPECT_EQ(page("moviefone-inner.html"), shipped);
    EXPECT_TRUE(log.contains("Error updating MoviefoneInner: "));
    EXPECT_TRUE(log.contains("Unmatched braces in the pattern."));
    EXPECT_EQ(log.count("Error report from MoviefoneInner: Moviefone exception for zip code 46236"), 1u);
}

TEST_F(RetrieverFailures, HostileImageNamesAreRefused) {
    std::string weather = weatherPage();
    weather = StrUtil::replace(weather, "/Images/Live/therm_72.gif", "/Images/Live/..");
    weather = StrUtil::replace(weather, "/Images/Live/bg_sunny.jpg", "/Images/Live/?name=bg_sunny.jpg");
    weather = StrUtil::replace(weather, "/Images/Forecast/fc_sun.gif", "/Images/Forecast/fc_sun.gif?v=2");
    weather = StrUtil::replace(weather, "/Images/Forecast/fc_rain.gif", "/Images/Forecast/..\\..\\fc_rain.gif");
    site(WEATHER_HOST).on("GET", WEATHER_PATH, Answer::page(weather));

    refresh(only("weatherbug"));

    const std::string filled = page("weatherbug-inner.html");
    EXPECT_NE(filled.find("<img src=\"\" width=\"45\""), std::string::npos);
    EXPECT_NE(filled.find("background=\"\""), std::string::npos);
    EXPECT_NE(filled.find("src=\"images/weatherbug/temp/fc_sun.gif\""), std::string::npos);
    // A refused image keeps the site's address and is not fetched.
    EXPECT_NE(filled.find("src=\"http://www.weatherbug.com/Images/Forecast/..\\..\\fc_rain.gif\""), std::string::npos);
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(content + "images/weatherbug/temp")) {
        kept.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(kept, std::vector<std::string>{"fc_sun.gif"});
    EXPECT_EQ(site(WEATHER_HOST).requests().size(), 2u);  // the page and fc_sun.gif
    EXPECT_EQ(log.count("Refusing image name from WeatherBugInner content: "), 3u);

    // A name is what follows the address's last "/": "../x" names "x".
    WeatherBugInner retriever;
    EXPECT_EQ(retriever.imageFileName("../x"), std::optional<std::string>("x"));
    for (const char* address : {"", "?x=1", "http://s/i/", "http://s/i/.", "http://s/i/a\\b.gif",
                                "http://s/i/x\x01.gif", "http://s/i/#top"}) {
        EXPECT_EQ(retriever.imageFileName(address), std::nullopt) << address;
    }
    EXPECT_EQ(retriever.imageFileName("http://s/i/x.gif?a/../b#c"), std::optional<std::string>("x.gif"));
    for (const char* name : {"../x", "a/b", "", ".", "..", "a\\b", "?q"}) {
        EXPECT_EQ(BaseRetrieverThread::isSafeFileName(name), std::string(name) == "?q") << name;
    }
}

TEST_F(RetrieverFailures, UnexpectedContentIsReportedOnceAndRetried) {
    weatherAnswers("alt=\"Thermometer\"", "alt=\"Temperature\"");
    site(NEWS_HOST).on("GET", "/", Answer::page(StrUtil::replace(newsHomePage(), "ID=\"LedeStory\"", "ID=\"Lede\"")));
    const std::string weather = page("weatherbug-inner.html");
    const std::string news = page("brightwire-inner.html");

    refresh(only("weatherbug|brightwire"));
    refresh(only("weatherbug|brightwire"));

    EXPECT_EQ(page("weatherbug-inner.html"), weather);
    EXPECT_EQ(page("brightwire-inner.html"), news);
    EXPECT_EQ(log.count("Error report from WeatherBugInner: Invalid WeatherBug content for zip code 46236"), 1u);
    EXPECT_EQ(log.count("Error report from BrightwireInner: Invalid Brightwire inner content (2)"), 1u);
    // Nothing was recorded, so the second refresh asked again.
    EXPECT_EQ(site(WEATHER_HOST).requests().size(), 2u);
    EXPECT_EQ(site(NEWS_HOST).requests().size(), 2u);
    EXPECT_FALSE(fileExists(content + "images/brightwire/temp/harbor0430.jpg"));
}

TEST_F(RetrieverFailures, SiteErrorIsReportedOnceAndThePageKept) {
    site(MARKET_HOST).on("GET", MARKETS_PATH, Answer::page("Service unavailable", 503));
    const std::string header = page("bloomberg.html");
    refresh(only("bloomberg"));
    refresh(only("bloomberg"));
    EXPECT_EQ(page("bloomberg.html"), header);
    EXPECT_EQ(log.count("Error updating BloombergHeader: "), 2u);
    EXPECT_EQ(log.count("Error updating BloombergInner: "), 2u);
    EXPECT_EQ(log.count("Error report from BloombergHeader: "), 1u);
    EXPECT_EQ(log.count("Error report from BloombergInner: "), 1u);
}

}  // namespace
}  // namespace rltest::content
