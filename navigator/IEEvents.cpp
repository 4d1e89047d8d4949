#include "navigator/IEEvents.h"

#include "navigator/AbstractLauncher.h"
#include "navigator/BaseNavigator.h"
#include "navigator/HTMLDocument.h"

namespace navigator {

IEEvents::IEEvents(BaseNavigator* nav, automation::DispatchPtr ie) : m_nav(nav), m_ie(std::move(ie)) {}

std::recursive_mutex& IEEvents::lock() {
    static std::recursive_mutex* eventLock = new std::recursive_mutex();
    return *eventLock;
}

void IEEvents::invoke(const std::string& event, std::vector<automation::Variant>& args) {
    // The browser's other events (navigation steps, downloads, progress,
    // status, title and bar changes, new windows) need nothing here.
    if (event == "DocumentComplete") {
        DocumentComplete(args);
    } else if (event == "OnQuit") {
        OnQuit(args);
    }
}

void IEEvents::DocumentComplete(std::vector<automation::Variant>& args) {
    std::lock_guard<std::recursive_mutex> guard(lock());
    if (m_nav == nullptr || m_nav->isDone() || !m_ie) return;
    automation::DispatchPtr frame;
    automation::Variant url;
    if (args.size() > 0 && args[0].isObject()) frame = args[0].toDispatch();
    if (args.size() > 1) url = args[1];
    try {
        m_nav->setDocument(std::make_shared<HTMLDocument>(m_ie->get("Document").toDispatch()));
    } catch (const std::exception& failure) {
        m_nav->abandon(failure);
        return;
    }
    m_nav->onDocumentComplete(frame, url);
}

void IEEvents::OnQuit(std::vector<automation::Variant>&) {
    std::lock_guard<std::recursive_mutex> guard(lock());
    AbstractLauncher::stopRunning();
}

void IEEvents::detach() {
    std::lock_guard<std::recursive_mutex> guard(lock());
    m_nav = nullptr;
    m_ie.reset();
}

}  // namespace navigator
