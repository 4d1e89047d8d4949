#include "tracker/core/PropertiesPrefPersist.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
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
#include "foundation/StrUtil.h"
#include "platform/toolkit/DirectoryDialog.h"
#include "platform/toolkit/Style.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/SWTUtil.h"

using foundation::Logger;
using foundation::Messages;

namespace tracker {

namespace {

const char* const LINE_END = "\n";
const char* const HEX_DIGITS = "0123456789ABCDEF";

// ---- UTF-8 and UTF-16 -------------------------------------------------------

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 units to UTF-8; pairs are joined, a lone surrogate becomes U+FFFD.
std::string unitsToUtf8(const std::u16string& units) {
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

// UTF-8 to UTF-16 units; a byte that starts no well-formed sequence stands
// for the ISO 8859-1 character of its value, so nothing is dropped.
std::u16string utf8ToUnits(const std::string& text) {
    std::u16string units;
    units.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        size_t length = 0;
        char32_t cp = foundation::StrUtil::charAt(text, pos, length);
        if (length == 0) break;
        pos += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units += static_cast<char16_t>(0xD800 + (cp >> 10));
            units += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            units += static_cast<char16_t>(cp);
        }
    }
    return units;
}

// ---- Reading ----------------------------------------------------------------

bool isWhite(char16_t c) { return c == u' ' || c == u'\t' || c == u'\f'; }

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Resolves the escapes of one key or value.
std::string unescape(const std::u16string& line, size_t begin, size_t end) {
    std::u16string units;
    units.reserve(end - begin);
    for (size_t i = begin; i < end; ++i) {
        char16_t c = line[i];
        if (c != u'\\') {
            units += c;
            continue;
        }
        if (++i >= end) break;  // a lone trailing backslash stands for nothing
        c = line[i];
        switch (c) {
            case u't': units += u'\t'; break;
            case u'n': units += u'\n'; break;
            case u'r': units += u'\r'; break;
            case u'f': units += u'\f'; break;
            case u'u': {
                if (i + 4 >= end) throw std::invalid_argument("Malformed \\uxxxx encoding.");
                int value = 0;
                for (size_t k = 1; k <= 4; ++k) {
                    int h = hexValue(line[i + k]);
                    if (h < 0) throw std::invalid_argument("Malformed \\uxxxx encoding.");
                    value = value * 16 + h;
                }
                units += static_cast<char16_t>(value);
                i += 4;
                break;
            }
            default: units += c; break;
        }
    }
    return unitsToUtf8(units);
}

// Splits one logical line into key and value and adds them.
void addEntry(const std::u16string& line, std::map<std::string, std::string>& into) {
    size_t limit = line.size();
    size_t keyLen = 0;
    size_t valueStart = limit;
    bool hasSeparator = false;
    bool precedingBackslash = false;
    while (keyLen < limit) {
        char16_t c = line[keyLen];
        if ((c == u'=' || c == u':') && !precedingBackslash) {
            valueStart = keyLen + 1;
            hasSeparator = true;
            break;
        }
        if (isWhite(c) && !precedingBackslash) {
            valueStart = keyLen + 1;
            break;
        }
        precedingBackslash = c == u'\\' ? !precedingBackslash : false;
        ++keyLen;
    }
    while (valueStart < limit) {
        char16_t c = line[valueStart];
        if (!isWhite(c)) {
            if (!hasSeparator && (c == u'=' || c == u':')) hasSeparator = true;
            else break;
        }
        ++valueStart;
    }
    into[unescape(line, 0, keyLen)] = unescape(line, valueStart, limit);
}

// ---- Writing ----------------------------------------------------------------

void appendUnicodeEscape(std::string& out, char16_t c) {
    out += "\\u";
    out += HEX_DIGITS[(c >> 12) & 0xF];
    out += HEX_DIGITS[(c >> 8) & 0xF];
    out += HEX_DIGITS[(c >> 4) & 0xF];
    out += HEX_DIGITS[c & 0xF];
}

std::string escape(const std::string& utf8, bool escapeSpace) {
    std::u16string units = utf8ToUnits(utf8);
    std::string out;
    out.reserve(units.size() + units.size() / 4);
    for (size_t x = 0; x < units.size(); ++x) {
        char16_t c = units[x];
        if (c > 61 && c < 127) {
            if (c == u'\\') out += "\\\\";
            else out += static_cast<char>(c);
            continue;
        }
        switch (c) {
            case u' ':
                if (x == 0 || escapeSpace) out += '\\';
                out += ' ';
                break;
            case u'\t': out += "\\t"; break;
            case u'\n': out += "\\n"; break;
            case u'\r': out += "\\r"; break;
            case u'\f': out += "\\f"; break;
            case u'=':
            case u':':
            case u'#':
            case u'!':
                out += '\\';
                out += static_cast<char>(c);
                break;
            default:
                if (c < 0x20 || c > 0x7E) appendUnicodeEscape(out, c);
                else out += static_cast<char>(c);
                break;
        }
    }
    return out;
}

// A comment line of the header: characters above 0x7E escaped, a line
// break continued as a further comment line.
std::string commentLines(const std::string& utf8) {
    std::u16string units = utf8ToUnits(utf8);
    std::string out = "#";
    for (size_t i = 0; i < units.size(); ++i) {
        char16_t c = units[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < units.size() && units[i + 1] == u'\n') ++i;
            out += LINE_END;
            out += '#';
        } else if (c > 0x7E || c < 0x20) {
            appendUnicodeEscape(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    out += LINE_END;
    return out;
}

std::string currentDateLine() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[64];
    if (std::strftime(buf, sizeof buf, "%a %b %d %H:%M:%S %Z %Y", &local) == 0) return "";
    return buf;
}

template <typename T>
bool parseDecimal(const std::string& text, T& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-') return false;
    }
    if (first == last) return false;
    auto [end, ec] = std::from_chars(first, last, value, 10);
    return ec == std::errc() && end == last;
}

std::system_error ioFailure(const std::string& what, const std::string& path, int err) {
    return std::system_error(err, std::generic_category(), what + " " + path);
}

}  // namespace

// ---- The file format ----------------------------------------------------------

void PropertiesPrefPersist::parseProperties(const std::string& latin1, std::map<std::string, std::string>& into) {
    std::u16string line;
    bool startOfLine = true;     // before the first character of a natural line
    bool skipWhite = true;       // dropping leading white space
    bool continued = false;      // this natural line continues a logical one
    bool comment = false;
    bool precedingBackslash = false;
    bool skipLF = false;

    auto endLogicalLine = [&] {
        if (!line.empty()) addEntry(line, into);
        line.clear();
        startOfLine = true;
        skipWhite = true;
        continued = false;
        comment = false;
        precedingBackslash = false;
    };

    for (unsigned char byte : latin1) {
        char16_t c = byte;
        if (skipLF) {
            skipLF = false;
            if (c == u'\n') continue;
        }
        if (skipWhite) {
            if (isWhite(c)) continue;
            if (!continued && (c == u'\r' || c == u'\n')) continue;
            skipWhite = false;
            continued = false;
        }
        if (startOfLine) {
            startOfLine = false;
            if (c == u'#' || c == u'!') {
                comment = true;
                continue;
            }
        }
        if (c != u'\n' && c != u'\r') {
            if (comment) continue;
            line += c;
            precedingBackslash = c == u'\\' ? !precedingBackslash : false;
            continue;
        }
        if (comment || line.empty()) {
            line.clear();
            startOfLine = true;
            skipWhite = true;
            comment = false;
            precedingBackslash = false;
            continue;
        }
        if (precedingBackslash) {
            line.pop_back();
            skipWhite = true;
            continued = true;
            precedingBackslash = false;
            if (c == u'\r') skipLF = true;
            continue;
        }
        endLogicalLine();
    }
    if (comment) return;
    if (precedingBackslash && !line.empty()) line.pop_back();
    endLogicalLine();
}

std::string PropertiesPrefPersist::escapeKey(const std::string& utf8) { return escape(utf8, true); }

std::string PropertiesPrefPersist::escapeValue(const std::string& utf8) { return escape(utf8, false); }

std::string PropertiesPrefPersist::formatProperties(const std::map<std::string, std::string>& table,
                                                    const std::string& headerComment) {
    std::string out;
    out.reserve(64 + table.size() * 48);
    out += commentLines(headerComment);
    out += commentLines(currentDateLine());
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
    int64_t value = 0;
    return parseDecimal(text, value) ? value : defaultValue;
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
    int32_t value = 0;
    return parseDecimal(text, value) ? value : defaultValue;
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

    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) throw ioFailure("Cannot create a temporary file for", path, errno);
    auto fail = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        return ioFailure(what, path, err);
    };
    if (::fchmod(fd, 0600) != 0) throw fail("Cannot set the mode of the temporary file for", errno);
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw fail("Cannot write", errno);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) throw fail("Cannot flush", errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        throw ioFailure("Cannot close", path, err);
    }
    beforeReplace(temp);
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        throw ioFailure("Cannot replace", path, err);
    }
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
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            throw ioFailure("Cannot read", path, err);
        }
        if (n == 0) break;
        bytes.append(buf, static_cast<size_t>(n));
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

void PropertiesPrefPersist::load() {
    setDefaultFilePath();
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
