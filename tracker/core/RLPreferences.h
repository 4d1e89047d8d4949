#pragma once
// The tracker's own preferences: display options, settings version,
// installation identifier, ad counter, the balance status texts, the program
// table, and the users with their account rows. All static: one set per
// process, shared by the window, the engine and the account threads.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <shared_mutex>
#include <string>
#include <vector>

#include "tracker/core/BasePreferences.h"
#include "tracker/core/SourceConfig.h"

namespace tracker {

class RLPreferences : public BasePreferences {
public:
    // ---- Option keys and defaults ------------------------------------------------
    static constexpr const char* PREF_HORIZONTAL_LAYOUT = "OptHorizontalLayout";
    static constexpr const char* PREF_FLYERTALK_LINKS = "OptFlyerTalkLink";
    static constexpr const char* PREF_ITYT_LINKS = "OptITYTLink";
    static constexpr const char* PREF_CALCULATE_TOTAL = "OptCalculateTotal";
    static constexpr const char* PREF_SHOW_USERNAMES = "OptShowUsernames";
    static constexpr const char* PREF_REVERSE_HISTORY = "OptReverseHistory";
    static constexpr const char* PREF_MASK_PASSWORDS = "OptMaskPasswords";
    static constexpr const char* PREF_COLOR_HEADER_ROW = "OptColorHeaderRow";
    static constexpr const char* PREF_COLOR_LIGHT_ROW = "OptColorLightRow";
    static constexpr const char* PREF_COLOR_DARK_ROW = "OptColorDarkRow";
    static constexpr const char* PREF_CELL_PADDING = "OptCellPadding";
    static constexpr const char* PREF_CELL_SPACING = "OptCellSpacing";
    static constexpr const char* PREF_ADS_LAST_LAUNCH = "AdsLastLaunch";
    static constexpr const char* PREF_SETTINGS_VERSION = "Version";
    static constexpr const char* PREF_UUID = "UUID";

    static constexpr const char* DEFAULT_HORIZONTAL_LAYOUT = "false";
    static constexpr const char* DEFAULT_FLYERTALK_LINKS = "false";
    static constexpr const char* DEFAULT_ITYT_LINKS = "false";
    static constexpr const char* DEFAULT_CALCULATE_TOTAL = "true";
    static constexpr const char* DEFAULT_SHOW_USERNAMES = "false";
    static constexpr const char* DEFAULT_REVERSE_HISTORY = "true";
    static constexpr const char* DEFAULT_MASK_PASSWORDS = "true";
    static constexpr const char* DEFAULT_COLOR_HEADER_ROW = "000099";
    static constexpr const char* DEFAULT_COLOR_LIGHT_ROW = "FFFFFF";
    static constexpr const char* DEFAULT_COLOR_DARK_ROW = "DDEEFF";
    static constexpr int DEFAULT_CELL_PADDING = 2;
    static constexpr int DEFAULT_CELL_SPACING = 3;
    static constexpr int DEFAULT_ADS_LAST_LAUNCH = 0;
    static constexpr const char* DEFAULT_SETTINGS_VERSION = "";
    static constexpr const char* DEFAULT_UUID = "";

    // The build version, sent to the server and written as "Version".
    static constexpr const char* BUILD_VERSION = "20060430";
    // Fixed pass phrase of the stored-password cipher.
    static constexpr const char* BLOWFISH_PASS_PHRASE = "QuAtRlIm514";
    // Report date format "EEEE, MM/dd/yy 'at' h:mm a".
    static std::string formatReportDate(int64_t millis);

    // ---- Balance status texts (from the message catalogue) -------------------------
    static const std::string DISPLAY_NEVER_CHECKED;
    static const std::string DISPLAY_NO_BALANCES_MAINTAINED;
    static const std::string DISPLAY_INVALID_LOGIN;
    static const std::string DISPLAY_LOGIN_LENGTH;
    static const std::string DISPLAY_BLOCKED_LOGIN;
    static const std::string DISPLAY_INTERACTION_REQUIRED;
    static const std::string DISPLAY_MAINTENANCE;
    static const std::string DISPLAY_NON_FUNCTIONAL;
    static const std::string DISPLAY_PENDING;
    static const std::string DISPLAY_PROVIDER_PROBLEM;
    static const std::string DISPLAY_TIMEOUT;
    static const std::string DISPLAY_UNKNOWN;
    static const std::string DISPLAY_CHANGE_NEW;
    static const std::string DISPLAY_CHANGE_NOT_AVAILABLE;
    static const std::string DEFAULT_PRIME_USER_NAME;

    // ---- Start-up ---------------------------------------------------------------
    // Loads the store, the options, the users and accounts, and sends the
    // launch report. Called once per run by the tracker window.
    static void loadPrefs(const std::string& name, std::shared_ptr<IPrefPersist> store);
    // Wipes the password cipher; passwords are neither read nor written after.
    static void destroy();

    // Hands the launch report to the server (the product's fire-and-forget
    // reporter unless replaced, for example by a test).
    using StatsReporter = std::function<void(const std::string& message, const std::string& uuid,
                                             const std::optional<std::string>& extraParameter, int appType)>;
    static void setStatsReporter(StatsReporter reporter);
    static StatsReporter defaultStatsReporter();

    // ---- Display options ----------------------------------------------------------
    static bool getHorizontalLayout() { return isTrueText(m_horizontalLayout.get()); }
    static bool getFlyerTalkLinks() { return isTrueText(m_flyerTalkLinks.get()); }
    static bool getITYTLinks() { return isTrueText(m_ITYTLinks.get()); }
    static bool getCalculateTotal() { return isTrueText(m_calculateTotal.get()); }
    static bool getShowUsernames() { return isTrueText(m_showUsernames.get()); }
    static bool getReverseHistory() { return isTrueText(m_reverseHistory.get()); }
    static bool getMaskPasswords() { return isTrueText(m_maskPasswords.get()); }
    static std::string getColorHeaderRow() { return m_colorHeaderRow.get(); }
    static std::string getColorLightRow() { return m_colorLightRow.get(); }
    static std::string getColorDarkRow() { return m_colorDarkRow.get(); }
    static int getCellPadding() { return m_cellPadding.load(); }
    static int getCellSpacing() { return m_cellSpacing.load(); }
    static int getAdsLastLaunch() { return m_adsLastLaunch.load(); }
    // "Version" as it was before this run overwrote it.
    static std::string getSettingsVersion() { return m_settingsVersion.get(); }
    static std::string getUUID() { return m_uuid.get(); }
    static int getAccountCountOnLaunch() { return m_accountCountOnLaunch.load(); }

    static void setHorizontalLayout(bool value);
    static void setFlyerTalkLinks(bool value);
    static void setITYTLinks(bool value);
    static void setCalculateTotal(bool value);
    static void setShowUsernames(bool value);
    static void setReverseHistory(bool value);
    static void setMaskPasswords(bool value);
    // The same with the option's text, kept as given.
    static void setHorizontalLayout(const std::string& text);
    static void setFlyerTalkLinks(const std::string& text);
    static void setITYTLinks(const std::string& text);
    static void setCalculateTotal(const std::string& text);
    static void setShowUsernames(const std::string& text);
    static void setReverseHistory(const std::string& text);
    static void setMaskPasswords(const std::string& text);
    static void setHorizontalLayout(const char* text) { setHorizontalLayout(std::string(text)); }
    static void setFlyerTalkLinks(const char* text) { setFlyerTalkLinks(std::string(text)); }
    static void setITYTLinks(const char* text) { setITYTLinks(std::string(text)); }
    static void setCalculateTotal(const char* text) { setCalculateTotal(std::string(text)); }
    static void setShowUsernames(const char* text) { setShowUsernames(std::string(text)); }
    static void setReverseHistory(const char* text) { setReverseHistory(std::string(text)); }
    static void setMaskPasswords(const char* text) { setMaskPasswords(std::string(text)); }
    static void setColorHeaderRow(const std::string& value);
    static void setColorLightRow(const std::string& value);
    static void setColorDarkRow(const std::string& value);
    static void setCellPadding(int value);
    static void setCellSpacing(int value);

    static void resetAdCount();
    static void incrementAdCount();
    // Counts only a present text that contains the fragment.
    static void incrementAdCount(const std::optional<std::string>& text, const std::string& fragment);

    // ---- The system and settings report --------------------------------------------
    // With skip the two launch values (duration, ads) are left out.
    static std::string collectSystemAndSettingsInfo(bool skip);
    // Each appends CR LF, name, "=" and the value; see the variants.
    static void appendNameValuePair(std::string& buffer, const std::string& name,
                                    const std::optional<std::string>& value);
    // Without the leading CR LF when newLine is false.
    static void appendNameValuePair(std::string& buffer, const std::string& name,
                                    const std::optional<std::string>& value, bool newLine);
    static void appendNameValuePair(std::string& buffer, const std::string& name, int64_t value);
    // Only when the value differs from its default.
    static void appendNameValuePair(std::string& buffer, const std::string& name,
                                    const std::optional<std::string>& value, const std::string& defaultValue);
    static void appendNameValuePair(std::string& buffer, const std::string& name, int64_t value,
                                    int64_t defaultValue);
    // Disambiguate literals and ints for the overloads above.
    static void appendNameValuePair(std::string& buffer, const std::string& name, const char* value) {
        appendNameValuePair(buffer, name, std::optional<std::string>(value));
    }
    static void appendNameValuePair(std::string& buffer, const std::string& name,
                                    const std::optional<std::string>& value, const char* defaultValue) {
        appendNameValuePair(buffer, name, value, std::string(defaultValue));
    }
    static void appendNameValuePair(std::string& buffer, const std::string& name, int value) {
        appendNameValuePair(buffer, name, static_cast<int64_t>(value));
    }

    // ---- The program table --------------------------------------------------------
    static constexpr int SOURCE_COUNT = 111;
    static int getSourceCount();
    // nullptr / "" for a row outside the table.
    static const SourceConfig* getConfig(int row);
    static std::string getKey(int row);
    // Exact, case-sensitive; absent for a key not in the table.
    static std::optional<int> findRow(const std::string& key);
    static const SourceConfig* getConfig(const std::string& key);
    // "" for a display name not in the table.
    static std::string convertDisplayToKey(const std::string& display);
    // The first row with the abbreviation ("CT" finds ChaseTravel).
    static std::optional<int> findRowByAbbreviation(const std::string& abbreviation);
    static std::optional<std::string> getDisplayFromAbbreviation(const std::string& abbreviation);
    static std::string generateAbbreviationLookupHTML(const std::string& cssPath);
    // Developer listing: key, tab, display name, one line per row.
    static void printSourceTable(std::ostream& out);
    // Both tables hold the same rows; the Farhaven edition uses the second.
    static const std::vector<const SourceConfig*>& SOURCE_CONFIGS_STANDARD();
    static const std::vector<const SourceConfig*>& SOURCE_CONFIGS_FARHAVEN();

    // ---- Users and accounts -------------------------------------------------------
    static constexpr int ACCOUNT_COL_USERNAME = 0;
    static constexpr int ACCOUNT_COL_PASSWORD = 1;
    static constexpr int ACCOUNT_COL_PASSWORD2 = 2;
    static constexpr int ACCOUNT_COL_BALANCE_CURRENT = 3;
    static constexpr int ACCOUNT_COL_BALANCE_PREVIOUS = 4;
    static constexpr int ACCOUNT_COL_DETAILS = 5;
    static constexpr int ACCOUNT_COL_TRANSACTIONS = 6;
    static constexpr int ACCOUNT_COL_COUNT = 7;
    static constexpr const char* USER_PREFIX = "User";
    static constexpr const char* SUFFIX_USERNAME = "Username";
    static constexpr const char* SUFFIX_PASSWORD = "Password";
    static constexpr const char* SUFFIX_PASSWORD2 = "Password2";
    static constexpr const char* SUFFIX_BALANCE = "Balance";
    static constexpr const char* SUFFIX_DETAILS = "Misc";
    static constexpr const char* SUFFIX_TRANSACTIONS = "Trans";

    // One account: seven cells, each possibly absent.
    using AccountRow = std::array<std::optional<std::string>, ACCOUNT_COL_COUNT>;

    // A user index outside 0..count-1 or a key outside the table reads as an
    // absent account (empty texts, absent cells) and is never written.
    static int getUserCount();
    static std::string getDisplayNameForUser(int user);
    // With emptyLogins the three login cells start as empty texts, else
    // every cell is absent.
    static void addUser(const std::string& name, bool emptyLogins = true);
    static void renameUser(int user, const std::string& name);
    // Drops the user, its keys, and moves every later user down one index.
    static void removeUser(int user);
    // Removes the account's six keys from the store; memory stays as it is.
    static void removeAccount(int user, const std::string& key);

    // Told the index of a removed user, after the preferences dropped it (the
    // balance history moves its own points the same way).
    using UserRemovedListener = std::function<void(int removedUser)>;
    static void setUserRemovedListener(UserRemovedListener listener);

    static std::string getUsername(int user, const std::string& key);
    static std::string getPassword(int user, const std::string& key);
    static std::string getPassword2(int user, const std::string& key);
    static void setUsername(int user, const std::string& key, const std::string& value);
    static void setPassword(int user, const std::string& key, const std::string& plain);
    static void setPassword2(int user, const std::string& key, const std::string& plain);

    static std::optional<std::string> getCurrentBalance(int user, const std::string& key);
    // Memory always; the store by the status rules (a failure status keeps
    // the balance of the last success).
    static void setCurrentBalance(int user, const std::string& key, const std::optional<std::string>& value);
    static std::optional<std::string> getPreviousBalance(int user, const std::string& key);
    static void setPreviousBalance(int user, const std::string& key, const std::optional<std::string>& value);
    static std::optional<std::string> getDetails(int user, const std::string& key);
    static std::optional<std::string> getTransactions(int user, const std::string& key);
    static void setDetails(int user, const std::string& key, const std::string& rows);
    static void setTransactions(int user, const std::string& key, const std::string& rows);
    static void setAllCurrentBalancesToPending();
    // A copy of the account's row; absent for an unknown user or key.
    static std::optional<AccountRow> getAccountRow(int user, const std::string& key);

    // The settings-key prefix of an account: "User" + user + key.
    static std::string accountPrefix(int user, const std::string& key);

private:
    static void loadUsersAndAccounts(std::string& report);
    static std::string generateUUID();
    static std::string encryptPassword(const std::string& plain);
    static std::optional<std::string> decryptPassword(const std::string& stored);

    static SharedText m_horizontalLayout;
    static SharedText m_flyerTalkLinks;
    static SharedText m_ITYTLinks;
    static SharedText m_calculateTotal;
    static SharedText m_showUsernames;
    static SharedText m_reverseHistory;
    static SharedText m_maskPasswords;
    static SharedText m_colorHeaderRow;
    static SharedText m_colorLightRow;
    static SharedText m_colorDarkRow;
    static std::atomic<int> m_cellPadding;
    static std::atomic<int> m_cellSpacing;
    static std::atomic<int> m_adsLastLaunch;
    static SharedText m_settingsVersion;
    static SharedText m_uuid;
    static std::atomic<int> m_accountCountOnLaunch;

    // Users and their account rows, one row per table row.
    static std::shared_mutex m_usersLock;
    static std::vector<std::string> m_users;
    static std::vector<std::vector<AccountRow>> m_accounts;
};

}  // namespace tracker
