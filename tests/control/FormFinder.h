#pragma once
// Finds the windows and controls a test must reach without knowing the
// classes that made them: a shell by its title, controls by kind and text.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/toolkit/Toolkit.h"
#include "tests/support/Wait.h"

namespace rltest {

inline tk::Shell* findShell(tk::Shell* shell, const std::string& title) {
    if (shell == nullptr || shell->isDisposed()) return nullptr;
    if (shell->getText() == title) return shell;
    for (tk::Shell* child : shell->getShells()) {
        if (tk::Shell* found = findShell(child, title)) return found;
    }
    return nullptr;
}

inline tk::Shell* findShell(tk::Display& display, const std::string& title) {
    for (tk::Shell* shell : display.getShells()) {
        if (tk::Shell* found = findShell(shell, title)) return found;
    }
    return nullptr;
}

inline void collectShells(tk::Shell* shell, std::vector<tk::Shell*>& out) {
    if (shell == nullptr || shell->isDisposed()) return;
    out.push_back(shell);
    for (tk::Shell* child : shell->getShells()) collectShells(child, out);
}

// Every shell of the display, children after their parent.
inline std::vector<tk::Shell*> allShells(tk::Display& display) {
    std::vector<tk::Shell*> out;
    for (tk::Shell* shell : display.getShells()) collectShells(shell, out);
    return out;
}

// Disposes every modal shell open, so that the loops they run end; answers
// their titles, for a failure message.
inline std::string closeModalShells(tk::Display& display) {
    std::vector<tk::Shell*> modal;
    std::string titles;
    for (tk::Shell* shell : allShells(display)) {
        titles += " \"" + shell->getText() + "\"";
        if (shell->getVisible() && (shell->getModality() & (tk::APPLICATION_MODAL | tk::PRIMARY_MODAL))) {
            modal.push_back(shell);
        }
    }
    for (tk::Shell* shell : modal) {
        if (!shell->isDisposed()) shell->dispose();
    }
    return titles;
}

// Runs body from the display's loop once a shell titled title is open (a
// modal one runs that loop itself). When none came within timeoutMs
// (scaled), the test fails naming the titles it saw, and the modal shells
// open then are disposed: the test ends instead of hanging in a window
// that no one will close. So is the window when body fails an assertion.
inline void whenShellOpens(tk::Display& display, const std::string& title, std::function<void(tk::Shell&)> body,
                           int timeoutMs = WAIT_MS) {
    struct Watch {
        tk::Display& display;
        std::string title;
        std::function<void(tk::Shell&)> body;
        int limitMs;
        std::chrono::steady_clock::time_point until;

        static void look(const std::shared_ptr<Watch>& watch) {
            if (tk::Shell* shell = findShell(watch->display, watch->title)) {
                watch->body(*shell);
                // A body stopped by a failed assertion left its window open.
                if (::testing::Test::HasFatalFailure()) {
                    for (tk::Shell* open : allShells(watch->display)) {
                        if (open == shell) open->dispose();
                    }
                }
                return;
            }
            if (std::chrono::steady_clock::now() < watch->until) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                watch->display.asyncExec([watch] { look(watch); });
                return;
            }
            const std::string seen = closeModalShells(watch->display);
            ADD_FAILURE() << "waited " << watch->limitMs << " ms for a window titled \"" << watch->title
                          << "\", in vain; the windows open were" << seen;
        }
    };
    const int limitMs = scaled(timeoutMs);
    auto watch = std::make_shared<Watch>(Watch{display, title, std::move(body), limitMs,
                                               std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs)});
    display.asyncExec([watch] { Watch::look(watch); });
}

template <class T>
void collect(tk::Composite* parent, std::vector<T*>& out) {
    for (tk::Control* child : parent->getChildren()) {
        if (auto* wanted = dynamic_cast<T*>(child)) out.push_back(wanted);
        if (auto* inner = dynamic_cast<tk::Composite*>(child); inner && !dynamic_cast<tk::Shell*>(child)) {
            collect(inner, out);
        }
    }
}

// Every control of kind T inside parent, in creation order.
template <class T>
std::vector<T*> controlsOf(tk::Composite* parent) {
    std::vector<T*> out;
    if (parent != nullptr) collect(parent, out);
    return out;
}

inline tk::Button* buttonWithText(tk::Composite* parent, const std::string& text) {
    for (tk::Button* b : controlsOf<tk::Button>(parent)) {
        if (b->getText() == text) return b;
    }
    return nullptr;
}

inline tk::Control* controlWithTip(tk::Composite* parent, const std::string& tip) {
    for (tk::Control* c : controlsOf<tk::Control>(parent)) {
        if (c->getToolTipText() == tip) return c;
    }
    return nullptr;
}

}  // namespace rltest
