#include "platform/automation/Wire.h"

#include <sys/socket.h>

#include <cerrno>

namespace automation::wire {

namespace {

void putLength(std::string& out, char tag, const std::string& text) {
    out += tag;
    out += std::to_string(text.size());
    out += ':';
    out += text;
}

// Reads digits (an optional "-" when signed) up to the terminator. Answers
// false when the buffer ends first.
bool readNumber(const std::string& buf, size_t& pos, char terminator, bool isSigned, int64_t& value) {
    size_t p = pos;
    bool negative = false;
    if (isSigned && p < buf.size() && buf[p] == '-') {
        negative = true;
        ++p;
    }
    uint64_t magnitude = 0;
    size_t digits = 0;
    while (p < buf.size() && buf[p] >= '0' && buf[p] <= '9') {
        if (++digits > 19) throw WireError("number too long");
        magnitude = magnitude * 10 + static_cast<uint64_t>(buf[p] - '0');
        ++p;
    }
    if (p == buf.size()) return false;
    if (digits == 0 || buf[p] != terminator) throw WireError("malformed number");
    if (magnitude > static_cast<uint64_t>(INT64_MAX)) throw WireError("number out of range");
    value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    pos = p + 1;
    return true;
}

}  // namespace

std::string encode(const Message& message) {
    std::string out = "M" + std::to_string(message.size()) + ";";
    for (const Value& v : message) {
        switch (v.kind) {
            case Value::Kind::Empty: out += '-'; break;
            case Value::Kind::Null: out += 'N'; break;
            case Value::Kind::Bool: out += v.number ? 'T' : 'F'; break;
            case Value::Kind::Int: out += 'I' + std::to_string(v.number) + ';'; break;
            case Value::Kind::String: putLength(out, 'S', v.text); break;
            case Value::Kind::Handle: putLength(out, 'O', v.text); break;
        }
    }
    return out;
}

bool sendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::optional<Message> Decoder::next() {
    size_t p = m_pos;
    const std::string& buf = m_buffer;
    if (p == buf.size()) return std::nullopt;
    if (buf[p] != 'M') throw WireError("message does not start with M");
    ++p;
    int64_t count = 0;
    if (!readNumber(buf, p, ';', false, count)) return std::nullopt;
    if (count > static_cast<int64_t>(MAX_VALUES)) throw WireError("too many values");
    Message message;
    message.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
        if (p == buf.size()) return std::nullopt;
        const char tag = buf[p++];
        switch (tag) {
            case '-': message.push_back(Value::empty()); break;
            case 'N': message.push_back(Value::null()); break;
            case 'T': message.push_back(Value::boolean(true)); break;
            case 'F': message.push_back(Value::boolean(false)); break;
            case 'I': {
                int64_t n = 0;
                if (!readNumber(buf, p, ';', true, n)) return std::nullopt;
                message.push_back(Value::integer(n));
                break;
            }
            case 'S':
            case 'O': {
                int64_t length = 0;
                if (!readNumber(buf, p, ':', false, length)) return std::nullopt;
                if (static_cast<uint64_t>(length) > MAX_TEXT) throw WireError("text too long");
                if (buf.size() - p < static_cast<size_t>(length)) return std::nullopt;
                std::string text = buf.substr(p, static_cast<size_t>(length));
                p += static_cast<size_t>(length);
                message.push_back(tag == 'S' ? Value::string(std::move(text)) : Value::handle(std::move(text)));
                break;
            }
            default:
                throw WireError(std::string("unknown value tag ") + tag);
        }
    }
    m_pos = p;
    // Drop what was read once it is a good part of the buffer.
    if (m_pos > 65536 && m_pos * 2 > m_buffer.size()) {
        m_buffer.erase(0, m_pos);
        m_pos = 0;
    }
    return message;
}

}  // namespace automation::wire
