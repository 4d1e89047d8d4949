#pragma once
// Shared by the fuzz targets: the input taken apart into texts and numbers,
// a working folder of the target's own, and the failure of a property.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace rlfuzz {

// Reads the input front to back: a text runs to the next zero byte (or the
// end), a number takes the next four bytes (fewer at the end).
class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(reinterpret_cast<const char*>(data)), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }

    std::string text() {
        if (empty()) return std::string();
        const void* zero = std::memchr(m_data + m_pos, 0, m_size - m_pos);
        const size_t end = zero ? static_cast<size_t>(static_cast<const char*>(zero) - m_data) : m_size;
        std::string out(m_data + m_pos, end - m_pos);
        m_pos = zero ? end + 1 : m_size;
        return out;
    }

    // Any int, the extremes included.
    int number() {
        uint32_t value = 0;
        for (int i = 0; i < 4 && !empty(); ++i) value |= static_cast<uint32_t>(static_cast<uint8_t>(m_data[m_pos++])) << (8 * i);
        return static_cast<int>(value);
    }

    // A number within [low, high].
    int numberIn(int low, int high) {
        const int64_t span = static_cast<int64_t>(high) - low + 1;
        const int64_t n = static_cast<uint32_t>(number());
        return static_cast<int>(low + n % span);
    }

    bool flag() { return empty() ? false : (static_cast<uint8_t>(m_data[m_pos++]) & 1) != 0; }

    // What is left, whole.
    std::string rest() {
        std::string out(m_data + m_pos, m_size - m_pos);
        m_pos = m_size;
        return out;
    }

private:
    const char* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Makes a fresh temporary folder the working folder (once per process),
// with the headless toolkit and no log output.
void enterWorkFolder();

// Sends every request that the imitation web does not route (fuzzed pages
// name any host and port) to its HTTP server on httpPort: nothing a target
// fetches leaves the machine. Call it after the imitation web is made.
void routeAllToLoopback(int httpPort);

// A text with its bytes outside printable ASCII as \xNN, for reports.
inline std::string printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

// A property of the code did not hold: reported, then the run ends as a
// finding.
[[noreturn]] inline void fail(const std::string& what) {
    std::fprintf(stderr, "property failed: %s\n", what.c_str());
    std::abort();
}

inline void check(bool holds, const std::string& what) {
    if (!holds) fail(what);
}

}  // namespace rlfuzz
