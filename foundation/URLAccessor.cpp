#include "foundation/URLAccessor.h"

#include "foundation/Logger.h"
#include "foundation/TextBrowser.h"
#include "foundation/TextBrowserException.h"

namespace foundation {

void URLAccessor::run() {
    BaseNetThread::run();
    Logger::verbose("Accessing URL [" + m_url + "]");
    try {
        auto browser = getBrowser();
        if (!browser) throw IOException("no web client: the worker was not initialised");
        std::string answer = m_postData ? browser->doPost(m_url, *m_postData, -1) : browser->doGet(m_url, -1);
        Logger::verbose("URL [" + m_url + "] returned:\r\n" + answer);
    } catch (const std::exception& failure) {
        Logger::error("Error while accessing " + m_url + " (" + (m_postData ? *m_postData : "null") + ")", failure);
    }
    destroy();
}

}  // namespace foundation
