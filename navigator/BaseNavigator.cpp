#include "navigator/BaseNavigator.h"

#include <iostream>

#include "foundation/ExceptionUtil.h"
#include "foundation/Logger.h"
#include "navigator/IEEvents.h"
#include "platform/automation/Automation.h"
#include "platform/automation/AutomationException.h"

namespace navigator {

using automation::Variant;
using foundation::Logger;

std::string failureText(const std::string& message, const std::exception& failure) {
    std::string trace = foundation::ExceptionUtil::getStackTrace(failure);
    while (!trace.empty() && trace.back() == '\n') trace.pop_back();
    return message + ": " + trace;
}

BaseNavigator::BaseNavigator() {
    m_ie = automation::createObject(INTERNET_EXPLORER_PROG_ID);
    m_dispatch = m_ie;
    try {
        m_ieEvents = std::make_shared<IEEvents>(this, m_ie);
        m_dispatchEvents =
            std::make_unique<automation::DispatchEvents>(m_dispatch, m_ieEvents, INTERNET_EXPLORER_PROG_ID);
        setBrowserVisible(true);
        setSilent(true);
        setAddressBarVisible(false);
    } catch (...) {
        stopEvents();
        throw;
    }
}

BaseNavigator::~BaseNavigator() { stopEvents(); }

void BaseNavigator::stopEvents() {
    // The sink is cut off under the handlers' lock, so a handler in
    // progress finishes first; the connection goes outside the lock, as
    // its release waits for an event being delivered.
    std::unique_ptr<automation::DispatchEvents> connection;
    {
        std::lock_guard<std::recursive_mutex> guard(IEEvents::lock());
        if (m_ieEvents) m_ieEvents->detach();
        m_ieEvents.reset();
        connection = std::move(m_dispatchEvents);
    }
    if (connection) connection->safeRelease();
}

automation::Dispatch& BaseNavigator::browser() {
    if (!m_dispatch) throw automation::AutomationException("The browser has been released");
    return *m_dispatch;
}

void BaseNavigator::setSilent(bool silent) { setBooleanProperty("Silent", silent); }

void BaseNavigator::setMenuBarVisible(bool visible) { setBooleanProperty("MenuBar", visible); }

void BaseNavigator::setBrowserVisible(bool visible) { setBooleanProperty("Visible", visible); }

void BaseNavigator::setAddressBarVisible(bool visible) { setBooleanProperty("AddressBar", visible); }

void BaseNavigator::setBooleanProperty(const std::string& name, bool value) { browser().put(name, Variant(value)); }

void BaseNavigator::setDocument(std::shared_ptr<HTMLDocument> doc) {
    m_all = doc->getAll();
    m_doc = std::move(doc);
}

void BaseNavigator::onDocumentComplete(const automation::DispatchPtr&, const Variant& url) {
    const std::string text = url.isObject() ? std::string() : url.toString();
    Logger::info(maskSecrets("URL: " + text));
    if (m_done.load()) return;
    try {
        onDocumentCompleteImpl(text);
    } catch (const std::exception& failure) {
        abandon(failure);
    }
}

void BaseNavigator::abandon(const std::exception& failure) {
    Logger::info(maskSecrets(failureText("Unable to finish navigation", failure)));
    m_done.store(true);
}

void BaseNavigator::notifyComplete() {
    if (!browser().get("Visible").toBool()) browser().put("Visible", Variant(true));
    browser().put("Silent", Variant(false));
}

void BaseNavigator::navigate(const std::string& url, const std::string& postData) {
    try {
        browser().call("Navigate", {Variant(url), Variant(""), Variant(""), Variant(postData), Variant("")});
    } catch (const std::exception& failure) {
        std::cout << maskSecrets(foundation::ExceptionUtil::getStackTrace(failure)) << std::flush;
    }
}

void BaseNavigator::navigate(const std::string& url) { browser().call("Navigate", {Variant(url)}); }

bool BaseNavigator::isDone() { return m_done.load(); }

void BaseNavigator::go() { browser().call("Navigate", {Variant(getInitialURL())}); }

void BaseNavigator::dispose() {
    m_done.store(true);
    notifyComplete();
    stopEvents();
    m_dispatch.reset();
    m_ie.reset();
}

void BaseNavigator::closeExternalBrowser() {
    try {
        if (m_ie) m_ie->call("Quit");
    } catch (const std::exception&) {
        // Already gone.
    }
}

}  // namespace navigator
