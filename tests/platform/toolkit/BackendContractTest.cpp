// What a backend may rely on: the facade pushes state to the peers, ignores
// the echoes of its own setters, destroys children's peers before their
// parent's, and keeps failures of site calls made inside the native loop
// for readAndDispatch.

#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/toolkit/headless/HeadlessBackend.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_calls;

// Peers of a careless native toolkit: every setter echoes back as if the
// user had done it (signals not blocked).
class EchoText : public tk::TextPeer {
public:
    EchoText(std::unique_ptr<tk::TextPeer> inner, tk::TextSite& site) : m_inner(std::move(inner)), m_site(site) {}
    ~EchoText() override { g_calls.push_back("~text"); }
    void setBounds(const tk::Rectangle& b) override {
        g_calls.push_back("text bounds " + std::to_string(b.width) + "x" + std::to_string(b.height));
        m_inner->setBounds(b);
        m_site.userBounds(b);  // a resize event from the native side
    }
    void setVisible(bool v) override { m_inner->setVisible(v); }
    void setEnabled(bool e) override {
        g_calls.push_back(std::string("text enabled ") + (e ? "1" : "0"));
        m_inner->setEnabled(e);
    }
    void setFocus() override {
        m_inner->setFocus();
        m_site.userFocusIn();
    }
    void setForeground(const std::optional<tk::Color>& c) override { m_inner->setForeground(c); }
    void setBackground(const std::optional<tk::Color>& c) override { m_inner->setBackground(c); }
    void setFont(const std::optional<tk::Font>& f) override { m_inner->setFont(f); }
    void setCursor(const std::optional<tk::Cursor>& c) override { m_inner->setCursor(c); }
    void setToolTipText(const std::string& t) override { m_inner->setToolTipText(t); }
    void moveAbove(tk::ControlPeer*) override {}
    void moveBelow(tk::ControlPeer*) override {}
    tk::Point computeSize(int w, int h) override { return m_inner->computeSize(w, h); }
    int getBorderWidth() override { return m_inner->getBorderWidth(); }
    void setText(const std::string& text) override {
        g_calls.push_back("text " + text);
        m_inner->setText(text);
        m_site.userText(text);
    }
    void setTextLimit(int limit) override { m_inner->setTextLimit(limit); }
    void setEchoChar(char echo) override {
        g_calls.push_back(std::string("echo ") + echo);
        m_inner->setEchoChar(echo);
    }
    void setEditable(bool editable) override { m_inner->setEditable(editable); }
    void setSelection(int s, int e) override { m_inner->setSelection(s, e); }

private:
    std::unique_ptr<tk::TextPeer> m_inner;
    tk::TextSite& m_site;
};

class EchoList : public tk::ListPeer {
public:
    EchoList(std::unique_ptr<tk::ListPeer> inner, tk::ListSite& site) : m_inner(std::move(inner)), m_site(site) {}
    ~EchoList() override { g_calls.push_back("~list"); }
    void setBounds(const tk::Rectangle& b) override { m_inner->setBounds(b); }
    void setVisible(bool v) override { m_inner->setVisible(v); }
    void setEnabled(bool e) override { m_inner->setEnabled(e); }
    void setFocus() override {}
    void setForeground(const std::optional<tk::Color>&) override {}
    void setBackground(const std::optional<tk::Color>&) override {}
    void setFont(const std::optional<tk::Font>&) override {}
    void setCursor(const std::optional<tk::Cursor>&) override {}
    void setToolTipText(const std::string&) override {}
    void moveAbove(tk::ControlPeer*) override {}
    void moveBelow(tk::ControlPeer*) override {}
    tk::Point computeSize(int w, int h) override { return m_inner->computeSize(w, h); }
    int getBorderWidth() override { return 0; }
    void setItems(const std::vector<std::string>& items) override {
        g_calls.push_back("items " + std::to_string(items.size()));
        m_inner->setItems(items);
    }
    void setSelection(int index) override {
        g_calls.push_back("select " + std::to_string(index));
        m_inner->setSelection(index);
        m_site.userSelect(index);
    }

private:
    std::unique_ptr<tk::ListPeer> m_inner;
    tk::ListSite& m_site;
};

class CountedComposite : public tk::CompositePeer {
public:
    explicit CountedComposite(std::unique_ptr<tk::CompositePeer> inner) : m_inner(std::move(inner)) {}
    ~CountedComposite() override { g_calls.push_back("~composite"); }
    void setBounds(const tk::Rectangle& b) override { m_inner->setBounds(b); }
    void setVisible(bool v) override { m_inner->setVisible(v); }
    void setEnabled(bool e) override { m_inner->setEnabled(e); }
    void setFocus() override {}
    void setForeground(const std::optional<tk::Color>&) override {}
    void setBackground(const std::optional<tk::Color>&) override {}
    void setFont(const std::optional<tk::Font>&) override {}
    void setCursor(const std::optional<tk::Cursor>&) override {}
    void setToolTipText(const std::string&) override {}
    void moveAbove(tk::ControlPeer*) override { g_calls.push_back("raise composite"); }
    void moveBelow(tk::ControlPeer*) override {}
    tk::Point computeSize(int w, int h) override { return m_inner->computeSize(w, h); }
    int getBorderWidth() override { return 0; }
    tk::Rectangle clientArea(int w, int h) override { return m_inner->clientArea(w, h); }

private:
    std::unique_ptr<tk::CompositePeer> m_inner;
};

// Everything else as the headless backend does it.
class EchoBackend : public tk::Backend {
public:
    EchoBackend() : m_inner(tk::headless::createBackend()) {}
    std::string name() const override { return "echo"; }
    std::unique_ptr<tk::DisplayPeer> createDisplay(tk::DisplaySite& s) override { return m_inner->createDisplay(s); }
    std::unique_ptr<tk::ImagePeer> createImage(const tk::ImageData& d) override { return m_inner->createImage(d); }
    std::unique_ptr<tk::ShellPeer> createShell(tk::ShellSite& s, tk::ShellPeer* p, int style) override {
        return m_inner->createShell(s, p, style);
    }
    std::unique_ptr<tk::CompositePeer> createComposite(tk::ControlSite& s, tk::CompositePeer& p, int style) override {
        return std::make_unique<CountedComposite>(m_inner->createComposite(s, p, style));
    }
    std::unique_ptr<tk::GroupPeer> createGroup(tk::ControlSite& s, tk::CompositePeer& p, int style) override {
        return m_inner->createGroup(s, p, style);
    }
    std::unique_ptr<tk::TabFolderPeer> createTabFolder(tk::TabFolderSite& s, tk::CompositePeer& p, int style) override {
        return m_inner->createTabFolder(s, p, style);
    }
    std::unique_ptr<tk::LabelPeer> createLabel(tk::ControlSite& s, tk::CompositePeer& p, int style) override {
        return m_inner->createLabel(s, p, style);
    }
    std::unique_ptr<tk::ButtonPeer> createButton(tk::ButtonSite& s, tk::CompositePeer& p, int style) override {
        return m_inner->createButton(s, p, style);
    }
    std::unique_ptr<tk::TextPeer> createText(tk::TextSite& s, tk::CompositePeer& p, int style) override {
        return std::make_unique<EchoText>(m_inner->createText(s, p, style), s);
    }
    std::unique_ptr<tk::ListPeer> createList(tk::ListSite& s, tk::CompositePeer& p, int style) override {
        return std::make_unique<EchoList>(m_inner->createList(s, p, style), s);
    }
    std::unique_ptr<tk::ComboPeer> createCombo(tk::ComboSite& s, tk::CompositePeer& p, int style) override {
        return m_inner->createCombo(s, p, style);
    }
    std::unique_ptr<tk::RangePeer> createScale(tk::RangeSite& s, tk::CompositePeer& p, int style) override {
        return m_inner->createScale(s, p, style);
    }
    std::unique_ptr<tk::RangePeer> createProgressBar(tk::ControlSite& s, tk::CompositePeer& p, int style) override {
        return m_inner->createProgressBar(s, p, style);
    }
    std::unique_ptr<tk::RangePeer> createSpinner(tk::RangeSite& s, tk::CompositePeer& p, int style) override {
        return m_inner->createSpinner(s, p, style);
    }
    std::unique_ptr<tk::BrowserPeer> createBrowser(tk::BrowserSite& s, tk::CompositePeer& p, int style) override {
        return m_inner->createBrowser(s, p, style);
    }
    std::unique_ptr<tk::MenuPeer> createMenu(tk::MenuSite& s, tk::ShellPeer* shell, int style) override {
        return m_inner->createMenu(s, shell, style);
    }
    std::unique_ptr<tk::MenuItemPeer> createMenuItem(tk::MenuItemSite& s, tk::MenuPeer& m, int style, int index) override {
        return m_inner->createMenuItem(s, m, style, index);
    }
    std::unique_ptr<tk::TrayItemPeer> createTrayItem(tk::TrayItemSite& s, int style) override {
        return m_inner->createTrayItem(s, style);
    }
    int openMessageBox(tk::ShellPeer*, int, const std::string& title, const std::string&) override {
        g_calls.push_back("native box " + title);
        return tk::YES;
    }
    std::optional<std::string> openFileDialog(tk::ShellPeer*, const tk::FileDialogRequest& r) override {
        g_calls.push_back("native file " + r.fileName);
        return std::string("/chosen/") + r.fileName;
    }
    std::optional<std::string> openDirectoryDialog(tk::ShellPeer*, const tk::DirectoryDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<tk::RGB> openColorDialog(tk::ShellPeer*, const tk::ColorDialogRequest&) override { return std::nullopt; }

private:
    std::unique_ptr<tk::Backend> m_inner;
};

class BackendContract : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tk::registerBackend("echo", [] { return std::unique_ptr<tk::Backend>(std::make_unique<EchoBackend>()); });
    }
    BackendContract() : display("echo"), driver(display) {
        g_calls.clear();
        shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
        shell->open();
    }
    tk::Display display;
    tk::TestDriver driver;
    std::shared_ptr<tk::Shell> shell;
};

TEST_F(BackendContract, EchoesOfTheFacadesOwnSettersRaiseNothing) {
    auto text = tk::make<tk::Text>(shell, tk::BORDER);
    auto list = tk::make<tk::List>(shell, tk::SINGLE);
    int modify = 0;
    int selection = 0;
    text->addListener(tk::Modify, [&](tk::Event&) { ++modify; });
    list->addSelectionListener([&](tk::Event&) { ++selection; });
    text->setText("abc");
    list->setItems({"a", "b"});
    list->select(1);
    EXPECT_EQ(modify, 0);
    EXPECT_EQ(selection, 0);
    EXPECT_EQ(text->getText(), "abc");
    EXPECT_EQ(list->getSelectionIndex(), 1);
    // The echo of a setter's resize is the same bounds: one Resize only.
    int resizes = 0;
    text->addListener(tk::Resize, [&](tk::Event&) { ++resizes; });
    text->setSize(120, 20);
    EXPECT_EQ(resizes, 1);
}

TEST_F(BackendContract, InitialStateIsPushedOnlyWhereItDiffers) {
    auto password = tk::make<tk::Text>(shell, tk::PASSWORD);
    EXPECT_NE(std::find(g_calls.begin(), g_calls.end(), "echo *"), g_calls.end());
    EXPECT_EQ(std::find(g_calls.begin(), g_calls.end(), "text enabled 1"), g_calls.end());
    password->setEnabled(false);
    EXPECT_EQ(g_calls.back(), "text enabled 0");
}

TEST_F(BackendContract, ChildPeersGoBeforeTheirParentsPeer) {
    auto panel = tk::make<tk::Composite>(shell, tk::NONE);
    auto text = tk::make<tk::Text>(panel, tk::NONE);
    auto list = tk::make<tk::List>(panel, tk::NONE);
    g_calls.clear();
    panel->dispose();
    ASSERT_EQ(g_calls.size(), 3u);
    EXPECT_EQ(g_calls.back(), "~composite");
    EXPECT_NE(std::find(g_calls.begin(), g_calls.end(), "~text"), g_calls.end());
    EXPECT_NE(std::find(g_calls.begin(), g_calls.end(), "~list"), g_calls.end());
}

TEST_F(BackendContract, DialogsGoToTheBackendUnlessScripted) {
    tk::MessageBox box(shell.get(), tk::YES | tk::NO);
    box.setText("native");
    EXPECT_EQ(box.open(), tk::YES);
    tk::FileDialog file(shell.get(), tk::SAVE);
    file.setFileName("backup.settings");
    EXPECT_EQ(file.open(), std::optional<std::string>("/chosen/backup.settings"));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"native box native", "native file backup.settings"}));
    driver.scriptDialogs(true);
    driver.answer(tk::DialogAnswer::press(tk::NO));
    EXPECT_EQ(box.open(), tk::NO);
    EXPECT_EQ(g_calls.size(), 2u);
    driver.scriptDialogs(false);
    EXPECT_EQ(box.open(), tk::YES);
}

TEST_F(BackendContract, FocusReportedFromTheNativeSideIsOneFocusChange) {
    auto text = tk::make<tk::Text>(shell, tk::NONE);
    auto other = tk::make<tk::List>(shell, tk::NONE);
    ASSERT_TRUE(other->setFocus());
    int focusIn = 0;
    text->addListener(tk::FocusIn, [&](tk::Event&) { ++focusIn; });
    EXPECT_TRUE(text->setFocus());  // the peer echoes userFocusIn
    EXPECT_EQ(focusIn, 1);
    EXPECT_EQ(display.getFocusControl(), text.get());
}

TEST_F(BackendContract, RaisingAControlReachesItsPeer) {
    auto first = tk::make<tk::Composite>(shell, tk::NONE);
    auto second = tk::make<tk::Composite>(shell, tk::NONE);
    g_calls.clear();
    second->moveAbove(first.get());
    EXPECT_EQ(g_calls, (std::vector<std::string>{"raise composite"}));
    EXPECT_EQ(shell->getChildren().front(), second.get());
    second->moveAbove(second.get());  // itself: nothing
    EXPECT_EQ(g_calls.size(), 1u);
}

}  // namespace
