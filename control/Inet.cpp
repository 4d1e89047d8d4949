#include "control/Inet.h"

#include <stdexcept>

#include "foundation/AsynchURL.h"
#include "foundation/CookieJar.h"
#include "foundation/Logger.h"
#include "foundation/QuietEnd.h"
#include "foundation/StrUtil.h"
#include "foundation/TextBrowser.h"
#include "platform/net/HttpConnection.h"
#include "platform/net/Url.h"
#include "platform/toolkit/Browser.h"

namespace tiraleaf {

namespace {
constexpr const char* FORM_CONTENT_TYPE = "Content-Type: application/x-www-form-urlencoded";
}  // namespace

Inet::~Inet() { Cancel(); }

namespace {

// Hands every Set-Cookie field of the answer to the browsers' store.
void shareCookies(const std::string& url, const net::HttpConnection& connection) {
    for (size_t i = 1;; ++i) {
        auto name = connection.getHeaderFieldKey(i);
        auto value = connection.getHeaderField(i);
        if (!name || !value) break;
        if (!foundation::StrUtil::startsWithIgnoreCase(*name, "Set-Cookie") || name->size() != 10) continue;
        if (!tk::Browser::setCookie(url, *value)) {
            // By its name: a cookie's value may be a session's key.
            const auto cookie = foundation::CookieJar::parseSetCookie(*value);
            foundation::Logger::info("The browsers did not take the cookie " + (cookie ? cookie->first : "") +
                                     " from " + url);
        }
    }
}

}  // namespace

std::string Inet::OpenURL(const std::string& url) {
    // The web client's header fields, cookie jar and body reading, with the
    // redirects followed here: each answer's cookies are shared as they come.
    foundation::TextBrowser client(false, 0);
    client.setName("Tiraleaf");
    std::string address = foundation::TextBrowser::lowBytes(url);
    for (int hop = 0;; ++hop) {
        if (!net::parseUrl(address)) throw std::invalid_argument("Not a web address: " + address);
        net::HttpConnection connection(address);
        connection.setTimeoutMs(REQUEST_TIMEOUT_MS);
        // The user-interface thread waits here: a request to end the program
        // ends the wait.
        connection.setAbortCheck(&foundation::QuietEnd::isRequested);
        client.setCookies(connection);
        client.setCommonRequestProperties(connection, address);
        const int status = connection.getResponseCode();
        client.saveCookies(connection);
        shareCookies(address, connection);
        const auto location = connection.getHeaderField("Location");
        if (status >= 300 && status < 400 && location) {
            if (hop >= foundation::TextBrowser::MAX_REDIRECTS) {
                throw std::runtime_error("Too many redirects, last from " + address);
            }
            address = foundation::TextBrowser::resolveRedirect(address, *location);
            connection.disconnect();
            continue;
        }
        if (status >= 400) throw std::runtime_error("HTTP status " + std::to_string(status) + " from " + address);
        return client.getContentStringFromConnectionByte(connection, -1);
    }
}

void Inet::Execute(const std::string& url, const std::string& operation, const std::string& data,
                   const std::string& requestHeaders) {
    if (!requestHeaders.empty() && requestHeaders != FORM_CONTENT_TYPE) {
        throw std::invalid_argument("Unsupported request header: " + requestHeaders);
    }
    if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) {
        throw std::invalid_argument("Not a web address: " + url);
    }
    std::shared_ptr<foundation::AsynchURL> request;
    if (operation == "POST") {
        request = std::make_shared<foundation::AsynchURL>(url, data);
    } else if (operation == "GET") {
        request = std::make_shared<foundation::AsynchURL>(url);
    } else {
        throw std::invalid_argument("Unsupported operation: " + operation);
    }
    prune();
    request->start();
    m_requests.push_back(request);
}

void Inet::prune() {
    std::vector<std::shared_ptr<foundation::AsynchURL>> running;
    for (auto& request : m_requests) {
        if (request->isAlive()) running.push_back(request);
    }
    m_requests.swap(running);
}

int Inet::StillExecuting() {
    prune();
    return static_cast<int>(m_requests.size());
}

void Inet::Cancel() {
    for (auto& request : m_requests) request->requestStop();
    for (auto& request : m_requests) {
        if (!request->join(CANCEL_WAIT_MS)) {
            foundation::Logger::error("Unable to end the request thread of the control in time");
        }
    }
    m_requests.clear();
}

}  // namespace tiraleaf
