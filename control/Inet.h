#pragma once
// The control's web requests over the program's web client: a GET that
// waits for its answer, and requests started in threads of their own that
// nobody waits for. The threads end with the control: Cancel() stops every
// request still running and waits for its thread.
//
// The waiting GET shares its cookies with the embedded browsers: every
// cookie its answers set (redirects included) goes into their store, with
// the address that set it, so that the sites' pages in the browsers find
// them.

#include <memory>
#include <string>
#include <vector>

namespace foundation {
class AsynchURL;
}  // namespace foundation

namespace tiraleaf {

class Inet {
public:
    // Time limit of the waiting GET.
    static constexpr int REQUEST_TIMEOUT_MS = 60000;
    // How long Cancel() waits for each stopped request.
    static constexpr int CANCEL_WAIT_MS = 10000;

    Inet() = default;
    ~Inet();
    Inet(const Inet&) = delete;
    Inet& operator=(const Inet&) = delete;

    // GET of the address, following redirects; the answer's text. Failures
    // are thrown; so is a request to end the program (a signal), which ends
    // the wait within a fraction of a second. User-interface thread (the
    // cookies go to its display).
    std::string OpenURL(const std::string& url);
    // Starts a request and returns at once: "POST" of data (already form
    // encoded, sent as it is) or "GET". requestHeaders may only name the
    // form content type, which the web client sends with every POST.
    void Execute(const std::string& url, const std::string& operation, const std::string& data,
                 const std::string& requestHeaders);
    // Requests started and not yet ended.
    int StillExecuting();
    void Cancel();

private:
    void prune();

    std::vector<std::shared_ptr<foundation::AsynchURL>> m_requests;
};

}  // namespace tiraleaf
