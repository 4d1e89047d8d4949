#include "control/Inet.h"

#include <stdexcept>

#include "foundation/AsynchURL.h"
#include "foundation/Logger.h"
#include "foundation/TextBrowser.h"

namespace tiraleaf {

namespace {
constexpr const char* FORM_CONTENT_TYPE = "Content-Type: application/x-www-form-urlencoded";
}  // namespace

Inet::~Inet() { Cancel(); }

std::string Inet::OpenURL(const std::string& url) {
    foundation::TextBrowser client(false, 0);
    client.setName("Tiraleaf");
    client.setRequestTimeout(REQUEST_TIMEOUT_MS);
    return client.doGet(url);
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
