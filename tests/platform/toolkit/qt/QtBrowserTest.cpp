// The embedded browser on the web engine, in a real window: local pages,
// the location hook (page actions, frames, history, popups), markup, the
// save-as, print and page-setup commands, and screenshots of what shows.

#include "platform/toolkit/qt/QtBrowserPeer.h"
#include "tests/platform/toolkit/qt/QtTestSupport.h"
#include "tests/support/TempWorkDir.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinterInfo>
#include <QSet>
#include <QWebEngineView>

#include <fstream>
#include <thread>

namespace {

using rltest::qt::whenModalOpens;

std::string fileUrl(const std::string& path) { return "file://" + path; }

// What a user types into the chooser's name field.
void typeFileName(QFileDialog* dialog, const std::string& path) {
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    field->setText(QString::fromStdString(path));
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const char* BALANCES = R"(<!DOCTYPE html><html><head><meta charset="utf-8"><title>Balances</title></head>
<body style="font-size:28px">
<h1>Balances for Traveller</h1>
<p>Gr&uuml;&szlig;e: 48,210 miles</p>
<a id="action" href="http://rl/Details?u=0&amp;">Details</a>
<a id="next" href="second.html">Next</a>
<a id="out" href="popup.html" target="_blank">Out</a>
<iframe src="frame.html" width="200" height="60"></iframe>
</body></html>)";

// Everything a browser tells its listeners, as lines.
struct Recorder {
    std::vector<std::string> changing;
    std::vector<std::string> changed;
    int completed = 0;
    void attach(tk::Browser& browser) {
        browser.addLocationChangingListener([this](tk::Event& e) {
            changing.push_back((e.top ? "top " : "frame ") + e.location);
            if (e.location.rfind("http://rl/", 0) == 0) e.doit = false;
        });
        browser.addLocationChangedListener(
            [this](tk::Event& e) { changed.push_back((e.top ? "top " : "frame ") + e.location); });
        browser.addCompletedListener([this](tk::Event&) { ++completed; });
    }
};

class QtBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        RL_REQUIRE_DISPLAY();
        display = std::make_unique<tk::Display>("qt");
        rltest::writeFile(dir.file("page.html"), BALANCES);
        rltest::writeFile(dir.file("second.html"), "<html><title>Second</title><body>Second page</body></html>");
        rltest::writeFile(dir.file("frame.html"), "<html><body>framed</body></html>");
        rltest::writeFile(dir.file("popup.html"), "<html><body>popup</body></html>");
        page = fileUrl(dir.file("page.html"));
    }
    void TearDown() override {
        if (shell && !shell->isDisposed()) shell->dispose();
        display.reset();
    }
    std::shared_ptr<tk::Browser> openBrowser(int style = tk::NONE) {
        shell = tk::make<tk::Shell>(display.get(), tk::SHELL_TRIM);
        shell->setBounds(40, 40, 700, 500);
        auto browser = tk::make<tk::Browser>(shell, style);
        browser->setBounds(0, 0, 680, 440);
        shell->open();
        return browser;
    }
    bool pump(const std::function<bool()>& done, int timeoutMs = rltest::WAIT_MS) {
        return rltest::waitFor(done, timeoutMs, rltest::pumping(*display));
    }
    // A fixed time in the event loop, for checks that nothing happens.
    void settle(int ms) {
        bool over = false;
        auto end = tk::runnable([&over] { over = true; });
        display->timerExec(ms, end);
        pump([&] { return over; });
    }

    rltest::TempWorkDir dir;
    std::unique_ptr<tk::Display> display;
    std::shared_ptr<tk::Shell> shell;
    std::string page;
};

// A shell with a menu bar, tabs, controls and a browser on a local page: a
// page action clicked in the page is cancelled by the hook, the page stays,
// its text renders and shows on the screenshot.
TEST_F(QtBrowser, WindowWithPageActionCancelledAndScreenshot) {
    shell = tk::make<tk::Shell>(display.get(), tk::SHELL_TRIM);
    shell->setText("Roamledger");
    shell->setBounds(30, 30, 820, 620);
    auto bar = tk::make<tk::Menu>(shell, tk::BAR);
    shell->setMenuBar(bar.get());
    auto file = tk::make<tk::MenuItem>(bar, tk::CASCADE);
    file->setText("&File");
    auto fileMenu = tk::make<tk::Menu>(file.get());
    auto print = tk::make<tk::MenuItem>(fileMenu, tk::PUSH);
    print->setText("&Print...\tCtrl+P");
    auto folder = tk::make<tk::TabFolder>(shell, tk::NONE);
    tk::Rectangle area = shell->getClientArea();
    folder->setBounds(4, 4, area.width - 8, area.height - 50);
    auto pageTab = tk::make<tk::TabItem>(folder, tk::NONE);
    pageTab->setText("&Balances");
    auto browser = tk::make<tk::Browser>(folder, tk::BORDER);
    pageTab->setControl(browser.get());
    auto setupTab = tk::make<tk::TabItem>(folder, tk::NONE);
    setupTab->setText("&Setup");
    auto panel = tk::make<tk::Composite>(folder, tk::NONE);
    setupTab->setControl(panel.get());
    auto name = tk::make<tk::Text>(panel, tk::BORDER);
    name->setBounds(10, 10, 200, 24);
    name->setText("Traveller");
    auto retrieve = tk::make<tk::Button>(shell, tk::PUSH);
    retrieve->setText("&Retrieve All Accounts");
    retrieve->setBounds(4, area.height - 40, 200, 28);
    Recorder seen;
    seen.attach(*browser);
    shell->open();

    ASSERT_TRUE(browser->setUrl(page));
    ASSERT_TRUE(pump([&] { return seen.completed >= 1; }));
    EXPECT_EQ(browser->getUrl(), page);
    EXPECT_EQ(seen.changed.front(), "top " + page);
    // The frame's load passed the hook as a frame, and counts as changed.
    std::string frame = fileUrl(dir.file("frame.html"));
    EXPECT_NE(std::find(seen.changing.begin(), seen.changing.end(), "frame " + frame), seen.changing.end());
    EXPECT_NE(std::find(seen.changed.begin(), seen.changed.end(), "frame " + frame), seen.changed.end());
    // setUrl's own load did not come back to the hook.
    EXPECT_EQ(std::count(seen.changing.begin(), seen.changing.end(), "top " + page), 1);

    std::optional<std::string> clicked = tk::qt::runScript(*browser, "document.getElementById('action').click(); 'ok'");
    ASSERT_EQ(clicked, std::optional<std::string>("ok"));
    ASSERT_TRUE(pump([&] { return seen.changing.back() == "top http://rl/Details?u=0&"; }));
    settle(300);  // the cancelled load must not start
    EXPECT_EQ(browser->getUrl(), page);  // cancelled: nothing moved
    EXPECT_EQ(seen.completed, 1);
    std::optional<std::string> text = tk::qt::pageText(*browser);
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find("Balances for Traveller"), std::string::npos);
    EXPECT_NE(text->find("Gr\xC3\xBC\xC3\x9F" "e: 48,210 miles"), std::string::npos);

    // The screenshot shows the page: many colours, dark text pixels inside
    // the browser's part of the window.
    std::string shot = dir.file("window.png");
    QWidget* view = tk::qt::webView(*browser);
    QRect inWindow(view->mapTo(view->window(), QPoint(0, 0)), view->size());
    QSet<QRgb> colours;
    int dark = 0;
    auto look = [&] {
        colours.clear();
        dark = 0;
        if (!tk::qt::saveScreenshot(*shell, shot)) return false;
        QImage image(QString::fromStdString(shot));
        for (int y = inWindow.top(); y < inWindow.bottom() && y < image.height(); y += 2) {
            for (int x = inWindow.left(); x < inWindow.right() && x < image.width(); x += 2) {
                QRgb pixel = image.pixel(x, y);
                colours.insert(pixel);
                if (qGray(pixel) < 80) ++dark;
            }
        }
        return colours.size() > 1 && dark > 50;
    };
    // The engine draws some time after the load completed.
    EXPECT_TRUE(rltest::waitUntil("the page's text on the screenshot", look, rltest::WAIT_MS, [&] { settle(50); }));
    EXPECT_GT(colours.size(), 1);
    EXPECT_GT(dark, 50);

    // The menu bar sits above the client area, whose origin is below it.
    auto* window = tk::qt::nativeWidget(*shell);
    auto* menuBar = window->findChild<QMenuBar*>();
    ASSERT_NE(menuBar, nullptr);
    EXPECT_TRUE(menuBar->isVisible());
    QWidget* nativeFolder = tk::qt::nativeWidget(*folder);
    EXPECT_EQ(nativeFolder->mapTo(window, QPoint(0, 0)), QPoint(4, 4 + menuBar->height()));
    EXPECT_EQ(tk::qt::nativeWidget(*retrieve)->geometry(), QRect(4, area.height - 40, 200, 28));
}

// Links go through the hook; history steps too; a missing file ends its
// load with an error page that still counts as completed.
TEST_F(QtBrowser, LinksHistoryAndMissingPages) {
    auto browser = openBrowser();
    Recorder seen;
    seen.attach(*browser);
    browser->setUrl(page);
    ASSERT_TRUE(pump([&] { return seen.completed == 1; }));
    tk::qt::runScript(*browser, "document.getElementById('next').click()");
    std::string second = fileUrl(dir.file("second.html"));
    ASSERT_TRUE(pump([&] { return seen.completed == 2; }));
    EXPECT_EQ(browser->getUrl(), second);
    EXPECT_EQ(seen.changing.back(), "top " + second);
    EXPECT_TRUE(browser->isBackEnabled());
    EXPECT_FALSE(browser->isForwardEnabled());

    size_t asked = seen.changing.size();
    ASSERT_TRUE(browser->back());
    ASSERT_TRUE(pump([&] { return browser->getUrl() == page && seen.completed == 3; }));
    ASSERT_GT(seen.changing.size(), asked);
    EXPECT_EQ(seen.changing[asked], "top " + page);  // history passed the hook
    EXPECT_TRUE(browser->isForwardEnabled());

    // The same address again still reports its change and completion.
    int before = static_cast<int>(seen.changed.size());
    ASSERT_TRUE(browser->setUrl(page));
    ASSERT_TRUE(pump([&] { return seen.completed == 4; }));
    EXPECT_NE(std::find(seen.changed.begin() + before, seen.changed.end(), "top " + page), seen.changed.end());

    // Spaces in a folder name stay percent-encoded in what is reported.
    rltest::writeFile(dir.file("with space.html"), "<html>x</html>");
    ASSERT_TRUE(browser->setUrl(dir.file("with space.html")));
    ASSERT_TRUE(pump([&] { return browser->getUrl().find("with%20space.html") != std::string::npos; }));

    int done = seen.completed;
    ASSERT_TRUE(browser->setUrl(fileUrl(dir.file("missing.html"))));
    EXPECT_TRUE(pump([&] { return seen.completed == done + 1; }));
}

// A page's new window: refused without a taker; else the taker is shown
// before it navigates, and its own hook decides about the address.
TEST_F(QtBrowser, PopupsAreRefusedOrTaken) {
    auto browser = openBrowser();
    Recorder seen;
    seen.attach(*browser);
    browser->setUrl(page);
    ASSERT_TRUE(pump([&] { return seen.completed == 1; }));

    int asked = 0;
    std::shared_ptr<tk::Browser> popup;
    std::vector<std::string> order;
    bool give = false;
    auto hidden = tk::make<tk::Shell>(shell, tk::NONE);
    browser->addOpenWindowListener([&](tk::Event& e) {
        ++asked;
        if (!give) return;
        popup = tk::make<tk::Browser>(hidden, tk::NONE);
        popup->addVisibilityShowListener([&](tk::Event&) { order.push_back("show"); });
        popup->addLocationChangingListener([&](tk::Event& e2) {
            order.push_back("changing " + e2.location);
            e2.doit = false;
        });
        e.browser = popup;
    });
    tk::qt::runScript(*browser, "document.getElementById('out').click()");
    ASSERT_TRUE(pump([&] { return asked == 1; }));
    settle(200);  // a refused popup must open nothing
    EXPECT_EQ(popup, nullptr);
    EXPECT_EQ(browser->getUrl(), page);

    give = true;
    tk::qt::runScript(*browser, "window.open('popup.html', 'w'); 1");
    ASSERT_TRUE(pump([&] { return order.size() >= 2; }));
    EXPECT_EQ(order, (std::vector<std::string>{"show", "changing " + fileUrl(dir.file("popup.html"))}));
    EXPECT_FALSE(hidden->getVisible());  // no popup window is ever shown
    EXPECT_EQ(browser->getUrl(), page);
}

// Markup shows without the hook as a blank page's content; markup too big
// for a data address still shows whole.
TEST_F(QtBrowser, MarkupShowsAsBlankPage) {
    auto browser = openBrowser();
    Recorder seen;
    seen.attach(*browser);
    browser->setText("<html><body><p>Hello &amp; welcome</p></body></html>");
    ASSERT_TRUE(pump([&] { return seen.completed == 1; }));
    EXPECT_TRUE(seen.changing.empty());
    EXPECT_EQ(seen.changed, (std::vector<std::string>{"top about:blank"}));
    EXPECT_EQ(browser->getUrl(), "about:blank");
    EXPECT_EQ(tk::qt::pageText(*browser), std::optional<std::string>("Hello & welcome"));

    std::string big = "<html><body><p>start</p><pre>" + std::string(2 * 1000 * 1000, 'x') + "</pre><p id=end>the end</p>";
    browser->setText(big);
    // Two megabytes of markup take long to lay out on a busy machine.
    ASSERT_TRUE(pump([&] { return seen.completed == 2; }, 120000));
    EXPECT_EQ(seen.changed.back(), "top about:blank");
    EXPECT_EQ(tk::qt::runScript(*browser, "document.getElementById('end').textContent"),
              std::optional<std::string>("the end"));
    EXPECT_TRUE(seen.changing.empty());
}

// Save as: without a prompt into the download folder under the page's
// title; with one where the user chose, as HTML or as PDF; a cancelled
// prompt writes nothing.
TEST_F(QtBrowser, SaveAsWritesWhatTheUserChose) {
    auto browser = openBrowser();
    Recorder seen;
    seen.attach(*browser);
    browser->setUrl(page);
    ASSERT_TRUE(pump([&] { return seen.completed == 1; }));

    std::string downloads = rltest::qt::environment().home() + "/Downloads/Balances.html";
    std::filesystem::remove(downloads);
    ASSERT_TRUE(browser->execCommand(tk::Browser::CMD_SAVE_AS, tk::Browser::OPT_DONT_PROMPT_USER));
    ASSERT_TRUE(pump([&] { return slurp(downloads).find("Balances for Traveller") != std::string::npos; }));

    std::string chosen = dir.file("saved.html");
    whenModalOpens([chosen](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        typeFileName(dialog, chosen);
        static_cast<QDialog*>(dialog)->accept();
    });
    ASSERT_TRUE(browser->execCommand(tk::Browser::CMD_SAVE_AS, tk::Browser::OPT_PROMPT_USER));
    ASSERT_TRUE(pump([&] { return slurp(chosen).find("Balances for Traveller") != std::string::npos; }));

    std::string pdf = dir.file("saved.pdf");
    whenModalOpens([pdf](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->selectNameFilter(QStringLiteral("PDF Document (*.pdf)"));
        typeFileName(dialog, pdf);
        static_cast<QDialog*>(dialog)->accept();
    });
    ASSERT_TRUE(browser->execCommand(tk::Browser::CMD_SAVE_AS, tk::Browser::OPT_DEFAULT));
    ASSERT_TRUE(pump([&] { return slurp(pdf).rfind("%PDF", 0) == 0 && slurp(pdf).find("%%EOF") != std::string::npos; }));

    whenModalOpens([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    auto before = std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator());
    EXPECT_TRUE(browser->execCommand(tk::Browser::CMD_SAVE_AS, tk::Browser::OPT_PROMPT_USER));
    settle(300);  // a cancelled prompt must write nothing
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
              before);
}

// A page without a title of its own is offered under its file's name, with
// one suffix.
TEST_F(QtBrowser, SaveAsSuggestsAnUntitledPageByItsFileName) {
    auto browser = openBrowser();
    Recorder seen;
    seen.attach(*browser);
    rltest::writeFile(dir.file("Roamledger.html"), "<html><body>Balances</body></html>");
    browser->setUrl(fileUrl(dir.file("Roamledger.html")));
    ASSERT_TRUE(pump([&] { return seen.completed == 1; }));
    QString suggested;
    whenModalOpens([&suggested](QWidget* modal) {
        suggested = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        static_cast<QDialog*>(modal)->reject();
    });
    ASSERT_TRUE(browser->execCommand(tk::Browser::CMD_SAVE_AS, tk::Browser::OPT_PROMPT_USER));
    EXPECT_EQ(suggested.toStdString(), "Roamledger.html");
}

// Print, print preview and page setup open their dialogs; while one is
// open the toolkit's timers and a worker's posted task still run. A page
// setup the user accepts is kept for the next print.
TEST_F(QtBrowser, PrintCommandsRunModalAndKeepTheLoopAlive) {
    auto browser = openBrowser();
    Recorder seen;
    seen.attach(*browser);
    browser->setUrl(page);
    ASSERT_TRUE(pump([&] { return seen.completed == 1; }));

    std::vector<std::string> steps;
    whenModalOpens([&steps, this](QWidget* modal) {
        EXPECT_NE(qobject_cast<QPageSetupDialog*>(modal), nullptr);
        steps.push_back("dialog open");
        std::thread worker([this, &steps] { display->asyncExec([&steps] { steps.push_back("worker task"); }); });
        worker.join();
        // Close once the task has run inside the dialog's loop.
        auto* closer = new QTimer(modal);
        QObject::connect(closer, &QTimer::timeout, modal, [modal, &steps] {
            if (steps.back() == "worker task") static_cast<QDialog*>(modal)->reject();
        });
        closer->start(10);
    });
    EXPECT_TRUE(browser->execCommand(tk::Browser::CMD_PAGE_SETUP, tk::Browser::OPT_PROMPT_USER));
    steps.push_back("returned");
    EXPECT_EQ(steps, (std::vector<std::string>{"dialog open", "worker task", "returned"}));

    bool previewed = false;
    whenModalOpens([&previewed](QWidget* modal) {
        previewed = qobject_cast<QPrintPreviewDialog*>(modal) != nullptr;
        static_cast<QDialog*>(modal)->reject();
    });
    EXPECT_TRUE(browser->execCommand(tk::Browser::CMD_PRINT_PREVIEW, tk::Browser::OPT_PROMPT_USER));
    EXPECT_TRUE(previewed);

    bool printDialog = false;
    whenModalOpens([&printDialog](QWidget* modal) {
        printDialog = qobject_cast<QPrintDialog*>(modal) != nullptr;
        static_cast<QDialog*>(modal)->reject();
    });
    EXPECT_TRUE(browser->execCommand(tk::Browser::CMD_PRINT, tk::Browser::OPT_PROMPT_USER));
    EXPECT_TRUE(printDialog);

    // Without asking there must be a printer to print on.
    EXPECT_EQ(browser->execCommand(tk::Browser::CMD_PRINT, tk::Browser::OPT_DONT_PROMPT_USER),
              !QPrinterInfo::defaultPrinter().isNull());
    EXPECT_FALSE(browser->execCommand(99, tk::Browser::OPT_DEFAULT));
}

// A browser disposed while its page still loads and scripts still run
// takes nothing more from the page; the program goes on.
TEST_F(QtBrowser, DisposedWhileLoading) {
    auto browser = openBrowser();
    Recorder seen;
    seen.attach(*browser);
    browser->setUrl(page);
    tk::qt::webView(*browser)->page()->runJavaScript("location.href = 'second.html'");
    browser->dispose();
    settle(500);  // the disposed browser must report nothing more
    EXPECT_EQ(seen.completed, 0);
    EXPECT_EQ(seen.changing, (std::vector<std::string>{"top " + page}));  // only setUrl's own
    auto again = tk::make<tk::Browser>(shell, tk::NONE);
    Recorder next;
    next.attach(*again);
    again->setUrl(page);
    EXPECT_TRUE(pump([&] { return next.completed == 1; }));
}

}  // namespace
