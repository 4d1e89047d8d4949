#include "platform/toolkit/Display.h"

#include "platform/toolkit/Control.h"
#include "platform/toolkit/DialogScript.h"
#include "platform/toolkit/Image.h"
#include "platform/toolkit/Shell.h"
#include "platform/toolkit/ToolkitException.h"
#include "platform/toolkit/Tray.h"
#include "platform/toolkit/headless/HeadlessBackend.h"

#include <algorithm>
#include <chrono>

namespace tk {

BackendFactory findBackendFactory(const std::string& name);

namespace {
thread_local Display* t_current = nullptr;
std::mutex g_defaultMutex;
Display* g_default = nullptr;

// Cap on a real-time wait while the clock is driven by hand, so that a loop
// waiting for a timer nobody advances does not hang.
constexpr int MANUAL_CLOCK_WAIT_MS = 20;
constexpr int ADVANCE_RUN_LIMIT = 100000;

int64_t steadyMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void collectShells(const std::vector<Shell*>& shells, std::vector<Shell*>& out) {
    for (Shell* shell : shells) {
        out.push_back(shell);
        collectShells(shell->getShells(), out);
    }
}

bool descendsFrom(const Shell* shell, const Shell* ancestor) {
    for (const Shell* s = shell; s != nullptr; s = s->getParentShell()) {
        if (s == ancestor) return true;
    }
    return false;
}
}  // namespace

Display::Display() { init(selectedBackendName()); }

Display::Display(const std::string& backendName) { init(backendName); }

void Display::init(const std::string& backendName) {
    if (t_current != nullptr) {
        throw ToolkitException(ERROR_NOT_IMPLEMENTED, "a second display on one thread");
    }
    m_thread = std::this_thread::get_id();
    if (backendName == "headless") {
        m_backend = headless::createBackend();
    } else if (BackendFactory factory = findBackendFactory(backendName)) {
        m_backend = factory();
    }
    if (!m_backend) {
        throw ToolkitException(ERROR_NO_BACKEND,
                               "'" + backendName + "' is not linked into this program (RL_TOOLKIT)");
    }
    m_dialogScript = std::make_unique<DialogScript>();
    m_dialogScript->setActive(m_backend->scriptsDialogs());
    m_clockOrigin = steadyMillis();
    m_peer = m_backend->createDisplay(*this);
    t_current = this;
}

Display::~Display() {
    if (!m_disposed && isUserInterfaceThread()) {
        try {
            dispose();
        } catch (...) {
            // A listener failing during teardown must not escape a destructor.
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_disposed = true;
        m_async.clear();
        m_peer.reset();
    }
    m_backend.reset();
    if (t_current == this) t_current = nullptr;
}

Display* Display::getCurrent() { return t_current; }

Display* Display::getDefault() {
    std::lock_guard<std::mutex> lock(g_defaultMutex);
    if (g_default == nullptr || g_default->isDisposed()) {
        if (t_current != nullptr) return t_current;
        // Never destroyed: workers may still post to it while the process ends.
        g_default = new Display();
    }
    return g_default;
}

void Display::checkDevice() const {
    if (m_disposed) throw ToolkitException(ERROR_DEVICE_DISPOSED);
    if (!isUserInterfaceThread()) throw ToolkitException(ERROR_THREAD_INVALID_ACCESS);
}

void Display::dispose() {
    if (m_disposed || m_disposing) return;
    checkDevice();
    m_disposing = true;
    auto shells = m_shells;
    for (auto& shell : shells) {
        if (!shell->isDisposed()) shell->dispose();
    }
    if (m_tray) m_tray->disposeAll();
    for (auto& weak : m_images) {
        if (auto image = weak.lock()) image->dispose();
    }
    m_images.clear();
    m_timers.clear();
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_disposed = true;
        m_async.clear();
        m_peer.reset();
    }
    m_backend.reset();
    m_disposing = false;
    if (t_current == this) t_current = nullptr;
}

int64_t Display::now() const {
    if (m_manualClock) return m_manualNow;
    return steadyMillis() - m_clockOrigin;
}

void Display::deferFailure(std::exception_ptr failure) {
    if (!m_deferred) m_deferred = failure;
}

void Display::rethrowDeferred() {
    if (m_deferred) {
        std::exception_ptr failure = m_deferred;
        m_deferred = nullptr;
        std::rethrow_exception(failure);
    }
}

bool Display::readAndDispatch() {
    checkDevice();
    rethrowDeferred();
    bool native = false;
    ++m_nativeDepth;
    try {
        native = m_peer->dispatchNative();
    } catch (...) {
        --m_nativeDepth;
        throw;
    }
    --m_nativeDepth;
    rethrowDeferred();
    if (native || m_disposed) return true;
    if (runOneTimer(now())) return true;
    return runOneAsync();
}

bool Display::hasDueWork() {
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        if (!m_async.empty()) return true;
    }
    int64_t current = now();
    return std::any_of(m_timers.begin(), m_timers.end(), [current](const Timer& t) { return t.due <= current; });
}

bool Display::sleep() {
    checkDevice();
    if (hasDueWork()) return true;
    int timeout = -1;
    if (!m_timers.empty()) {
        if (m_manualClock) {
            timeout = MANUAL_CLOCK_WAIT_MS;
        } else {
            int64_t next = std::min_element(m_timers.begin(), m_timers.end(), [](const Timer& a, const Timer& b) {
                               return a.due < b.due;
                           })->due;
            timeout = static_cast<int>(std::clamp<int64_t>(next - now(), 0, 1 << 30));
        }
    }
    ++m_nativeDepth;
    try {
        m_peer->waitNative(timeout);
    } catch (...) {
        --m_nativeDepth;
        throw;
    }
    --m_nativeDepth;
    rethrowDeferred();
    return true;
}

void Display::wake() {
    std::lock_guard<std::mutex> lock(m_queueMutex);
    if (!m_disposed && m_peer) m_peer->wake();
}

void Display::asyncExec(std::function<void()> task) {
    if (!task) return;
    std::lock_guard<std::mutex> lock(m_queueMutex);
    if (m_disposed || !m_peer) return;
    m_async.push_back(std::move(task));
    m_peer->wake();
}

bool Display::runOneAsync() {
    std::function<void()> task;
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        if (m_async.empty()) return false;
        task = std::move(m_async.front());
        m_async.pop_front();
    }
    task();
    return true;
}

void Display::timerExec(int milliseconds, const std::shared_ptr<Runnable>& task) {
    checkDevice();
    if (!task) throw ToolkitException(ERROR_NULL_ARGUMENT);
    m_timers.erase(std::remove_if(m_timers.begin(), m_timers.end(), [&](const Timer& t) { return t.task == task; }),
                   m_timers.end());
    if (milliseconds < 0) return;
    m_timers.push_back(Timer{now() + milliseconds, ++m_timerSequence, task});
}

bool Display::runOneTimer(int64_t upTo) {
    auto due = m_timers.end();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->due > upTo) continue;
        if (due == m_timers.end() || it->due < due->due || (it->due == due->due && it->sequence < due->sequence)) {
            due = it;
        }
    }
    if (due == m_timers.end()) return false;
    std::shared_ptr<Runnable> task = due->task;
    m_timers.erase(due);
    task->run();
    return true;
}

void Display::runQueuedWork() {
    // Called from inside a native modal loop: failures wait for the outer
    // readAndDispatch.
    try {
        while (!m_disposed && runOneTimer(now())) {
        }
        size_t queued;
        {
            std::lock_guard<std::mutex> lock(m_queueMutex);
            queued = m_async.size();
        }
        while (queued-- > 0 && !m_disposed && runOneAsync()) {
        }
    } catch (...) {
        deferFailure(std::current_exception());
    }
}

void Display::useManualClock() {
    checkDevice();
    if (m_manualClock) return;
    int64_t current = now();
    m_manualClock = true;
    m_manualNow = current;
}

void Display::advanceClock(int64_t milliseconds) {
    checkDevice();
    if (!m_manualClock) useManualClock();
    if (milliseconds < 0) milliseconds = 0;
    int64_t target = m_manualNow + milliseconds;
    for (int runs = 0; runs < ADVANCE_RUN_LIMIT && !m_disposed; ++runs) {
        auto next = std::min_element(m_timers.begin(), m_timers.end(), [](const Timer& a, const Timer& b) {
            return a.due < b.due || (a.due == b.due && a.sequence < b.sequence);
        });
        if (next == m_timers.end() || next->due > target) break;
        m_manualNow = std::max(m_manualNow, next->due);
        runOneTimer(m_manualNow);
    }
    m_manualNow = std::max(m_manualNow, target);
}

void Display::runModal(const std::function<void()>& body) {
    checkDevice();
    ++m_openDialogs;
    ++m_nativeDepth;
    try {
        body();
    } catch (...) {
        --m_nativeDepth;
        --m_openDialogs;
        throw;
    }
    --m_nativeDepth;
    --m_openDialogs;
    rethrowDeferred();
}

Rectangle Display::getBounds() {
    checkDevice();
    return m_peer->getBounds();
}

Rectangle Display::getClientArea() {
    checkDevice();
    return m_peer->getClientArea();
}

Color Display::getSystemColor(int id) {
    checkDevice();
    // The named colours are the same everywhere; only the theme's come from
    // the window system.
    switch (id) {
        case COLOR_WHITE: return Color(255, 255, 255);
        case COLOR_BLACK: return Color(0, 0, 0);
        case COLOR_RED: return Color(255, 0, 0);
        case COLOR_DARK_RED: return Color(128, 0, 0);
        case COLOR_GREEN: return Color(0, 255, 0);
        case COLOR_DARK_GREEN: return Color(0, 128, 0);
        case COLOR_YELLOW: return Color(255, 255, 0);
        case COLOR_DARK_YELLOW: return Color(128, 128, 0);
        case COLOR_BLUE: return Color(0, 0, 255);
        case COLOR_DARK_BLUE: return Color(0, 0, 128);
        case COLOR_MAGENTA: return Color(255, 0, 255);
        case COLOR_DARK_MAGENTA: return Color(128, 0, 128);
        case COLOR_CYAN: return Color(0, 255, 255);
        case COLOR_DARK_CYAN: return Color(0, 128, 128);
        case COLOR_GRAY: return Color(192, 192, 192);
        case COLOR_DARK_GRAY: return Color(128, 128, 128);
        default: return m_peer->getSystemColor(id);
    }
}

Font Display::getSystemFont() {
    checkDevice();
    return Font(m_peer->getSystemFont());
}

Cursor Display::getSystemCursor(int shape) {
    checkDevice();
    return Cursor(shape);
}

int Display::getTitleBarHeight() {
    checkDevice();
    return m_peer->getTitleBarHeight();
}

std::string Display::getBrowserVersion() {
    checkDevice();
    return m_peer->getBrowserVersion();
}

bool Display::setBrowserCookie(const std::string& url, const std::string& setCookie) {
    checkDevice();
    return m_peer->setBrowserCookie(url, setCookie);
}

Tray* Display::getSystemTray() {
    checkDevice();
    if (!m_trayChecked) {
        m_trayChecked = true;
        if (m_peer->hasSystemTray()) m_tray = std::make_unique<Tray>(this);
    }
    return m_tray.get();
}

std::vector<Shell*> Display::getShells() const {
    checkDevice();
    std::vector<Shell*> out;
    for (auto& shell : m_shells) {
        if (!shell->isDisposed() && !shell->isBeingDisposed()) out.push_back(shell.get());
    }
    return out;
}

Shell* Display::getActiveShell() const {
    checkDevice();
    return dynamic_cast<Shell*>(m_active.lock().get());
}

Control* Display::getFocusControl() const {
    checkDevice();
    return dynamic_cast<Control*>(m_focus.lock().get());
}

void Display::addShell(const std::shared_ptr<Shell>& shell) { m_shells.push_back(shell); }

void Display::removeShell(Shell* shell) {
    m_shells.erase(std::remove_if(m_shells.begin(), m_shells.end(), [shell](auto& s) { return s.get() == shell; }),
                   m_shells.end());
}

void Display::addImage(const std::shared_ptr<Image>& image) {
    m_images.erase(std::remove_if(m_images.begin(), m_images.end(), [](auto& w) { return w.expired(); }),
                   m_images.end());
    m_images.push_back(image);
}

void Display::shellActivated(Shell* shell) {
    auto previous = std::dynamic_pointer_cast<Shell>(m_active.lock());
    if (previous.get() == shell) return;
    if (shell != nullptr) {
        m_active = shell->shared_from_this();
    } else {
        m_active.reset();
    }
    if (previous && !previous->isDisposed() && !previous->isBeingDisposed()) previous->activationChanged(false);
    if (shell != nullptr && !shell->isDisposed()) shell->activationChanged(true);
}

void Display::focusChanged(Control* control) {
    auto previous = std::dynamic_pointer_cast<Control>(m_focus.lock());
    if (previous.get() == control) return;
    if (control != nullptr) {
        Shell* shell = control->getShell();
        if (shell != nullptr) shellActivated(shell);
        if (control->isDisposed()) return;
        m_focus = control->shared_from_this();
    } else {
        m_focus.reset();
    }
    if (previous && !previous->isDisposed() && !previous->isBeingDisposed()) {
        Event event;
        previous->notifyListeners(FocusOut, event);
    }
    // The FocusOut listener may have moved the focus on.
    if (control != nullptr && !control->isDisposed() && m_focus.lock().get() == control) {
        Event event;
        control->notifyListeners(FocusIn, event);
    }
}

void Display::widgetReleased(Widget* widget) {
    if (m_focus.lock().get() == widget) m_focus.reset();
    if (m_active.lock().get() == widget) m_active.reset();
}

bool Display::isBlocked(const Shell* shell) const {
    if (m_openDialogs > 0) return true;
    std::vector<Shell*> all;
    std::vector<Shell*> top;
    for (auto& s : m_shells) {
        if (!s->isDisposed()) top.push_back(s.get());
    }
    collectShells(top, all);
    for (Shell* modal : all) {
        if (modal == shell || modal->isDisposed() || !modal->getVisible()) continue;
        int modality = modal->getModality();
        if ((modality & (APPLICATION_MODAL | SYSTEM_MODAL)) != 0) {
            if (!descendsFrom(shell, modal)) return true;
        } else if ((modality & PRIMARY_MODAL) != 0) {
            if (descendsFrom(modal, shell) && !descendsFrom(shell, modal)) return true;
        }
    }
    return false;
}

}  // namespace tk
