#include "foundation/MiscUtil.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <utility>

#include "foundation/Logger.h"
#include "foundation/StrUtil.h"

namespace foundation {

namespace {

std::atomic<int64_t> g_timerStart{0};

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Walks a UTF-8 text as UTF-16 code units; bytes that are not valid UTF-8
// stand for the ISO 8859-1 character of their value.
class Utf16Units {
public:
    explicit Utf16Units(std::string_view text) : m_text(text) {}
    bool next(char16_t& unit) {
        if (m_pendingLow) {
            unit = m_pendingLow;
            m_pendingLow = 0;
            return true;
        }
        if (m_pos >= m_text.size()) return false;
        size_t len = 0;
        char32_t cp = StrUtil::charAt(m_text, m_pos, len);
        m_pos += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit = static_cast<char16_t>(0xD800 + (cp >> 10));
            m_pendingLow = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            unit = static_cast<char16_t>(cp);
        }
        return true;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
    char16_t m_pendingLow = 0;
};

std::tm localNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

// Formatted by hand so that the program's locale cannot change the AM/PM marker.
int hour12(const std::tm& t) { return t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12; }

}  // namespace

void MiscUtil::resetTimer() { g_timerStart.store(nowMs(), std::memory_order_relaxed); }

int64_t MiscUtil::timerStart() { return g_timerStart.load(std::memory_order_relaxed); }

void MiscUtil::printTimer() { printTimer(""); }

void MiscUtil::printTimer(const std::string& label) {
    if (Logger::getLevel() < Logger::LEVEL_VERBOSE) return;
    Logger::log(std::to_string(nowMs() - timerStart()) + " ms - " + label, nullptr);
}

bool MiscUtil::comesBefore(std::string_view a, std::string_view b) {
    Utf16Units ua(a), ub(b);
    for (;;) {
        char16_t ca = 0, cb = 0;
        bool hasA = ua.next(ca);
        bool hasB = ub.next(cb);
        if (!hasA) return hasB;
        if (!hasB) return false;
        if (ca != cb) return ca < cb;
    }
}

void MiscUtil::swap(std::vector<std::string>& list, int i, int j) {
    if (i < 0 || j < 0) throw std::out_of_range("MiscUtil::swap: negative position");
    std::swap(list.at(static_cast<size_t>(i)), list.at(static_cast<size_t>(j)));
}

void MiscUtil::sort(std::vector<std::string>& list) {
    size_t n = list.size();
    for (size_t i = 0; i + 1 < n; ++i) {
        for (size_t j = i; j < n; ++j) {
            if (comesBefore(list[j], list[i])) std::swap(list[i], list[j]);
        }
    }
}

std::string MiscUtil::getCurrentDateString() {
    std::tm t = localNow();
    char buf[32];
    // Only integer conversions, which no locale changes.
    std::snprintf(buf, sizeof buf, "%02d-%02d-%02d", t.tm_mon + 1, t.tm_mday, t.tm_year % 100);
    return buf;
}

std::string MiscUtil::getCurrentDateTimeString() {
    std::tm t = localNow();
    char buf[64];
    // Only integer conversions, which no locale changes.
    std::snprintf(buf, sizeof buf, "%02d-%02d-%02d %02d:%02d:%02d %s", t.tm_mon + 1, t.tm_mday, t.tm_year % 100,
                  hour12(t), t.tm_min, t.tm_sec, t.tm_hour < 12 ? "AM" : "PM");
    return buf;
}

}  // namespace foundation
