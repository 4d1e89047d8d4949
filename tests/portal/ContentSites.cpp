#include "tests/portal/ContentSites.h"

#include <filesystem>

#include "portal/retriever/BaseRetrieverThread.h"

namespace rltest::content {

using portal::retriever::BaseRetrieverThread;
using portal::retriever::LBRetriever;
using portal::retriever::RetrieverClassState;

// ---- Pages -------------------------------------------------------------------------

const std::string& weatherPage() {
    static const std::string page = std::string(R"PAGE(<html>
<head><title>WeatherBug - Local Weather</title></head>
<body>
<table width="100%"><tr><td class="tophdrdark" width="100%">Indianapolis, IN 46236</td></tr></table>
<span style="font-size: 11px; margin-bottom: 5px">Observed at Lawrence Central HS</span>
<table><tr>
<td><img height="124" width="45" alt="Thermometer" src="http://www.weatherbug.com/Images/Live/therm_72.gif"></td>
<td><span style="font-size: 28px; color: #666666">72)PAGE") +
                                    "\xB0" + R"PAGE(F</span></td>
<td align="middle" background="http://www.weatherbug.com/Images/Live/bg_sunny.jpg" width="200">Sunny<br>Feels like 74)PAGE" +
                                    "\xB0" + R"PAGE(F</td>
</tr></table>
<div class="detailData">Wind: NW 8 mph<br>Humidity: 45%</div>
<table>
<tr><td align="left" class="hdrdark" width="451"><img height="32" width="32" border="" alt="" src="http://www.weatherbug.com/Images/Forecast/fc_sun.gif"> Today: Sunny, high 75</td></tr>
<tr><td><img height="32" width="32" border="" alt="" src="http://www.weatherbug.com/Images/Forecast/fc_rain.gif"> Tonight: Showers, low 58<img src="http://www.weatherbug.com/Images/spacer.gif" width="1" height="1"></td></tr>
<tr><td width="449" class="tblSubHead" align="center">More forecasts</td></tr>
</table>
</body>
</html>
)PAGE";
    return page;
}

const std::string& movieListPage() {
    static const std::string page = std::string(R"PAGE(<html><body>
<form action="/search/main.adp"><select name="movie"><option value="">Select a Movie</option><option value="m101">A Quiet Harbor</option><option value="m102">Caf)PAGE") +
                                    "\xE9" + R"PAGE( Stories</option></select></form>
</body></html>
)PAGE";
    return page;
}

const std::string& showtimesPage() {
    static const std::string page = std::string(R"PAGE(<html><body>
<div id="left_v2">
<div class="a1" style="display:none;"></div>
<div class="theater"><a href="/predir.adp?theater=117">Keystone Art Cinema</a>
<a href="javascript:void(0);" class="generic" onClick="remote = window.open('theaterKey.adp','theaterKey','width=180,height=230'); remote.focus();">Key</a>
<img src="http://www.moviefone.com/images/amenities/stadium" width="26" height="26" alt="Stadium seating">
<a class="generic" onclick="window.open('http://www.moviefone.com/common/addfavorite.adp?theater=117','fav')">Add to My Theaters</a>
</div>
<form id="showtimeform">
<!-- Your Location begins -->
<div class="location">Your location: 46236 <a href="/redir.adp?change=1">Change</a></div>
<!-- Your Location ends -->
</form>
<div class="movie">A Quiet Harbor 1:10pm 4:00pm
<a class="button" href="/tickets.adp?id=1">Get Tickets</a>
</div>
<div class="movie">Caf)PAGE") + "\xE9" +
                                    R"PAGE( Stories 7:30pm
<span class="button off" title="No Online Ticketing">No Online Ticketing</span>
</div>
</div>
<div id="right_v2">Advertisement</div>
</body></html>
)PAGE";
    return page;
}

const std::string& marketsPage() {
    static const std::string page = R"PAGE(<html><head><title>Markets</title></head><body>
<table><tr bgcolor="#4B4B4B"><td>Sponsored</td></tr>
<tr><td><img src="http://www.bloomberg.com/images/bblogo.gif" width="120" height="30"></td></tr>
<tr bgcolor="#4B4B4B"><td>DOW 11,367.14 <img src="http://www.bloomberg.com/images/1x1.gif"> +0.3%</td><td>S&amp;P 500 1,310.61</td></tr>
</table>
<table width="100%" border="0" cellspacing="5" cellpadding="1"><tr><td>Sponsored</td></tr></table><table width="300" border="0" cellpadding="0" cellspacing="0"><tr><td>Sponsored</td></tr></table>
<img usemap="#snapshot" src="http://www.bloomberg.com/images/snapshot.gif">
<table width="100%" border="0" cellspacing="5" cellpadding="1"><tr><td>Fed funds</td><td>4.75%</td></tr><tr><td><span class="note">*Quarterly rate</span></td></tr></table>
<table width="300" border="0" cellpadding="0" cellspacing="0"><tr><td>Nikkei 225</td><td><img src="http://www.bloomberg.com/images/up.gif"> 17,233.03</td></tr><tr><td><img src="http://www.bloomberg.com/images/arrow_nospace.gif" border="0"> More</td></tr></table>
</body></html>
)PAGE";
    return page;
}

const std::string& newsHomePage() {
    static const std::string page = std::string(R"PAGE(<html><body>
<div ID="PhotoStory"><!-- EdSysObj PhotoStory -->
<table width="220" border="0" cellspacing="0" cellpadding="0" height="235"><tr><td><img src="http://www.brightwire.example/photos/harbor0430.jpg" width="220" height="150"><br><a href="http://www.brightwire.example/news/harbor.html">Harbor lights return</a> <a href="javascript:OpenVideo('harbor')">Video</a></td></tr></table>
<!-- /EdSysObj --></div>
<div ID="LedeStory"><!-- EdSysObj LedeStory -->
<table width="392" border="0" cellspacing="0" cellpadding="0" height="85"><tr><td><img src="/photos/council0430.gif" width="80" height="60"> <a href="http://www.brightwire.example/news/council.html">Council backs new ferry line</a> <a href="javascript:OpenAudio('council')">Listen</a></td></tr></table>
<!-- /EdSysObj --></div>
<div ID="LatestHeadlines"><!-- EdSysObj Headlines -->
<table width="300" border="0" cellspacing="0" cellpadding="0"><tr><td><a href="http://www.brightwire.example/news/storm.html">Storm delays flights</a></td></tr><tr><td><a href="http://www.brightwire.example/news/award.html">Caf)PAGE") +
                                    "\xE9" + R"PAGE( wins award</a></td></tr></table>
<!-- /EdSysObj --></div>
</body></html>
)PAGE";
    return page;
}

const std::string& currencyScript() {
    static const std::string script = "var currencyData = [[\"USD\", 1.0], [\"EUR\", 0.79]];\n";
    return script;
}

std::string gif(unsigned char r, unsigned char g, unsigned char b) {
    std::string data("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13);
    data += static_cast<char>(r);
    data += static_cast<char>(g);
    data += static_cast<char>(b);
    data += std::string("\x00\x00\x00\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B", 19);
    return data;
}

void scriptContentSites(ImitationWeb& web, const std::string& messageCenterAnswer) {
    web.site(WEATHER_HOST)
        .on("GET", WEATHER_PATH, Answer::page(weatherPage()))
        .on("GET", "/Images/Live/therm_72.gif", Answer::page(gif(200, 30, 30)).contentType("image/gif"))
        .on("GET", "/Images/Live/bg_sunny.jpg", Answer::page(gif(60, 140, 220)).contentType("image/jpeg"))
        .on("GET", "/Images/Forecast/fc_sun.gif", Answer::page(gif(250, 200, 40)).contentType("image/gif"))
        .on("GET", "/Images/Forecast/fc_rain.gif", Answer::page(gif(90, 90, 160)).contentType("image/gif"));
    web.site(MOVIE_HOST)
        .on("GET", MOVIE_LIST_PATH, Answer::page(movieListPage()))
        .on("GET", SHOWTIMES_PATH, Answer::page(showtimesPage()));
    web.site(MARKET_HOST)
        .on("GET", MARKETS_PATH, Answer::page(marketsPage()))
        .on("GET", "/jscommon/calculators/currdata.js", Answer::page(currencyScript()));
    web.site(NEWS_HOST)
        .on("GET", "/", Answer::page(newsHomePage()))
        .on("GET", "/photos/harbor0430.jpg", Answer::page(gif(20, 120, 60)).contentType("image/jpeg"))
        .on("GET", "/photos/council0430.gif", Answer::page(gif(120, 60, 20)).contentType("image/gif"));
    web.site(PRODUCT_HOST).on("GET", MESSAGE_CENTER_PATH, Answer::page(messageCenterAnswer));
}

// ---- Files -------------------------------------------------------------------------

std::string installContent(const TempWorkDir& dir) {
    namespace fs = std::filesystem;
    const fs::path target = fs::path(dir.path()) / "content";
    fs::copy(fs::path(sourceDir()) / "resources" / "content", target, fs::copy_options::recursive);
    return target.string() + "/";
}

std::string golden(const std::string& name) { return readFile(sourceDir() + "/tests/portal/golden/" + name); }

// ---- The portal's side -------------------------------------------------------------

bool TestApp::isVisible() const {
    if (failVisible.load()) throw std::runtime_error("window state unavailable");
    return visible.load();
}

void TestApp::handleRetrieverCompletion() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_completions;
        if (std::this_thread::get_id() == m_testThread) m_onTestThread = true;
    }
    m_changed.notify_all();
}

int TestApp::completions() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_completions;
}

bool TestApp::waitForCompletions(int count, int timeoutMs) const {
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, std::chrono::milliseconds(rltest::scaled(timeoutMs)),
                              [&] { return m_completions >= count; });
}

bool TestApp::completedOffTestThread() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return !m_onTestThread;
}

std::shared_ptr<LBRetriever> refresh(TestApp& app, const std::string& contentRoot, const RefreshParams& params,
                                     int timeoutMs) {
    const int before = app.completions();
    auto retriever = std::make_shared<LBRetriever>();
    retriever->setRetrieveParams(&app, contentRoot, params.source, params.zipCode, params.tvGuideEmail, params.guid,
                                 params.manual);
    retriever->setLimits(params.limits);
    retriever->start();
    const bool told = app.waitForCompletions(before + 1, timeoutMs);
    if (!told) {
        retriever->forceThreadsToEnd();
        app.waitForCompletions(before + 1, 10000);
    }
    EXPECT_TRUE(told) << "the refresh did not end in " << timeoutMs << " ms";
    EXPECT_TRUE(retriever->join(rltest::scaled(10000))) << "the retriever thread did not end";
    EXPECT_EQ(app.completions(), before + 1);
    return retriever;
}

ContentTest::ContentTest() : content(installContent(dir)) {
    RetrieverClassState::resetAll();
    BaseRetrieverThread::setClock(nullptr);
}

ContentTest::~ContentTest() {
    RetrieverClassState::resetAll();
    BaseRetrieverThread::setClock(nullptr);
}

}  // namespace rltest::content
