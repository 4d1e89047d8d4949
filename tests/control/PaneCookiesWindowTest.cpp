// Cookies that the control's web requests receive reach the browser panes
// (Qt, under a virtual display): the host has the control fetch a site's
// location page, and the site's next page in a pane sends the cookies back.

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/OleAutomation.h"
#include "platform/com/OleControlSite.h"
#include "platform/com/Registration.h"
#include "tests/platform/toolkit/qt/QtTestSupport.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/TempWorkDir.h"

namespace {

using rltest::Answer;

constexpr int WAIT_MS = 60000;

TEST(PaneCookiesWindow, CookiesTheControlReceivedGoWithThePanesNextLoad) {
    RL_REQUIRE_DISPLAY();
    rltest::TempWorkDir work;
    rltest::ImitationWeb web;
    // The panes reach the imitation sites on the loopback address too: the
    // web engine takes the rule from the application's arguments, which the
    // toolkit then uses.
    static std::vector<std::string> arguments{
        "control.PaneCookiesWindowTest", "--webEngineArgs",
        "--host-resolver-rules=MAP *.example 127.0.0.1:" + std::to_string(web.httpPort())};
    static std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    static int argc = static_cast<int>(arguments.size());
    ::unsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    new QApplication(argc, argv.data());
    ::setenv("RL_REGISTRY_DIR", work.file("registry").c_str(), 1);
    web.site("www.weather.example")
        .on("GET", "/Pages/esi/LocationSelector.html",
            Answer::redirect("http://www.weather.example/local")
                .setCookie("zip=46236; path=/; expires=Fri, 01 Jan 2038 00:00:00 GMT"))
        .on("GET", "/local", Answer::page("<html>local</html>").setCookie("units=F; path=/"))
        .on("GET", "/forecast.html", Answer::page("<html><body>forecast</body></html>"));
    web.site("www.movies.example").on("GET", "/listings.html", Answer::page("<html><body>listings</body></html>"));

    tk::Display display("qt");
    auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    shell->setText("Panes");
    shell->setBounds(40, 40, 800, 600);
    auto pane = tk::make<tk::Browser>(shell, tk::NONE);
    pane->setBounds(0, 0, 800, 560);
    auto frame = tk::make<tk::OleFrame>(shell, tk::NONE);
    frame->setBounds(0, 565, 800, 25);
    shell->open();

    com::registerModule(TIRALEAF_MODULE);
    {
        com::OleControlSite site(frame.get(), tk::NONE, "Tiraleaf.PopupMenu");
        ASSERT_TRUE(site.doVerb(com::OLEIVERB_SHOW));
        com::OleAutomation automation(site);
        automation.invoke("DownloadURL", {{"p_url", com::Variant("http://www.weather.example/Pages/esi/"
                                                                 "LocationSelector.html?referrer_id=1&loc_change=46236")}});
    }
    ASSERT_EQ(web.site("www.weather.example").requests("GET", "/local").size(), 1u);

    auto loaded = [&](const std::string& host, const std::string& path) {
        return tk::qt::runUntil(display, [&] { return !web.site(host).requests("GET", path).empty(); }, WAIT_MS);
    };
    pane->setUrl("http://www.weather.example/forecast.html");
    ASSERT_TRUE(loaded("www.weather.example", "/forecast.html")) << "the pane's request for the forecast page";
    const auto forecast = web.site("www.weather.example").requests("GET", "/forecast.html").front();
    EXPECT_EQ(forecast.cookie("zip"), "46236");
    EXPECT_EQ(forecast.cookie("units"), "F");

    // Another site's pages go without them.
    pane->setUrl("http://www.movies.example/listings.html");
    ASSERT_TRUE(loaded("www.movies.example", "/listings.html")) << "the pane's request for the listings page";
    const auto listings = web.site("www.movies.example").requests("GET", "/listings.html").front();
    EXPECT_FALSE(listings.cookie("zip").has_value());
    EXPECT_FALSE(listings.cookie("units").has_value());

    shell->dispose();
    ::unsetenv("RL_REGISTRY_DIR");
}

}  // namespace
