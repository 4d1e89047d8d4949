#pragma once
// The process's one Qt application: made on first use by the thread that
// will be the user-interface thread, with the web engine's profile that all
// embedded browsers share. It is never destroyed: the web engine cannot
// start twice in a process, and a later display reuses it.

#include <QPageLayout>

#include <string>
#include <thread>

class QApplication;
class QWebEngineProfile;

namespace tk::qt {

class QtRuntime {
public:
    // Throws ToolkitException when there is no window system to talk to or
    // when called from another thread than the first caller.
    static QtRuntime& instance();
    // Environment the web engine reads at start-up: sandbox off for root,
    // quiet start-up logging. Leaves alone whatever the user set.
    static void prepareEnvironment();

    QApplication& application() { return *m_application; }
    QWebEngineProfile& profile();
    // The web engine keeps cookies and site data in memory and writes them
    // some 30 s later: the profile, with every page of it, goes now, and
    // this waits (at most PROFILE_CLOSE_MS) until the engine has closed the
    // profile's files, so they hold it all. The end of the process runs it;
    // no browser works afterwards.
    void closeProfile();
    static constexpr int PROFILE_CLOSE_MS = 3000;
    // Page settings chosen in the page-setup dialog, used by print, print
    // preview and PDF output of every browser.
    QPageLayout& pageLayout() { return m_pageLayout; }
    std::thread::id thread() const { return m_thread; }

private:
    QtRuntime();
    QApplication* m_application = nullptr;
    QWebEngineProfile* m_profile = nullptr;
    QPageLayout m_pageLayout;
    std::thread::id m_thread;
};

}  // namespace tk::qt
