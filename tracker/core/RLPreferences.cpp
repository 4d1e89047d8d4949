#include "tracker/core/RLPreferences.h"

#include <uuid/uuid.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "foundation/AsynchURL.h"
#include "foundation/BlowfishEasy.h"
#include "foundation/EnvUtil.h"
#include "foundation/JNIUtil.h"
#include "foundation/Logger.h"
#include "foundation/Messages.h"
#include "foundation/MiscUtil.h"
#include "foundation/StrUtil.h"
#include "tracker/core/ProgramTable.h"
#include "tracker/ui/BaseRLApp.h"

using foundation::Logger;
using foundation::Messages;
using tracker::ui::BaseRLApp;

namespace tracker {

// ---- Status texts ---------------------------------------------------------------

const std::string RLPreferences::DISPLAY_NEVER_CHECKED = Messages::get("RLPreferences.NeverChecked");
const std::string RLPreferences::DISPLAY_NO_BALANCES_MAINTAINED = Messages::get("RLPreferences.NoBalancesMaintained");
const std::string RLPreferences::DISPLAY_INVALID_LOGIN = Messages::get("RLPreferences.InvalidLogin");
const std::string RLPreferences::DISPLAY_LOGIN_LENGTH = Messages::get("RLPreferences.LoginLength");
const std::string RLPreferences::DISPLAY_BLOCKED_LOGIN = Messages::get("RLPreferences.BlockedLogin");
const std::string RLPreferences::DISPLAY_INTERACTION_REQUIRED = Messages::get("RLPreferences.InteractionRequired");
const std::string RLPreferences::DISPLAY_MAINTENANCE = Messages::get("RLPreferences.Maintenance");
const std::string RLPreferences::DISPLAY_NON_FUNCTIONAL = Messages::get("RLPreferences.NonFunctional");
const std::string RLPreferences::DISPLAY_PENDING = Messages::get("RLPreferences.Pending");
const std::string RLPreferences::DISPLAY_PROVIDER_PROBLEM = Messages::get("RLPreferences.ProviderProblem");
const std::string RLPreferences::DISPLAY_TIMEOUT = Messages::get("RLPreferences.TimedOut");
const std::string RLPreferences::DISPLAY_UNKNOWN = Messages::get("RLPreferences.Unknown");
const std::string RLPreferences::DISPLAY_CHANGE_NEW = Messages::get("RLPreferences.New");
const std::string RLPreferences::DISPLAY_CHANGE_NOT_AVAILABLE = Messages::get("RLPreferences.NotAvailable");
const std::string RLPreferences::DEFAULT_PRIME_USER_NAME = Messages::get("RLPreferences.PrimaryUser");

// ---- Option state -----------------------------------------------------------------

SharedText RLPreferences::m_horizontalLayout{DEFAULT_HORIZONTAL_LAYOUT};
SharedText RLPreferences::m_flyerTalkLinks{DEFAULT_FLYERTALK_LINKS};
SharedText RLPreferences::m_ITYTLinks{DEFAULT_ITYT_LINKS};
SharedText RLPreferences::m_calculateTotal{DEFAULT_CALCULATE_TOTAL};
SharedText RLPreferences::m_showUsernames{DEFAULT_SHOW_USERNAMES};
SharedText RLPreferences::m_reverseHistory{DEFAULT_REVERSE_HISTORY};
SharedText RLPreferences::m_maskPasswords{DEFAULT_MASK_PASSWORDS};
SharedText RLPreferences::m_colorHeaderRow{DEFAULT_COLOR_HEADER_ROW};
SharedText RLPreferences::m_colorLightRow{DEFAULT_COLOR_LIGHT_ROW};
SharedText RLPreferences::m_colorDarkRow{DEFAULT_COLOR_DARK_ROW};
std::atomic<int> RLPreferences::m_cellPadding{DEFAULT_CELL_PADDING};
std::atomic<int> RLPreferences::m_cellSpacing{DEFAULT_CELL_SPACING};
std::atomic<int> RLPreferences::m_adsLastLaunch{DEFAULT_ADS_LAST_LAUNCH};
SharedText RLPreferences::m_settingsVersion{DEFAULT_SETTINGS_VERSION};
SharedText RLPreferences::m_uuid{DEFAULT_UUID};
std::atomic<int> RLPreferences::m_accountCountOnLaunch{0};
std::shared_mutex RLPreferences::m_usersLock;
std::vector<std::string> RLPreferences::m_users;
std::vector<std::vector<RLPreferences::AccountRow>> RLPreferences::m_accounts;

namespace {

// ---- The program table ---------------------------------------------------------------

const std::vector<const SourceConfig*>& standardTable() {
    static const std::vector<const SourceConfig*> table = [] {
        std::vector<const SourceConfig*> t;
        for (const SourceConfig& config : programTableRows()) t.push_back(&config);
        return t;
    }();
    return table;
}

const std::vector<const SourceConfig*>& activeTable() {
    return BaseRLApp::isAppTypeFarhaven() ? RLPreferences::SOURCE_CONFIGS_FARHAVEN()
                                          : RLPreferences::SOURCE_CONFIGS_STANDARD();
}

// ---- The password cipher -------------------------------------------------------------

// One cipher object holds one chaining value, so every use is serialised.
struct Cipher {
    std::mutex lock;
    std::unique_ptr<foundation::BlowfishEasy> blowfish;

    foundation::BlowfishEasy& get() {
        if (!blowfish) blowfish = std::make_unique<foundation::BlowfishEasy>(RLPreferences::BLOWFISH_PASS_PHRASE);
        return *blowfish;
    }
};

Cipher& cipher() {
    static Cipher instance;
    return instance;
}

// ---- The launch report ---------------------------------------------------------------

std::mutex& reporterLock() {
    static std::mutex lock;
    return lock;
}

RLPreferences::StatsReporter& reporter() {
    static RLPreferences::StatsReporter instance = RLPreferences::defaultStatsReporter();
    return instance;
}

std::mutex& listenerLock() {
    static std::mutex lock;
    return lock;
}

RLPreferences::UserRemovedListener& userRemovedListener() {
    static RLPreferences::UserRemovedListener instance;
    return instance;
}

const char* const CRLF = "\r\n";

const char* const WEEKDAYS[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

std::string twoDigits(int value) {
    std::string s = std::to_string(value % 100);
    return s.size() < 2 ? "0" + s : s;
}

// The default locale as language and country ("en_US"), from the usual
// environment variables; the C locale counts as US English.
std::string defaultLocaleText() {
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        std::string text = value;
        size_t cut = text.find_first_of(".@");
        if (cut != std::string::npos) text.erase(cut);
        if (text.empty() || text == "C" || text == "POSIX") break;
        return text;
    }
    return "en_US";
}

std::string appTypeName(int appType) {
    switch (appType) {
        case 0: return "Lanternbay";
        case 1: return "Farhaven";
        case 2: return "BRTW";
        case 3: return "Roambay";
        default: return "";
    }
}

// The statuses after which the stored balance of the last success stays.
bool keepsStoredBalance(const std::string& value) {
    return value == RLPreferences::DISPLAY_TIMEOUT || value == RLPreferences::DISPLAY_UNKNOWN ||
           value == RLPreferences::DISPLAY_INVALID_LOGIN || value == RLPreferences::DISPLAY_LOGIN_LENGTH ||
           value == RLPreferences::DISPLAY_PROVIDER_PROBLEM || value == RLPreferences::DISPLAY_MAINTENANCE ||
           value == RLPreferences::DISPLAY_NON_FUNCTIONAL || value == RLPreferences::DISPLAY_INTERACTION_REQUIRED ||
           value == RLPreferences::DISPLAY_BLOCKED_LOGIN;
}

void logUnknownAccount(int user, const std::string& key) {
    Logger::error("Cannot find the account of user " + std::to_string(user) + " for program " + key);
}

}  // namespace

// ---- Program table ----------------------------------------------------------------------

const std::vector<const SourceConfig*>& RLPreferences::SOURCE_CONFIGS_STANDARD() { return standardTable(); }

const std::vector<const SourceConfig*>& RLPreferences::SOURCE_CONFIGS_FARHAVEN() { return standardTable(); }

int RLPreferences::getSourceCount() { return static_cast<int>(activeTable().size()); }

const SourceConfig* RLPreferences::getConfig(int row) {
    const auto& table = activeTable();
    if (row < 0 || row >= static_cast<int>(table.size())) return nullptr;
    return table[static_cast<size_t>(row)];
}

std::string RLPreferences::getKey(int row) {
    const SourceConfig* config = getConfig(row);
    return config ? config->getKey() : "";
}

std::optional<int> RLPreferences::findRow(const std::string& key) {
    const auto& table = activeTable();
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i]->getKey() == key) return static_cast<int>(i);
    }
    return std::nullopt;
}

const SourceConfig* RLPreferences::getConfig(const std::string& key) {
    std::optional<int> row = findRow(key);
    return row ? getConfig(*row) : nullptr;
}

std::string RLPreferences::convertDisplayToKey(const std::string& display) {
    for (const SourceConfig* config : activeTable()) {
        if (config->getDisplay() == display) return config->getKey();
    }
    return "";
}

std::optional<int> RLPreferences::findRowByAbbreviation(const std::string& abbreviation) {
    const auto& table = activeTable();
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i]->getAbbreviation() == abbreviation) return static_cast<int>(i);
    }
    return std::nullopt;
}

std::optional<std::string> RLPreferences::getDisplayFromAbbreviation(const std::string& abbreviation) {
    std::optional<int> row = findRowByAbbreviation(abbreviation);
    if (!row) return std::nullopt;
    return getConfig(*row)->getDisplay();
}

std::string RLPreferences::generateAbbreviationLookupHTML(const std::string& cssPath) {
    std::vector<std::string> abbreviations;
    for (const SourceConfig* config : activeTable()) abbreviations.push_back(config->getAbbreviation());
    foundation::MiscUtil::sort(abbreviations);

    std::string html;
    html.reserve(7000);
    html += "<html><head><link rel=\"StyleSheet\" type=\"text/css\" href=\"" + cssPath + "\"/></head><body><center>";
    html += "<table cellpadding=" + std::to_string(getCellPadding()) + " cellspacing=" +
            std::to_string(getCellSpacing()) + " width=475><tr class=d><td class=c colspan=4><b>" +
            Messages::get("RLPreferences.Abbreviations") + "</b></td></tr>";
    const size_t n = abbreviations.size();
    const size_t rows = (n + 1) / 2;
    auto displayOf = [](const std::string& abbreviation) {
        return getDisplayFromAbbreviation(abbreviation).value_or("");
    };
    for (size_t r = 0; r < rows; ++r) {
        const std::string& left = abbreviations[r];
        html += std::string("<tr class=") + (r % 2 == 1 ? "d" : "l") + "><td class=c>&nbsp;" + left +
                "</td><td>&nbsp;" + displayOf(left) + "</td><td class=c>&nbsp;";
        if (r + rows < n) {
            const std::string& right = abbreviations[r + rows];
            html += right + "</td><td>&nbsp;" + displayOf(right) + "</td></tr>";
        } else {
            html += "</td><td>&nbsp;</td></tr>";
        }
    }
    html += "</table></center></body></html>";
    return html;
}

void RLPreferences::printSourceTable(std::ostream& out) {
    for (const SourceConfig* config : SOURCE_CONFIGS_STANDARD()) {
        out << config->getKey() << '\t' << config->getDisplay() << '\n';
    }
}

// ---- Start-up -----------------------------------------------------------------------------

std::string RLPreferences::generateUUID() {
    uuid_t id;
    uuid_generate_time(id);
    char text[37];
    uuid_unparse_lower(id, text);
    return text;
}

void RLPreferences::loadPrefs(const std::string& name, std::shared_ptr<IPrefPersist> store) {
    m_startThisLaunch = currentTimeMillis();
    BasePreferences::loadPrefs(name, store);
    if (!store) return;

    const bool farhaven = BaseRLApp::isAppTypeFarhaven();
    m_horizontalLayout.set(store->getStringValue(PREF_HORIZONTAL_LAYOUT, DEFAULT_HORIZONTAL_LAYOUT));
    m_flyerTalkLinks.set(farhaven ? "false" : store->getStringValue(PREF_FLYERTALK_LINKS, DEFAULT_FLYERTALK_LINKS));
    m_ITYTLinks.set(farhaven ? "false" : store->getStringValue(PREF_ITYT_LINKS, DEFAULT_ITYT_LINKS));
    m_calculateTotal.set(store->getStringValue(PREF_CALCULATE_TOTAL, DEFAULT_CALCULATE_TOTAL));
    m_showUsernames.set(store->getStringValue(PREF_SHOW_USERNAMES, DEFAULT_SHOW_USERNAMES));
    m_reverseHistory.set(farhaven ? "true" : store->getStringValue(PREF_REVERSE_HISTORY, DEFAULT_REVERSE_HISTORY));
    m_maskPasswords.set(store->getStringValue(PREF_MASK_PASSWORDS, DEFAULT_MASK_PASSWORDS));
    m_colorHeaderRow.set(store->getStringValue(PREF_COLOR_HEADER_ROW, DEFAULT_COLOR_HEADER_ROW));
    m_colorLightRow.set(store->getStringValue(PREF_COLOR_LIGHT_ROW, DEFAULT_COLOR_LIGHT_ROW));
    m_colorDarkRow.set(store->getStringValue(PREF_COLOR_DARK_ROW, DEFAULT_COLOR_DARK_ROW));

    m_settingsVersion.set(store->getStringValue(PREF_SETTINGS_VERSION, DEFAULT_SETTINGS_VERSION));
    store->setStringValue(PREF_SETTINGS_VERSION, BUILD_VERSION);

    std::string uuid = store->getStringValue(PREF_UUID, DEFAULT_UUID);
    if (uuid.empty()) {
        uuid = generateUUID();
        store->setStringValue(PREF_UUID, uuid);
    }
    m_uuid.set(uuid);

    m_cellPadding = store->getIntValue(PREF_CELL_PADDING, DEFAULT_CELL_PADDING);
    m_cellSpacing = store->getIntValue(PREF_CELL_SPACING, DEFAULT_CELL_SPACING);
    m_adsLastLaunch = store->getIntValue(PREF_ADS_LAST_LAUNCH, DEFAULT_ADS_LAST_LAUNCH);

    const int launches = store->getIntValue(PREF_LAUNCH_COUNT, DEFAULT_LAUNCH_COUNT);
    setLaunchCount(launches == INT_MAX ? launches : launches + 1);

    std::string accountPairs;
    loadUsersAndAccounts(accountPairs);

    std::string report = collectSystemAndSettingsInfo(false);
    report += accountPairs;
    report += CRLF;

    const int appType = BaseRLApp::getAppType();
    std::optional<std::string> extra;
    if (BaseRLApp::isAppTypeBranded()) extra = "ReportedOn=Launch";
    StatsReporter send;
    {
        std::lock_guard<std::mutex> guard(reporterLock());
        send = reporter();
    }
    if (send) {
        try {
            send(report, uuid, extra, appType);
        } catch (const std::exception& failure) {
            Logger::error("Unable to send the launch report", failure);
        }
    }
    resetAdCount();
}

void RLPreferences::loadUsersAndAccounts(std::string& report) {
    auto store = getPrefPersist();
    {
        std::unique_lock<std::shared_mutex> guard(m_usersLock);
        m_users.clear();
        m_accounts.clear();
    }
    m_accountCountOnLaunch = 0;

    addUser(store->getStringValue(std::string(USER_PREFIX) + "0", DEFAULT_PRIME_USER_NAME), false);
    for (int n = 1;; ++n) {
        std::string name = store->getStringValue(USER_PREFIX + std::to_string(n), "");
        if (name.empty()) break;
        addUser(name, false);
    }

    const auto& table = activeTable();
    std::unique_lock<std::shared_mutex> guard(m_usersLock);
    for (size_t user = 0; user < m_users.size(); ++user) {
        for (size_t r = 0; r < table.size(); ++r) {
            const std::string& key = table[r]->getKey();
            const std::string prefix = accountPrefix(static_cast<int>(user), key);
            AccountRow& cells = m_accounts[user][r];

            std::string username = store->getStringValue(prefix + SUFFIX_USERNAME, "");
            if (username.find_first_of("- ") != std::string::npos) {
                std::string compact;
                for (char c : username) {
                    if (c != '-' && c != ' ') compact += c;
                }
                if (foundation::StrUtil::isNumeric(compact, false)) {
                    store->setStringValue(prefix + SUFFIX_USERNAME, compact);
                    username = compact;
                }
            }
            cells[ACCOUNT_COL_USERNAME] = username;
            if (username.empty()) {
                cells[ACCOUNT_COL_PASSWORD] = std::string();
                cells[ACCOUNT_COL_PASSWORD2] = std::string();
                continue;
            }
            cells[ACCOUNT_COL_PASSWORD] = decryptPassword(store->getStringValue(prefix + SUFFIX_PASSWORD, ""));
            std::string password2 = store->getStringValue(prefix + SUFFIX_PASSWORD2, "");
            cells[ACCOUNT_COL_PASSWORD2] = password2.empty() ? std::string() : decryptPassword(password2);
            cells[ACCOUNT_COL_BALANCE_PREVIOUS] = store->getStringValue(prefix + SUFFIX_BALANCE, DISPLAY_NEVER_CHECKED);
            cells[ACCOUNT_COL_BALANCE_CURRENT] = std::string();
            cells[ACCOUNT_COL_DETAILS] = store->getStringValue(prefix + SUFFIX_DETAILS, "");
            cells[ACCOUNT_COL_TRANSACTIONS] = store->getStringValue(prefix + SUFFIX_TRANSACTIONS, "");

            appendNameValuePair(report, std::to_string(user) + ":" + key, cells[ACCOUNT_COL_BALANCE_PREVIOUS]);
            ++m_accountCountOnLaunch;
        }
    }
}

void RLPreferences::destroy() {
    Cipher& c = cipher();
    std::lock_guard<std::mutex> guard(c.lock);
    if (c.blowfish) c.blowfish->destroy();
    c.blowfish.reset();
}

void RLPreferences::setStatsReporter(StatsReporter reporterFunction) {
    std::lock_guard<std::mutex> guard(reporterLock());
    reporter() = std::move(reporterFunction);
}

RLPreferences::StatsReporter RLPreferences::defaultStatsReporter() {
    return [](const std::string& message, const std::string& uuid, const std::optional<std::string>& extra,
              int appType) { foundation::AsynchURL::reportStats(message, uuid, extra, appType); };
}

// ---- Display options -------------------------------------------------------------------------

void RLPreferences::setHorizontalLayout(bool value) { setHorizontalLayout(std::string(booleanText(value))); }

void RLPreferences::setFlyerTalkLinks(bool value) { setFlyerTalkLinks(std::string(booleanText(value))); }

void RLPreferences::setITYTLinks(bool value) { setITYTLinks(std::string(booleanText(value))); }

void RLPreferences::setCalculateTotal(bool value) { setCalculateTotal(std::string(booleanText(value))); }

void RLPreferences::setShowUsernames(bool value) { setShowUsernames(std::string(booleanText(value))); }

void RLPreferences::setReverseHistory(bool value) { setReverseHistory(std::string(booleanText(value))); }

void RLPreferences::setMaskPasswords(bool value) { setMaskPasswords(std::string(booleanText(value))); }

void RLPreferences::setHorizontalLayout(const std::string& text) {
    m_horizontalLayout.set(text);
    storeString(PREF_HORIZONTAL_LAYOUT, text);
}

void RLPreferences::setFlyerTalkLinks(const std::string& text) {
    m_flyerTalkLinks.set(text);
    storeString(PREF_FLYERTALK_LINKS, text);
}

void RLPreferences::setITYTLinks(const std::string& text) {
    m_ITYTLinks.set(text);
    storeString(PREF_ITYT_LINKS, text);
}

void RLPreferences::setCalculateTotal(const std::string& text) {
    m_calculateTotal.set(text);
    storeString(PREF_CALCULATE_TOTAL, text);
}

void RLPreferences::setShowUsernames(const std::string& text) {
    m_showUsernames.set(text);
    storeString(PREF_SHOW_USERNAMES, text);
}

void RLPreferences::setReverseHistory(const std::string& text) {
    m_reverseHistory.set(text);
    storeString(PREF_REVERSE_HISTORY, text);
}

void RLPreferences::setMaskPasswords(const std::string& text) {
    m_maskPasswords.set(text);
    storeString(PREF_MASK_PASSWORDS, text);
}

void RLPreferences::setColorHeaderRow(const std::string& value) {
    m_colorHeaderRow.set(value);
    storeString(PREF_COLOR_HEADER_ROW, value);
}

void RLPreferences::setColorLightRow(const std::string& value) {
    m_colorLightRow.set(value);
    storeString(PREF_COLOR_LIGHT_ROW, value);
}

void RLPreferences::setColorDarkRow(const std::string& value) {
    m_colorDarkRow.set(value);
    storeString(PREF_COLOR_DARK_ROW, value);
}

void RLPreferences::setCellPadding(int value) {
    m_cellPadding = value;
    storeInt(PREF_CELL_PADDING, value);
}

void RLPreferences::setCellSpacing(int value) {
    m_cellSpacing = value;
    storeInt(PREF_CELL_SPACING, value);
}

void RLPreferences::resetAdCount() {
    m_adsLastLaunch = 0;
    storeInt(PREF_ADS_LAST_LAUNCH, 0);
}

void RLPreferences::incrementAdCount() { storeInt(PREF_ADS_LAST_LAUNCH, ++m_adsLastLaunch); }

void RLPreferences::incrementAdCount(const std::optional<std::string>& text, const std::string& fragment) {
    if (text && text->find(fragment) != std::string::npos) incrementAdCount();
}

// ---- The system and settings report ---------------------------------------------------------

std::string RLPreferences::formatReportDate(int64_t millis) {
    std::time_t seconds = static_cast<std::time_t>(millis / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    int hour = local.tm_hour % 12;
    if (hour == 0) hour = 12;
    return std::string(WEEKDAYS[local.tm_wday % 7]) + ", " + twoDigits(local.tm_mon + 1) + "/" +
           twoDigits(local.tm_mday) + "/" + twoDigits(local.tm_year % 100) + " at " + std::to_string(hour) + ":" +
           twoDigits(local.tm_min) + " " + (local.tm_hour < 12 ? "AM" : "PM");
}

void RLPreferences::appendNameValuePair(std::string& buffer, const std::string& name,
                                        const std::optional<std::string>& value) {
    appendNameValuePair(buffer, name, value, true);
}

void RLPreferences::appendNameValuePair(std::string& buffer, const std::string& name,
                                        const std::optional<std::string>& value, bool newLine) {
    if (newLine) buffer += CRLF;
    buffer += name;
    buffer += '=';
    buffer += value ? *value : "null";
}

void RLPreferences::appendNameValuePair(std::string& buffer, const std::string& name, int64_t value) {
    appendNameValuePair(buffer, name, std::optional<std::string>(std::to_string(value)), true);
}

void RLPreferences::appendNameValuePair(std::string& buffer, const std::string& name,
                                        const std::optional<std::string>& value, const std::string& defaultValue) {
    if (value && *value == defaultValue) return;
    appendNameValuePair(buffer, name, value, true);
}

void RLPreferences::appendNameValuePair(std::string& buffer, const std::string& name, int64_t value,
                                        int64_t defaultValue) {
    if (value == defaultValue) return;
    appendNameValuePair(buffer, name, value);
}

std::string RLPreferences::collectSystemAndSettingsInfo(bool skip) {
    using foundation::EnvUtil;
    std::string buffer;
    buffer.reserve(800);
    appendNameValuePair(buffer, "SubmittedTime", formatReportDate(currentTimeMillis()), false);
    appendNameValuePair(buffer, "AppVersion", BUILD_VERSION);
    appendNameValuePair(buffer, "SettingsVersion", m_settingsVersion.get());
    const int appType = BaseRLApp::getAppType();
    const std::string typeName = appTypeName(appType);
    if (!typeName.empty()) appendNameValuePair(buffer, "AppType", typeName);

    appendNameValuePair(buffer, "Locale", defaultLocaleText());
    appendNameValuePair(buffer, "OS", EnvUtil::getOperatingSystem());
    appendNameValuePair(buffer, "OSRev", EnvUtil::getOperatingSystemDetails());
    appendNameValuePair(buffer, "Directory", EnvUtil::getWorkingDirectory(false));
    appendNameValuePair(buffer, "Resolution", EnvUtil::getResolution());
    appendNameValuePair(buffer, "MHz", EnvUtil::getMHz());
    appendNameValuePair(buffer, "Processor", EnvUtil::getProcessorName());
    appendNameValuePair(buffer, "IE", EnvUtil::getIEVersion());
    appendNameValuePair(buffer, "JavaScript-Local", EnvUtil::getJavaScriptEnabled("1"));
    appendNameValuePair(buffer, "JavaScript-Internet", EnvUtil::getJavaScriptEnabled("3"));
    appendNameValuePair(buffer, "TitleBarHeight", static_cast<int64_t>(EnvUtil::getTitleBarHeight()));

    if (!BaseRLApp::isAppTypeLanternbay()) {
        using foundation::JNIUtil;
        try {
            std::string connection;
            appendNameValuePair(connection, "Connected", booleanText(JNIUtil::isConnected()));
            appendNameValuePair(connection, "ConnectionName", JNIUtil::getConnectionName());
            appendNameValuePair(connection, "LAN", booleanText(JNIUtil::isLAN()));
            appendNameValuePair(connection, "Modem", booleanText(JNIUtil::isModem()));
            appendNameValuePair(connection, "ViaProxy", booleanText(JNIUtil::isViaProxy()));
            buffer += connection;
        } catch (const std::exception& failure) {
            Logger::error("Unable to collect connection information", failure);
        }
    }

    appendNameValuePair(buffer, "UUID", m_uuid.get());
    appendNameValuePair(buffer, "ParentUUID", BaseRLApp::getParentUUID());
    appendNameValuePair(buffer, "UserCount", static_cast<int64_t>(getUserCount()));
    appendNameValuePair(buffer, "StatLastRunDate", getLastRunDate());
    appendNameValuePair(buffer, "StatLaunchCount", static_cast<int64_t>(getLaunchCount()));
    appendNameValuePair(buffer, "StatPanelPopupDate", getPanelPopupDate());

    appendNameValuePair(buffer, PREF_MAX_THREADS_HIGH, getMaxThreadsHigh(), DEFAULT_MAX_THREADS_HIGH);
    appendNameValuePair(buffer, PREF_MAX_THREADS_LOW, getMaxThreadsLow(), DEFAULT_MAX_THREADS_LOW);
    appendNameValuePair(buffer, PREF_NICE_LEVEL, getNiceLevel(), DEFAULT_NICE_LEVEL);
    appendNameValuePair(buffer, PREF_THREAD_POLL, getThreadPoll(), DEFAULT_THREAD_POLL);
    appendNameValuePair(buffer, PREF_PAGE_TIMEOUT, getPageTimeout(), DEFAULT_PAGE_TIMEOUT);
    appendNameValuePair(buffer, PREF_OVERALL_TIMEOUT, getOverallTimeout(), DEFAULT_OVERALL_TIMEOUT);
    appendNameValuePair(buffer, PREF_HIDE_NAVIGATOR, m_hideNavigator.get(), DEFAULT_HIDE_NAVIGATOR);
    appendNameValuePair(buffer, PREF_CLOSE_NAVIGATORS, m_closeNavigators.get(), DEFAULT_CLOSE_NAVIGATORS);
    appendNameValuePair(buffer, PREF_PERSIST_DOWNLOADS, m_persistDownloads.get(), DEFAULT_PERSIST_DOWNLOADS);
    appendNameValuePair(buffer, PREF_LOGGING_LEVEL, getLoggingLevel(), DEFAULT_LOGGING_LEVEL);
    appendNameValuePair(buffer, PREF_WINDOW_X, getWindowX(), DEFAULT_WINDOW_X);
    appendNameValuePair(buffer, PREF_WINDOW_Y, getWindowY(), DEFAULT_WINDOW_Y);
    appendNameValuePair(buffer, PREF_WINDOW_WIDTH, getWindowWidth(), DEFAULT_WINDOW_WIDTH);
    appendNameValuePair(buffer, PREF_WINDOW_HEIGHT, getWindowHeight(), DEFAULT_WINDOW_HEIGHT);
    appendNameValuePair(buffer, PREF_HORIZONTAL_LAYOUT, m_horizontalLayout.get(), DEFAULT_HORIZONTAL_LAYOUT);
    appendNameValuePair(buffer, PREF_FLYERTALK_LINKS, m_flyerTalkLinks.get(), DEFAULT_FLYERTALK_LINKS);
    appendNameValuePair(buffer, PREF_ITYT_LINKS, m_ITYTLinks.get(), DEFAULT_ITYT_LINKS);
    appendNameValuePair(buffer, PREF_CALCULATE_TOTAL, m_calculateTotal.get(), DEFAULT_CALCULATE_TOTAL);
    appendNameValuePair(buffer, PREF_SHOW_USERNAMES, m_showUsernames.get(), DEFAULT_SHOW_USERNAMES);
    appendNameValuePair(buffer, PREF_REVERSE_HISTORY, m_reverseHistory.get(), DEFAULT_REVERSE_HISTORY);
    appendNameValuePair(buffer, PREF_MASK_PASSWORDS, m_maskPasswords.get(), DEFAULT_MASK_PASSWORDS);
    appendNameValuePair(buffer, PREF_COLOR_HEADER_ROW, m_colorHeaderRow.get(), DEFAULT_COLOR_HEADER_ROW);
    appendNameValuePair(buffer, PREF_COLOR_LIGHT_ROW, m_colorLightRow.get(), DEFAULT_COLOR_LIGHT_ROW);
    appendNameValuePair(buffer, PREF_COLOR_DARK_ROW, m_colorDarkRow.get(), DEFAULT_COLOR_DARK_ROW);
    appendNameValuePair(buffer, PREF_CELL_PADDING, getCellPadding(), DEFAULT_CELL_PADDING);
    appendNameValuePair(buffer, PREF_CELL_SPACING, getCellSpacing(), DEFAULT_CELL_SPACING);

    if (!skip) {
        appendNameValuePair(buffer, PREF_DURATION_LAST_LAUNCH, getDurationLastLaunch(), DEFAULT_DURATION_LAST_LAUNCH);
        if (BaseRLApp::isAppTypeBranded()) {
            appendNameValuePair(buffer, PREF_ADS_LAST_LAUNCH, getAdsLastLaunch(), DEFAULT_ADS_LAST_LAUNCH);
        }
    }
    return buffer;
}

// ---- Users and accounts ---------------------------------------------------------------------

std::string RLPreferences::accountPrefix(int user, const std::string& key) {
    return USER_PREFIX + std::to_string(user) + key;
}

std::string RLPreferences::encryptPassword(const std::string& plain) {
    Cipher& c = cipher();
    std::lock_guard<std::mutex> guard(c.lock);
    return c.get().encryptString(plain);
}

std::optional<std::string> RLPreferences::decryptPassword(const std::string& stored) {
    Cipher& c = cipher();
    std::lock_guard<std::mutex> guard(c.lock);
    return c.get().decryptString(stored);
}

int RLPreferences::getUserCount() {
    std::shared_lock<std::shared_mutex> guard(m_usersLock);
    return static_cast<int>(m_users.size());
}

std::string RLPreferences::getDisplayNameForUser(int user) {
    std::shared_lock<std::shared_mutex> guard(m_usersLock);
    if (user < 0 || user >= static_cast<int>(m_users.size())) return "";
    return m_users[static_cast<size_t>(user)];
}

void RLPreferences::addUser(const std::string& name, bool emptyLogins) {
    int index;
    {
        std::unique_lock<std::shared_mutex> guard(m_usersLock);
        AccountRow fresh;
        if (emptyLogins) {
            fresh[ACCOUNT_COL_USERNAME] = std::string();
            fresh[ACCOUNT_COL_PASSWORD] = std::string();
            fresh[ACCOUNT_COL_PASSWORD2] = std::string();
        }
        m_users.push_back(name);
        m_accounts.emplace_back(activeTable().size(), fresh);
        index = static_cast<int>(m_users.size()) - 1;
    }
    storeString(USER_PREFIX + std::to_string(index), name);
}

void RLPreferences::renameUser(int user, const std::string& name) {
    {
        std::unique_lock<std::shared_mutex> guard(m_usersLock);
        if (user < 0 || user >= static_cast<int>(m_users.size())) {
            Logger::error("Cannot rename user " + std::to_string(user) + ": no such user");
            return;
        }
        m_users[static_cast<size_t>(user)] = name;
    }
    storeString(USER_PREFIX + std::to_string(user), name);
}

void RLPreferences::removeUser(int user) {
    {
        std::unique_lock<std::shared_mutex> guard(m_usersLock);
        if (user < 0 || user >= static_cast<int>(m_users.size())) {
            Logger::error("Cannot remove user " + std::to_string(user) + ": no such user");
            return;
        }
        m_users.erase(m_users.begin() + user);
        m_accounts.erase(m_accounts.begin() + user);
        const int count = static_cast<int>(m_users.size());
        if (auto store = getPrefPersist()) {
            store->removeKeysWithPrefix(USER_PREFIX + std::to_string(user));
            for (int j = user; j < count; ++j) {
                store->renameKeysWithPrefix(USER_PREFIX + std::to_string(j + 1), USER_PREFIX + std::to_string(j));
            }
        }
    }
    UserRemovedListener listener;
    {
        std::lock_guard<std::mutex> guard(listenerLock());
        listener = userRemovedListener();
    }
    if (listener) {
        try {
            listener(user);
        } catch (const std::exception& failure) {
            Logger::error("Unable to move the history of removed user " + std::to_string(user), failure);
        }
    }
}

void RLPreferences::setUserRemovedListener(UserRemovedListener listener) {
    std::lock_guard<std::mutex> guard(listenerLock());
    userRemovedListener() = std::move(listener);
}

void RLPreferences::removeAccount(int user, const std::string& key) {
    if (!findRow(key)) {
        logUnknownAccount(user, key);
        return;
    }
    auto store = getPrefPersist();
    if (!store) return;
    const std::string prefix = accountPrefix(user, key);
    for (const char* suffix :
         {SUFFIX_USERNAME, SUFFIX_PASSWORD, SUFFIX_PASSWORD2, SUFFIX_BALANCE, SUFFIX_DETAILS, SUFFIX_TRANSACTIONS}) {
        store->removeKey(prefix + suffix);
    }
}

namespace {

// The cell of an account, under the users lock held by the caller; nullptr
// for an unknown user or key.
template <typename Accounts>
auto* findRowIn(Accounts& accounts, int user, const std::string& key) {
    using Row = std::remove_reference_t<decltype(accounts[0][0])>;
    if (user < 0 || user >= static_cast<int>(accounts.size())) return static_cast<Row*>(nullptr);
    std::optional<int> row = RLPreferences::findRow(key);
    if (!row || *row >= static_cast<int>(accounts[static_cast<size_t>(user)].size())) {
        return static_cast<Row*>(nullptr);
    }
    return &accounts[static_cast<size_t>(user)][static_cast<size_t>(*row)];
}

}  // namespace

std::optional<RLPreferences::AccountRow> RLPreferences::getAccountRow(int user, const std::string& key) {
    std::shared_lock<std::shared_mutex> guard(m_usersLock);
    const AccountRow* cells = findRowIn(m_accounts, user, key);
    if (!cells) return std::nullopt;
    return *cells;
}

std::string RLPreferences::getUsername(int user, const std::string& key) {
    std::shared_lock<std::shared_mutex> guard(m_usersLock);
    const AccountRow* cells = findRowIn(m_accounts, user, key);
    return cells ? (*cells)[ACCOUNT_COL_USERNAME].value_or("") : "";
}

std::string RLPreferences::getPassword(int user, const std::string& key) {
    std::shared_lock<std::shared_mutex> guard(m_usersLock);
    const AccountRow* cells = findRowIn(m_accounts, user, key);
    return cells ? (*cells)[ACCOUNT_COL_PASSWORD].value_or("") : "";
}

std::string RLPreferences::getPassword2(int user, const std::string& key) {
    std::shared_lock<std::shared_mutex> guard(m_usersLock);
    const AccountRow* cells = findRowIn(m_accounts, user, key);
    return cells ? (*cells)[ACCOUNT_COL_PASSWORD2].value_or("") : "";
}

namespace {

// Sets one cell; answers false (and logs) for an unknown account.
bool setCell(std::shared_mutex& lock, std::vector<std::vector<RLPreferences::AccountRow>>& accounts, int user,
             const std::string& key, int column, const std::optional<std::string>& value) {
    std::unique_lock<std::shared_mutex> guard(lock);
    RLPreferences::AccountRow* cells = findRowIn(accounts, user, key);
    if (!cells) {
        logUnknownAccount(user, key);
        return false;
    }
    (*cells)[static_cast<size_t>(column)] = value;
    return true;
}

std::optional<std::string> getCell(std::shared_mutex& lock,
                                   const std::vector<std::vector<RLPreferences::AccountRow>>& accounts, int user,
                                   const std::string& key, int column) {
    std::shared_lock<std::shared_mutex> guard(lock);
    const RLPreferences::AccountRow* cells = findRowIn(accounts, user, key);
    if (!cells) return std::nullopt;
    return (*cells)[static_cast<size_t>(column)];
}

}  // namespace

void RLPreferences::setUsername(int user, const std::string& key, const std::string& value) {
    if (setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_USERNAME, value)) {
        storeString(accountPrefix(user, key) + SUFFIX_USERNAME, value);
    }
}

void RLPreferences::setPassword(int user, const std::string& key, const std::string& plain) {
    if (setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_PASSWORD, plain)) {
        storeString(accountPrefix(user, key) + SUFFIX_PASSWORD, encryptPassword(plain));
    }
}

void RLPreferences::setPassword2(int user, const std::string& key, const std::string& plain) {
    if (setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_PASSWORD2, plain)) {
        storeString(accountPrefix(user, key) + SUFFIX_PASSWORD2, encryptPassword(plain));
    }
}

std::optional<std::string> RLPreferences::getCurrentBalance(int user, const std::string& key) {
    return getCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_BALANCE_CURRENT);
}

void RLPreferences::setCurrentBalance(int user, const std::string& key, const std::optional<std::string>& value) {
    if (!setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_BALANCE_CURRENT, value)) return;
    if (!value) return;
    const std::string storeKey = accountPrefix(user, key) + SUFFIX_BALANCE;
    if (*value == DISPLAY_PENDING) {
        storeString(storeKey, DISPLAY_NEVER_CHECKED);
    } else if (!keepsStoredBalance(*value)) {
        storeString(storeKey, *value);
    }
}

std::optional<std::string> RLPreferences::getPreviousBalance(int user, const std::string& key) {
    return getCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_BALANCE_PREVIOUS);
}

void RLPreferences::setPreviousBalance(int user, const std::string& key, const std::optional<std::string>& value) {
    setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_BALANCE_PREVIOUS, value);
}

std::optional<std::string> RLPreferences::getDetails(int user, const std::string& key) {
    return getCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_DETAILS);
}

std::optional<std::string> RLPreferences::getTransactions(int user, const std::string& key) {
    return getCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_TRANSACTIONS);
}

void RLPreferences::setDetails(int user, const std::string& key, const std::string& rows) {
    if (setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_DETAILS, rows)) {
        storeString(accountPrefix(user, key) + SUFFIX_DETAILS, rows);
    }
}

void RLPreferences::setTransactions(int user, const std::string& key, const std::string& rows) {
    if (setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_TRANSACTIONS, rows)) {
        storeString(accountPrefix(user, key) + SUFFIX_TRANSACTIONS, rows);
    }
}

void RLPreferences::setAllCurrentBalancesToPending() {
    std::unique_lock<std::shared_mutex> guard(m_usersLock);
    for (auto& rows : m_accounts) {
        for (auto& cells : rows) cells[ACCOUNT_COL_BALANCE_CURRENT] = DISPLAY_PENDING;
    }
}

}  // namespace tracker
