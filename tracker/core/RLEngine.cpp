#include "tracker/core/RLEngine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <stdexcept>

#include "foundation/HostTable.h"
#include "foundation/JNIUtil.h"
#include "foundation/Logger.h"
#include "foundation/Messages.h"
#include "foundation/RLConstants.h"
#include "foundation/StrUtil.h"
#include "foundation/ThreadStop.h"
#include "platform/system/NumberText.h"
#include "tracker/core/History.h"
#include "tracker/core/IDisplayer.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/core/SimpleDateFormat.h"
#include "tracker/core/SourceConfig.h"
#include "tracker/ui/BaseRLApp.h"

namespace tracker {

using foundation::Logger;
using foundation::Messages;
using foundation::StrUtil;
using tracker::ui::BaseRLApp;

namespace {

const char* const NBSP = "&nbsp;";
const char* const PSEUDO_LINK = "http://rl/";

// Detail and chart links of every engine of the process, read by the window.
std::mutex g_popupLock;
std::map<std::string, std::string>& popupData() {
    static std::map<std::string, std::string> data;
    return data;
}

std::mutex g_formatLock;
std::optional<NumberFormat>& sharedFormat() {
    static std::optional<NumberFormat> format;
    return format;
}

// One writer at a time for every page file of every engine.
std::mutex g_pageWriterLock;

const SimpleDateFormat& lastRunFormat() {
    static const SimpleDateFormat sdf(Messages::get("RLEngine.SimpleDateFormat"));
    return sdf;
}

std::string msg(const char* key) { return Messages::get(key); }

std::string replaceSpaceWithBreak(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ' ') out += "<br>";
        else out += c;
    }
    return out;
}

// Text inside a single-quoted script string.
std::string jsEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\'': out += "\\'"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '<':
            out += (i + 1 < text.size() && text[i + 1] == '/') ? "<\\" : "<";
            break;
        default: out += c;
        }
    }
    return out;
}

// A balance as the platform reads a float: blanks around it, a sign, digits
// with one point, an exponent. Non-finite values count as text.
std::optional<double> parseBalance(const std::optional<std::string>& balance) {
    if (!balance) return std::nullopt;
    const std::string& text = *balance;
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 0x20) ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20) --last;
    std::string_view body(text.data() + first, last - first);
    if (!body.empty() && (body.back() == 'f' || body.back() == 'F' || body.back() == 'd' || body.back() == 'D')) {
        body.remove_suffix(1);
    }
    const std::optional<double> value = sys::parseNumber<double>(body);
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return value;
}

bool isEmptyText(const std::optional<std::string>& text) { return !text || text->empty(); }

bool startsWith(const std::string& text, const std::string& prefix) {
    return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}

// The statuses of a failed retrieval (all but never retrieved and pending).
bool isFailureStatus(const std::string& balance) {
    return balance == RLPreferences::DISPLAY_TIMEOUT || balance == RLPreferences::DISPLAY_UNKNOWN ||
           balance == RLPreferences::DISPLAY_INVALID_LOGIN || balance == RLPreferences::DISPLAY_LOGIN_LENGTH ||
           balance == RLPreferences::DISPLAY_PROVIDER_PROBLEM || balance == RLPreferences::DISPLAY_MAINTENANCE ||
           balance == RLPreferences::DISPLAY_NON_FUNCTIONAL ||
           balance == RLPreferences::DISPLAY_INTERACTION_REQUIRED || balance == RLPreferences::DISPLAY_BLOCKED_LOGIN;
}

// The texts that put a balance cell on the left.
bool beginsWithLeftStatus(const std::string& text) {
    for (const std::string* status :
         {&RLPreferences::DISPLAY_PROVIDER_PROBLEM, &RLPreferences::DISPLAY_MAINTENANCE,
          &RLPreferences::DISPLAY_UNKNOWN, &RLPreferences::DISPLAY_NEVER_CHECKED,
          &RLPreferences::DISPLAY_INVALID_LOGIN, &RLPreferences::DISPLAY_LOGIN_LENGTH,
          &RLPreferences::DISPLAY_TIMEOUT, &RLPreferences::DISPLAY_INTERACTION_REQUIRED,
          &RLPreferences::DISPLAY_NON_FUNCTIONAL, &RLPreferences::DISPLAY_BLOCKED_LOGIN}) {
        if (startsWith(text, *status)) return true;
    }
    return false;
}

std::string pseudoLink(const std::string& action, int user) {
    return std::string(PSEUDO_LINK) + action + "?" + "u=" + std::to_string(user) + "&";
}

std::string anchor(const std::string& href, const std::string& text) {
    return "<a href=\"" + href + "\">" + text + "</a>";
}

bool writePage(const std::string& path, const std::string& text, const char* failureText) {
    std::lock_guard<std::mutex> guard(g_pageWriterLock);
    bool ok = false;
    try {
        // Not forced to the disk: a retrieval rewrites its pages many times
        // and every rebuild writes them afresh, and the engine thread must
        // not wait for the disk while account threads wait for their slots.
        ok = Logger::writeFileChecked(path, text, false);
    } catch (const std::exception& failure) {
        Logger::error(failureText, failure);
        return false;
    }
    if (!ok) Logger::error(failureText, std::runtime_error("Could not write " + path));
    return ok;
}

// What each Farhaven and other page shows of a number.
NumberFormat makeNumberFormat() {
    return NumberFormat::forLocale(BaseRLApp::isAppTypeFarhaven() ? "en_GB" : "en_US", 2);
}

const char* scriptLocale() { return BaseRLApp::isAppTypeFarhaven() ? "en-GB" : "en-US"; }

}  // namespace

std::string RLEngine::numberFunction() {
    return std::string("function n(x,d){var v=parseFloat(x);if(isNaN(v))return x;var k=parseInt(d,10);"
                       "if(isNaN(k)||k<0)k=0;if(k>20)k=20;return v.toLocaleString('") +
           scriptLocale() + "',{minimumFractionDigits:k,maximumFractionDigits:k});}";
}

std::string RLEngine::headerAdScript(const std::string& subcategory, int64_t millis) {
    return "<script type='text/javascript' src='" + getProductServerAddress() + "/lanternbay/rlheader" +
           RLPreferences::BUILD_VERSION + ".php?subcat=" + subcategory + "&rand=" + std::to_string(millis) +
           "' defer='defer'></script>";
}

RLEngine::RLEngine() { History::connectToPreferences(); }

RLEngine::~RLEngine() = default;

const std::string& RLEngine::NOT_AVAILABLE() {
    static const std::string text = Messages::get("RLEngine.NotAvailable");
    return text;
}

const std::string& RLEngine::VIEW() {
    static const std::string text = Messages::get("RLEngine.View");
    return text;
}

const std::string& RLEngine::TOTAL() {
    static const std::string text = Messages::get("RLEngine.Total");
    return text;
}

void RLEngine::setClock(Clock clock) { m_clock = std::move(clock); }

void RLEngine::setSleeper(Sleeper sleeper) { m_sleeper = std::move(sleeper); }

int64_t RLEngine::now() const { return m_clock ? m_clock() : BaseSource::currentTimeMillis(); }

int64_t RLEngine::limitOf(int timeoutMs) {
    return static_cast<int64_t>(0.8f * static_cast<float>(timeoutMs));
}

bool RLEngine::isStatusText(const std::optional<std::string>& balance) {
    if (!balance) return false;
    return *balance == RLPreferences::DISPLAY_PENDING || *balance == RLPreferences::DISPLAY_NEVER_CHECKED ||
           isFailureStatus(*balance);
}

std::shared_ptr<RLSource> RLEngine::getSource(int user, int row) const {
    if (user < 0 || row < 0 || user >= static_cast<int>(m_sources.size())) return nullptr;
    const auto& rowSlots = m_sources[static_cast<size_t>(user)];
    if (row >= static_cast<int>(rowSlots.size())) return nullptr;
    return rowSlots[static_cast<size_t>(row)];
}

bool RLEngine::hasAnySource() const {
    for (const auto& slots : m_sources) {
        for (const auto& s : slots) {
            if (s) return true;
        }
    }
    return false;
}

std::optional<std::string> RLEngine::getPopupDataValue(const std::string& name) {
    std::lock_guard<std::mutex> guard(g_popupLock);
    auto it = popupData().find(name);
    if (it == popupData().end()) return std::nullopt;
    return it->second;
}

// ---------------------------------------------------------------------------
// Preparation

void RLEngine::init(const std::optional<std::string>& singleKey, int singleUser, bool showDetails, bool showNav) {
    m_showDetailsColumn = showDetails;
    m_showNavColumn = showNav;
    {
        std::lock_guard<std::mutex> guard(g_formatLock);
        if (!sharedFormat()) sharedFormat() = makeNumberFormat();
        m_format = sharedFormat();
    }

    const int users = RLPreferences::getUserCount();
    const int rows = RLPreferences::getSourceCount();
    m_sources.assign(static_cast<size_t>(users), std::vector<std::shared_ptr<RLSource>>(static_cast<size_t>(rows)));
    m_isHistoryWritten.assign(static_cast<size_t>(users), std::vector<bool>(static_cast<size_t>(rows), false));
    setSourcesCreated(0);
    setSourcesCompleted(0);

    for (int user = 0; user < users; ++user) {
        for (int row = 0; row < rows; ++row) createSource(user, row, row, singleKey, singleUser);
    }
    if (singleKey) setSourcesCreated(1);

    const int64_t lastRun = RLPreferences::getLastRunDate();
    m_lastRunDateStr = lastRun == 0 ? std::nullopt : std::optional<std::string>(lastRunFormat().format(lastRun));

    m_historyTimeStamp = now();
    if (m_showDetailsColumn && !History::doesHistoryExist()) {
        History::markHistoryAsExisting();
        for (int user = 0; user < users; ++user) {
            for (int row = 0; row < rows; ++row) {
                const auto& source = m_sources[static_cast<size_t>(user)][static_cast<size_t>(row)];
                if (!source) continue;
                auto previous = RLPreferences::getPreviousBalance(user, source->getKey());
                if (!previous || *previous == RLPreferences::DISPLAY_NEVER_CHECKED) continue;
                auto value = parseBalance(previous);
                if (!value) continue;
                History::addEntry(user, source->getAbbreviation(), m_historyTimeStamp, static_cast<float>(*value));
            }
        }
        m_historyTimeStamp = now();
    }
}

void RLEngine::createSource(int user, int keyRow, int row, const std::optional<std::string>& singleKey,
                            int singleUser) {
    const std::string key = RLPreferences::getKey(keyRow);
    if (key.empty()) return;
    std::string username = RLPreferences::getUsername(user, key);
    if (username.find_first_not_of(" \t\r\n") == std::string::npos) return;

    const SourceConfig* config = RLPreferences::getConfig(row);
    std::shared_ptr<RLSource> source;
    try {
        if (!config) throw std::runtime_error("No program in row " + std::to_string(row));
        source = config->createSource();
        if (!source) throw std::runtime_error("No adapter for " + key);
    } catch (const std::exception& failure) {
        Logger::error("Cannot create source", failure);
        return;
    } catch (...) {
        Logger::error("Cannot create source");
        return;
    }

    source->setEngine(sharedEngine());
    source->setUser(user);
    bool excluded = false;
    if (singleKey && (singleUser != user || *singleKey != key)) excluded = true;
    if (!config->isSourcingAllowed()) excluded = true;
    if (excluded) {
        source->setExcluded(true);
        RLPreferences::setCurrentBalance(user, key, RLPreferences::getPreviousBalance(user, key));
    }
    if (user >= 0 && user < static_cast<int>(m_sources.size()) && row >= 0 &&
        row < static_cast<int>(m_sources[static_cast<size_t>(user)].size())) {
        m_sources[static_cast<size_t>(user)][static_cast<size_t>(row)] = source;
        setSourcesCreated(getSourcesCreated() + 1);
    }
}

// ---------------------------------------------------------------------------
// Scheduling

void RLEngine::run() {
    int maxThreads = RLPreferences::getMaxThreadsHigh();
    if (maxThreads < 1) maxThreads = RLPreferences::DEFAULT_MAX_THREADS_HIGH;
    int pollMs = RLPreferences::getThreadPoll();
    if (pollMs < 1) pollMs = RLPreferences::DEFAULT_THREAD_POLL;
    int pageTimeout = RLPreferences::getPageTimeout();
    if (pageTimeout < 1) pageTimeout = RLPreferences::DEFAULT_PAGE_TIMEOUT;
    int overallTimeout = RLPreferences::getOverallTimeout();
    if (overallTimeout < 1) overallTimeout = RLPreferences::DEFAULT_OVERALL_TIMEOUT;
    const int64_t pageLimit = limitOf(pageTimeout);
    const int64_t overallLimit = limitOf(overallTimeout);

    for (auto& slots : m_sources) {
        for (auto& source : slots) {
            if (!source) continue;
            try {
                source->init();
            } catch (const std::exception& failure) {
                Logger::error("Cannot initialise source " + source->getKey(), failure);
            }
        }
    }

    try {
        if (poll(maxThreads, pollMs, pageLimit, overallLimit) == Ending::Cancel) {
            cancelRetrieval();
        } else {
            endRetrieval();
        }
    } catch (const foundation::ThreadStopped&) {
        // The program is ending: nothing of this retrieval may go on.
        stopRunningSources();
        throw;
    }
}

RLEngine::Ending RLEngine::poll(int maxThreads, int64_t pollMs, int64_t pageLimit, int64_t overallLimit) {
    int completedAtPass = 0;
    auto lastWrite = std::chrono::steady_clock::now();
    for (bool firstPass = true;; firstPass = false) {
        const bool early = !firstPass && pause(pollMs, completedAtPass);
        completedAtPass = getSourcesCompleted();
        std::shared_ptr<IDisplayer> displayer = getDisplayer();
        if (displayer && displayer->cancelCheck()) return Ending::Cancel;

        int running = 0;
        for (auto& slots : m_sources) {
            for (auto& source : slots) {
                if (!source || source->isExcluded() || !source->isRunning()) continue;
                const int64_t t = now();
                const int64_t page = t - source->getLastActiveTime();
                const int64_t overall = t - source->getStartTime();
                if (page > pageLimit || overall > overallLimit) {
                    Logger::verbose("Timing out thread (" + source->getKey() + "): page - " + std::to_string(page) +
                                    " ms / overall - " + std::to_string(overall) + " ms");
                    source->timeOut();
                    setDataUpdated(true);
                }
                ++running;
            }
        }

        const int available = maxThreads - running;
        Logger::verbose("Threads running: " + std::to_string(running) +
                        " / threads available: " + std::to_string(available));

        int started = 0;
        for (auto& slots : m_sources) {
            for (auto& source : slots) {
                if (started >= available) break;
                if (!source || source->isExcluded() || source->isStarted() || source->isRunning()) continue;
                Logger::verbose("Starting: " + source->getKey());
                if (!source->start()) continue;
                ++started;
                ++running;
                if (displayer) displayer->sourceThreadStarted(source);
            }
        }
        Logger::verbose("Threads started: " + std::to_string(started));

        // A pass that came early only to fill a slot leaves the rewrite to a
        // regular one, unless it is the last pass.
        const bool writeDue = !early || running <= 0 ||
                              std::chrono::steady_clock::now() - lastWrite >= std::chrono::milliseconds(pollMs);
        if (writeDue && takeDataUpdated()) {
            lastWrite = std::chrono::steady_clock::now();
            writeOutput();
            if (displayer) displayer->refreshResults();
        }
        if (running <= 0) return Ending::End;
    }
}

bool RLEngine::pause(int64_t pollMs, int completed) {
    if (m_sleeper) {
        m_sleeper(pollMs);
        return false;
    }
    // The poll interval, cut short when an account thread ended since the
    // pass began: a waiting account need not wait for the rest of the
    // interval to get its slot. The ending thread wakes the engine itself.
    const bool early =
        waitForCompletion(completed, std::chrono::steady_clock::now() + std::chrono::milliseconds(pollMs));
    if (isStopRequested()) throw foundation::ThreadStopped{};
    return early;
}

void RLEngine::copyBalancesToPrevious() {
    for (size_t user = 0; user < m_sources.size(); ++user) {
        for (const auto& source : m_sources[user]) {
            if (!source || source->isExcluded()) continue;
            const std::string key = source->getKey();
            auto current = RLPreferences::getCurrentBalance(static_cast<int>(user), key);
            if (!current || isStatusText(current)) continue;
            RLPreferences::setPreviousBalance(static_cast<int>(user), key, current);
        }
    }
}

void RLEngine::endRetrieval() {
    std::shared_ptr<IDisplayer> displayer = getDisplayer();
    writeSummary(true);
    if (displayer) displayer->refreshResults();
    // The window's end handling may rewrite the pages: it must find the
    // balances carried over already.
    copyBalancesToPrevious();
    if (displayer) displayer->done();
    for (auto& slots : m_sources) {
        for (auto& source : slots) source.reset();
    }
}

void RLEngine::stopRunningSources() {
    for (auto& slots : m_sources) {
        for (auto& source : slots) {
            if (source && !source->isExcluded() && source->isRunning()) {
                source->cancel();
            }
        }
    }
}

void RLEngine::cancelRetrieval() {
    Logger::verbose("User canceled check");
    stopRunningSources();
    // The page records the changes (and their history points) before the
    // balances are carried over, as at the end.
    writeOutput();
    copyBalancesToPrevious();
    std::shared_ptr<IDisplayer> displayer = getDisplayer();
    if (displayer) displayer->refreshResults();
}

// ---------------------------------------------------------------------------
// Result pages

namespace {

const char* const META_CHARSET = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">";

// A balance as the page shows a text: status texts are markup of the
// catalogue, anything else is escaped.
std::string shownText(const std::optional<std::string>& balance) {
    if (!balance) return "";
    return RLEngine::isStatusText(balance) ? *balance : StrUtil::escapeHTML(*balance);
}

const char* rowClass(int index) { return index % 2 == 0 ? "l" : "d"; }

}  // namespace

std::string RLEngine::getProductServerAddress() {
    std::string address = foundation::HostTable::get("ProductServer.site");
    while (!address.empty() && address.back() == '/') address.pop_back();
    return address;
}

std::string RLEngine::format(double value) const {
    if (m_format) return m_format->format(value);
    std::lock_guard<std::mutex> guard(g_formatLock);
    if (!sharedFormat()) sharedFormat() = makeNumberFormat();
    return sharedFormat()->format(value);
}

std::string RLEngine::styleSheetLink() const {
    return "<link rel=\"StyleSheet\" type=\"text/css\" href=\"" + m_cssURL + "\"/>";
}

std::string RLEngine::pageHeader() const {
    std::string out = "<html><head>\n";
    out += META_CHARSET;
    out += "\n";
    out += styleSheetLink() + "\n";
    out += "<script type=\"text/javascript\" src=\"" + m_jsURL + "\"></script>\n";
    out += "<script type=\"text/javascript\">" + numberFunction() + "</script>\n";
    out += "</head><body><center>\n";
    return out;
}

void RLEngine::writeOpenCell(std::string& out, const std::string& cellClass) {
    out += "<td class=" + cellClass + ">";
}

void RLEngine::writeNoUsersOrAccountsBlock(std::string& out) const {
    out += std::string("<table width=100% height=") + (BaseRLApp::isAppTypeBranded() ? "250" : "320") + "><tr>" +
           "<td class=c>" + "<b>" + msg("RLEngine.NoUserOrAccounts") + "</b></td></tr></table>\n";
}

void RLEngine::printAdIfLanternbay(std::string& out, const std::string& page, bool newLineFirst) const {
    if (!BaseRLApp::isAppTypeLanternbay()) return;
    if (newLineFirst) out += "\n";
    out += headerAdScript(page, now());
}

void RLEngine::printAdAndCloseIfBRTW(std::string& out, const std::string& page, bool fixedWidth) const {
    if (!BaseRLApp::isAppTypeBRTW()) return;
    out += std::string("</td><td class=") + "r" + " valign=top" +
           ((!m_lastRunDateStr || fixedWidth) ? " width=162" : "") + ">";
    const std::string src = foundation::JNIUtil::isConnected() ? "brtw/ad-160x600-" + page + ".html" : "brtw/ad-160x600-offline.html";
    out += "<iframe width=162 height=620 frameborder=0 scrolling=no src=\"" + src + "\"></iframe>";
    out += "</td></tr></table>\n";
}

bool RLEngine::writeOutput() {
    const bool horizontal = RLPreferences::getHorizontalLayout();
    const int padding = RLPreferences::getCellPadding();
    const int spacing = RLPreferences::getCellSpacing();
    const bool showUsernames = RLPreferences::getShowUsernames();
    const bool flyerTalk = RLPreferences::getFlyerTalkLinks();
    const bool ityt = RLPreferences::getITYTLinks();
    const bool calculateTotal = RLPreferences::getCalculateTotal();
    const bool portal = BaseRLApp::isAppTypeLanternbay();
    const bool branded = BaseRLApp::isAppTypeBranded();
    const bool roambay = BaseRLApp::isAppTypeRoambay();
    const bool inProgress = BaseRLApp::isCheckInProgress();

    const int column = padding + 2 * spacing;
    int tableWidth = 373 + 5 * padding + 10 * spacing;
    if (m_showDetailsColumn) tableWidth += column + 54;
    if (m_showNavColumn) tableWidth += column + 53;
    if (showUsernames) tableWidth += column + 112;
    if (flyerTalk) tableWidth += column + 35;
    if (ityt) tableWidth += column + 35;
    const std::string width = std::to_string(tableWidth);

    const std::string& NA = RLPreferences::DISPLAY_CHANGE_NOT_AVAILABLE;
    const std::string& NEW = RLPreferences::DISPLAY_CHANGE_NEW;
    const std::string& PENDING = RLPreferences::DISPLAY_PENDING;
    const std::string& NEVER = RLPreferences::DISPLAY_NEVER_CHECKED;

    std::string out;
    out.reserve(16384);
    out += pageHeader();
    if (portal) {
        out += "<a name=headerlink href=\"" + foundation::RLConstants::WebsiteLong() +
               "\"><img name=headerimg border=0 height=60 width=468 src=\"content/images/misc/spacer.gif\"></a>"
               "<p>\n";
    } else if (branded) {
        out += "<table width=100% height=100% cellpadding=0 cellspacing=0 bgcolor=#FFFFFF><tr><td class=c "
               "valign=top>\n";
    }

    const int userCount = static_cast<int>(m_sources.size());
    const std::string titleCellWidth = roambay ? "62" : "10";
    bool anyRow = false;
    bool horizontalOpened = false;
    std::map<std::string, std::string> popups;

    for (int user = 0; user < userCount; ++user) {
        const std::string displayName = RLPreferences::getDisplayNameForUser(user);
        std::string chart;
        chart.reserve(200);
        double currentTotal = 0.0;
        double previousTotal = 0.0;
        int rows = 0;
        const auto& slots = m_sources[static_cast<size_t>(user)];

        for (int row = 0; row < static_cast<int>(slots.size()); ++row) {
            const std::shared_ptr<RLSource>& source = slots[static_cast<size_t>(row)];
            if (!source) continue;
            const std::string key = source->getKey();
            const std::string abbreviation = source->getAbbreviation();
            const float factor = source->getNormalizeFactor();
            const bool allowed = source->isSourcingAllowed();
            const bool excluded = source->isExcluded();

            if (rows == 0) {
                if (horizontal) {
                    if (!horizontalOpened) {
                        out += "<table cellpadding=2 cellspacing=2><tr>\n";
                        horizontalOpened = true;
                    }
                    out += "<td valign=top>\n";
                } else if (user != 0) {
                    out += "<br>\n";
                }
                std::string previousLink = NBSP;
                std::string nextLink;
                if (!horizontal && userCount > 1 && user > 0) {
                    previousLink = "<a href=#" + std::to_string(user - 1) + ">" +
                                   (roambay ? "<img src=\"roambay/images/user-previous.gif\" width=52 height=11 "
                                              "border=0>"
                                            : "&lt;") +
                                   "</a>";
                }
                if (!horizontal && userCount > 1 && user < userCount - 1) {
                    nextLink = "<a href=#" + std::to_string(user + 1) + ">" +
                               (roambay ? "<img src=\"roambay/images/user-next.gif\" width=52 height=11 border=0>"
                                        : "&gt;") +
                               "</a>";
                }
                out += "<table" + (portal ? std::string(" width=98%") : " width=" + width) + ">\n";
                out += "<tr><td width=" + titleCellWidth + ">" + previousLink + "</td>" + "<td class=c>" +
                       "<a name=" + std::to_string(user) + "><b>" + StrUtil::escapeHTML(displayName) +
                       "</b></td><td width=" + titleCellWidth + " class=r>" + nextLink + "</td></tr>\n";
                out += "</table><br>\n";

                out += "<table cellpadding=" + std::to_string(padding) + " cellspacing=" + std::to_string(spacing) +
                       (portal ? std::string() : " width=" + width) + ">\n";
                out += "<tr><th width=173>" + msg("RLEngine.Provider") + "</th>";
                if (showUsernames) out += "<th width=112>" + msg("RLEngine.Account") + "</th>";
                out += "<th width=112>" + msg("RLEngine.Balance") + "</th><th width=45>" + msg("RLEngine.Change") +
                       "</th>";
                if (m_showDetailsColumn) out += "<th width=54>" + msg("RLEngine.DetailsAndChart") + "</th>";
                out += "<th width=43>" + replaceSpaceWithBreak(msg("RLEngine.SingleCheck")) + "</th>";
                if (m_showNavColumn) {
                    if (portal) out += "<th width=33>" + replaceSpaceWithBreak(msg("RLEngine.AutoNavigateAbbrev"));
                    else out += "<th width=53>" + replaceSpaceWithBreak(msg("RLEngine.AutoNavigate"));
                    out += "</th>";
                }
                if (flyerTalk) out += "<th width=35>" + replaceSpaceWithBreak(msg("RLEngine.FlyerTalk")) + "</th>";
                if (ityt) out += "<th width=35>" + msg("RLEngine.ITYT") + "</th>";
                out += "</tr>\n";
            }

            const std::optional<std::string> previous = RLPreferences::getPreviousBalance(user, key);
            const std::optional<std::string> current = RLPreferences::getCurrentBalance(user, key);

            std::string marker;
            if (!allowed) marker = NBSP;
            else if (isEmptyText(current)) marker = NBSP;
            else if (*current == PENDING) marker = inProgress ? PENDING : NBSP;
            else if (previous && *previous == NEVER) marker = NEW;
            else if (isFailureStatus(*current)) marker = NA;
            else if (current == previous) marker = NBSP;

            auto appendChart = [&](double value) {
                if (!chart.empty()) chart += ";";
                chart += abbreviation + ";" +
                         foundation::StrUtil::cleanFloatToString(factor * static_cast<float>(value));
            };

            std::string previousText = shownText(previous);
            const std::optional<double> previousValue = parseBalance(previous);
            if (previousValue) {
                previousText = format(*previousValue);
                previousTotal += *previousValue;
                if (*previousValue > 0) appendChart(*previousValue);
            }
            std::string currentText = shownText(current);
            const std::optional<double> currentValue = parseBalance(current);
            if (currentValue) {
                currentText = format(*currentValue);
                currentTotal += *currentValue;
                if (marker == NEW && *currentValue > 0) appendChart(*currentValue);
            } else {
                if (!isEmptyText(current) && *current != PENDING && !(previous && *previous == NEVER)) {
                    currentText = shownText(current) + " (" + previousText + ")";
                }
                // The account still counts with what it had.
                if (previousValue) currentTotal += *previousValue;
            }

            auto addHistoryPoint = [&](double value) {
                if (!m_showDetailsColumn) return;
                auto& written = m_isHistoryWritten[static_cast<size_t>(user)];
                if (written[static_cast<size_t>(row)]) return;
                History::addEntry(user, abbreviation, m_historyTimeStamp, static_cast<float>(value));
                written[static_cast<size_t>(row)] = true;
            };
            bool negativeChange = false;
            if (!marker.empty()) {
                if (marker == NEW && currentValue) addHistoryPoint(*currentValue);
            } else if (!previousValue || !currentValue) {
                marker = NA;
            } else {
                const double change = *currentValue - *previousValue;
                marker = format(change);
                negativeChange = !marker.empty() && marker.front() == '-';
                addHistoryPoint(*currentValue);
            }

            out += std::string("<tr class=") + rowClass(rows) + "><td>&nbsp;" + source->getDisplay() + "</td>";
            if (showUsernames) {
                out += "<td>&nbsp;" + StrUtil::escapeHTML(RLPreferences::getUsername(user, key)) + "</td>";
            }

            const bool left = !allowed ||
                              (previous && *previous == NEVER && (isEmptyText(current) || *current == PENDING)) ||
                              beginsWithLeftStatus(currentText);
            std::string balanceText;
            if (!allowed) balanceText = RLPreferences::DISPLAY_NO_BALANCES_MAINTAINED;
            else if (excluded) balanceText = currentText;
            else if (!isEmptyText(current) && *current != PENDING) balanceText = currentText;
            else balanceText = previousText;
            out += std::string("<td class=") + (left ? "l" : "r") + ">" + balanceText + "</td>";

            if (excluded) {
                out += "<td>&nbsp;</td>";
            } else {
                if (marker == NBSP) out += "<td>";
                else out += std::string("<td class=") + ((marker == NA || marker == NEW || marker == PENDING) ? "c" : "r") + ">";
                if (negativeChange) out += "<font color=#FF0000>" + marker + "</font>";
                else if (marker != NBSP) out += marker;
                out += "</td>";
            }

            if (m_showDetailsColumn) {
                writeOpenCell(out, "c");
                if (allowed) {
                    out += anchor(pseudoLink(key + "Details", user), VIEW());
                    const std::optional<std::string> history = History::generateHistoryHTML(user, key);
                    std::string value;
                    value.reserve(1500);
                    value += "'" + RLPreferences::getDetails(user, key).value_or("") + "','" +
                             RLPreferences::getTransactions(user, key).value_or("") + "','" +
                             jsEscape(history.value_or("")) + "'";
                    popups[key + std::to_string(user)] = std::move(value);
                } else {
                    out += NOT_AVAILABLE();
                }
                out += "</td>";
            }
            writeOpenCell(out, "c");
            out += allowed ? anchor(pseudoLink(key + "Source", user), msg("RLEngine.Check")) : NOT_AVAILABLE();
            out += "</td>";
            if (m_showNavColumn) {
                writeOpenCell(out, "c");
                out += source->isNavigationAllowed()
                           ? anchor(pseudoLink(key + "Navigator", user),
                                    msg(portal ? "RLEngine.NavigateAbbrev" : "RLEngine.Navigate"))
                           : NOT_AVAILABLE();
                out += "</td>";
            }
            if (flyerTalk) {
                writeOpenCell(out, "c");
                const std::string url = source->getFlyerTalkURL();
                out += url.empty() ? NOT_AVAILABLE() : "<a href=" + url + ">" + msg("RLEngine.FlyerTalkAbbrev") + "</a>";
                out += "</td>";
            }
            if (ityt) {
                writeOpenCell(out, "c");
                const std::string url = source->getITYTURL();
                out += url.empty() ? NOT_AVAILABLE() : "<a href=" + url + ">ITYT</a>";
                out += "</td>";
            }
            out += "</tr>\n";
            ++rows;
        }

        if (rows == 0) continue;
        anyRow = true;
        if (calculateTotal) {
            out += std::string("<tr class=") + rowClass(rows) + "><td>&nbsp;" + TOTAL() + "</td>";
            if (showUsernames) out += std::string("<td>") + NBSP + NOT_AVAILABLE() + "</td>";
            out += "<td class=r>" + format(currentTotal) + "</td>";
            out += "<td class=r>";
            const std::string change = format(currentTotal - previousTotal);
            if (change != "0") {
                if (change.front() == '-') out += "<font color=\"#FF0000\">" + change + "</font>";
                else out += change;
            }
            out += "</td>";
            if (m_showDetailsColumn) {
                writeOpenCell(out, "c");
                if (!chart.empty()) {
                    out += anchor(pseudoLink("TotalChart", user), VIEW());
                    std::string name = displayName;
                    std::replace(name.begin(), name.end(), ';', '_');
                    popups["TotalChart" + std::to_string(user)] = jsEscape(name) + ";" + chart;
                } else {
                    out += NOT_AVAILABLE();
                }
                out += "</td>";
            }
            const int naColumns = 1 + (m_showNavColumn ? 1 : 0) + (flyerTalk ? 1 : 0) + (ityt ? 1 : 0);
            for (int i = 0; i < naColumns; ++i) out += "<td class=c>" + NOT_AVAILABLE() + "</td>";
            out += "</tr>\n";
        }
        out += "</table>\n";
        if (horizontal) out += "</td>\n";
    }

    if (anyRow) {
        if (horizontal) out += "</tr></table>\n";
        out += "<br><table>\n";
        if (!branded) {
            out += "<tr><td class=c><a href=\"" + toFileURL(m_summaryPath) + "\" target=\"_blank\">" +
                   msg("RLEngine.ViewSummary") + "</a></td></tr>\n";
            out += std::string("<tr><td>") + NBSP + "</td></tr>\n";
        }
        if (m_lastRunDateStr) {
            out += "<tr><td class=c>" + msg("RLEngine.BalancesLastChecked") + ": " + *m_lastRunDateStr +
                   "</td></tr>\n";
        }
        out += "</table>\n";
    } else {
        writeNoUsersOrAccountsBlock(out);
    }

    printAdAndCloseIfBRTW(out, "balances", false);
    out += "</center>";
    printAdIfLanternbay(out, "_Balances", true);
    out += "\n</body></html>\n";

    {
        std::lock_guard<std::mutex> guard(g_popupLock);
        for (auto& [name, value] : popups) popupData()[name] = std::move(value);
    }
    writePage(m_balancesPath, out, "Cannot write to results output file");
    return anyRow;
}

void RLEngine::writeSummary(bool listAccounts) {
    std::string out;
    out.reserve(8192);
    out += "<html><head>\n";
    out += META_CHARSET;
    out += "\n" + styleSheetLink() + "\n";
    out += "</head><body><center>\n";
    if (BaseRLApp::isAppTypeBranded()) {
        out += "<table width=100% height=100% cellpadding=0 cellspacing=0 bgcolor=#FFFFFF><tr><td class=c "
               "valign=top>\n";
    }
    // Only the absence of accounts shows the no-users block, never a
    // results page that could not be written.
    if (!listAccounts || !hasAnySource()) {
        writeNoUsersOrAccountsBlock(out);
    } else {
        const int users = static_cast<int>(m_sources.size());
        const bool several = users > 1;
        out += "<table cellpadding=" + std::to_string(RLPreferences::getCellPadding()) +
               " cellspacing=" + std::to_string(RLPreferences::getCellSpacing()) + ">\n";
        out += "<tr>\t<th>" + msg("RLEngine.Provider") + "</th>";
        for (int user = 0; user < users; ++user) {
            out += "\t<th>" + StrUtil::escapeHTML(RLPreferences::getDisplayNameForUser(user)) + "</th>";
        }
        if (several) out += "\t<th>" + TOTAL() + "</th>";
        out += "</tr>\n";

        int used = 0;
        const int rows = RLPreferences::getSourceCount();
        for (int row = 0; row < rows; ++row) {
            const SourceConfig* config = RLPreferences::getConfig(row);
            if (!config || !config->isSourcingAllowed()) continue;
            std::vector<std::string> cells(static_cast<size_t>(users), "\t<td>&nbsp;</td>");
            double rowTotal = 0.0;
            bool rowUsed = false;
            for (int user = 0; user < users; ++user) {
                if (!getSource(user, row)) continue;
                auto value = parseBalance(RLPreferences::getCurrentBalance(user, config->getKey()));
                if (!value) continue;
                rowTotal += *value;
                cells[static_cast<size_t>(user)] = "\t<td class=r>" + format(*value) + "</td>";
                rowUsed = true;
            }
            if (!rowUsed) continue;
            out += std::string("<tr class=") + rowClass(used) + ">" + "\t" + "<td>&nbsp;" + config->getDisplay() +
                   "</td>";
            for (const auto& cell : cells) out += cell;
            if (several) out += "\t<td class=r>" + format(rowTotal) + "</td>";
            out += "</tr>\n";
            ++used;
        }
        if (m_lastRunDateStr) {
            out += "<tr><td colspan=" + std::to_string(several ? users + 2 : users + 1) + " class=c><br>" +
                   msg("RLEngine.GeneratedOn") + " " + *m_lastRunDateStr + "</td></tr>\n";
        }
        out += "</table>\n";
    }
    printAdAndCloseIfBRTW(out, "summary", true);
    out += "</center></body></html>\n";
    writePage(m_summaryPath, out, "Cannot write to summary output file");
}

void RLEngine::writeInterstitial() {
    std::string out;
    out += "<html><head>\n";
    out += META_CHARSET;
    out += "\n<link rel='StyleSheet' type='text/css' href='" + m_cssURL + "'/>\n";
    out += "</head><body style='margin: 0px 0px 0px 0px;'>\n";
    out += "<center>\n";
    out += "<table width=100% height=100% cellpadding=0 cellspacing=0>\n";
    out += "<tr><td class=c valign='middle'>\n";
    out += "<table>\n";
    out += "<tr><td class=c>";
    if (BaseRLApp::isAppTypeBRTW()) {
        out += "<iframe name='ad-728x90' src='brtw/ad-728x90-interstitial.html' frameborder='0' scrolling='no' "
               "marginheight='0' marginwidth='0' topmargin='0' leftmargin='0' width='728' height='90'></iframe>";
    } else if (BaseRLApp::isAppTypeRoambay()) {
        out += NBSP;
    } else if (BaseRLApp::isAppTypeLanternbay()) {
        out += "<a name=headerlink href=\"" + foundation::RLConstants::WebsiteLong() +
               "\"><img name=headerimg border=0 height=60 width=468 src=\"content/images/misc/spacer.gif\"></a>";
    }
    out += "</td></tr>\n";
    out += "<tr><td class=c><br><font color=\"#0001CE\"><b>" + msg("RLEngine.Interstitial") + "</b></font></td></tr>\n";
    out += "</table>\n";
    out += "</td></tr>\n";
    out += "</table>\n";
    out += "</center>\n";
    printAdIfLanternbay(out, "_Interstitial", false);
    out += "</body></html>\n";
    writePage(m_interstitialPath, out, "Cannot write to interstitial output file");
}

std::string RLEngine::scriptText() const {
    const std::string padding = std::to_string(RLPreferences::getCellPadding());
    const std::string spacing = std::to_string(RLPreferences::getCellSpacing());
    std::string css = m_cssURL;
    std::replace(css.begin(), css.end(), '\\', '/');
    const std::string link = "<link rel=\"StyleSheet\" type=\"text/css\" href=\"" + jsEscape(css) + "\"/>";
    const std::string server = jsEscape(getProductServerAddress());
    const std::string version = RLPreferences::BUILD_VERSION;
    const std::string table = "<table cellpadding=" + padding + " cellspacing=" + spacing + " width=580>";
    const std::string firstRow = "<tr><td></td><td width=210></td></tr>";
    auto text = [](const char* key) { return jsEscape(Messages::get(key)); };

    std::string js;
    // d(details, activity, history): the details popup.
    js += "var hg='';\n";
    js += "function d(d,e,h){hg=h;var w='<html><head>" + link + "</head><body><center><form name=f>';";
    js += "w+='<b>" + text("RLEngine.Details") + "</b><hr>" + table + firstRow + "'+d+'</table>';";
    js += "w+='<br><b>" + text("RLEngine.RecentTransactions") + "</b><hr>" + table +
          "'+(e==''?'<tr class=d><td>&nbsp;" + text("RLEngine.NoTransactions") + "</td></tr>':e)+'</table>';";
    js += "w+='<br><b>" + text("RLEngine.History") + "</b><hr>" + table + firstRow + "';";
    js += "if(h==''){w+='<tr class=d><td colspan=2>&nbsp;" + text("RLEngine.NoHistory") + "</td></tr></table>';}";
    js += "else{var ha=h.split(';');for(var i=3;i+1<ha.length;i+=2){w+='<tr class='+(((i-3)/2)%2==0?'d':'l')+"
          "'><td>&nbsp;'+f(ha[i])+'</td><td class=r>'+n(ha[i+1],ha[2])+'&nbsp;</td></tr>';}";
    js += "w+='</table><br><input type=button value=\"" + text("RLEngine.ViewChart") +
          "\" onclick=\"v(document.images[\\'g\\'],hg)\"><br><br><img name=g border=0 width=0>';}";
    js += "w+='</form></center></body></html>';document.write(w);}\n";
    // e(data): the chart of a user's total.
    js += "function e(d){document.write('<html><head>" + link + "</head><body><center><img width=520 src=\\'" +
          server + "/roamledger/chart_p.php?v=" + version +
          "&d='+encodeURIComponent(d)+'\\'><p><iframe width=520 height=82 src=" +
          jsEscape(foundation::RLConstants::ProductNameInternal()) +
          "-Abbr.html></iframe></center></body></html>');}\n";
    js += "function f(t){var x=new Date(t*1000);return p(x.getMonth()+1)+'/'+p(x.getDate())+'/'+"
          "p(x.getFullYear()%100);}\n";
    js += "function p(n){return n<10?'0'+n:''+n;}\n";
    js += "function v(g,h){g.src='" + server + "/roamledger/chart_l.php?v=" + version + "&o=" +
          (RLPreferences::getReverseHistory() ? "1" : "0") + "&h='+encodeURIComponent(h);g.width=590;}\n";
    js += numberFunction() + "\n";
    return js;
}

void RLEngine::writeCSSAndJS() {
    std::string css;
    css += "body,tr,th,td,input{font-family:Tahoma,sans-serif;font-size:11px;}\n";
    css += "tr.d{background:#" + RLPreferences::getColorDarkRow() + ";}\n";
    css += "tr.l{background:#" + RLPreferences::getColorLightRow() + ";}\n";
    css += "th{font-weight:bold;color:#FFFFFF;background:#" + RLPreferences::getColorHeaderRow() + ";}\n";
    css += "td.l{text-align:left;}\n";
    css += "td.c{text-align:center;}\n";
    css += "td.r{text-align:right;}\n";
    css += "a:link,a:visited{color:#000000;text-decoration:underline;}\n";
    if (!writePage(m_cssPath, css, "Cannot write to CSS output file")) return;
    writePage(m_jsPath, scriptText(), "Cannot write to JS output file");
}

}  // namespace tracker
