#pragma once
// The connection to the window system and the user-interface thread's event
// loop. The thread that creates a display is its user-interface thread.
//
//     while (!shell->isDisposed()) {
//         if (!display.readAndDispatch()) display.sleep();
//     }
//
// Loops nest: a listener may run the same loop for a modal window. asyncExec
// may be called from any thread; timerExec only from the user-interface
// thread. A display stays valid until it is destroyed: a worker thread that
// posts to it must end first (the default display is never destroyed).

#include "platform/toolkit/Backend.h"
#include "platform/toolkit/Event.h"
#include "platform/toolkit/Types.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tk {

class Shell;
class Control;
class Tray;
class Image;
class Widget;
class DialogScript;
class TestDriver;

class Display : private DisplaySite {
public:
    // The backend named by RL_TOOLKIT ("qt" when unset).
    Display();
    explicit Display(const std::string& backendName);
    ~Display() override;
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // The display of the calling thread, or nullptr.
    static Display* getCurrent();
    // The process's default display, made on the calling thread at the
    // first call; kept for the rest of the process.
    static Display* getDefault();

    // Handles one pending event: a native event, else one due timer, else
    // one asyncExec task. False when there was nothing to do.
    bool readAndDispatch();
    // Waits until there may be something for readAndDispatch.
    bool sleep();
    // Any thread: ends a sleep.
    void wake();
    // Any thread: runs the task on the user-interface thread from the event
    // loop. Dropped without a word once the display is disposed.
    void asyncExec(std::function<void()> task);
    // Runs the task once after the delay on the display clock. Handing the
    // same task again re-arms it; a negative delay cancels it.
    void timerExec(int milliseconds, const std::shared_ptr<Runnable>& task);
    // Milliseconds on the display clock (monotonic; a test may drive it).
    int64_t now() const;

    void dispose();
    bool isDisposed() const { return m_disposed.load(); }
    std::thread::id getThread() const { return m_thread; }

    Rectangle getBounds();
    // Work area of the primary monitor (the screen less task bars).
    Rectangle getClientArea();
    Color getSystemColor(int id);
    Font getSystemFont();
    Cursor getSystemCursor(int shape);
    int getTitleBarHeight();
    // Version of the web engine behind Browser; "" when the backend has no
    // real one.
    std::string getBrowserVersion();
    // See Browser::setCookie.
    bool setBrowserCookie(const std::string& url, const std::string& setCookie);
    // nullptr when the window system has no tray.
    Tray* getSystemTray();

    std::vector<Shell*> getShells() const;  // top-level shells
    Shell* getActiveShell() const;
    Control* getFocusControl() const;

    // ---- for the toolkit's own classes and backends ----
    Backend& backend() { return *m_backend; }
    DisplayPeer& peer() { return *m_peer; }
    void checkDevice() const;
    bool isUserInterfaceThread() const { return std::this_thread::get_id() == m_thread; }
    DialogScript& dialogScript() { return *m_dialogScript; }
    // Top-level shells and images register here.
    void addShell(const std::shared_ptr<Shell>& shell);
    void removeShell(Shell* shell);
    void addImage(const std::shared_ptr<Image>& image);
    // Focus and activation bookkeeping (events included).
    void focusChanged(Control* control);
    void shellActivated(Shell* shell);
    void widgetReleased(Widget* widget);
    // A shell blocks user input to another shell while it is an open modal
    // shell, and every shell is blocked while a dialog is open.
    bool isBlocked(const Shell* shell) const;
    // Runs a modal dialog (scripted or native): user input to every shell
    // is blocked meanwhile, and site failures inside it are rethrown after.
    void runModal(const std::function<void()>& body);
    bool isDialogOpen() const { return m_openDialogs > 0; }
    int nativeDepth() const { return m_nativeDepth; }
    void deferFailure(std::exception_ptr failure);
    int applyingDepth() const { return m_applying; }
    void beginApplying() { ++m_applying; }
    void endApplying() { --m_applying; }

private:
    struct Timer {
        int64_t due;
        uint64_t sequence;
        std::shared_ptr<Runnable> task;
    };

    void init(const std::string& backendName);
    void runQueuedWork() override;
    bool runOneTimer(int64_t upTo);
    bool runOneAsync();
    void rethrowDeferred();
    bool hasDueWork();

    // Driven clock (TestDriver).
    void useManualClock();
    void advanceClock(int64_t milliseconds);
    bool manualClock() const { return m_manualClock; }

    std::thread::id m_thread;
    std::unique_ptr<Backend> m_backend;
    std::unique_ptr<DisplayPeer> m_peer;
    std::atomic<bool> m_disposed{false};
    bool m_disposing = false;

    mutable std::mutex m_queueMutex;
    std::deque<std::function<void()>> m_async;

    std::vector<Timer> m_timers;
    uint64_t m_timerSequence = 0;
    bool m_manualClock = false;
    int64_t m_manualNow = 0;
    int64_t m_clockOrigin = 0;

    std::vector<std::shared_ptr<Shell>> m_shells;
    std::vector<std::weak_ptr<Image>> m_images;
    std::unique_ptr<Tray> m_tray;
    bool m_trayChecked = false;
    std::weak_ptr<Widget> m_focus;
    std::weak_ptr<Widget> m_active;

    std::unique_ptr<DialogScript> m_dialogScript;
    int m_openDialogs = 0;
    int m_nativeDepth = 0;
    int m_applying = 0;
    std::exception_ptr m_deferred;

    friend class TestDriver;
};

}  // namespace tk
