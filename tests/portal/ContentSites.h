#pragma once
// What the content-retrieval tests share: imitation pages of the content
// sites (the weather, movie, market and newspaper sites and the product
// server's message centre), a content folder installed from
// resources/content, golden pages, a portal stand-in and one refresh run.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "portal/retriever/IRetrieverApp.h"
#include "portal/retriever/LBRetriever.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempWorkDir.h"

namespace rltest::content {

// ---- The sites ---------------------------------------------------------------

constexpr const char* WEATHER_HOST = "www.weatherbug.com";
constexpr const char* MOVIE_HOST = "www.moviefone.com";
constexpr const char* MARKET_HOST = "www.bloomberg.com";
constexpr const char* NEWS_HOST = "www.brightwire.example";
constexpr const char* PRODUCT_HOST = "www.roamledger.example";

// The weather site's location page for 46236.
constexpr const char* WEATHER_PATH =
    "/Pages/Esi/LocationSelector.html?dest_url=http%3A%2F%2Fwww.weatherbug.com%2FPages%2FEsi%2FDefault.html%3F"
    "&referrer_id=&loc_change=46236&x=1&y=1";
constexpr const char* MOVIE_LIST_PATH = "/search/main.adp?_pgtyp=pdct&tab=movies";
constexpr const char* SHOWTIMES_PATH = "/search/locationresults.adp?zipcode=46236&x=1&y=1";
constexpr const char* MARKETS_PATH = "/markets/index.html";
constexpr const char* MESSAGE_CENTER_PATH = "/lanternbay/messagecenter.php";

// Page bodies as the sites send them (ISO 8859-1 bytes).
const std::string& weatherPage();
const std::string& movieListPage();
const std::string& showtimesPage();
const std::string& marketsPage();
const std::string& newsHomePage();
const std::string& currencyScript();

// A 1 x 1 GIF of one colour: the sites' images.
std::string gif(unsigned char r, unsigned char g, unsigned char b);

// Scripts every site of a full refresh; the message centre answers answer.
void scriptContentSites(ImitationWeb& web, const std::string& messageCenterAnswer);

// ---- Files ---------------------------------------------------------------------

// Copies resources/content into <dir>/content/ and answers that path with
// a trailing "/".
std::string installContent(const TempWorkDir& dir);
// A golden page of tests/portal/golden/.
std::string golden(const std::string& name);

// ---- The portal's side ---------------------------------------------------------

class TestApp : public portal::retriever::IRetrieverApp {
public:
    std::atomic<bool> visible{true};
    std::atomic<bool> failVisible{false};

    bool isVisible() const override;
    void handleRetrieverCompletion() override;

    int completions() const;
    // Waits until completions() reaches count.
    bool waitForCompletions(int count, int timeoutMs) const;
    // Whether every completion came on a thread other than the test's.
    bool completedOffTestThread() const;

private:
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    int m_completions = 0;
    bool m_onTestThread = false;
    std::thread::id m_testThread = std::this_thread::get_id();
};

struct RefreshParams {
    std::string source = portal::retriever::LBRetriever::ALL_SOURCES;
    std::string zipCode = "46236";
    std::string tvGuideEmail = "viewer@example.com";
    std::string guid = "0123456789ABCDEF0123456789ABCDEF";
    bool manual = false;
    // The run's own limits, polled more often so that tests end sooner.
    portal::retriever::LBRetriever::Limits limits{.maxThreads = 3, .pollMs = 100};
};

// Runs one refresh to its end (completion told, thread joined); fails the
// test when it does not end within timeoutMs.
std::shared_ptr<portal::retriever::LBRetriever> refresh(TestApp& app, const std::string& contentRoot,
                                                        const RefreshParams& params, int timeoutMs = 60000);

// The fixture: imitation sites, a working folder with a content folder, a
// log at verbose level, class states as at program start and the real
// clock.
class ContentTest : public ImitationWebTest {
protected:
    ContentTest();
    ~ContentTest() override;

    std::string page(const std::string& name) const { return readFile(content + name); }
    std::shared_ptr<portal::retriever::LBRetriever> refresh(const RefreshParams& params = {}) {
        return content::refresh(app, content, params);
    }

    TempWorkDir dir;
    LogCapture log;
    std::string content;
    TestApp app;
};

}  // namespace rltest::content
