#pragma once
// Finds the windows and controls a test must reach without knowing the
// classes that made them: a shell by its title, controls by kind and text.

#include <functional>
#include <string>
#include <vector>

#include "platform/toolkit/Toolkit.h"

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
