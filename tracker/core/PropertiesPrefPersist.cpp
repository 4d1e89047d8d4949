#include "tracker/core/PropertiesPrefPersist.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "foundation/ExceptionUtil.h"
#include "foundation/FileUtil.h"
#include "foundation/Logger.h"
#include "foundation/Messages.h"
#include "foundation/PropertiesFormat.h"
#include "foundation/StrUtil.h"
#include "platform/system/Ascii.h"
#include "platform/system/FileIo.h"
#include "platform/system/NumberText.h"
#include "platform/toolkit/DirectoryDialog.h"
#include "platform/toolkit/Style.h"
#include "tracker/core/SimpleDateFormat.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/SWTUtil.h"

using foundation::Logger;
using foundation::Messages;

namespace tracker {

namespace {

const char* const LINE_END = "\n";

// English names whatever the locale ("Fri Dec 11 13:19:12 UTC 2026").
std::string currentDateLine() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return SimpleDateFormat("EEE MMM dd HH:mm:ss z yyyy")
        .format(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::system_error ioFailure(const std::string& what, const std::string& path, int err) {
    return std::system_error(err, std::generic_category(), what + " " + path);
}

}  // namespace

// ---- The file format ----------------------------------------------------------

void PropertiesPrefPersist::parseProperties(const std::string& latin1, std::map<std::string, std::string>& into) {
    foundation::PropertiesFormat::parse(latin1, into);
}

std::string PropertiesPrefPersist::escapeKey(const std::string& utf8) { return foundation::PropertiesFormat::escapeKey(utf8); }

std::string PropertiesPrefPersist::escapeValue(const std::string& utf8) {
    return foundation::PropertiesFormat::escapeValue(utf8);
}

std::string PropertiesPrefPersist::formatProperties(const std::map<std::string, std::string>& table,
                                                    const std::string& headerComment) {
    std::string out;
    out.reserve(64 + table.size() * 48);
    out += foundation::PropertiesFormat::commentLines(headerComment);
    out += foundation::PropertiesFormat::commentLines(currentDateLine());
    for (const auto& [key, value] : table) {
        out += escapeKey(key);
        out += '=';
        out += escapeValue(value);
        out += LINE_END;
    }
    return out;
}

// ---- Values -----------------------------------------------------------------

void PropertiesPrefPersist::setStringValue(const std::string& key, const std::string& value) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_properties[key] = value;
}

void PropertiesPrefPersist::setPersistenceFilePathPrefix(const std::string& name) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_persistenceFilePathPrefix = name;
}

void PropertiesPrefPersist::setLongValue(const std::string& key, int64_t value) {
    setStringValue(key, std::to_string(value));
}

void PropertiesPrefPersist::setIntValue(const std::string& key, int value) {
    setStringValue(key, std::to_string(value));
}

std::string PropertiesPrefPersist::getStringValue(const std::string& key, const std::string& defaultValue) const {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_properties.find(key);
    return it == m_properties.end() ? defaultValue : it->second;
}

std::string PropertiesPrefPersist::getStringValue(const std::string& key) const { return getStringValue(key, ""); }

int64_t PropertiesPrefPersist::getLongValue(const std::string& key, int64_t defaultValue) const {
    std::string text;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        auto it = m_properties.find(key);
        if (it == m_properties.end()) return defaultValue;
        text = it->second;
    }
    return sys::parseNumber<int64_t>(text).value_or(defaultValue);
}

int64_t PropertiesPrefPersist::getLongValue(const std::string& key) const { return getLongValue(key, 0); }

int PropertiesPrefPersist::getIntValue(const std::string& key, int defaultValue) const {
    std::string text;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        auto it = m_properties.find(key);
        if (it == m_properties.end()) return defaultValue;
        text = it->second;
    }
    return sys::parseNumber<int32_t>(text).value_or(defaultValue);
}

int PropertiesPrefPersist::getIntValue(const std::string& key) const { return getIntValue(key, 0); }

std::vector<std::string> PropertiesPrefPersist::getKeys() const {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<std::string> keys;
    keys.reserve(m_properties.size());
    for (const auto& entry : m_properties) keys.push_back(entry.first);
    return keys;
}

void PropertiesPrefPersist::removeKey(const std::string& key) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_properties.erase(key);
}

void PropertiesPrefPersist::renameKeysWithPrefix(const std::string& oldPrefix, const std::string& newPrefix) {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<std::pair<std::string, std::string>> moves;
    for (const auto& entry : m_properties) {
        if (doesKeyBelongToUser(entry.first, oldPrefix)) {
            moves.emplace_back(entry.first, newPrefix + entry.first.substr(oldPrefix.size()));
        }
    }
    // Take every value out first, so a new key that equals another old key
    // of the same move cannot overwrite a value not yet moved.
    std::vector<std::string> values;
    values.reserve(moves.size());
    for (const auto& move : moves) {
        auto it = m_properties.find(move.first);
        values.push_back(std::move(it->second));
        m_properties.erase(it);
    }
    for (size_t i = 0; i < moves.size(); ++i) {
        m_properties[moves[i].second] = std::move(values[i]);
        if (Logger::getLevel() >= Logger::LEVEL_VERBOSE) {
            Logger::verbose("Changing key from " + moves[i].first + " to " + moves[i].second);
        }
    }
}

void PropertiesPrefPersist::removeKeysWithPrefix(const std::string& prefix) {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<std::string> doomed;
    for (const auto& entry : m_properties) {
        if (doesKeyBelongToUser(entry.first, prefix)) doomed.push_back(entry.first);
    }
    for (const auto& key : doomed) {
        m_properties.erase(key);
        if (Logger::getLevel() >= Logger::LEVEL_VERBOSE) Logger::verbose("Removing key: " + key);
    }
}

// ---- Paths ------------------------------------------------------------------

void PropertiesPrefPersist::setDefaultFilePath() {
    std::string dir;
    std::error_code ec;
    std::filesystem::path cwd = std::filesystem::current_path(ec);
    if (!ec) dir = cwd.string();
    if (!dir.empty() && dir.back() != '/') dir += '/';
    std::lock_guard<std::mutex> guard(m_lock);
    m_filePath = dir + m_persistenceFilePathPrefix + SETTINGS_EXTENSION;
}

std::string PropertiesPrefPersist::getFilePath() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_filePath;
}

std::string PropertiesPrefPersist::getPersistenceFilePathPrefix() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_persistenceFilePathPrefix;
}

std::string PropertiesPrefPersist::headerComment() const {
    return getPersistenceFilePathPrefix() + " " + Messages::get("PropertiesPrefPersist.NoSettingsLoaded3");
}

// ---- Saving -----------------------------------------------------------------

void PropertiesPrefPersist::beforeReplace(const std::string&) {}

void PropertiesPrefPersist::writeFile(const std::map<std::string, std::string>& table) {
    const std::string path = getFilePath();
    const std::string text = formatProperties(table, headerComment());

    std::string temp = path + TEMP_INFIX + "XXXXXX" + TEMP_SUFFIX;
    int fd = ::mkostemps(temp.data(), static_cast<int>(std::strlen(TEMP_SUFFIX)), O_CLOEXEC);
    if (fd < 0) throw ioFailure("Cannot create a temporary file for", path, errno);
    auto fail = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        return ioFailure(what, path, err);
    };
    // Held until the file is renamed: a store that loads meanwhile leaves a
    // temporary file that is being written alone.
    if (::flock(fd, LOCK_EX) != 0) throw fail("Cannot lock the temporary file for", errno);
    if (::fchmod(fd, 0600) != 0) throw fail("Cannot set the mode of the temporary file for", errno);
    if (int err = sys::writeAll(fd, text)) throw fail("Cannot write", err);
    if (::fsync(fd) != 0) throw fail("Cannot flush", errno);
    beforeReplace(temp);
    if (::rename(temp.c_str(), path.c_str()) != 0) throw fail("Cannot replace", errno);
    if (::close(fd) != 0) throw ioFailure("Cannot close", path, errno);
    // Make the rename itself durable.
    std::string dir = std::filesystem::path(path).parent_path().string();
    int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

void PropertiesPrefPersist::save() {
    std::map<std::string, std::string> snapshot;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        snapshot = m_properties;
    }
    try {
        writeFile(snapshot);
    } catch (const std::exception& failure) {
        const std::string name = getPersistenceFilePathPrefix();
        std::string text = Messages::get("PropertiesPrefPersist.NotSaveSettings1") + name + SETTINGS_EXTENSION +
                           Messages::get("PropertiesPrefPersist.NotSaveSettings2") + ":\r\n\r\n" +
                           foundation::ExceptionUtil::getStackTrace(failure);
        showSaveErrorMessageBox(name, text);
        Logger::error("Preferences file at " + getFilePath() + " could not be saved", failure);
    }
}

// ---- Loading ----------------------------------------------------------------

PropertiesPrefPersist::ReadResult PropertiesPrefPersist::readFile() {
    const std::string path = getFilePath();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return ReadResult::Missing;
        throw ioFailure("Cannot open", path, errno);
    }
    std::string bytes;
    if (int err = sys::readAll(fd, bytes)) {
        ::close(fd);
        throw ioFailure("Cannot read", path, err);
    }
    ::close(fd);
    std::map<std::string, std::string> table;
    try {
        parseProperties(bytes, table);
    } catch (...) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_properties.swap(table);
        throw;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_properties.swap(table);
    return ReadResult::Read;
}

void PropertiesPrefPersist::showSaveErrorMessageBox(const std::string& name, const std::string& text) {
    ui::SWTUtil::showMessageBoxTitleKey(ui::BaseRLApp::getShell(), text, name,
                                        "PropertiesPrefPersist.NotSaveSettings3", tk::ICON_ERROR | tk::OK);
}

void PropertiesPrefPersist::showLoadErrorMessageBox(const std::string& name, const std::exception& failure) {
    const std::string text = Messages::get("PropertiesPrefPersist.NoSettingsLoaded1") + ":\r\n\r\n" +
                             foundation::ExceptionUtil::getStackTrace(failure);
    ui::SWTUtil::showMessageBoxTitleKey(ui::BaseRLApp::getShell(), text, name,
                                        "PropertiesPrefPersist.NoSettingsLoaded2", tk::ICON_ERROR | tk::OK);
}

namespace {

std::string canonicalOrAsBuilt(const std::string& path, bool& failed) {
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
    if (ec) {
        failed = true;
        return path;
    }
    return canonical.string();
}

std::string folderOf(const std::string& file) { return std::filesystem::path(file).parent_path().string(); }

}  // namespace

void PropertiesPrefPersist::importPreviousInstallation() {
    if (ui::BaseRLApp::isAppTypeFarhaven()) return;
    const std::string name = getPersistenceFilePathPrefix();
    tk::Shell* shell = ui::BaseRLApp::getShell();
    int answer = ui::SWTUtil::showMessageBoxAllKeys(shell, "PropertiesPrefPersist.PreviousUser1", name,
                                                    "PropertiesPrefPersist.PreviousUser2",
                                                    tk::ICON_QUESTION | tk::YES | tk::NO);
    if (answer != tk::YES) return;

    std::string working;
    {
        std::error_code ec;
        working = std::filesystem::current_path(ec).string();
        if (!working.empty() && working.back() != '/') working += '/';
    }
    const std::string settingsName = name + SETTINGS_EXTENSION;
    bool failed = false;
    const std::string brightwire = canonicalOrAsBuilt(working + "../Brightwire Roamledger/" + settingsName, failed);
    const std::string roamledger = canonicalOrAsBuilt(working + "../Roamledger/" + settingsName, failed);
    const std::string lanternbay = canonicalOrAsBuilt(working + "../Lanternbay/" + settingsName, failed);
    if (failed) Logger::error("Could not determine canonical paths");
    Logger::info("Guessing old Brightwire Roamledger settings would be at: " + brightwire);
    Logger::info("Guessing old Roamledger settings would be at: " + roamledger);
    Logger::info("Guessing old Lanternbay settings would be at: " + lanternbay);

    std::string start;
    auto exists = [](const std::string& path) {
        std::error_code ec;
        return std::filesystem::is_regular_file(path, ec);
    };
    if (ui::BaseRLApp::isAppTypeBranded() && exists(lanternbay)) {
        start = folderOf(lanternbay);
        Logger::info("Old Lanternbay directory and settings exist so defaulting selection to: " + start);
    } else if (ui::BaseRLApp::isAppTypeLanternbay() && exists(brightwire)) {
        start = folderOf(brightwire);
        Logger::info("Old Brightwire Roamledger directory and settings exist so defaulting selection to: " + start);
    } else if (exists(roamledger)) {
        start = folderOf(roamledger);
        Logger::info("Old Roamledger directory and settings exist so defaulting selection to: " + start);
    }

    std::optional<std::string> chosen;
    try {
        tk::DirectoryDialog chooser(shell);
        chooser.setText(Messages::get("PropertiesPrefPersist.PreviousDirectory1"));
        chooser.setMessage(Messages::get("PropertiesPrefPersist.PreviousDirectory2"));
        if (!start.empty()) chooser.setFilterPath(start);
        chosen = chooser.open();
    } catch (const std::exception& failure) {
        Logger::error("Unable to ask for the previous Roamledger directory", failure);
        return;
    }
    if (!chosen) return;
    std::string folder = *chosen;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    Logger::info("Previous Roamledger directory specified: " + folder);

    const std::string previous = folder + "/" + settingsName;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_filePath = previous;
    }
    try {
        if (readFile() == ReadResult::Missing) {
            Logger::info("Previous preferences file at " + previous + " not found");
            const std::string text = Messages::get("PropertiesPrefPersist.NoSettingsFound1") + " " + previous +
                                     Messages::get("PropertiesPrefPersist.NoSettingsFound2") + ".\r\n\r\n" +
                                     Messages::get("PropertiesPrefPersist.NoSettingsFound3");
            ui::SWTUtil::showMessageBoxTitleKey(shell, text, name, "PropertiesPrefPersist.NoSettingsFound4",
                                                tk::ICON_ERROR | tk::OK);
            return;
        }
    } catch (const std::exception& failure) {
        Logger::error("Error loading previous preferences file at " + previous, failure);
        showLoadErrorMessageBox(name, failure);
        return;
    }

    setDefaultFilePath();
    save();
    const std::string historyName = name + HISTORY_EXTENSION;
    const std::string history = working + historyName;
    if (foundation::FileUtil::doesFileExist(history)) {
        // Points recorded here already are worth more than an old copy.
        Logger::info("History file " + history + " exists; previous history file not copied");
        return;
    }
    try {
        foundation::FileUtil::copyFile(folder + "/" + historyName, history);
        Logger::info("Copied previous history file");
    } catch (const std::exception& failure) {
        Logger::error("Unable to copy previous history file", failure);
    }
}

void PropertiesPrefPersist::keepUnreadableCopy() {
    const std::string path = getFilePath();
    const std::string copy = path + UNREADABLE_SUFFIX;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return;
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        Logger::error("Unable to keep a copy of the unreadable preferences file at " + copy + ": " + ec.message());
    } else {
        ::chmod(copy.c_str(), 0600);
        Logger::info("Unreadable preferences file copied to " + copy);
    }
}

bool PropertiesPrefPersist::isTemporaryFileName(const std::string& name, const std::string& settingsName) {
    const std::string prefix = settingsName + TEMP_INFIX;
    const size_t suffixLength = std::strlen(TEMP_SUFFIX);
    if (name.size() != prefix.size() + 6 + suffixLength || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffixLength, suffixLength, TEMP_SUFFIX) != 0) {
        return false;
    }
    for (size_t i = prefix.size(); i < prefix.size() + 6; ++i) {
        if (!sys::isAsciiAlnum(name[i])) return false;
    }
    return true;
}

void PropertiesPrefPersist::removeStaleTemporaryFiles() {
    const std::filesystem::path settings(getFilePath());
    const std::string settingsName = settings.filename().string();
    const std::filesystem::path folder = settings.has_parent_path() ? settings.parent_path() : ".";
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!isTemporaryFileName(name, settingsName)) continue;
        const std::string file = it->path().string();
        // Only a plain file that no save holds any more.
        int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (::unlink(file.c_str()) == 0) Logger::info("Removed stale temporary preferences file " + file);
        }
        ::close(fd);
    }
}

void PropertiesPrefPersist::load() {
    setDefaultFilePath();
    removeStaleTemporaryFiles();
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_properties.clear();
    }
    const std::string path = getFilePath();
    try {
        if (readFile() == ReadResult::Missing) {
            Logger::info("Preferences file at " + path + " not found");
            importPreviousInstallation();
        }
    } catch (const std::exception& failure) {
        Logger::error("Error loading preferences file at " + path, failure);
        keepUnreadableCopy();
        showLoadErrorMessageBox(getPersistenceFilePathPrefix(), failure);
    }
    setDefaultFilePath();
}

}  // namespace tracker
