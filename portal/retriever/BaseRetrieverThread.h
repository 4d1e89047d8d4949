#pragma once
// The base of every content retriever: a network worker of one refresh run
// (LBRetriever) that rebuilds one content page of the content folder, or,
// for the message centre, asks the product server for a message.
//
// A retriever class keeps, for the life of the program, its name, whether
// it has sent its one error report, and when its page was last written with
// which user value (RetrieverClassState, reached through the Retriever<>
// template). Those are what throttle the next refresh. Times come from a
// monotonic clock, so a change of the wall clock neither blocks nor forces
// a refresh.
//
// The body (run) begins as every worker does, calls retrieve(), and ends by
// destroy(). A failure of retrieve() is reported (once per class and program
// run) and logged as "Error updating <name>"; the old page stays. A worker
// stopped by its controller leaves by ThreadStopped before it writes
// anything, so its page and its class state stay as they were.
//
// What a retriever builds from (the kit below):
//   - paths inside the content root (contentPath);
//   - the interval test (updatedWithin) and its record (markUpdated);
//   - the template, read whole; an unreadable one ends the retrieval and
//     keeps the old page (readTemplate);
//   - fetch(): a GET through the worker's web client;
//   - image names taken from a page (imageFileName), checked before they
//     become file names, and downloads into the content folder (download);
//   - the filling of "{n}" placeholders (fillPlaceholders; MessageFormat
//     for the templates filled by message formatting);
//   - the finished page written through a temporary file (writePage).
// Cutting text out of pages uses the adapter kit's positionOf, between,
// betweenFrom and valueAfter: a value searched from a marker that is
// missing is "", never a cut from the top of the page.

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/BaseNetThread.h"

namespace portal::retriever {

// What one retriever class keeps for the life of the program.
class RetrieverClassState {
public:
    // The last-updated time of a page never written in this run of the
    // program.
    static constexpr int64_t NEVER = std::numeric_limits<int64_t>::min();

    explicit RetrieverClassState(const char* name);
    RetrieverClassState(const RetrieverClassState&) = delete;
    RetrieverClassState& operator=(const RetrieverClassState&) = delete;

    const char* const name;
    std::atomic<bool> errorReportedAlready{false};
    std::atomic<int64_t> lastUpdated{NEVER};

    std::string getLastParamUsed() const;
    void setLastParamUsed(const std::string& param);

    // Every class's state as at the start of the program (for tests, which
    // stand for several program runs in one process).
    static void resetAll();

private:
    void reset();

    mutable std::mutex m_lock;
    std::string m_lastParamUsed;
};

class BaseRetrieverThread : public foundation::BaseNetThread {
public:
    // Set before the worker starts.
    void setParam(const std::string& param) { m_param = param; }
    void setManual(bool manual) { m_manual = manual; }
    const std::string& getParam() const { return m_param; }
    bool isManual() const { return m_manual; }

    void setErrorReportedAlready(bool reported) { classState().errorReportedAlready.store(reported); }
    bool isErrorReportedAlready() const { return classState().errorReportedAlready.load(); }
    // One error report per retriever class and program run; later ones are
    // dropped. The report itself goes to the product's error-report sink;
    // the report that is made is also logged.
    void reportError(const std::exception& failure) { reportError("", &failure); }
    void reportError(const std::string& message, const std::exception* failure = nullptr);

    // The class's short name ("WeatherBugInner").
    virtual std::string getName() const { return classState().name; }

    // The content folder of the current run, ending in "/"; set by each run
    // before any retriever exists.
    static void setContentRoot(const std::string& root);
    static std::string getContentRoot();

    // Milliseconds of a monotonic clock; tests may put their own clock in
    // place (nullptr restores the real one) between runs.
    static int64_t now();
    static void setClock(std::function<int64_t()> clock);

protected:
    void run() override;
    // The retriever's own work; may throw.
    virtual void retrieve() = 0;
    // A failure of retrieve(): by default reported with failureReport() and
    // logged as "Error updating <name>".
    virtual void handleFailure(const std::exception& failure);
    virtual std::string failureReport() const { return ""; }
    virtual RetrieverClassState& classState() const = 0;

    // ---- The kit -----------------------------------------------------------

    // The content root followed by a path inside it.
    static std::string contentPath(const std::string& relative) { return getContentRoot() + relative; }

    // True, after logging "Cancelling <label> update.  Last updated <s>
    // seconds ago; content changes every <interval s> seconds", when the
    // class last recorded an update less than intervalMs ago (and, with
    // sameParam, for the same user value as this worker's).
    bool updatedWithin(int64_t intervalMs, const std::string& label, bool sameParam);
    // Records the update now (and this worker's user value with withParam).
    void markUpdated(bool withParam);

    // The whole template; after logging "Unable to read from file <path>"
    // and reporting it, nothing, and the caller writes no page.
    std::optional<std::string> readTemplate(const std::string& path);

    // GET without or with a byte limit. A worker whose web client is gone
    // (it was ended) leaves retrieve() quietly.
    std::string fetch(const std::string& url, int maxBytes = -1);

    // Downloads a file into the content folder (its folder is made when
    // missing) through a temporary file; with keepExisting a file that is
    // there already is not fetched again. A failure is logged, not thrown.
    void download(const std::string& url, const std::string& relativePath, bool keepExisting = true);

    // Writes a finished page over the old one through a temporary file;
    // false (logged) when it could not be written.
    bool writePage(const std::string& path, const std::string& text);

    // The template with every "{n}" whose n has a value replaced by that
    // value, in one pass (a value is never searched for placeholders).
    static std::string fillPlaceholders(std::string_view pattern, const std::vector<std::string>& values);

    // Scraped page text (one byte per character) as UTF-8 for a page.
    static std::string pageText(std::string_view scraped);

public:
    // The file name of an image address: the text after its last "/", its
    // query and fragment stripped; nothing (logged) when that name is not a
    // safe file name (isSafeFileName).
    std::optional<std::string> imageFileName(std::string_view address) const;
    // A name that can only name a file inside its folder: not empty, not
    // "." or "..", without "/", "\" or control characters.
    static bool isSafeFileName(std::string_view name);

private:
    // Ends retrieve() without a failure (the worker's client is gone).
    struct Ended {};

    std::string m_param;
    bool m_manual = false;
};

}  // namespace portal::retriever
