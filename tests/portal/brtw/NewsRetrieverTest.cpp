// The headline retriever against the newspaper's imitation feed: the page it
// writes, escaping, the item count kept for the program run, failures that
// keep the old page, one retriever at a time, and a stop.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "foundation/ThreadUtil.h"
#include "tests/portal/brtw/BrtwFixture.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Wait.h"

namespace {

using namespace rltest;
using namespace rltest::brtw;

// Ten stories, as in the golden page.
std::string tenStories(int count = 10) {
    const char* titles[] = {"Airlines add fees for checked bags", "Ten beaches for the off season",
                            "Rail passes get cheaper in spring", "What to do when your flight is cancelled",
                            "Hotel points: when to spend them", "A weekend in Lisbon", "New nonstop routes to Asia",
                            "Packing light for a long trip", "Cruise lines rethink their buffets",
                            "The quiet comeback of the night train", "Ski resorts open early",
                            "Travel insurance, explained"};
    std::string items;
    for (int i = 1; i <= count; ++i) {
        items += feedItem(titles[i - 1],
                          "http://www.brightwire.example/travel/2006/04/30/story" + std::to_string(i) + ".html",
                          "bw-travel-" + std::to_string(1000 + i));
    }
    return feed(items);
}

class NewsRetrieverTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(sourceDir() + "/resources/brtw", dir.file("brtw"),
                              std::filesystem::copy_options::recursive);
        NewsRetriever::resetStatics();
    }
    void TearDown() override { NewsRetriever::resetStatics(); }

    void serve(const std::string& body) { web.site(FEED_HOST).on("GET", FEED_PATH, Answer::page(body)); }

    // One retriever, run to its end.
    void runOnce() {
        auto retriever = std::make_shared<NewsRetriever>();
        ASSERT_TRUE(retriever->start());
        ASSERT_TRUE(retriever->join(rltest::scaled(20000)));
    }

    std::string newsPage() const { return readFile(dir.file("brtw/news.html")); }
    std::string listOf(const std::string& page) const {
        const size_t begin = page.find("<ul>");
        const size_t end = page.find("</ul>\r\n");
        return begin == std::string::npos || end == std::string::npos ? "" : page.substr(begin, end + 7 - begin);
    }

    TempWorkDir dir;
    ImitationWeb web;
    LogCapture logs;
};

TEST_F(NewsRetrieverTest, TenItemsBecomeTheGoldenPage) {
    serve(tenStories());
    runOnce();
    EXPECT_EQ(newsPage(), readFile(sourceDir() + "/tests/portal/brtw/golden/news.html"));
    EXPECT_TRUE(NewsRetriever::wasEverSuccessful());
    EXPECT_EQ(NewsRetriever::getItemCount(), 10);
    EXPECT_FALSE(NewsRetriever::isAnyRunning());

    // One plain GET of the feed by the program's client, without cookies.
    const auto requests = web.site(FEED_HOST).requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, FEED_PATH);
    EXPECT_EQ(requests[0].header("User-Agent"), std::string("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)"));
    EXPECT_FALSE(requests[0].header("Cookie"));
    EXPECT_TRUE(logs.contains("Destroying: NewsRetriever"));
}

TEST_F(NewsRetrieverTest, MarkupAndQuotesInTheFeedStayText) {
    serve(feed(feedItem("Fares &amp; fees: \"hidden\" costs &lt;b&gt;exposed&lt;/b&gt; &#8212; it&apos;s 5&#x20AC;",
                        "http://www.brightwire.example/s?a=1&amp;b=\"x\"", "g\"1") +
               feedItem("Caf\xE9 culture in Vienna", "http://www.brightwire.example/vienna.html", "g2") +
               feedItem("Unknown &nbsp; stays &#xD800; as written", "http://www.brightwire.example/u.html", "g3")));
    runOnce();
    EXPECT_EQ(listOf(newsPage()),
              "<ul>\r\n"
              "<li><a href=\"https://www.roamledger.example/roamledger/brtw/newsclick.php?href="
              "http://www.brightwire.example/s?a=1&amp;b=&quot;x&quot;&amp;hrefguid=g&quot;1&amp;version=20060430\">"
              "Fares &amp; fees: &quot;hidden&quot; costs &lt;b&gt;exposed&lt;/b&gt; \xE2\x80\x94 it&#39;s "
              "5\xE2\x82\xAC</a></li>\r\n"
              "<li><a href=\"https://www.roamledger.example/roamledger/brtw/newsclick.php?href="
              "http://www.brightwire.example/vienna.html&amp;hrefguid=g2&amp;version=20060430\">"
              "Caf\xC3\xA9 culture in Vienna</a></li>\r\n"
              "<li><a href=\"https://www.roamledger.example/roamledger/brtw/newsclick.php?href="
              "http://www.brightwire.example/u.html&amp;hrefguid=g3&amp;version=20060430\">"
              "Unknown &amp;nbsp; stays &amp;#xD800; as written</a></li>\r\n"
              "</ul>\r\n");
}

TEST_F(NewsRetrieverTest, AFeedWithoutItemsGivesAnEmptyList) {
    serve(feed(""));
    runOnce();
    const std::string page = newsPage();
    EXPECT_NE(page.find("<h2>Today's travel headlines</h2>\n<ul>\r\n</ul>\r\n\n<p class=\"source\">"),
              std::string::npos)
        << page;
    EXPECT_EQ(page.find("<!--list-->"), std::string::npos);
    EXPECT_EQ(NewsRetriever::getItemCount(), 0);
    EXPECT_TRUE(NewsRetriever::wasEverSuccessful());

    // Counted as none, the count holds when the feed gains items.
    serve(tenStories());
    runOnce();
    EXPECT_EQ(NewsRetriever::getItemCount(), 0);
    EXPECT_EQ(listOf(newsPage()), "<ul>\r\n</ul>\r\n");
}

TEST_F(NewsRetrieverTest, TheItemCountOfTheFirstDownloadHoldsForTheRun) {
    serve(tenStories(10));
    runOnce();
    // The feed grew to twelve: still ten entries.
    serve(tenStories(12));
    runOnce();
    EXPECT_EQ(newsPage(), readFile(sourceDir() + "/tests/portal/brtw/golden/news.html"));

    // Shrunk to nine: the update fails as a whole and the page stays.
    serve(tenStories(9));
    runOnce();
    EXPECT_EQ(newsPage(), readFile(sourceDir() + "/tests/portal/brtw/golden/news.html"));
    EXPECT_TRUE(logs.contains("Error updating BRTW headlines: "));
    EXPECT_TRUE(logs.contains("54 pieces of text, 60 needed for 10 items"));

    // A new run of the program counts again.
    NewsRetriever::resetStatics();
    runOnce();
    EXPECT_EQ(NewsRetriever::getItemCount(), 9);
    const std::string nine = newsPage();
    EXPECT_EQ(std::count(nine.begin(), nine.end(), '\r'), 11);
    EXPECT_NE(nine.find("Cruise lines rethink their buffets"), std::string::npos);
    EXPECT_EQ(nine.find("The quiet comeback"), std::string::npos);
}

TEST_F(NewsRetrieverTest, AFailedUpdateKeepsThePageWrittenBefore) {
    const std::string before = readFile(dir.file("brtw/news-pending.html"));
    writeFile(dir.file("brtw/news.html"), before);

    // The site answers with an error.
    web.site(FEED_HOST).on("GET", FEED_PATH, Answer::page("gone", 404));
    runOnce();
    EXPECT_EQ(newsPage(), before);
    EXPECT_FALSE(NewsRetriever::wasEverSuccessful());
    EXPECT_EQ(NewsRetriever::getItemCount(), -1);
    EXPECT_EQ(logs.count("Error updating BRTW headlines"), 1u);

    // The connection drops.
    web.site(FEED_HOST).on("GET", FEED_PATH, Answer::dropConnection());
    runOnce();
    EXPECT_EQ(newsPage(), before);
    EXPECT_EQ(logs.count("Error updating BRTW headlines"), 2u);

    // The template is missing.
    serve(tenStories());
    std::filesystem::remove(dir.file("brtw/news-template.html"));
    runOnce();
    EXPECT_EQ(newsPage(), before);
    EXPECT_FALSE(NewsRetriever::wasEverSuccessful());
    EXPECT_EQ(logs.count("Error updating BRTW headlines"), 3u);

    // The page cannot be written: no success either.
    std::filesystem::copy(sourceDir() + "/resources/brtw/news-template.html", dir.file("brtw/news-template.html"));
    std::filesystem::remove(dir.file("brtw/news.html"));
    std::filesystem::create_directory(dir.file("brtw/news.html"));
    runOnce();
    EXPECT_FALSE(NewsRetriever::wasEverSuccessful());
    EXPECT_EQ(logs.count("Error updating BRTW headlines"), 4u);
}

TEST_F(NewsRetrieverTest, OneHeadlineRetrieverWorksAtATime) {
    std::atomic<bool> release{false};
    web.site(FEED_HOST).on("GET", FEED_PATH, [&](const Request&) {
        waitFor([&] { return release.load(); }, 20000);
        return Answer::page(tenStories());
    });
    auto first = std::make_shared<NewsRetriever>();
    // However the test ends, the feed answers and the first retriever ends
    // before release is gone.
    struct Ending {
        std::atomic<bool>& release;
        NewsRetriever& retriever;
        ~Ending() {
            release.store(true);
            retriever.join(rltest::scaled(20000));
        }
    } ending{release, *first};
    ASSERT_TRUE(first->start());
    ASSERT_TRUE(web.waitForRequests(1, 10000));
    EXPECT_TRUE(NewsRetriever::isAnyRunning());

    // A second one started meanwhile ends at once without a request.
    auto second = std::make_shared<NewsRetriever>();
    ASSERT_TRUE(second->start());
    ASSERT_TRUE(second->join(rltest::scaled(10000)));
    EXPECT_TRUE(first->isAlive());
    EXPECT_TRUE(logs.contains("A headline update is running already; this one ends"));

    release.store(true);
    ASSERT_TRUE(first->join(rltest::scaled(20000)));
    EXPECT_EQ(web.requests().size(), 1u);
    EXPECT_TRUE(NewsRetriever::wasEverSuccessful());
    EXPECT_FALSE(NewsRetriever::isAnyRunning());
}

TEST_F(NewsRetrieverTest, AStoppedRetrieverWritesNothing) {
    web.site(FEED_HOST).on("GET", FEED_PATH, Answer::neverAnswer());
    const std::string before = "<html>old</html>";
    writeFile(dir.file("brtw/news.html"), before);
    auto retriever = std::make_shared<NewsRetriever>();
    ASSERT_TRUE(retriever->start());
    ASSERT_TRUE(web.waitForRequests(1, 10000));
    retriever->requestStop();
    ASSERT_TRUE(retriever->join(rltest::scaled(10000)));
    EXPECT_EQ(newsPage(), before);
    EXPECT_FALSE(NewsRetriever::wasEverSuccessful());
    EXPECT_FALSE(NewsRetriever::isAnyRunning());
    EXPECT_FALSE(logs.contains("Error updating BRTW headlines"));
}

TEST_F(NewsRetrieverTest, TheFeedIsCutIntoItsItems) {
    EXPECT_EQ(NewsRetriever::countItems("<item><item>x<item>"), 3);
    EXPECT_EQ(NewsRetriever::countItems("<items><ite m>"), 0);
    EXPECT_EQ(NewsRetriever::itemPart("<rss><item>a</item></rss>"), "a</item>");
    EXPECT_EQ(NewsRetriever::itemPart("<rss><item>a</item>"), "");
    EXPECT_EQ(NewsRetriever::itemPart("</rss><item>a"), "");
    EXPECT_THROW(NewsRetriever::parseHeadlines("<title>a</title>", 1), std::runtime_error);
    EXPECT_TRUE(NewsRetriever::parseHeadlines("", 0).empty());
}

TEST_F(NewsRetrieverTest, CharacterReferencesAtTheirLimits) {
    // Eight digits at most; the highest code point; no surrogate halves.
    EXPECT_EQ(NewsRetriever::feedText("&#X41;|&#x0000004A;|&#x00000004A;|&#9;|&#57;|&#xaF;|&#xfA;|&#x10FFFF;|"
                                      "&#x110000;|&#xD7FF;|&#xDFFF;|&#xE000;"),
              "A|J|&#x00000004A;|\t|9|\xC2\xAF|\xC3\xBA|\xF4\x8F\xBF\xBF|&#x110000;|\xED\x9F\xBF|&#xDFFF;|"
              "\xEE\x80\x80");
}

}  // namespace
