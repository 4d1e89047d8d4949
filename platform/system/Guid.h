#pragma once
// Random GUIDs: 128 bits from the kernel's random source, marked as version 4
// (random) of variant 1, held in the four fields the component layer and the
// control format them from.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace sys {

struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    bool operator==(const Guid&) const = default;
};

// A new GUID; nothing when the random source cannot give one.
std::optional<Guid> coCreateGuid();

// The registry form "{01234567-89AB-CDEF-0123-456789ABCDEF}".
std::string guidToString(const Guid& guid);
// Reads the registry form (braces optional, hexadecimal in any case).
std::optional<Guid> guidFromString(const std::string& text);

// Tests replace where new GUIDs come from; an empty function restores the
// random source.
void setGuidSource(std::function<std::optional<Guid>()> source);

}  // namespace sys
