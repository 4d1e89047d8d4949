// The settings store: file format, prefix edits, typed getters, and saves
// that never leave a broken file behind.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/TempWorkDir.h"
#include "tests/support/TestLocales.h"
#include "tracker/core/PropertiesPrefPersist.h"

using tracker::BasePrefPersist;
using tracker::PropertiesPrefPersist;

namespace {

std::map<std::string, std::string> parse(const std::string& text) {
    std::map<std::string, std::string> table;
    PropertiesPrefPersist::parseProperties(text, table);
    return table;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// A store bound to the working folder, as the tracker binds it.
struct Store {
    PropertiesPrefPersist persist;
    Store() { persist.setPersistenceFilePathPrefix("Roamledger"); persist.setDefaultFilePath(); }
};

}  // namespace

TEST(PropertiesFormat, HardCharactersSurviveSaveAndLoad) {
    rltest::TempWorkDir dir;
    const std::map<std::string, std::string> pairs = {
        {"LeadingBlanks", "   three blanks first"},
        {"Markers", "#=:! all four"},
        {"#key=with:markers!", "v"},
        {"Tabs", "a\tb\t"},
        {"Breaks", "line one\nline two\r\nline three\r"},
        {"FormFeed", "x\fy"},
        {"Backslashes", "C:\\Program Files\\Roamledger\\"},
        {"TrailingBlank", "value "},
        {"Empty", ""},
        {"key with blanks", " and a value"},
        {"Accents", "Aerom\xC3\xA9xico Club Premi\xC3\xA8re \xC3\xBC\xC3\x9F"},
        {"NonLatin", "\xE6\x97\xA5\xE6\x9C\xAC \xD0\x9C\xD0\xB8\xD1\x80 \xCE\xB1\xCE\xB2"},
        {"Supplementary", "\xF0\x9F\x98\x80 smile"},
        {"Schl\xC3\xBCssel", "non-ASCII key"},
        {"Controls", std::string("nul\x01 bell\x07 del\x7F", 15)},
    };
    {
        Store out;
        for (const auto& [key, value] : pairs) out.persist.setStringValue(key, value);
        out.persist.save();
    }
    const std::string bytes = rltest::readFile(dir.file("Roamledger.settings"));
    for (unsigned char c : bytes) ASSERT_LT(c, 0x80) << "the file holds only ASCII, escapes for the rest";

    Store in;
    in.persist.load();
    for (const auto& [key, value] : pairs) EXPECT_EQ(in.persist.getStringValue(key, "<absent>"), value) << key;
    EXPECT_EQ(in.persist.getKeys().size(), pairs.size());
}

TEST(PropertiesFormat, WritesHeaderAndEscapes) {
    const std::map<std::string, std::string> table = {
        {"a b", " x y"}, {"k", "#!=:"}, {"e", "\xC3\xA9\t\\"}, {"s", "\xF0\x9F\x98\x80"}};
    auto out = lines(PropertiesPrefPersist::formatProperties(table, "Roamledger Users, Accounts"));
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[0], "#Roamledger Users, Accounts");
    EXPECT_EQ(out[1].substr(0, 1), "#");
    EXPECT_EQ(out[2], "a\\ b=\\ x y");  // blanks in keys, only the leading one in values
    EXPECT_EQ(out[3], "e=\\u00E9\\t\\\\");
    EXPECT_EQ(out[4], "k=\\#\\!\\=\\:");
    EXPECT_EQ(out[5], "s=\\uD83D\\uDE00");  // a surrogate pair, upper-case hex
}

TEST(PropertiesFormat, SavedFileStartsWithTheProductHeader) {
    // The date line is English under every desktop's locale.
    const std::regex date("#(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                          "[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [^ ]+ [0-9]{4}");
    for (const std::string& locale : rltest::localesWithC()) {
        rltest::LocaleScope scope(locale);
        ASSERT_TRUE(scope.ok()) << scope.problem();
        rltest::TempWorkDir dir;
        Store out;
        out.persist.setStringValue("UUID", "x");
        out.persist.save();
        auto out0 = lines(rltest::readFile(dir.file("Roamledger.settings")));
        ASSERT_GE(out0.size(), 3u);
        EXPECT_EQ(out0[0],
                  "#Roamledger Users, Accounts, and Settings - This file should generally not be edited by hand.");
        EXPECT_TRUE(std::regex_match(out0[1], date)) << locale << ": " << out0[1];
        EXPECT_EQ(out0[2], "UUID=x");
    }
}

TEST(PropertiesFormat, ReadsTheWholeSyntax) {
    auto t = parse(
        "# a comment = not an entry\n"
        "   ! another comment\n"
        "\n"
        "   \t\n"
        "plain=value\n"
        "colon:value2\n"
        "blank value3\n"
        "spaced  =  value4  \n"
        "crlf=five\r\n"
        "cr=six\r"
        "joined=one, \\\n"
        "        two, \\\r\n"
        "   three\n"
        "even=ends in backslash\\\\\n"
        "next=seven\n"
        "esc\\=aped\\ key=\\t\\n\\u0041\\q\n"
        "latin=caf\xE9\n"
        "keyonly\n"
        "# comment lines do not continue \\\n"
        "after=comment\n"
        "last=no line end");
    EXPECT_EQ(t["plain"], "value");
    EXPECT_EQ(t["colon"], "value2");
    EXPECT_EQ(t["blank"], "value3");
    EXPECT_EQ(t["spaced"], "value4  ");
    EXPECT_EQ(t["crlf"], "five");
    EXPECT_EQ(t["cr"], "six");
    EXPECT_EQ(t["joined"], "one, two, three");
    EXPECT_EQ(t["even"], "ends in backslash\\");
    EXPECT_EQ(t["next"], "seven");
    EXPECT_EQ(t["esc=aped key"], "\t\nAq");
    EXPECT_EQ(t["latin"], "caf\xC3\xA9");
    ASSERT_TRUE(t.count("keyonly"));
    EXPECT_EQ(t["keyonly"], "");
    EXPECT_EQ(t["after"], "comment");
    EXPECT_EQ(t["last"], "no line end");
    EXPECT_EQ(t.size(), 14u);
}

TEST(PropertiesFormat, MalformedUnicodeEscapeIsAFailure) {
    std::map<std::string, std::string> table;
    EXPECT_THROW(PropertiesPrefPersist::parseProperties("a=1\nb=\\u12G4\nc=3\n", table), std::invalid_argument);
    EXPECT_EQ(table.size(), 1u) << "what came before the failure is kept";
    EXPECT_THROW(PropertiesPrefPersist::parseProperties("short=\\u12", table), std::invalid_argument);
}

TEST(PropertiesStore, UnreadableFileIsCopiedAsideBeforeAnythingOverwritesIt) {
    rltest::TempWorkDir dir;
    const std::string broken = "#Roamledger\nUser0=Ann\nUser0AmericanUsername=\\uZZZZ\nUser1=Bob\n";
    rltest::writeFile(dir.file("Roamledger.settings"), broken);

    Store s;
    s.persist.load();
    EXPECT_EQ(s.persist.getStringValue("User0"), "Ann");
    EXPECT_EQ(s.persist.getStringValue("User1", "<absent>"), "<absent>");
    ASSERT_TRUE(rltest::fileExists(dir.file("Roamledger.settings.unreadable")));
    EXPECT_EQ(rltest::readFile(dir.file("Roamledger.settings.unreadable")), broken);

    s.persist.setStringValue("User0", "Changed");
    s.persist.save();
    EXPECT_EQ(rltest::readFile(dir.file("Roamledger.settings.unreadable")), broken);
    Store again;
    again.persist.load();
    EXPECT_EQ(again.persist.getStringValue("User0"), "Changed");
}

TEST(PropertiesStore, SaveReplacesTheFileWithModeSixHundredAndNoLeftovers) {
    rltest::TempWorkDir dir;
    rltest::writeFile(dir.file("Roamledger.settings"), "old=1\n");
    ::chmod(dir.file("Roamledger.settings").c_str(), 0644);
    Store s;
    s.persist.load();
    s.persist.setStringValue("new", "2");
    s.persist.save();

    struct stat st {};
    ASSERT_EQ(::stat(dir.file("Roamledger.settings").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"Roamledger.settings"});
    Store in;
    in.persist.load();
    EXPECT_EQ(in.persist.getStringValue("old"), "1");
    EXPECT_EQ(in.persist.getStringValue("new"), "2");
}

TEST(PropertiesStore, FailedSaveKeepsMemoryAndTheOldFile) {
    rltest::TempWorkDir dir;
    // A folder where the file should be: the rename cannot replace it.
    std::filesystem::create_directory(dir.file("Roamledger.settings"));
    Store s;
    s.persist.setStringValue("kept", "in memory");
    s.persist.save();
    EXPECT_EQ(s.persist.getStringValue("kept"), "in memory");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("Roamledger.settings")));
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"Roamledger.settings"}) << "temporary file removed";
}

namespace {

// Stops the saving process right before the temporary file replaces the
// settings file and tells the parent so.
class StallingStore : public PropertiesPrefPersist {
public:
    explicit StallingStore(int signalFd) : m_signalFd(signalFd) {}

protected:
    void beforeReplace(const std::string&) override {
        char c = 'w';
        (void)::write(m_signalFd, &c, 1);
        for (;;) ::pause();
    }

private:
    int m_signalFd;
};

}  // namespace

TEST(PropertiesStore, SaveKilledBeforeTheRenameLeavesTheOldFileLoadable) {
    rltest::TempWorkDir dir;
    {
        Store first;
        for (int i = 0; i < 500; ++i) first.persist.setStringValue("Key" + std::to_string(i), "old");
        first.persist.save();
    }
    const std::string before = rltest::readFile(dir.file("Roamledger.settings"));

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(fds[0]);
        StallingStore store(fds[1]);
        store.setPersistenceFilePathPrefix("Roamledger");
        store.load();
        for (int i = 0; i < 500; ++i) store.setStringValue("Key" + std::to_string(i), "new");
        store.save();
        ::_exit(0);
    }
    ::close(fds[1]);
    char c = 0;
    ASSERT_EQ(::read(fds[0], &c, 1), 1) << "the child reached the point before the rename";
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(fds[0]);
    ASSERT_TRUE(WIFSIGNALED(status));

    EXPECT_EQ(rltest::readFile(dir.file("Roamledger.settings")), before);
    Store after;
    after.persist.load();
    EXPECT_EQ(after.persist.getStringValue("Key0"), "old");
    EXPECT_EQ(after.persist.getStringValue("Key499"), "old");
    EXPECT_FALSE(rltest::fileExists(dir.file("Roamledger.settings.unreadable")));
    // The killed save's temporary file (a full copy, passwords included) is gone.
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"Roamledger.settings"});
}

TEST(PropertiesStore, LoadRemovesOnlyItsOwnStaleTemporaryFiles) {
    rltest::TempWorkDir dir;
    const std::vector<std::string> stale = {"Roamledger.settings.save-Ab3dE9.tmp", "Roamledger.settings.save-000000.tmp"};
    const std::vector<std::string> others = {
        "Roamledger.settings.backup",         "Roamledger.settings.unreadable",   "Roamledger.settings.Ab3dE9",
        "Roamledger.settings.save-Ab3dE.tmp", "Roamledger.settings.save-Ab-dE9.tmp",
        "Roamledger.settings.save-Ab3dE99.tmp", "Other.settings.save-Ab3dE9.tmp", "xRoamledger.settings.save-Ab3dE9.tmp"};
    for (const auto& name : stale) rltest::writeFile(dir.file(name), "Key=secret\n");
    for (const auto& name : others) rltest::writeFile(dir.file(name), "Key=mine\n");
    // Look-alikes that are no plain files, and one that a save is writing.
    std::filesystem::create_directory(dir.file("Roamledger.settings.save-Dir000.tmp"));
    std::filesystem::create_symlink(dir.file("Roamledger.settings.backup"), dir.file("Roamledger.settings.save-Lnk000.tmp"));
    const std::string busy = dir.file("Roamledger.settings.save-Busy00.tmp");
    rltest::writeFile(busy, "Key=being written\n");
    int held = ::open(busy.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    Store s;
    s.persist.load();
    ::close(held);

    for (const auto& name : stale) EXPECT_FALSE(rltest::fileExists(dir.file(name))) << name;
    for (const auto& name : others) EXPECT_EQ(rltest::readFile(dir.file(name)), "Key=mine\n") << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("Roamledger.settings.save-Dir000.tmp")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("Roamledger.settings.save-Lnk000.tmp")));
    EXPECT_TRUE(rltest::fileExists(busy));
}

TEST(PropertiesStore, KeyBelongsToUserOnlyAtADigitBoundary) {
    struct Case {
        const char* key;
        const char* prefix;
        bool belongs;
    };
    const Case cases[] = {
        {"User1", "User1", true},
        {"User1AmericanUsername", "User1", true},
        {"User10", "User1", false},
        {"User12AmericanUsername", "User1", false},
        {"User1\xD9\xA3", "User1", false},  // ARABIC-INDIC DIGIT THREE
        {"User", "User1", false},
        {"Use", "User", false},
        {"User0", "User", false},
        {"UserX", "User", true},
    };
    for (const Case& c : cases) EXPECT_EQ(BasePrefPersist::doesKeyBelongToUser(c.key, c.prefix), c.belongs) << c.key;
}

TEST(PropertiesStore, RemoveAndRenameByPrefixKeepOtherUsersApart) {
    PropertiesPrefPersist s;
    for (int n = 0; n < 20; ++n) {
        s.setStringValue("User" + std::to_string(n), "name" + std::to_string(n));
        s.setStringValue("User" + std::to_string(n) + "AirCanadaBalance", std::to_string(n));
    }
    s.setStringValue("OptMaxThreads", "8");
    s.removeKeysWithPrefix("User1");
    EXPECT_EQ(s.getStringValue("User1", "<absent>"), "<absent>");
    EXPECT_EQ(s.getStringValue("User1AirCanadaBalance", "<absent>"), "<absent>");
    for (int n = 10; n < 20; ++n) {
        EXPECT_EQ(s.getStringValue("User" + std::to_string(n)), "name" + std::to_string(n));
        EXPECT_EQ(s.getStringValue("User" + std::to_string(n) + "AirCanadaBalance"), std::to_string(n));
    }
    EXPECT_EQ(s.getKeys().size(), 39u);

    s.renameKeysWithPrefix("User2", "User1");
    EXPECT_EQ(s.getStringValue("User1"), "name2");
    EXPECT_EQ(s.getStringValue("User1AirCanadaBalance"), "2");
    EXPECT_EQ(s.getStringValue("User2", "<absent>"), "<absent>");
    EXPECT_EQ(s.getStringValue("User12"), "name12");
    EXPECT_EQ(s.getStringValue("User0"), "name0");
}

TEST(PropertiesStore, NumbersParseOnlyWhenDecimalAndInRange) {
    PropertiesPrefPersist s;
    const std::map<std::string, std::string> stored = {
        {"neg", "-12"}, {"plus", "+5"}, {"zero", "0"}, {"big", "2147483648"}, {"small", "-2147483649"},
        {"max", "2147483647"}, {"text", "eight"}, {"blank", " 5"}, {"trail", "5 "}, {"hex", "0x10"},
        {"empty", ""}, {"double", "--1"}, {"huge", "9223372036854775808"}, {"float", "1.5"}};
    for (const auto& [k, v] : stored) s.setStringValue(k, v);

    EXPECT_EQ(s.getIntValue("neg", 8), -12);
    EXPECT_EQ(s.getIntValue("plus", 8), 5);
    EXPECT_EQ(s.getIntValue("zero", 8), 0);
    EXPECT_EQ(s.getIntValue("max", 8), 2147483647);
    for (const char* k : {"big", "small", "text", "blank", "trail", "hex", "empty", "double", "float", "missing"}) {
        EXPECT_EQ(s.getIntValue(k, 8), 8) << k;
    }
    EXPECT_EQ(s.getIntValue("text"), 0);
    EXPECT_EQ(s.getLongValue("big", 1), 2147483648LL);
    EXPECT_EQ(s.getLongValue("small", 1), -2147483649LL);
    EXPECT_EQ(s.getLongValue("huge", 1), 1);
    EXPECT_EQ(s.getLongValue("missing"), 0);
    EXPECT_EQ(s.getStringValue("text"), "eight") << "a getter never changes the stored text";

    s.setIntValue("i", -7);
    s.setLongValue("l", 240000000000LL);
    EXPECT_EQ(s.getStringValue("i"), "-7");
    EXPECT_EQ(s.getStringValue("l"), "240000000000");
}
