#pragma once
// One retrieval of the tracker: an account thread per configured (user,
// program), started a limited number at a time and watched from the engine
// thread, which times out stalled or overlong threads, rewrites the results
// page as balances arrive, and at the end writes the summary and carries the
// new balances over as the previous ones. Also the writers of the result
// pages (results, summary, in-progress page, style sheet and script).
//
// Threads: the window's thread constructs the engine (always in a
// std::shared_ptr), sets its paths and displayer, calls init() and the first
// page writers, then start(); from then on only the engine thread touches the
// account slots. The popup data and the number format are class-wide and
// shared under locks. Page files are written through temporary files under
// one writer lock shared by every engine.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tracker/core/BaseEngine.h"
#include "tracker/core/NumberFormat.h"

namespace tracker {

class RLSource;

class RLEngine : public BaseEngine {
public:
    using Clock = std::function<int64_t()>;
    using Sleeper = std::function<void(int64_t ms)>;

    RLEngine();
    ~RLEngine() override;

    static std::shared_ptr<RLEngine> create() { return std::make_shared<RLEngine>(); }

    // Prepares a retrieval. singleKey absent: all accounts; else only the
    // account of that program and singleUser, the others excluded.
    void init(const std::optional<std::string>& singleKey, int singleUser, bool showDetails, bool showNav);
    void createSource(int user, int keyRow, int row, const std::optional<std::string>& singleKey, int singleUser);

    // The scheduler (the engine thread's body).
    void run() override;

    // Page writers. writeOutput answers whether at least one account row was
    // put on the page (also when the file could not be written, which is
    // logged).
    bool writeOutput();
    void writeSummary(bool listAccounts);
    void writeInterstitial();
    void writeCSSAndJS();

    // The popup data of a details or total-chart link (key + user, or
    // "TotalChart" + user), ready to sit in script source; absent when none.
    static std::optional<std::string> getPopupDataValue(const std::string& name);

    // The clock of the watchdog, the history stamps and the ad include
    // (ms since the epoch), and the sleep between passes. Tests replace them.
    // Without a sleeper the pause between passes ends early when an account
    // thread ends.
    void setClock(Clock clock);
    void setSleeper(Sleeper sleeper);

    // The account thread of a slot, or nullptr.
    std::shared_ptr<RLSource> getSource(int user, int row) const;
    bool hasAnySource() const;
    bool isShowDetailsColumn() const { return m_showDetailsColumn; }
    bool isShowNavColumn() const { return m_showNavColumn; }
    int64_t getHistoryTimeStamp() const { return m_historyTimeStamp; }
    const std::optional<std::string>& getLastRunDateStr() const { return m_lastRunDateStr; }

    // Class-wide texts.
    static const std::string& NOT_AVAILABLE();
    static const std::string& VIEW();
    static const std::string& TOTAL();

    // The scheme and host of the product's server, without a trailing "/".
    static std::string getProductServerAddress();
    // The page limit: the integer part of 0.8 x the time-out, in float as the
    // factor is.
    static int64_t limitOf(int timeoutMs);
    // Whether a balance is one of the eleven status texts.
    static bool isStatusText(const std::optional<std::string>& balance);
    // The pages' number format as a script function n(x,d): x with d
    // decimals, grouped, in the edition's locale.
    static std::string numberFunction();
    // The portal's header-ad script element for a page (subcategory) at a
    // time stamp.
    static std::string headerAdScript(const std::string& subcategory, int64_t millis);

private:
    enum class Ending { End, Cancel };

    int64_t now() const;
    // Answers whether the pause was cut short.
    bool pause(int64_t pollMs, int completedAtPass);
    Ending poll(int maxThreads, int64_t pollMs, int64_t pageLimit, int64_t overallLimit);
    void endRetrieval();
    void cancelRetrieval();
    void copyBalancesToPrevious();
    void stopRunningSources();

    void printAdIfLanternbay(std::string& out, const std::string& page, bool newLineFirst) const;
    void printAdAndCloseIfBRTW(std::string& out, const std::string& page, bool fixedWidth) const;
    void writeNoUsersOrAccountsBlock(std::string& out) const;
    static void writeOpenCell(std::string& out, const std::string& cellClass);
    std::string styleSheetLink() const;
    std::string pageHeader() const;
    std::string format(double value) const;
    std::string scriptText() const;

    std::vector<std::vector<std::shared_ptr<RLSource>>> m_sources;
    int64_t m_historyTimeStamp = 0;
    std::vector<std::vector<bool>> m_isHistoryWritten;
    std::optional<std::string> m_lastRunDateStr;
    bool m_showDetailsColumn = false;
    bool m_showNavColumn = false;

    Clock m_clock;
    Sleeper m_sleeper;
    std::optional<NumberFormat> m_format;
};

}  // namespace tracker
