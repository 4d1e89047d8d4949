// A window to look at: a shell with a menu bar, a tab folder with a browser
// on a local page and a page of controls. Page actions ("http://rl/...")
// are stopped and shown in the status line instead of being loaded.
//
//     tk-demo [--screenshot FILE.png] [--seconds N] [--tab 0|1]
//
// --screenshot saves the window as a PNG once the page has loaded, then
// ends; --seconds ends the program after that many seconds; --tab opens
// on the page (0) or the controls (1).

#include "platform/toolkit/Toolkit.h"
#include "platform/system/NumberText.h"
#include "platform/toolkit/qt/QtAccess.h"
#include "platform/toolkit/qt/QtBackend.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

const char* PAGE = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Balances</title>
<style>
body { font-family: sans-serif; margin: 12px; background: #f4f7fb; }
h1 { color: #1d4f91; font-size: 20px; }
table { border-collapse: collapse; width: 100%; background: white; }
th, td { border: 1px solid #b8c4d6; padding: 4px 8px; text-align: left; }
th { background: #dce6f3; }
td.n { text-align: right; }
</style></head>
<body>
<h1>Account balances</h1>
<p>Links that start with <code>http://rl/</code> are page actions: the window stops them.</p>
<table>
<tr><th>Program</th><th>Balance</th><th>Action</th></tr>
<tr><td>Skyways Miles</td><td class="n">48,210</td><td><a id="details" href="http://rl/Details?u=0&amp;">Details</a></td></tr>
<tr><td>Harbor Hotels</td><td class="n">12,900</td><td><a href="http://rl/TotalChart?u=0&amp;">Chart</a></td></tr>
<tr><td>Prairie Rail</td><td class="n">3,075</td><td><a href="second.html">Next page</a></td></tr>
</table>
<p>Umlauts and signs: Gr&uuml;&szlig;e, caf&eacute;, 5 &euro;</p>
</body></html>
)";

const char* SECOND = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Second page</title></head>
<body style="font-family: sans-serif"><h1>Second page</h1><p><a href="page.html">Back to the balances</a></p></body></html>
)";

void writeFile(const std::filesystem::path& path, const char* text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string fileUrl(const std::filesystem::path& path) { return "file://" + path.string(); }

}  // namespace

int main(int argc, char** argv) {
    std::string screenshot;
    int seconds = 0;
    int tab = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--screenshot" && i + 1 < argc) {
            screenshot = argv[++i];
        } else if (arg == "--seconds" && i + 1 < argc) {
            seconds = sys::parseNumber<int>(argv[++i]).value_or(0);
        } else if (arg == "--tab" && i + 1 < argc) {
            tab = sys::parseNumber<int>(argv[++i]).value_or(0) == 1 ? 1 : 0;
        } else {
            std::cerr << "usage: tk-demo [--screenshot FILE.png] [--seconds N] [--tab 0|1]\n";
            return 2;
        }
    }
    try {
        tk::qt::registerBackend();
        tk::Display display;

        auto folder = std::filesystem::temp_directory_path() / ("tk-demo-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        writeFile(folder / "page.html", PAGE);
        writeFile(folder / "second.html", SECOND);

        auto shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
        shell->setText("Toolkit demo");
        shell->setBounds(80, 60, 820, 620);

        auto bar = tk::make<tk::Menu>(shell, tk::BAR);
        shell->setMenuBar(bar.get());
        auto fileItem = tk::make<tk::MenuItem>(bar, tk::CASCADE);
        fileItem->setText("&File");
        auto fileMenu = tk::make<tk::Menu>(fileItem.get());
        auto helpItem = tk::make<tk::MenuItem>(bar, tk::CASCADE);
        helpItem->setText("&Help");
        auto helpMenu = tk::make<tk::Menu>(helpItem.get());

        auto status = tk::make<tk::Label>(shell, tk::NONE);
        auto folderTabs = tk::make<tk::TabFolder>(shell, tk::NONE);
        auto pageTab = tk::make<tk::TabItem>(folderTabs, tk::NONE);
        pageTab->setText("&Page");
        auto browser = tk::make<tk::Browser>(folderTabs, tk::BORDER);
        pageTab->setControl(browser.get());

        auto controlsTab = tk::make<tk::TabItem>(folderTabs, tk::NONE);
        controlsTab->setText("&Controls");
        auto controls = tk::make<tk::Composite>(folderTabs, tk::NONE);
        controlsTab->setControl(controls.get());
        auto nameLabel = tk::make<tk::Label>(controls, tk::NONE);
        nameLabel->setText("&Name:");
        nameLabel->setBounds(12, 14, 90, 20);
        auto name = tk::make<tk::Text>(controls, tk::BORDER);
        name->setBounds(110, 12, 220, 24);
        name->setText("Traveller");
        auto kindLabel = tk::make<tk::Label>(controls, tk::NONE);
        kindLabel->setText("Program:");
        kindLabel->setBounds(12, 50, 90, 20);
        auto kind = tk::make<tk::Combo>(controls, tk::READ_ONLY);
        kind->setItems({"Airline", "Hotel", "Car rental", "Card"});
        kind->select(0);
        kind->setBounds(110, 46, 220, 26);
        auto list = tk::make<tk::List>(controls, tk::BORDER | tk::V_SCROLL);
        list->setItems({"Skyways Miles", "Harbor Hotels", "Prairie Rail", "Summit Card"});
        list->select(1);
        list->setBounds(12, 86, 318, 110);
        auto check = tk::make<tk::Button>(controls, tk::CHECK);
        check->setText("Track &details");
        check->setSelection(true);
        check->setBounds(360, 12, 200, 24);
        auto radioA = tk::make<tk::Button>(controls, tk::RADIO);
        radioA->setText("Every &day");
        radioA->setSelection(true);
        radioA->setBounds(360, 44, 200, 24);
        auto radioB = tk::make<tk::Button>(controls, tk::RADIO);
        radioB->setText("Every &week");
        radioB->setBounds(360, 72, 200, 24);
        auto scale = tk::make<tk::Scale>(controls, tk::HORIZONTAL);
        scale->setBounds(360, 110, 200, 30);
        scale->setSelection(40);
        auto spinner = tk::make<tk::Spinner>(controls, tk::BORDER);
        spinner->setBounds(360, 150, 100, 26);
        spinner->setSelection(8);
        auto group = tk::make<tk::Group>(controls, tk::NONE);
        group->setText("Progress");
        group->setBounds(12, 210, 548, 70);
        auto progress = tk::make<tk::ProgressBar>(group, tk::HORIZONTAL);
        progress->setBounds(10, 10, 520, 16);
        progress->setSelection(65);

        auto back = tk::make<tk::Button>(shell, tk::PUSH);
        back->setText("&Back");
        auto reload = tk::make<tk::Button>(shell, tk::PUSH);
        reload->setText("&Reload");

        auto place = [&] {
            tk::Rectangle area = shell->getClientArea();
            folderTabs->setBounds(6, 6, area.width - 12, area.height - 76);
            back->setBounds(6, area.height - 62, 120, 28);
            reload->setBounds(134, area.height - 62, 120, 28);
            status->setBounds(6, area.height - 26, area.width - 12, 20);
        };
        place();
        shell->addListener(tk::Resize, [&](tk::Event&) { place(); });

        browser->addLocationChangingListener([&](tk::Event& e) {
            if (e.location.rfind("http://rl/", 0) == 0) {
                e.doit = false;
                status->setText("Page action: " + e.location);
            }
        });
        browser->addLocationChangedListener([&](tk::Event& e) {
            if (e.top) status->setText("Showing " + e.location);
        });
        back->addSelectionListener([&](tk::Event&) { browser->back(); });
        reload->addSelectionListener([&](tk::Event&) { browser->refresh(); });

        auto addItem = [](const std::shared_ptr<tk::Menu>& menu, const std::string& text, int accelerator,
                          std::function<void()> action) {
            auto item = tk::make<tk::MenuItem>(menu, text.empty() ? tk::SEPARATOR : tk::PUSH);
            if (text.empty()) return;
            item->setText(text);
            if (accelerator != 0) item->setAccelerator(accelerator);
            item->addSelectionListener([action](tk::Event&) { action(); });
        };
        addItem(fileMenu, "&Save as HTML...\tCtrl+S", tk::CTRL | 'S',
                [&] { browser->execCommand(tk::Browser::CMD_SAVE_AS, tk::Browser::OPT_PROMPT_USER); });
        addItem(fileMenu, "", 0, nullptr);
        addItem(fileMenu, "Pa&ge Setup...\tCtrl+G", tk::CTRL | 'G',
                [&] { browser->execCommand(tk::Browser::CMD_PAGE_SETUP, tk::Browser::OPT_PROMPT_USER); });
        addItem(fileMenu, "&Print...\tCtrl+P", tk::CTRL | 'P',
                [&] { browser->execCommand(tk::Browser::CMD_PRINT, tk::Browser::OPT_PROMPT_USER); });
        addItem(fileMenu, "Pri&nt Preview...\tCtrl+N", tk::CTRL | 'N',
                [&] { browser->execCommand(tk::Browser::CMD_PRINT_PREVIEW, tk::Browser::OPT_PROMPT_USER); });
        addItem(fileMenu, "", 0, nullptr);
        addItem(fileMenu, "E&xit\tCtrl+Q", tk::CTRL | 'Q', [&] { shell->close(); });
        addItem(helpMenu, "Ab&out", 0, [&] {
            tk::MessageBox box(shell.get(), tk::ICON_INFORMATION | tk::OK);
            box.setText("About");
            box.setMessage("A window of the toolkit's Qt backend.");
            box.open();
        });

        bool loaded = false;
        browser->addCompletedListener([&](tk::Event&) { loaded = true; });
        browser->setUrl(fileUrl(folder / "page.html"));
        folderTabs->setSelection(tab);
        shell->open();

        if (!screenshot.empty()) {
            if (!tk::qt::runUntil(display, [&] { return loaded; }, 20000) || !tk::qt::waitUntilDrawn(*browser)) {
                std::cerr << "tk-demo: the page was not shown in time\n";
                std::filesystem::remove_all(folder);
                return 1;
            }
            bool saved = tk::qt::saveScreenshot(*shell, screenshot);
            std::cout << (saved ? "saved " : "could not save ") << screenshot << "\n";
            std::filesystem::remove_all(folder);
            return saved ? 0 : 1;
        }
        if (seconds > 0) {
            display.timerExec(seconds * 1000, tk::runnable([&] {
                                  if (!shell->isDisposed()) shell->dispose();
                              }));
        }
        while (!shell->isDisposed()) {
            if (!display.readAndDispatch()) display.sleep();
        }
        std::filesystem::remove_all(folder);
        return 0;
    } catch (const std::exception& failure) {
        std::cerr << "tk-demo: " << failure.what() << "\n";
        return 1;
    }
}
