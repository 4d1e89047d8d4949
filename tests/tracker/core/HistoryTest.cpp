// The balance history: file lines, loading, saving, the popup text and the
// removal of a user.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <charconv>
#include <cmath>
#include <map>
#include <random>
#include <stdexcept>
#include <vector>

#include "tests/tracker/core/EngineTestKit.h"
#include "tracker/core/HistoryEntry.h"

namespace {

using namespace rltest;
using tracker::History;
using tracker::HistoryEntry;
using tracker::RLPreferences;

class HistoryTest : public ::testing::Test {
protected:
    std::string file() const { return world.dir.file("Roamledger.history"); }
    void writeHistory(const std::string& text) {
        writeFile(file(), text);
        History::reset();
    }
    static std::vector<float> balances(const std::vector<HistoryEntry>& list) {
        std::vector<float> out;
        for (const auto& e : list) out.push_back(e.getBalance());
        return out;
    }
    EngineWorld world;
};

TEST(HistoryEntryTest, LineRoundTrip) {
    struct Case {
        HistoryEntry entry;
        std::string line;
    } cases[] = {
        {{0, "AA", 1136073600000, 1234.5f}, "0 AA 1136073600000 1234.5"},
        {{3, "HL", 1, 1234.0f}, "3 HL 1 1234"},
        {{12, "CT", 0, -50.25f}, "12 CT 0 -50.25"},
        {{1, "B6", 5, 1.0e10f}, "1 B6 5 1.0E10"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.entry.toString(), c.line);
        HistoryEntry back(c.line);
        EXPECT_EQ(back.getUser(), c.entry.getUser()) << c.line;
        EXPECT_EQ(back.getSource(), c.entry.getSource()) << c.line;
        EXPECT_EQ(back.getDate(), c.entry.getDate()) << c.line;
        EXPECT_EQ(back.getBalance(), c.entry.getBalance()) << c.line;
    }
    EXPECT_EQ(HistoryEntry("2 DL 77 500\r").getBalance(), 500.0f);
    EXPECT_TRUE(std::isnan(HistoryEntry("0 AA 1 NaN").getBalance()));
    EXPECT_EQ(HistoryEntry("0 AA 1 -Infinity").getBalance(), -INFINITY);
}

TEST(HistoryEntryTest, MalformedLinesAreRefused) {
    for (const char* line : {"", "0 AA 123", "x AA 1 2", "0 AA 1 2 3", "-1 AA 1 2", "0 AA t 2", "0 AA 1 abc",
                             "0 AA 1 1e99", "1.5 AA 1 2", "0 AA 1 12,5"}) {
        EXPECT_THROW(HistoryEntry{std::string_view(line)}, std::invalid_argument) << line;
    }
}

// Lines as the program writes them take a quick path; each must read as
// the general one reads it, to the last bit of the balance.
TEST(HistoryEntryTest, WrittenLinesReadAsTheGeneralReaderReadsThem) {
    auto general = [](const std::string& text) {
        float value = 0.0f;
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
        return value;
    };
    std::vector<std::string> balances = {"0",        "7",         "9999999",  "16777216", "16777217", "33554433",
                                         "0.1",      "1234.5",    "1234.",    ".5",       "0000001.5", "89125.25",
                                         "1.0000001", "0.0000000001", "1.00000000001", "123456.789"};
    std::mt19937 random(20061231);
    for (int i = 0; i < 20000; ++i) {
        std::string digits = std::to_string(random() % 100000000);
        const size_t point = random() % (digits.size() + 1);
        if (point < digits.size()) digits.insert(point, ".");
        balances.push_back(digits);
    }
    for (const auto& balance : balances) {
        const HistoryEntry entry("4 AA 1136073600000 " + balance);
        EXPECT_EQ(entry.getUser(), 4);
        EXPECT_EQ(entry.getDate(), 1136073600000);
        EXPECT_EQ(entry.getBalance(), general(balance)) << balance;
        EXPECT_EQ(HistoryEntry("4 AA 1136073600000 -" + balance).getBalance(), -general(balance)) << balance;
    }
    // Other spacing and signs still read through the general path.
    for (const char* line : {"4  AA 1136073600000 12.5", "4\tAA\t1136073600000\t12.5", "+4 AA 1136073600000 12.5",
                             "4 AA +1136073600000 +12.5", "4 AA 1136073600000 1.25E1", " 4 AA 1136073600000 12.5 "}) {
        const HistoryEntry entry{std::string_view(line)};
        EXPECT_EQ(entry.getUser(), 4) << line;
        EXPECT_EQ(entry.getSource(), "AA") << line;
        EXPECT_EQ(entry.getDate(), 1136073600000) << line;
        EXPECT_EQ(entry.getBalance(), 12.5f) << line;
    }
    // Too long to be a number of its kind: refused, not wrapped around.
    EXPECT_THROW(HistoryEntry{std::string_view("99999999999 AA 1 2")}, std::invalid_argument);
    EXPECT_THROW(HistoryEntry{std::string_view("0 AA 99999999999999999999 2")}, std::invalid_argument);
}

// The loader reads lines as the program writes them on a quick path of its
// own, in blocks: every line must come out as the line reader reads it,
// also across block ends and with abbreviations too long to be held in
// place.
TEST_F(HistoryTest, TheLoaderReadsEveryLineAsTheLineReaderDoes) {
    const std::vector<std::string> sources = {"AA", "B6", "X", "A_very_long_abbreviation", "FIFTEEN_LETTERS",
                                              "SIXTEEN_LETTERS_"};
    std::mt19937 random(20240229);
    auto number = [&](int digits) {
        std::string text;
        for (int i = 0; i < digits; ++i) text += static_cast<char>('0' + random() % 10);
        return text;
    };
    std::string text;
    std::vector<std::string> lines;
    for (int i = 0; i < 30000; ++i) {
        std::string user = number(1 + static_cast<int>(random() % 2));
        std::string date = number(1 + static_cast<int>(random() % 19));
        std::string balance = number(static_cast<int>(random() % 9));
        if (random() % 2) balance.insert(random() % (balance.size() + 1), ".");
        std::string line = user + " " + sources[random() % sources.size()] + " " + date + " " + balance;
        switch (random() % 12) {
            case 0: line.insert(random() % line.size(), 1, "  \t\r-+eE.x"[random() % 11]); break;
            case 1: line += "\r"; break;
            case 2: line = number(static_cast<int>(random() % 10)) + line; break;
            default: break;
        }
        lines.push_back(line);
        text += line + "\n";
    }
    ASSERT_GT(text.size(), size_t(3) << 18);  // several blocks
    writeHistory(text);

    std::map<std::pair<int, std::string>, std::vector<std::pair<int64_t, float>>> expected;
    for (const auto& line : lines) {
        HistoryEntry entry;
        std::string_view view(line);
        if (!view.empty() && view.back() == '\r') view.remove_suffix(1);
        if (!HistoryEntry::parse(view, entry)) continue;
        expected[{entry.getUser(), std::string(entry.getSource())}].emplace_back(entry.getDate(), entry.getBalance());
    }
    size_t total = 0;
    for (const auto& [key, points] : expected) {
        std::vector<std::pair<int64_t, float>> loaded;
        for (const auto& e : History::getEntries(key.first, key.second, false)) {
            EXPECT_EQ(e.getSource(), key.second);
            loaded.emplace_back(e.getDate(), e.getBalance());
        }
        EXPECT_EQ(loaded, points) << key.first << " " << key.second;
        total += points.size();
    }
    EXPECT_EQ(History::size(), total);
    EXPECT_GT(total, lines.size() / 2);

    // A long abbreviation goes through copies, the file and back.
    const std::string longSource(40, 'Q');
    History::addEntry(7, longSource, 9, 1.5f);
    History::save();
    History::reset();
    const auto back = History::getEntries(7, longSource, false);
    ASSERT_EQ(back.size(), 1u);
    HistoryEntry copy = back[0];
    copy = HistoryEntry(copy);
    EXPECT_EQ(copy.toString(), "7 " + longSource + " 9 1.5");
}

TEST_F(HistoryTest, MissingFileIsLoggedOnceAndRetried) {
    EXPECT_FALSE(History::doesHistoryExist());
    EXPECT_TRUE(History::getEntries(0, "AA", false).empty());
    EXPECT_TRUE(History::getEntries(0, "AA", false).empty());
    EXPECT_FALSE(History::isHistoryLoaded());
    const std::string line = "History file at " + file() + " not found";
    const std::string log = world.log();
    ASSERT_NE(log.find(line), std::string::npos);
    EXPECT_EQ(log.find(line, log.find(line) + 1), std::string::npos);

    // The file appears later: the next look loads it.
    writeFile(file(), "0 AA 5 100\n");
    EXPECT_EQ(History::getEntries(0, "AA", false).size(), 1u);
    EXPECT_TRUE(History::isHistoryLoaded());
}

TEST_F(HistoryTest, CrLfLinesAndAMalformedLineLoad) {
    writeHistory("0 AA 1000 100\r\n0 AA 2000 not-a-number\r\n1 AA 1500 7\r\n0 AA 3000 300\r\n\r\n");
    EXPECT_TRUE(History::doesHistoryExist());
    EXPECT_EQ(balances(History::getEntries(0, "AA", false)), (std::vector<float>{100, 300}));
    EXPECT_EQ(balances(History::getEntries(1, "AA", false)), (std::vector<float>{7}));
    EXPECT_TRUE(History::isHistoryLoaded());
    EXPECT_EQ(History::size(), 3u);
    EXPECT_NE(world.log().find("Skipping malformed line 2 of history file at " + file()), std::string::npos);
    // Loaded once: asking again reads nothing twice.
    History::getEntries(0, "AA", false);
    EXPECT_EQ(History::size(), 3u);
}

TEST_F(HistoryTest, OrderAndReverseOrder) {
    writeHistory("0 AA 1000 1\n0 DL 1500 9\n0 AA 2000 2\n");
    History::addEntry(0, "AA", 3000, 3);
    EXPECT_EQ(balances(History::getEntries(0, "AA", false)), (std::vector<float>{3, 1, 2}));
    RLPreferences::setReverseHistory(true);
    EXPECT_EQ(balances(History::getEntries(0, "AA")), (std::vector<float>{2, 1, 3}));
    RLPreferences::setReverseHistory(false);
    EXPECT_EQ(balances(History::getEntries(0, "AA")), (std::vector<float>{3, 1, 2}));
}

TEST_F(HistoryTest, SaveAppendsOnlyNewPoints) {
    writeHistory("0 AA 1000 1\n");
    History::addEntry(0, "AA", 2000, 1234.5f);
    History::addEntry(1, "DL", 3000, 1234.0f);
    History::save();
    EXPECT_EQ(readFile(file()), "0 AA 1000 1\n0 AA 2000 1234.5\n1 DL 3000 1234\n");
    EXPECT_EQ(History::newEntryCount(), 0u);
    History::save();
    EXPECT_EQ(readFile(file()), "0 AA 1000 1\n0 AA 2000 1234.5\n1 DL 3000 1234\n");
    History::addEntry(0, "AA", 4000, 5);
    History::save();
    EXPECT_EQ(readFile(file()), "0 AA 1000 1\n0 AA 2000 1234.5\n1 DL 3000 1234\n0 AA 4000 5\n");

    // What was saved reads back whole.
    History::reset();
    EXPECT_EQ(balances(History::getEntries(0, "AA", false)), (std::vector<float>{1, 1234.5f, 5}));
}

// A save killed part-way leaves a last line without its line end, whose cut
// balance may still read as a number.
TEST_F(HistoryTest, AnUnfinishedLastLineIsDroppedAndCutOffByTheNextSave) {
    writeHistory("0 AA 1000 1\n0 AA 2000 89125.25\n0 AA 3000 891");
    EXPECT_EQ(balances(History::getEntries(0, "AA", false)), (std::vector<float>{1, 89125.25f}));
    EXPECT_NE(world.log().find("Dropping the unfinished last line of history file at " + file() + ": 0 AA 3000 891"),
              std::string::npos);

    History::addEntry(0, "AA", 3000, 89125.5f);
    History::save();
    EXPECT_EQ(readFile(file()), "0 AA 1000 1\n0 AA 2000 89125.25\n0 AA 3000 89125.5\n");
    EXPECT_NE(world.log().find("Cut the unfinished last line (13 bytes) off history file at " + file()),
              std::string::npos);

    // A file of one unfinished line (with a CR of its own) loads empty and
    // is replaced by the new points; so does a save before any load.
    writeHistory("0 AA 1 2\r");
    EXPECT_TRUE(History::getEntries(0, "AA", false).empty());
    History::addEntry(0, "AA", 5, 6);
    History::save();
    EXPECT_EQ(readFile(file()), "0 AA 5 6\n");
    writeHistory("0 AA 5 6\n1 DL 7 12345");
    History::addEntry(1, "DL", 8, 9);
    History::save();
    EXPECT_EQ(readFile(file()), "0 AA 5 6\n1 DL 8 9\n");

    // A cut that ends exactly at a line end leaves nothing to mend.
    writeHistory("0 AA 5 6\n");
    History::addEntry(0, "AA", 9, 10);
    History::save();
    EXPECT_EQ(readFile(file()), "0 AA 5 6\n0 AA 9 10\n");
}

TEST_F(HistoryTest, FailedSaveKeepsThePointsForTheNextSave) {
    ASSERT_EQ(::mkdir(file().c_str(), 0700), 0);  // a folder where the file should be
    History::reset();
    History::addEntry(0, "AA", 1, 2);
    History::save();
    EXPECT_NE(world.log().find("History file at " + file() + " could not be saved"), std::string::npos);
    EXPECT_EQ(History::newEntryCount(), 1u);
    ASSERT_EQ(::rmdir(file().c_str()), 0);
    History::save();
    EXPECT_EQ(readFile(file()), "0 AA 1 2\n");
}

TEST_F(HistoryTest, HistoryTextOfAnAccount) {
    addUserWith("Main User; Two", {{"Hilton", "h", "1", "1"}});
    History::addEntry(0, "HL", 1136073600999, 1500);
    History::addEntry(0, "HL", 1136160000000, 1500.5f);
    History::addEntry(0, "AA", 1136160000000, 9);
    RLPreferences::setReverseHistory(false);
    const int decimals = RLPreferences::getConfig("Hilton")->getMaxDecimals();
    EXPECT_EQ(History::generateHistoryHTML(0, "Hilton"),
              "Main_User__Two;HL;" + std::to_string(decimals) + ";1136073600;1500;1136160000;1500.5");
    RLPreferences::setReverseHistory(true);
    EXPECT_EQ(History::generateHistoryHTML(0, "Hilton"),
              "Main_User__Two;HL;" + std::to_string(decimals) + ";1136160000;1500.5;1136073600;1500");
    EXPECT_FALSE(History::generateHistoryHTML(0, "Delta").has_value());
    EXPECT_FALSE(History::generateHistoryHTML(0, "NoSuchProgram").has_value());
}

TEST_F(HistoryTest, SharedAbbreviationListsBothPrograms) {
    // "CT" stays shared by two programs, as stored histories rely on it.
    addUserWith("Main User", {});
    History::addEntry(0, "CT", 1000, 10);
    EXPECT_TRUE(History::generateHistoryHTML(0, "ChaseTravel").has_value());
    EXPECT_TRUE(History::generateHistoryHTML(0, "Citi").has_value());
}

TEST_F(HistoryTest, RemovingAUserRewritesTheFileAndMovesLaterUsersDown) {
    addUserWith("Zero", {});
    addUserWith("One", {});
    addUserWith("Two", {});
    writeHistory("0 AA 1 10\n1 AA 2 20\ngarbage line\n2 AA 3 30\r\n2 DL 4 40\n");
    History::getEntries(0, "AA", false);  // loaded
    History::addEntry(2, "HL", 5, 50);    // not yet saved

    RLPreferences::removeUser(1);  // the preferences tell the history
    EXPECT_EQ(readFile(file()), "0 AA 1 10\ngarbage line\n1 AA 3 30\n1 DL 4 40\n");
    EXPECT_EQ(balances(History::getEntries(1, "AA", false)), (std::vector<float>{30}));
    EXPECT_TRUE(History::getEntries(2, "AA", false).empty());
    History::save();
    EXPECT_EQ(readFile(file()), "0 AA 1 10\ngarbage line\n1 AA 3 30\n1 DL 4 40\n1 HL 5 50\n");

    // Before a load, only the file changes; the load then reads it.
    History::reset();
    EXPECT_TRUE(History::removeUser(0));
    EXPECT_EQ(readFile(file()), "garbage line\n0 AA 3 30\n0 DL 4 40\n0 HL 5 50\n");
    EXPECT_EQ(balances(History::getEntries(0, "DL", false)), (std::vector<float>{40}));

    // The rewrite does not finish an unfinished last line: it drops it.
    writeHistory("0 AA 3 30\n1 AA 6 60\n1 AA 7 7");
    EXPECT_TRUE(History::removeUser(0));
    EXPECT_EQ(readFile(file()), "0 AA 6 60\n");
}

TEST_F(HistoryTest, RemovingAUserWithoutAFileChangesMemoryOnly) {
    History::addEntry(0, "AA", 1, 1);
    History::addEntry(1, "AA", 2, 2);
    EXPECT_TRUE(History::removeUser(0));
    EXPECT_FALSE(fileExists(file()));
    EXPECT_EQ(balances(History::getEntries(0, "AA", false)), (std::vector<float>{2}));
}

TEST_F(HistoryTest, PointsAddedBeforeTheLoadStayFirst) {
    writeHistory("0 AA 1 1\n");
    History::addEntry(0, "AA", 2, 2);
    EXPECT_EQ(balances(History::getEntries(0, "AA", false)), (std::vector<float>{2, 1}));
    History::save();
    EXPECT_EQ(readFile(file()), "0 AA 1 1\n0 AA 2 2\n");
}

}  // namespace
