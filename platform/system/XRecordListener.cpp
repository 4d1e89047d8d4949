#include "platform/system/XRecordListener.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/record.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/system/KeyboardHook.h"

namespace sys::detail {

// What the listener's thread shares with the recording callback.
struct XRecordListener::Session {
    XRecordListener* owner = nullptr;
    ::Display* control = nullptr;
    bool started = false;
};

namespace {

constexpr int kStartLimitMs = 5000;

void intercept(XPointer closure, XRecordInterceptData* data) {
    auto* session = reinterpret_cast<XRecordListener::Session*>(closure);
    if (data->category == XRecordStartOfData) {
        session->started = true;
    } else if (data->category == XRecordFromServer && data->data != nullptr && data->data_len * 4 >= 8) {
        // A core event: type, key code, sequence number, then the server time.
        const unsigned char* raw = data->data;
        int type = raw[0] & 0x7F;
        if (type == KeyPress || type == KeyRelease) {
            unsigned keycode = raw[1];
            uint32_t time = 0;
            std::memcpy(&time, raw + 4, sizeof time);
            KeySym keysym = XkbKeycodeToKeysym(session->control, static_cast<KeyCode>(keycode), 0, 0);
            int vk = XRecordListener::virtualKeyOf(keysym);
            // X key codes are the kernel's plus 8.
            if (vk != 0) session->owner->deliver(vk, type == KeyRelease, keycode >= 8 ? keycode - 8 : keycode, time);
        }
    }
    XRecordFreeData(data);
}

}  // namespace

int XRecordListener::virtualKeyOf(unsigned long keysym) {
    if (keysym >= XK_a && keysym <= XK_z) return static_cast<int>('A' + (keysym - XK_a));
    if (keysym >= XK_A && keysym <= XK_Z) return static_cast<int>(keysym);
    if (keysym >= XK_0 && keysym <= XK_9) return static_cast<int>(keysym);
    switch (keysym) {
        case XK_Control_L:
            return VK_LCONTROL;
        case XK_Control_R:
            return VK_RCONTROL;
        case XK_Alt_L:
        case XK_Meta_L:
            return VK_LMENU;
        case XK_Alt_R:
        case XK_Meta_R:
        case XK_ISO_Level3_Shift:
            return VK_RMENU;
        case XK_Shift_L:
            return VK_LSHIFT;
        case XK_Shift_R:
            return VK_RSHIFT;
        case XK_Return:
            return VK_RETURN;
        case XK_Tab:
            return VK_TAB;
        case XK_Escape:
            return VK_ESCAPE;
        case XK_BackSpace:
            return VK_BACK;
        case XK_space:
            return VK_SPACE;
        default:
            return 0;
    }
}

XRecordListener::~XRecordListener() { stop(); }

bool XRecordListener::start(Sink sink) {
    if (m_thread.joinable()) return false;
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') return false;
    m_sink = std::move(sink);
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wake[0] = m_wake[1] = -1;
        return false;
    }
    std::promise<bool> ready;
    std::future<bool> answer = ready.get_future();
    // The thread owns the promise: it may still be answering when this
    // returns.
    m_thread = std::thread([this, ready = std::move(ready)]() mutable { run(ready); });
    bool ok = answer.get();
    if (!ok) stop();
    return ok;
}

void XRecordListener::stop() {
    if (m_thread.joinable()) {
        char byte = 1;
        ssize_t ignored = ::write(m_wake[1], &byte, 1);
        (void)ignored;
        m_thread.join();
    }
    for (int& fd : m_wake) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void XRecordListener::run(std::promise<bool>& ready) {
    bool answered = false;
    auto answer = [&](bool ok) {
        if (!answered) ready.set_value(ok);
        answered = true;
    };
    Session session;
    session.owner = this;
    ::Display* control = XOpenDisplay(nullptr);
    ::Display* data = control ? XOpenDisplay(nullptr) : nullptr;
    int major = 0;
    int minor = 0;
    XRecordContext context = 0;
    if (data != nullptr && XRecordQueryVersion(control, &major, &minor)) {
        XRecordRange* range = XRecordAllocRange();
        if (range != nullptr) {
            range->device_events.first = KeyPress;
            range->device_events.last = KeyRelease;
            XRecordClientSpec clients = XRecordAllClients;
            context = XRecordCreateContext(control, 0, &clients, 1, &range, 1);
            XFree(range);
        }
    }
    if (context == 0) {
        if (data) XCloseDisplay(data);
        if (control) XCloseDisplay(control);
        answer(false);
        return;
    }
    XSync(control, False);
    session.control = control;
    bool serverGone = false;
    if (XRecordEnableContextAsync(data, context, &intercept, reinterpret_cast<XPointer>(&session))) {
        // Recording has begun once the server sends the start of its data;
        // only then can a key typed elsewhere be relied upon to reach us.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMs);
        for (;;) {
            XRecordProcessReplies(data);
            if (session.started) answer(true);
            int timeout = -1;
            if (!answered) {
                auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                        .count();
                if (left <= 0) break;
                timeout = static_cast<int>(left);
            }
            pollfd fds[2] = {{ConnectionNumber(data), POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            int n = ::poll(fds, 2, timeout);
            if (n < 0 && errno != EINTR) break;
            if (fds[1].revents != 0) break;
            if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                serverGone = true;
                break;
            }
        }
    }
    answer(false);
    if (serverGone) {
        // Xlib ends the process on a call over a lost connection; the two
        // connections are left as they are.
        return;
    }
    XRecordDisableContext(control, context);
    XRecordFreeContext(control, context);
    XSync(control, False);
    XCloseDisplay(data);
    XCloseDisplay(control);
}

}  // namespace sys::detail
