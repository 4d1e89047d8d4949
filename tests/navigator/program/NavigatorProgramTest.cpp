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

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/navigator/program/NavigatorRun.h"
#include "tests/support/BrowserSession.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"

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

// The bytes with every "%XX", "+" and character reference decoded: a value
// in each form a browser or a page writes it.
std::string decodedForms(const std::string& bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '%' && i + 2 < bytes.size() && std::isxdigit(static_cast<unsigned char>(bytes[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(bytes[i + 2]))) {
            out += static_cast<char>(std::stoi(bytes.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else if (c == '+') {
            out += ' ';
        } else if (c == '&' && bytes.compare(i, 5, "&amp;") == 0) {
            out += '&';
            i += 4;
        } else if (c == '&' && bytes.compare(i, 2, "&#") == 0 && bytes.find(';', i) != std::string::npos &&
                   bytes.find(';', i) - i < 9) {
            const size_t end = bytes.find(';', i);
            const bool hex = bytes[i + 2] == 'x' || bytes[i + 2] == 'X';
            try {
                out += static_cast<char>(std::stoi(bytes.substr(i + (hex ? 3 : 2), end - i), nullptr, hex ? 16 : 10));
                i = end;
            } catch (const std::exception&) {
                out += c;
            }
        } else {
            out += c;
        }
    }
    return out;
}

// Every file under the folder that holds the secret in any of those forms,
// and every store of a browser that keeps what was visited.
std::vector<std::string> filesHolding(const std::string& folder, const std::string& secret) {
    std::vector<std::string> found;
    namespace fs = std::filesystem;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name == "Visited Links" || name == "History" || name == "Cookies") found.push_back(it->path().string());
        if (!it->is_regular_file(error) || it->is_symlink(error)) continue;
        const std::string bytes = rltest::readFile(it->path().string());
        if (bytes.find(secret) != std::string::npos || decodedForms(bytes).find(secret) != std::string::npos) {
            found.push_back(it->path().string());
        }
    }
    return found;
}

// Asks every window of the processes to close, as a window manager's close
// box does, so that the browser ends the way a user ends it; false when
// the display cannot be reached.
bool closeWindowsOf(const std::vector<pid_t>& pids) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, root, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count; ++i) {
            Atom type = 0;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                                   &after, &data) == Success &&
                data != nullptr && items == 1) {
                const pid_t pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
                if (std::find(pids.begin(), pids.end(), pid) != pids.end()) {
                    XEvent event{};
                    event.xclient.type = ClientMessage;
                    event.xclient.window = children[i];
                    event.xclient.message_type = protocols;
                    event.xclient.format = 32;
                    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
                    event.xclient.data.l[1] = CurrentTime;
                    XSendEvent(display, children[i], False, NoEventMask, &event);
                }
            }
            if (data != nullptr) XFree(data);
        }
        if (children != nullptr) XFree(children);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return true;
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

// A login form sent with GET puts the password into the address, which the
// browser writes in its own encoding; another site takes it in its first
// address. Neither Navigator nor the browser leaves it in any file, in any
// encoding: not in the log, not in a cache, a cookie or a history store.
TEST_F(NavigatorProgram, NoPasswordStaysInAnyFileItOrTheBrowserWrote) {
    const std::string password = "p@ss/w:rd! 7";
    site("www.epoll.com")
        .on("GET", "/epoll/clients/logout.htm",
            Answer::page("<html><body><form method=get action=/epoll/clients/login.htm>"
                         "E-mail <input name=emailAddress> Password <input type=password name=password>"
                         "<input type=submit value=\"Sign in\"></form></body></html>"))
        .on("GET", "/epoll/clients/login.htm", Answer::page("<html><body>Welcome</body></html>"))
        .on("GET", "/epoll/clients/logs/pointHistory.htm", Answer::page(loggedInPage("#4a148c", "Your points")));
    site("travel.alohaairlines.com")
        .on("GET", "/statement/ValidateLogin.do", Answer::page(loggedInPage("#e65100", "Aloha statement")));

    auto values = [](std::vector<std::string> list) {
        std::string out;
        for (const std::string& value : list) out += value + '\0';
        return out;
    };
    rltest::NavigatorRun result =
        rltest::runNavigator({"--stdin"}, 120000, values({"Epoll", "joe@x.com", password}));
    ASSERT_TRUE(result.ended) << "Navigator did not end: " << result.output;
    auto logins = site("www.epoll.com").requests("GET", "/epoll/clients/login.htm");
    ASSERT_EQ(logins.size(), 1u) << rltest::readFile(dir.file("Navigator.log"));
    EXPECT_EQ(logins[0].formValue("password"), password);
    EXPECT_NE(logins[0].query.find("%40"), std::string::npos) << "the browser encodes: " << logins[0].query;
    log = rltest::readFile(dir.file("Navigator.log"));
    EXPECT_NE(log.find("/epoll/clients/login.htm?emailAddress=joe%40x.com&password=********"), std::string::npos)
        << log;
    ASSERT_TRUE(rltest::waitFor(
        [&] { return !site("www.epoll.com").requests("GET", "/epoll/clients/logs/pointHistory.htm").empty(); },
        30000));

    result = rltest::runNavigator({"--stdin"}, 120000, values({"Aloha", "AL77", password}));
    ASSERT_TRUE(result.ended) << "Navigator did not end: " << result.output;
    auto statements = site("travel.alohaairlines.com").requests("GET", "/statement/ValidateLogin.do");
    ASSERT_EQ(statements.size(), 1u);
    EXPECT_EQ(statements[0].formValue("alohaLoginPin"), password);
    log = rltest::readFile(dir.file("Navigator.log"));
    EXPECT_NE(log.find("alohaLoginAccount=AL77&alohaLoginPin=********"), std::string::npos) << log;

    // What the browser kept is on disk once the user has closed it.
    const std::vector<pid_t> browsers = session.processes("automation-browser");
    ASSERT_FALSE(browsers.empty()) << "the browser went with the program";
    ASSERT_TRUE(closeWindowsOf(browsers));
    EXPECT_TRUE(rltest::waitFor([&] { return session.processes("automation-browser").empty(); }, 30000))
        << "the browser did not close";
    EXPECT_TRUE(session.endProcesses());
    for (const std::string& folder : {dir.path(), session.home()}) {
        for (const std::string& file : filesHolding(folder, password)) ADD_FAILURE() << "kept: " << file;
    }
    EXPECT_FALSE(filesHolding(dir.path(), "joe@x.com").empty()) << "the search sees the log";
}
