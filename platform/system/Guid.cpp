#include "platform/system/Guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <mutex>

#include "platform/system/Ascii.h"
#include "platform/system/NumberText.h"

namespace sys {

namespace {

std::mutex g_sourceMutex;
std::function<std::optional<Guid>()> g_source;

std::optional<Guid> randomGuid() {
    uint8_t bytes[16];
    size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        got += static_cast<size_t>(n);
    }
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // variant 1
    Guid guid;
    guid.data1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
    guid.data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    guid.data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    for (size_t i = 0; i < 8; ++i) guid.data4[i] = bytes[8 + i];
    return guid;
}

}  // namespace

std::optional<Guid> coCreateGuid() {
    std::function<std::optional<Guid>()> source;
    {
        std::lock_guard<std::mutex> guard(g_sourceMutex);
        source = g_source;
    }
    return source ? source() : randomGuid();
}

void setGuidSource(std::function<std::optional<Guid>()> source) {
    std::lock_guard<std::mutex> guard(g_sourceMutex);
    g_source = std::move(source);
}

std::string guidToString(const Guid& guid) {
    char text[39];
    // Only integer conversions, which no locale changes.
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.data1, guid.data2,
                  guid.data3, guid.data4[0], guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5],
                  guid.data4[6], guid.data4[7]);
    return text;
}

std::optional<Guid> guidFromString(const std::string& text) {
    std::string body = text;
    if (body.size() == 38 && body.front() == '{' && body.back() == '}') body = body.substr(1, 36);
    if (body.size() != 36) return std::nullopt;
    std::string digits;
    for (size_t i = 0; i < body.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash) {
            if (body[i] != '-') return std::nullopt;
        } else {
            if (!isAsciiHexDigit(body[i])) return std::nullopt;
            digits += body[i];
        }
    }
    auto field = [&digits](size_t at, size_t count) {
        return parseNumber<uint32_t>(std::string_view(digits).substr(at, count), 16).value_or(0);
    };
    Guid guid;
    guid.data1 = field(0, 8);
    guid.data2 = static_cast<uint16_t>(field(8, 4));
    guid.data3 = static_cast<uint16_t>(field(12, 4));
    for (size_t i = 0; i < 8; ++i) guid.data4[i] = static_cast<uint8_t>(field(16 + 2 * i, 2));
    return guid;
}

}  // namespace sys
