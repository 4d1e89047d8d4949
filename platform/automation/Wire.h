#pragma once
// The messages between a program and the browser server process it drives.
// A message is a list of values; each value is one tagged item:
//
//   "-"            nothing          "N"          null
//   "T" / "F"      a boolean        "I" <digits> ";"    an integer
//   "S" <n> ":" <n bytes>  a text   "O" <n> ":" <n bytes>  an object handle
//
// and a message is "M" <count> ";" followed by its values. Texts are
// bytes (UTF-8); nothing is escaped, the lengths say where items end.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace automation::wire {

struct Value {
    enum class Kind { Empty, Null, Bool, Int, String, Handle };
    Kind kind = Kind::Empty;
    int64_t number = 0;  // Bool (0/1) and Int
    std::string text;    // String and Handle

    static Value empty() { return {}; }
    static Value null() { return {Kind::Null, 0, {}}; }
    static Value boolean(bool b) { return {Kind::Bool, b ? 1 : 0, {}}; }
    static Value integer(int64_t n) { return {Kind::Int, n, {}}; }
    static Value string(std::string s) { return {Kind::String, 0, std::move(s)}; }
    static Value handle(std::string h) { return {Kind::Handle, 0, std::move(h)}; }
    bool operator==(const Value& o) const { return kind == o.kind && number == o.number && text == o.text; }
};

using Message = std::vector<Value>;

struct WireError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string encode(const Message& message);
// Writes all the bytes to a socket; false once the other end has gone.
// Never raises SIGPIPE.
bool sendAll(int fd, const std::string& bytes);

// Takes bytes as they arrive and hands out whole messages. A malformed
// stream is a WireError; the decoder is then of no further use.
class Decoder {
public:
    static constexpr size_t MAX_TEXT = 64u << 20;
    static constexpr size_t MAX_VALUES = 4096;

    void feed(const char* data, size_t size) { m_buffer.append(data, size); }
    // The next whole message, or nothing until more bytes come.
    std::optional<Message> next();
    size_t buffered() const { return m_buffer.size() - m_pos; }

private:
    std::string m_buffer;
    size_t m_pos = 0;
};

}  // namespace automation::wire
