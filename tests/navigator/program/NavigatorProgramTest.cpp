// Navigator as a user meets it: started with a program key and the
// account's credentials, it opens the visible browser on an imitation of
// the program's site, logs in and ends, and the browser stays open on the
// logged-in page. Three kinds of site: a plain form post (Hyatt), a login
// over several pages (American) and a brand of a shared login flow
// (Radisson). The imitation sites see the posted fields; a picture of the
// screen shows the logged-in page.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/navigator/program/NavigatorRun.h"
#include "tests/support/BrowserSession.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/TempWorkDir.h"

namespace {

using rltest::Answer;

QGuiApplication& gui() {
    static int argc = 1;
    static char name[] = "navigator-test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    return *app;
}

// Share of the screen's pixels in the colour, sampled.
double share(const QImage& image, QRgb colour) {
    int hits = 0, total = 0;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4) {
            ++total;
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++hits;
        }
    }
    return total ? static_cast<double>(hits) / total : 0;
}

// Waits until the screen shows mostly the colour; the picture it saw.
QImage awaitScreen(QRgb colour, int timeoutMs) {
    gui();
    QImage image;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(rltest::scaled(timeoutMs));
    do {
        QGuiApplication::processEvents();
        image = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        if (share(image, colour) > 0.3) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    } while (std::chrono::steady_clock::now() < until);
    return image;
}

std::string loggedInPage(const std::string& colour, const std::string& text) {
    return "<html><head><title>Logged in</title></head><body style=\"margin:0;background:" + colour +
           ";color:white;font:28px sans-serif\"><div style=\"padding:40px\"><h1>" + text +
           "</h1><p>You are signed in.</p></div></body></html>";
}

class NavigatorProgram : public rltest::ImitationWebTest {
protected:
    void SetUp() override {
        if (!rltest::haveDisplay()) GTEST_SKIP() << "no X display: run under xvfb-run";
    }
    void TearDown() override {
        if (rltest::haveDisplay()) {
            EXPECT_TRUE(session.endProcesses());
        }
    }

    // Runs Navigator, checks its end and its log, and keeps a picture of
    // the logged-in page.
    void run(const std::vector<std::string>& args, QRgb colour, const std::string& picture) {
        rltest::NavigatorRun result = rltest::runNavigator(args, 120000);
        ASSERT_TRUE(result.ended) << "Navigator did not end: " << result.output;
        EXPECT_EQ(result.exitCode, 0) << result.output;
        log = rltest::readFile(dir.file("Navigator.log"));
        EXPECT_NE(log.find(" - URL: https://"), std::string::npos) << log;
        EXPECT_EQ(log.find("Unable to finish"), std::string::npos) << log;
        EXPECT_EQ(log.find(args[2]), std::string::npos) << "password in the log: " << log;
        // The browser outlives the program and shows the logged-in page.
        EXPECT_FALSE(session.processes().empty()) << "the browser went with the program";
        // The browser starts a web engine first: slow on a busy machine.
        QImage screen = awaitScreen(colour, 120000);
        EXPECT_GT(share(screen, colour), 0.3) << "the logged-in page is not on the screen";
        screen.save(QString::fromStdString(dir.file(picture)));
        if (const char* keep = std::getenv("RL_SCREENSHOT_DIR"); keep && *keep) {
            screen.save(QString::fromStdString(std::string(keep) + "/" + picture));
        }
    }

    rltest::BrowserSession session;
    rltest::TempWorkDir dir;
    std::string log;
};

TEST_F(NavigatorProgram, LogsIntoAPlainFormPostSite) {
    site("www.goldpassport.com")
        .on("GET", "/gp/en/account/sign_in.jsp",
            Answer::page("<html><body><h2>Gold Passport sign in</h2>"
                         "<form name=search action=/gp/search><input name=q></form>"
                         "<form name=signin method=post action=/gp/en/account/sign_in.do>"
                         "Member <input name=username> Password <input type=password name=password>"
                         "<input type=submit value=\"Sign in\"></form></body></html>"))
        .on("POST", "/gp/en/account/sign_in.do", Answer::redirect("/gp/en/account/summary.jsp"))
        .on("GET", "/gp/en/account/summary.jsp", Answer::page(loggedInPage("#1b5e20", "Welcome back, 123456789")));
    run({"Hyatt", "123456789", "Se cret&9%"}, qRgb(0x1b, 0x5e, 0x20), "hyatt.png");
    auto posts = site("www.goldpassport.com").requests("POST", "/gp/en/account/sign_in.do");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].formValue("username"), "123456789");
    EXPECT_EQ(posts[0].formValue("password"), "Se cret&9%");
    EXPECT_TRUE(posts[0].tls);
}

TEST_F(NavigatorProgram, LogsIntoASiteOverSeveralPages) {
    site("www.aa.com")
        .on("GET", "/apps/utility/logInOut/LoginMember.jhtml",
            Answer::page("<html><body><form method=post action=/login.do>"
                         "AAdvantage # <input name=\"aadvantage number\"> Password <input type=password name=password>"
                         "<input type=submit name=\"/aa/account/authentication/LoginHandler.login\" value=Go>"
                         "</form></body></html>"))
        .on("POST", "/login.do", Answer::redirect("https://www.aa.com/index.jhtml?loggedIn=true"))
        .on("GET", "/index.jhtml", Answer::page("<html><body>Home page</body></html>"))
        .on("GET", "/apps/AAdvantage/ViewMyMiles.jhtml?anchorEvent=false",
            Answer::page(loggedInPage("#0d47a1", "AAdvantage miles: 48,210")));
    run({"American", "AB12345", "Se cret&9%", "ignored"}, qRgb(0x0d, 0x47, 0xa1), "american.png");
    auto posts = site("www.aa.com").requests("POST", "/login.do");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].formValue("aadvantage number"), "AB12345");
    EXPECT_EQ(posts[0].formValue("password"), "Se cret&9%");
    EXPECT_EQ(site("www.aa.com").requests("GET", "/apps/AAdvantage/ViewMyMiles.jhtml").size(), 1u);
    EXPECT_NE(log.find("URL: https://www.aa.com/index.jhtml?loggedIn=true"), std::string::npos) << log;
}

TEST_F(NavigatorProgram, LogsIntoABrandOfASharedLoginFlow) {
    site("www.radisson.com")
        .on("GET", "/guestaccess/secure/home.jsp",
            Answer::page("<html><body><form name=loginForm method=post action=/guestaccess/secure/login.do>"
                         "E-mail <input name=emailAddr> Password <input type=password name=password>"
                         "</form></body></html>"))
        .on("POST", "/guestaccess/secure/login.do", Answer::page(loggedInPage("#b71c1c", "Welcome, Gold Points member")));
    run({"Radisson", "guest@example.com", "Se cret&9%"}, qRgb(0xb7, 0x1c, 0x1c), "radisson.png");
    auto posts = site("www.radisson.com").requests("POST", "/guestaccess/secure/login.do");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].formValue("emailAddr"), "guest@example.com");
    EXPECT_EQ(posts[0].formValue("password"), "Se cret&9%");
}

}  // namespace
