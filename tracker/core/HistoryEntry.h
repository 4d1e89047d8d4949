#pragma once
// One balance-history point: a user's balance of one program at one time.

#include <cstdint>
#include <string>
#include <string_view>

namespace tracker {

class HistoryEntry {
public:
    HistoryEntry(int user, std::string source, int64_t date, float balance);
    // Parses one line of the history file ("user abbreviation time balance");
    // a trailing CR is ignored. Throws std::invalid_argument for a line that
    // does not hold four valid fields.
    explicit HistoryEntry(std::string_view line);

    int getUser() const { return m_user; }
    int64_t getDate() const { return m_date; }
    const std::string& getSource() const { return m_source; }
    float getBalance() const { return m_balance; }
    void setUser(int user) { m_user = user; }

    // The file line, without a line end.
    std::string toString() const;

    // Parses a line without throwing; false for a malformed one.
    static bool parse(std::string_view line, HistoryEntry& out);

private:
    HistoryEntry() = default;

    // Ordered so that an entry takes 48 bytes: a long history is millions.
    int m_user = 0;
    float m_balance = 0.0f;
    int64_t m_date = 0;
    std::string m_source;
};

}  // namespace tracker
