#include "platform/com/OleControlSite.h"

#include "platform/com/ComException.h"
#include "platform/com/Module.h"
#include "platform/toolkit/Composite.h"
#include "platform/toolkit/OleFrame.h"

namespace com {

OleControlSite::OleControlSite(tk::OleFrame* frame, int style, const std::string& progId)
    : m_progId(progId), m_frame(frame) {
    if (frame == nullptr || frame->isDisposed()) {
        throw ComException(ComError::NotAControl, "No frame to place " + progId + " in");
    }
    std::shared_ptr<Dispatch> object = createObject(progId);
    auto* control = dynamic_cast<OleControl*>(object.get());
    if (control == nullptr) throw ComException(ComError::NotAControl, progId + " is not a control");

    m_window = tk::make<tk::Composite>(frame, style);
    tk::Rectangle area = frame->getClientArea();
    m_window->setBounds(area);
    m_frameResize = frame->addListener(tk::Resize, [this](tk::Event&) {
        if (m_window && !m_window->isDisposed()) m_window->setBounds(m_frame->getClientArea());
    });
    m_frameDispose = frame->addListener(tk::Dispose, [this](tk::Event&) { dispose(); });
    m_object = std::move(object);
    m_control = control;
    try {
        m_control->setClientSite(this);
    } catch (...) {
        dispose();
        throw;
    }
}

OleControlSite::~OleControlSite() { dispose(); }

tk::Composite* OleControlSite::getControlWindow() { return m_window.get(); }

bool OleControlSite::doVerb(int verb) {
    if (!m_control) throw ComException(ComError::Disposed, "The site of " + m_progId + " is disposed");
    return m_control->doVerb(verb);
}

int OleControlSite::addEventListener(DispId eventId, OleListener listener) {
    int id = m_nextListener++;
    m_listeners[eventId].emplace_back(id, std::move(listener));
    return id;
}

void OleControlSite::removeEventListener(DispId eventId, int listenerId) {
    auto found = m_listeners.find(eventId);
    if (found == m_listeners.end()) return;
    auto& list = found->second;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->first == listenerId) {
            list.erase(it);
            return;
        }
    }
}

void OleControlSite::onEvent(DispId event, std::vector<Variant>& args) {
    if (!m_control) return;
    auto found = m_listeners.find(event);
    if (found == m_listeners.end()) return;
    // A listener may add or remove listeners; the ones present now run.
    auto listeners = found->second;
    for (auto& [id, listener] : listeners) {
        OleEvent e;
        e.type = event;
        e.arguments = args;
        listener(e);
    }
}

void OleControlSite::dispose() {
    if (!m_object) return;
    std::shared_ptr<Dispatch> object = std::move(m_object);
    OleControl* control = m_control;
    m_object = nullptr;
    m_control = nullptr;
    try {
        control->close();
        control->setClientSite(nullptr);
    } catch (...) {
        // The control goes whatever it says.
    }
    if (m_frame && !m_frame->isDisposed()) {
        m_frame->removeListener(tk::Resize, m_frameResize);
        m_frame->removeListener(tk::Dispose, m_frameDispose);
    }
    if (m_window && !m_window->isDisposed() && !m_window->isBeingDisposed()) m_window->dispose();
    m_window.reset();
    m_listeners.clear();
    object.reset();
}

}  // namespace com
