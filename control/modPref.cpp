#include "control/modPref.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "control/AnsiCodePage.h"
#include "control/Hourglass.h"
#include "control/PopupMenu.h"
#include "control/frmNewUser.h"
#include "foundation/FileUtil.h"
#include "foundation/Logger.h"
#include "foundation/StrUtil.h"
#include "platform/system/Guid.h"
#include "platform/toolkit/Style.h"

namespace tiraleaf {

namespace {

std::string g_rootDir;
PopupMenu* g_owner = nullptr;

struct Pref {
    const char* name;
    const char* firstRun;
};

constexpr Pref kPrefs[modPref::PREF_COUNT] = {
    {"GUID", ""},
    {"ZipCode", "46236"},
    {"UpdateFrequency", "20"},
    {"TVGuideEmail", ""},
    {"OrbitzDefaultDeparture", ""},
    {"MapquestDefaultStreet", ""},
    {"MapquestDefaultCity", ""},
    {"MapquestDefaultState", ""},
    {"MapquestDefaultZipCode", ""},
    {"UpdateOnLaunch", "false"},
    {"UnloadOnHide", "false"},
    {"TraySize", "Default"},
    {"LaunchOnStartup", "true"},
    {"Floating", "false"},
    {"WindowLeft", "0"},
    {"WindowTop", "0"},
};

PopupMenu& owner() {
    if (g_owner == nullptr)
        throw std::logic_error("The preference store has no owner: InitMenu was not called, or the control has ended");
    return *g_owner;
}

void appendEscape(std::string& out, char16_t unit) {
    char text[8];
    // Only integer conversions, which no locale changes.
    std::snprintf(text, sizeof text, "\\u%04X", static_cast<unsigned>(unit));
    out += text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Lines of the file's text; CR LF, LF and a lone CR each end a line.
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

// The file's bytes as text. The program writes the ANSI code page; a file
// that begins with a UTF-8 byte-order mark was saved as UTF-8 by an editor,
// and the mark is not part of the first line.
std::string decodeFile(const std::string& bytes) {
    static const std::string BOM = "\xEF\xBB\xBF";
    if (bytes.compare(0, BOM.size(), BOM) != 0) return AnsiCodePage::toUtf8(bytes);
    std::string rest = bytes.substr(BOM.size());
    const bool utf8 = foundation::StrUtil::utf16ToUtf8(foundation::StrUtil::utf8ToUtf16(rest)) == rest;
    return utf8 ? rest : AnsiCodePage::toUtf8(rest);
}

}  // namespace

void modPref::SetRootDir(const std::string& rootDir) { g_rootDir = rootDir; }
const std::string& modPref::GetRootDir() { return g_rootDir; }
void modPref::SetOwner(PopupMenu* newOwner) { g_owner = newOwner; }
PopupMenu* modPref::GetOwner() { return g_owner; }

const char* modPref::PrefName(int i) { return kPrefs[i].name; }

std::string modPref::PrefDefault(int i) { return i == 0 ? CreateGUIDString() : kPrefs[i].firstRun; }

bool modPref::FileExists(const std::string& path) {
    // A file, as the scripting runtime asks: a folder of that name is none.
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

void modPref::DeleteFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::remove(path, error) && error) {
        throw foundation::FileUtil::IOException("Cannot delete " + path + ": " + error.message());
    }
}

std::string modPref::CreateGUIDString() {
    std::optional<sys::Guid> guid = sys::coCreateGuid();
    if (!guid) return "";
    char text[33];
    // Only integer conversions, which no locale changes.
    std::snprintf(text, sizeof text, "%08X%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X", guid->data1, guid->data2,
                  guid->data3, guid->data4[0], guid->data4[1], guid->data4[2], guid->data4[3], guid->data4[4],
                  guid->data4[5], guid->data4[6], guid->data4[7]);
    return text;
}

std::string modPref::EscapeValue(const std::string& value) {
    std::string out;
    size_t pos = 0;
    while (pos < value.size()) {
        size_t length = 0;
        char32_t c = foundation::StrUtil::charAt(value, pos, length);
        if (length == 0) break;
        pos += length;
        if (c == '\r' || c == '\n') continue;
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\'') {
            out += "\\'";
        } else if (c == '/' && !out.empty() && out.back() == '<') {
            // "</" would end the script element of a page that inlines the file.
            out += "\\/";
        } else if (c < 0x20 && c != '\t') {
            appendEscape(out, static_cast<char16_t>(c));
        } else if (!AnsiCodePage::toByte(c) || (c >= 0x80 && c < 0xA0)) {
            std::string one;
            foundation::StrUtil::appendUtf8(one, c);
            for (char16_t unit : foundation::StrUtil::utf8ToUtf16(one)) appendEscape(out, unit);
        } else {
            foundation::StrUtil::appendUtf8(out, c);
        }
    }
    return out;
}

std::string modPref::UnescapeValue(const std::string& text) {
    std::string out;
    std::u16string units;  // a run of "\uXXXX" escapes, joined before they go out
    auto flush = [&] {
        if (!units.empty()) out += foundation::StrUtil::utf16ToUtf8(units);
        units.clear();
    };
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == '\\' || next == '\'' || next == '/') {
                flush();
                out += next;
                i += 2;
                continue;
            }
            if (next == 'u' && i + 6 <= text.size()) {
                int value = 0;
                bool ok = true;
                for (size_t k = i + 2; k < i + 6; ++k) {
                    int d = hexDigit(text[k]);
                    if (d < 0) {
                        ok = false;
                        break;
                    }
                    value = value * 16 + d;
                }
                if (ok) {
                    units += static_cast<char16_t>(value);
                    i += 6;
                    continue;
                }
            }
        }
        flush();
        out += text[i];
        ++i;
    }
    flush();
    return out;
}

std::string modPref::FormatPrefLine(const std::string& name, const std::string& value) {
    return "var " + name + "='" + EscapeValue(value) + "'";
}

std::optional<std::string> modPref::ParsePrefLine(const std::string& line, const std::string& name) {
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    size_t last = line.find_last_not_of(" \t");
    std::string trimmed = line.substr(first, last - first + 1);
    // From the character after "var NAME='" up to the last character; the
    // line is not checked to hold NAME, so its start counts in characters.
    size_t start = 0;
    for (size_t skipped = 0; skipped < name.size() + 6; ++skipped) {
        if (start >= trimmed.size()) return std::nullopt;
        size_t length = 0;
        foundation::StrUtil::charAt(trimmed, start, length);
        start += length == 0 ? 1 : length;
    }
    if (trimmed.size() < start + 1) return std::nullopt;
    // The last character may be more than one byte.
    size_t end = trimmed.size() - 1;
    while (end > start && (static_cast<unsigned char>(trimmed[end]) & 0xC0) == 0x80) --end;
    size_t endLength = 0;
    foundation::StrUtil::charAt(trimmed, end, endLength);
    if (end + endLength != trimmed.size()) end = trimmed.size() - 1;
    return UnescapeValue(trimmed.substr(start, end - start));
}

void modPref::WritePreferences(const std::string& rootDir) {
    auto values = owner().preferenceValues();
    std::string text;
    for (int i = 0; i < PREF_COUNT; ++i)
        text += FormatPrefLine(kPrefs[i].name, *values[static_cast<size_t>(i)]) + "\r\n";
    std::string path = rootDir + PREF_FILE;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    if (!foundation::Logger::writeFileChecked(path, AnsiCodePage::fromUtf8(text))) {
        throw foundation::FileUtil::IOException("Cannot write " + path);
    }
}

void modPref::ReadPreferences() {
    PopupMenu& control = owner();
    auto values = control.preferenceValues();
    const std::string root = g_rootDir;
    if (!FileExists(root + FIRST_RUN_MARKER)) {
        for (int i = 0; i < PREF_COUNT; ++i) *values[static_cast<size_t>(i)] = PrefDefault(i);
        Hourglass::SetScreenPointer(std::nullopt);
        {
            frmNewUser form(control.getFormParent());
            form.SetRootDir(root);
            form.SetOwner(&control);
            form.Show();
        }
        Hourglass::SetScreenPointer(tk::CURSOR_APPSTARTING);
        try {
            WritePreferences(root);
        } catch (...) {
            Hourglass::SetScreenPointer(std::nullopt);
            throw;
        }
        Hourglass::SetScreenPointer(std::nullopt);
        return;
    }

    const std::string path = root + PREF_FILE;
    std::vector<std::string> lines;
    if (FileExists(path)) {
        lines = splitLines(decodeFile(foundation::FileUtil::readFileIntoStringWithThrow(path)));
    } else {
        foundation::Logger::warning("The preference file " + path + " is missing; it is written anew");
    }
    bool rewrite = false;
    for (int i = 0; i < PREF_COUNT; ++i) {
        std::string& value = *values[static_cast<size_t>(i)];
        std::optional<std::string> read;
        if (static_cast<size_t>(i) < lines.size()) read = ParsePrefLine(lines[static_cast<size_t>(i)], kPrefs[i].name);
        if (read) {
            value = *read;
        } else {
            value = PrefDefault(i);
            rewrite = true;
        }
    }
    if (values[0]->empty()) {
        *values[0] = CreateGUIDString();
        rewrite = true;
    }
    if (rewrite) WritePreferences(root);
}

}  // namespace tiraleaf
