#pragma once
// One balance-history point: a user's balance of one program at one time.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tracker {

class HistoryEntry {
public:
    // A point of user 0 without abbreviation at time 0, balance 0.
    HistoryEntry() = default;
    HistoryEntry(int user, std::string_view source, int64_t date, float balance);
    // Parses one line of the history file ("user abbreviation time balance");
    // a trailing CR is ignored. Throws std::invalid_argument for a line that
    // does not hold four valid fields.
    explicit HistoryEntry(std::string_view line);

    HistoryEntry(const HistoryEntry& other);
    HistoryEntry(HistoryEntry&& other) noexcept;
    HistoryEntry& operator=(const HistoryEntry& other);
    HistoryEntry& operator=(HistoryEntry&& other) noexcept;
    ~HistoryEntry() { dropSource(); }

    int getUser() const { return m_user; }
    int64_t getDate() const { return m_date; }
    std::string_view getSource() const {
        if (m_length != ON_HEAP) return std::string_view(m_text, m_length);
        return *heapSource();
    }
    float getBalance() const { return m_balance; }
    void setUser(int user) { m_user = user; }

    // The file line, without a line end.
    std::string toString() const;

    // Parses a line without throwing; false for a malformed one.
    static bool parse(std::string_view line, HistoryEntry& out);

    // How far readWrittenLine may read past the end it is given.
    static constexpr size_t READ_AHEAD = 16;
    // The loader's quick path: reads the line that starts at p as the
    // program writes it (single blanks, plain numbers, ended by LF or CR
    // LF before end) into out and answers the position after its line end.
    // Answers nullptr, leaving out as it was, for a line of any other form
    // or without its end before end; parse() then decides. What it reads,
    // it reads as parse() does. *end must be a LF (that is not taken), and
    // READ_AHEAD bytes after end readable.
    static const char* readWrittenLine(const char* p, const char* end, HistoryEntry& out);

private:
    // Abbreviations are a few letters: that many bytes are held in place,
    // a longer one on the heap. A long history is millions of points.
    static constexpr size_t IN_PLACE = 15;
    static constexpr uint8_t ON_HEAP = 0xFF;

    void setSource(std::string_view source);
    void dropSource() {
        if (m_length == ON_HEAP) delete heapSource();
        m_length = 0;
    }
    std::string* heapSource() const {
        std::string* text;
        std::memcpy(&text, m_text, sizeof text);
        return text;
    }

    int64_t m_date = 0;
    int m_user = 0;
    float m_balance = 0.0f;
    // The text itself (up to IN_PLACE bytes, m_length of them), or the
    // address of a heap copy when m_length is ON_HEAP.
    char m_text[IN_PLACE] = {};
    uint8_t m_length = 0;
};

}  // namespace tracker
