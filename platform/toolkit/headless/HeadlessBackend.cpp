#include "platform/toolkit/headless/HeadlessBackend.h"

#include "platform/system/Ascii.h"
#include "platform/toolkit/Browser.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/MessageBox.h"
#include "platform/toolkit/Style.h"
#include "platform/toolkit/ToolkitException.h"
#include "platform/toolkit/headless/Headless.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <mutex>
#include <sstream>

namespace tk::headless {

namespace {

// Rough metrics of a 9-point sans font, enough for pack() to give sizes a
// layout can rely on.
constexpr int GLYPH_WIDTH = 7;
constexpr int LINE_HEIGHT = 16;

int codePoints(const std::string& text) {
    int count = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80) ++count;
    }
    return count;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    lines.push_back(line);
    return lines;
}

int longestLine(const std::vector<std::string>& lines) {
    int longest = 0;
    for (auto& line : lines) longest = std::max(longest, codePoints(line));
    return longest;
}

class HImage : public ImagePeer {
public:
    explicit HImage(const ImageData& data) : width(data.width), height(data.height) {}
    int width;
    int height;
};

Point imageSize(ImagePeer* image) {
    auto* h = dynamic_cast<HImage*>(image);
    return h ? Point{h->width, h->height} : Point{};
}

class HDisplay : public DisplayPeer {
public:
    bool dispatchNative() override {
        if (m_native.empty()) return false;
        auto task = std::move(m_native.front());
        m_native.pop_front();
        task();
        return true;
    }
    void waitNative(int timeoutMillis) override {
        if (!m_native.empty()) return;
        std::unique_lock<std::mutex> lock(m_mutex);
        if (timeoutMillis < 0) {
            m_cv.wait(lock, [this] { return m_woken; });
        } else {
            m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMillis), [this] { return m_woken; });
        }
        m_woken = false;
    }
    void wake() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_woken = true;
        m_cv.notify_all();
    }
    Rectangle getBounds() override { return screen.bounds; }
    Rectangle getClientArea() override { return screen.clientArea; }
    Color getSystemColor(int id) override {
        switch (id) {
            case COLOR_WIDGET_BACKGROUND: return Color(236, 233, 216);
            case COLOR_LIST_BACKGROUND: return Color(255, 255, 255);
            case COLOR_LIST_SELECTION: return Color(49, 106, 197);
            case COLOR_LIST_SELECTION_TEXT: return Color(255, 255, 255);
            default: return Color(0, 0, 0);
        }
    }
    FontData getSystemFont() override { return FontData{"Sans", 9, NORMAL}; }
    int getTitleBarHeight() override { return screen.titleBarHeight; }
    bool hasSystemTray() override { return screen.tray; }
    bool setBrowserCookie(const std::string& url, const std::string& setCookie) override {
        cookies.push_back(BrowserCookie{url, setCookie});
        return true;
    }

    void post(std::function<void()> task) { m_native.push_back(std::move(task)); }

    Screen screen;
    std::vector<BrowserCookie> cookies;  // user-interface thread only

private:
    std::deque<std::function<void()>> m_native;  // user-interface thread only
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_woken = false;
};

template <class Base>
class HControl : public Base {
public:
    explicit HControl(int style) : m_style(style) {}
    void setBounds(const Rectangle& bounds) override { m_bounds = bounds; }
    void setVisible(bool visible) override { m_visible = visible; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    void setFocus() override {}
    void setForeground(const std::optional<Color>&) override {}
    void setBackground(const std::optional<Color>&) override {}
    void setFont(const std::optional<Font>&) override {}
    void setCursor(const std::optional<Cursor>&) override {}
    void setToolTipText(const std::string&) override {}
    void moveAbove(ControlPeer*) override {}
    void moveBelow(ControlPeer*) override {}
    Point computeSize(int widthHint, int heightHint) override {
        Point size = preferred(widthHint);
        int border = 2 * getBorderWidth();
        size.x += border;
        size.y += border;
        if (widthHint != DEFAULT) size.x = widthHint;
        if (heightHint != DEFAULT) size.y = heightHint;
        return size;
    }
    int getBorderWidth() override { return (m_style & BORDER) != 0 ? 2 : 0; }

protected:
    virtual Point preferred(int) { return {0, 0}; }
    int m_style;
    Rectangle m_bounds;
    bool m_visible = true;
    bool m_enabled = true;
};

template <class Base>
class HComposite : public HControl<Base> {
public:
    using HControl<Base>::HControl;
    Rectangle clientArea(int width, int height) override {
        int b = this->getBorderWidth();
        return {b, b, std::max(0, width - 2 * b), std::max(0, height - 2 * b)};
    }
};

class HShell : public HComposite<ShellPeer> {
public:
    HShell(HDisplay& display, int style) : HComposite(style), m_display(display) { m_visible = false; }
    Rectangle clientArea(int width, int height) override {
        if ((m_style & NO_TRIM) != 0) return {0, 0, width, height};
        int border = (m_style & (BORDER | RESIZE | TITLE)) != 0 ? 4 : 0;
        int title = (m_style & TITLE) != 0 ? ((m_style & TOOL) != 0 ? 19 : m_display.screen.titleBarHeight) : 0;
        return {border, border + title, std::max(0, width - 2 * border), std::max(0, height - 2 * border - title)};
    }
    int getBorderWidth() override { return 0; }
    void setText(const std::string&) override {}
    void setImage(ImagePeer*) override {}
    void setActive() override {}
    void setMinimumSize(const Point&) override {}
    void setMenuBar(MenuPeer*) override {}
    void setDefaultButton(ButtonPeer*) override {}
    void setMinimized(bool) override {}
    void setMaximized(bool) override {}
    void removeSizeCommands() override {}

private:
    HDisplay& m_display;
};

class HGroup : public HComposite<GroupPeer> {
public:
    using HComposite::HComposite;
    Rectangle clientArea(int width, int height) override {
        return {3, 15, std::max(0, width - 6), std::max(0, height - 18)};
    }
    void setText(const std::string&) override {}
};

class HTabFolder : public HComposite<TabFolderPeer> {
public:
    using HComposite::HComposite;
    Rectangle clientArea(int width, int height) override {
        int tabs = m_tabHeight > 0 ? m_tabHeight : 22;
        return {2, tabs + 2, std::max(0, width - 4), std::max(0, height - tabs - 4)};
    }
    void insertItem(int) override {}
    void removeItem(int) override {}
    void setItemText(int, const std::string&) override {}
    void setItemImage(int, ImagePeer*) override {}
    void setItemToolTipText(int, const std::string&) override {}
    void setItemControl(int, ControlPeer*) override {}
    void setSelection(int) override {}
    void setTabHeight(int height) override { m_tabHeight = height; }
    void setSelectionColors(const std::optional<Color>&, const std::optional<Color>&) override {}

private:
    int m_tabHeight = 0;
};

class HLabel : public HControl<LabelPeer> {
public:
    using HControl::HControl;
    void setText(const std::string& text) override { m_text = text; }
    void setImage(ImagePeer* image) override { m_image = image; }
    void setAlignment(int) override {}

protected:
    Point preferred(int widthHint) override {
        if (m_image != nullptr) return imageSize(m_image);
        auto lines = linesOf(stripMnemonic(m_text));
        int longest = longestLine(lines);
        int count = static_cast<int>(lines.size());
        if ((m_style & WRAP) != 0 && widthHint > 0) {
            count = 0;
            for (auto& line : lines) {
                int width = codePoints(line) * GLYPH_WIDTH;
                count += std::max(1, (width + widthHint - 1) / widthHint);
            }
            longest = std::min(longest, widthHint / GLYPH_WIDTH);
        }
        return {longest * GLYPH_WIDTH, count * LINE_HEIGHT};
    }

private:
    std::string m_text;
    ImagePeer* m_image = nullptr;
};

class HButton : public HControl<ButtonPeer> {
public:
    using HControl::HControl;
    void setText(const std::string& text) override { m_text = text; }
    void setImage(ImagePeer* image) override { m_image = image; }
    void setSelection(bool) override {}

protected:
    Point preferred(int) override {
        int chars = codePoints(stripMnemonic(m_text));
        if ((m_style & (CHECK | RADIO)) != 0) return {13 + (chars > 0 ? 5 + chars * GLYPH_WIDTH : 0), 16};
        if (m_image != nullptr) {
            Point size = imageSize(m_image);
            return {size.x + 8, size.y + 8};
        }
        return {std::max(75, chars * GLYPH_WIDTH + 12), 23};
    }

private:
    std::string m_text;
    ImagePeer* m_image = nullptr;
};

class HText : public HControl<TextPeer> {
public:
    using HControl::HControl;
    void setText(const std::string& text) override { m_text = text; }
    void setTextLimit(int) override {}
    void setEchoChar(char) override {}
    void setEditable(bool) override {}
    void setSelection(int, int) override {}

protected:
    Point preferred(int) override {
        auto lines = linesOf(m_text);
        int longest = std::max(1, longestLine(lines));
        int count = (m_style & MULTI) != 0 ? static_cast<int>(lines.size()) : 1;
        return {longest * GLYPH_WIDTH + 6, count * LINE_HEIGHT + 5};
    }

private:
    std::string m_text;
};

class HList : public HControl<ListPeer> {
public:
    using HControl::HControl;
    void setItems(const std::vector<std::string>& items) override { m_items = items; }
    void setSelection(int) override {}

protected:
    Point preferred(int) override {
        return {std::max(1, longestLine(m_items)) * GLYPH_WIDTH + 20,
                std::max(1, static_cast<int>(m_items.size())) * LINE_HEIGHT + 4};
    }

private:
    std::vector<std::string> m_items;
};

class HCombo : public HControl<ComboPeer> {
public:
    using HControl::HControl;
    void setItems(const std::vector<std::string>& items) override { m_items = items; }
    void setSelection(int) override {}
    void setText(const std::string&) override {}
    void setTextLimit(int) override {}

protected:
    Point preferred(int) override { return {std::max(4, longestLine(m_items)) * GLYPH_WIDTH + 24, 23}; }

private:
    std::vector<std::string> m_items;
};

class HRange : public HControl<RangePeer> {
public:
    HRange(int style, char kind) : HControl(style), m_kind(kind) {}
    void setRange(int minimum, int maximum, int) override {
        m_minimum = minimum;
        m_maximum = maximum;
    }
    void setIncrements(int, int) override {}

protected:
    Point preferred(int) override {
        bool vertical = (m_style & VERTICAL) != 0;
        switch (m_kind) {
            case 's': return vertical ? Point{42, 160} : Point{160, 42};
            case 'p': return vertical ? Point{16, 160} : Point{160, 16};
            default: {
                int digits = std::max(std::to_string(m_minimum).size(), std::to_string(m_maximum).size());
                return {digits * GLYPH_WIDTH + 24, 21};
            }
        }
    }

private:
    char m_kind;
    int m_minimum = 0;
    int m_maximum = 100;
};

class HMenu : public MenuPeer {
public:
    void setVisible(bool, const std::optional<Point>&) override {}
    void setEnabled(bool) override {}
};

class HMenuItem : public MenuItemPeer {
public:
    void setText(const std::string&) override {}
    void setAccelerator(int) override {}
    void setEnabled(bool) override {}
    void setSelection(bool) override {}
    void setImage(ImagePeer*) override {}
    void setMenu(MenuPeer*) override {}
};

class HTrayItem : public TrayItemPeer {
public:
    void setImage(ImagePeer*) override {}
    void setToolTipText(const std::string&) override {}
    void setVisible(bool) override {}
};

class HBrowser : public HControl<BrowserPeer> {
public:
    HBrowser(BrowserSite& site, HDisplay& display, int style) : HControl(style), m_site(site), m_display(display) {}
    ~HBrowser() override { *m_alive = false; }

    void navigate(const std::string& url) override {
        record.log.push_back("navigate " + url);
        load(url, true);
    }
    void setText(const std::string& html) override {
        record.log.push_back("text");
        int generation = ++m_generation;
        std::weak_ptr<bool> alive = m_alive;
        m_display.post([this, alive, generation, html] {
            if (alive.expired() || generation != m_generation) return;
            pushHistory("about:blank");
            record.url = "about:blank";
            record.text = html;
            record.found = true;
            finish("about:blank", alive);
        });
    }
    void refresh() override {
        record.log.push_back("refresh");
        if (m_position < 0) return;
        std::string url = m_history[m_position];
        int generation = ++m_generation;
        std::weak_ptr<bool> alive = m_alive;
        m_display.post([this, alive, generation, url] {
            if (alive.expired() || generation != m_generation) return;
            read(url);
            m_site.userCompleted();
        });
    }
    bool back() override {
        record.log.push_back("back");
        if (m_position <= 0) return false;
        return goTo(m_position - 1);
    }
    bool forward() override {
        record.log.push_back("forward");
        if (m_position + 1 >= static_cast<int>(m_history.size())) return false;
        return goTo(m_position + 1);
    }
    bool isBackEnabled() override { return m_position > 0; }
    bool isForwardEnabled() override { return m_position + 1 < static_cast<int>(m_history.size()); }
    void stop() override {
        record.log.push_back("stop");
        ++m_generation;
    }
    bool execCommand(int command, int option) override {
        record.log.push_back("command " + std::to_string(command) + " " + std::to_string(option));
        return command == Browser::CMD_SAVE_AS || command == Browser::CMD_PRINT ||
               command == Browser::CMD_PRINT_PREVIEW || command == Browser::CMD_PAGE_SETUP;
    }

    BrowserRecord record;

protected:
    Point preferred(int) override { return {300, 150}; }

private:
    bool goTo(int position) {
        std::string target = m_history[position];
        std::weak_ptr<bool> alive = m_alive;
        if (!m_site.userChanging(target, true) || alive.expired()) return false;
        m_position = position;
        load(target, false);
        return true;
    }
    void load(const std::string& url, bool addToHistory) {
        int generation = ++m_generation;
        std::weak_ptr<bool> alive = m_alive;
        m_display.post([this, alive, generation, url, addToHistory] {
            if (alive.expired() || generation != m_generation) return;
            if (addToHistory) pushHistory(url);
            read(url);
            finish(url, alive);
        });
    }
    void pushHistory(const std::string& url) {
        m_history.resize(static_cast<size_t>(m_position + 1));
        m_history.push_back(url);
        m_position = static_cast<int>(m_history.size()) - 1;
    }
    void read(const std::string& url) {
        record.url = url;
        record.text.clear();
        record.found = false;
        std::string path = pathOfFileUrl(url);
        if (!path.empty()) {
            std::ifstream in(path, std::ios::binary);
            if (in) {
                std::ostringstream text;
                text << in.rdbuf();
                record.text = text.str();
                record.found = true;
            }
        } else if (url.rfind("about:", 0) == 0) {
            record.found = true;
        }
        record.log.push_back((record.found ? "loaded " : "missing ") + url);
    }
    void finish(const std::string& url, const std::weak_ptr<bool>& alive) {
        m_site.userChanged(url, true);
        if (alive.expired()) return;  // a listener disposed the browser
        m_site.userCompleted();
    }

    BrowserSite& m_site;
    HDisplay& m_display;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::vector<std::string> m_history;
    int m_position = -1;
    int m_generation = 0;
};

class HBackend : public Backend {
public:
    std::string name() const override { return "headless"; }
    std::unique_ptr<DisplayPeer> createDisplay(DisplaySite&) override {
        auto display = std::make_unique<HDisplay>();
        m_display = display.get();
        return display;
    }
    std::unique_ptr<ImagePeer> createImage(const ImageData& data) override { return std::make_unique<HImage>(data); }
    std::unique_ptr<ShellPeer> createShell(ShellSite&, ShellPeer*, int style) override {
        return std::make_unique<HShell>(*m_display, style);
    }
    std::unique_ptr<CompositePeer> createComposite(ControlSite&, CompositePeer&, int style) override {
        return std::make_unique<HComposite<CompositePeer>>(style);
    }
    std::unique_ptr<GroupPeer> createGroup(ControlSite&, CompositePeer&, int style) override {
        return std::make_unique<HGroup>(style);
    }
    std::unique_ptr<TabFolderPeer> createTabFolder(TabFolderSite&, CompositePeer&, int style) override {
        return std::make_unique<HTabFolder>(style);
    }
    std::unique_ptr<LabelPeer> createLabel(ControlSite&, CompositePeer&, int style) override {
        return std::make_unique<HLabel>(style);
    }
    std::unique_ptr<ButtonPeer> createButton(ButtonSite&, CompositePeer&, int style) override {
        return std::make_unique<HButton>(style);
    }
    std::unique_ptr<TextPeer> createText(TextSite&, CompositePeer&, int style) override {
        return std::make_unique<HText>(style);
    }
    std::unique_ptr<ListPeer> createList(ListSite&, CompositePeer&, int style) override {
        return std::make_unique<HList>(style);
    }
    std::unique_ptr<ComboPeer> createCombo(ComboSite&, CompositePeer&, int style) override {
        return std::make_unique<HCombo>(style);
    }
    std::unique_ptr<RangePeer> createScale(RangeSite&, CompositePeer&, int style) override {
        return std::make_unique<HRange>(style, 's');
    }
    std::unique_ptr<RangePeer> createProgressBar(ControlSite&, CompositePeer&, int style) override {
        return std::make_unique<HRange>(style, 'p');
    }
    std::unique_ptr<RangePeer> createSpinner(RangeSite&, CompositePeer&, int style) override {
        return std::make_unique<HRange>(style, 'n');
    }
    std::unique_ptr<BrowserPeer> createBrowser(BrowserSite& site, CompositePeer&, int style) override {
        return std::make_unique<HBrowser>(site, *m_display, style);
    }
    std::unique_ptr<MenuPeer> createMenu(MenuSite&, ShellPeer*, int) override { return std::make_unique<HMenu>(); }
    std::unique_ptr<MenuItemPeer> createMenuItem(MenuItemSite&, MenuPeer&, int, int) override {
        return std::make_unique<HMenuItem>();
    }
    std::unique_ptr<TrayItemPeer> createTrayItem(TrayItemSite&, int) override {
        return std::make_unique<HTrayItem>();
    }
    int openMessageBox(ShellPeer*, int style, const std::string&, const std::string&) override {
        return MessageBox::closeAnswer(style);
    }
    std::optional<std::string> openFileDialog(ShellPeer*, const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> openDirectoryDialog(ShellPeer*, const DirectoryDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<RGB> openColorDialog(ShellPeer*, const ColorDialogRequest&) override { return std::nullopt; }
    bool scriptsDialogs() const override { return true; }

private:
    HDisplay* m_display = nullptr;
};

HDisplay* headlessPeer(const Display& display) {
    if (display.isDisposed()) return nullptr;
    return dynamic_cast<HDisplay*>(&const_cast<Display&>(display).peer());
}

HDisplay& requireHeadless(const Display& display) {
    HDisplay* peer = headlessPeer(display);
    if (peer == nullptr) throw ToolkitException(ERROR_INVALID_ARGUMENT, "not a headless display");
    return *peer;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::unique_ptr<Backend> createBackend() { return std::make_unique<HBackend>(); }

bool isHeadless(const Display& display) { return headlessPeer(display) != nullptr; }

void setScreen(Display& display, const Screen& screen) { requireHeadless(display).screen = screen; }

Screen getScreen(const Display& display) { return requireHeadless(display).screen; }

std::vector<BrowserCookie> browserCookies(const Display& display) { return requireHeadless(display).cookies; }

const BrowserRecord& browserRecord(const Browser& browser) {
    auto* peer = dynamic_cast<HBrowser*>(browser.getBrowserPeer());
    if (peer == nullptr) throw ToolkitException(ERROR_INVALID_ARGUMENT, "not a live headless browser");
    return peer->record;
}

std::string pathOfFileUrl(const std::string& url) {
    if (url.size() < 5) return "";
    std::string scheme = sys::asciiLower(url.substr(0, 5));
    if (scheme != "file:") return "";
    std::string rest = url.substr(5);
    if (rest.rfind("//", 0) == 0) {
        rest = rest.substr(2);
        size_t slash = rest.find('/');
        std::string host = slash == std::string::npos ? rest : rest.substr(0, slash);
        if (!host.empty() && host != "localhost") return "";  // another machine's file
        rest = slash == std::string::npos ? "" : rest.substr(slash);
    }
    size_t end = rest.find_first_of("?#");
    if (end != std::string::npos) rest = rest.substr(0, end);
    std::string path;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && hexValue(rest[i + 1]) >= 0 && hexValue(rest[i + 2]) >= 0) {
            path += static_cast<char>(hexValue(rest[i + 1]) * 16 + hexValue(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    return path;
}

}  // namespace tk::headless
