// The browser channel's decoder on any bytes: it hands out messages or
// refuses the stream, never reads past what it was given, and every
// message it hands out encodes back to bytes that decode to the same.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/automation/Wire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using automation::wire::Decoder;
    if (size == 0) return 0;
    // The first byte says how the bytes arrive: in pieces of 1 to 256.
    const size_t piece = static_cast<size_t>(data[0]) + 1;
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    Decoder decoder;
    try {
        for (size_t at = 0; at < bytes.size(); at += piece) {
            decoder.feed(bytes.data() + at, std::min(piece, bytes.size() - at));
            while (auto message = decoder.next()) {
                Decoder again;
                const std::string encoded = automation::wire::encode(*message);
                again.feed(encoded.data(), encoded.size());
                auto back = again.next();
                if (!back || !(*back == *message) || again.buffered() != 0) __builtin_trap();
            }
        }
    } catch (const automation::wire::WireError&) {
        // A stream that is not the protocol is refused.
    }
    return 0;
}
