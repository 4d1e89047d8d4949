// The finisher's run, in this process, over a temporary install folder: what
// it installs, what it refuses, the scripts, the versions file, the upgrade
// folder and the relaunch.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "finisher/Vantrell.h"
#include "finisher/ZipArchive.h"
#include "foundation/Logger.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"
#include "tests/support/ZipBuilder.h"

namespace fs = std::filesystem;
using finisher::Vantrell;
using foundation::Logger;
using rltest::fileExists;
using rltest::fileMode;
using rltest::readFile;
using rltest::ZipItem;

namespace {

void writeProgram(const std::string& path, const std::string& text) {
    rltest::writeFile(path, text);
    ::chmod(path.c_str(), 0755);
}

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

class VantrellTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The run opens "Vantrell.log" in this test's folder.
        Logger::close();
        fs::create_directories("upgrades");
        writeProgram("Lanternbay",
                     "#!/bin/sh\necho \"relaunched $#\" > relaunched.tmp && mv relaunched.tmp relaunched.mark\n");
        rltest::writeFile("Lanternbay.versions", "#old\ncore=12\n");
        rltest::writeFile("upgrades/Lanternbay.versions.tmp", "#new\ncore=13\n");
    }

    void TearDown() override { Logger::close(); }

    void addArchive(const std::string& name, const std::vector<ZipItem>& items) {
        rltest::writeFile("upgrades/" + name, rltest::buildZip(items));
    }

    // Runs the finisher as the upgrade client starts it and waits for the
    // program it relaunches.
    void run(const std::string& source = "upgrades", const std::string& destination = "",
             uint64_t unpackLimit = Vantrell::MAX_UNPACKED_BYTES) {
        std::string dest = destination.empty() ? dir.path() : destination;
        Vantrell finisher(dir.file(source), dest, "Lanternbay", dir.file("upgrades/Lanternbay.versions.tmp"),
                          dir.file("Lanternbay.versions"), 0, unpackLimit);
        complete = finisher.isComplete();
        relaunched = rltest::waitFor([] { return fileExists("relaunched.mark"); }, 30000);
    }

    std::string log() {
        Logger::close();
        return readFile("Vantrell.log");
    }

    // Nothing of any archive reached the install folder, the old versions
    // file stayed, the upgrade folder is gone and the program came back.
    void expectNothingInstalled(const std::vector<std::string>& names) {
        for (const auto& name : names) EXPECT_FALSE(fileExists(name)) << name;
        EXPECT_EQ(readFile("Lanternbay.versions"), "#old\ncore=12\n");
        EXPECT_FALSE(fileExists("upgrades"));
        EXPECT_TRUE(relaunched);
        EXPECT_FALSE(complete);
        EXPECT_EQ(count(log(), "Exiting"), 0u);
    }

    rltest::TempWorkDir dir;
    bool complete = false;
    bool relaunched = false;
};

TEST_F(VantrellTest, InstallsEveryArchiveRunsItsScriptsAndRelaunches) {
    rltest::writeFile("config.txt", "old config");
    ::chmod("config.txt", 0640);
    addArchive("core13.zip",
               {ZipItem::file("pre-upgrade.bat",
                              "if [ -e readme.txt ]; then echo after > pre.mark; else echo before > pre.mark; fi\n"),
                ZipItem::folder("bin/"), ZipItem::file("bin/tool", "#!/bin/sh\necho tool\n", 0755),
                ZipItem::file("readme.txt", std::string(10000, 'r'), 0644),
                ZipItem::file("post-upgrade.bat",
                              "if [ -e readme.txt ]; then echo after > post.mark; else echo before > post.mark; fi\n"
                              "exit 3\n")});
    addArchive("data2.zip", {ZipItem::file("lib/deep/data.bin", std::string("\0\1\2\3", 4) + std::string(5000, 'x'),
                                           0600),
                             ZipItem::file("config.txt", "new config", 0644)});
    run();

    EXPECT_TRUE(complete);
    EXPECT_TRUE(relaunched);
    EXPECT_EQ(readFile("relaunched.mark"), "relaunched 0\n");
    EXPECT_EQ(readFile("bin/tool"), "#!/bin/sh\necho tool\n");
    EXPECT_EQ(fileMode("bin/tool"), 0755u);
    EXPECT_EQ(readFile("readme.txt"), std::string(10000, 'r'));
    EXPECT_EQ(fileMode("readme.txt"), 0644u);
    EXPECT_EQ(readFile("lib/deep/data.bin"), std::string("\0\1\2\3", 4) + std::string(5000, 'x'));
    EXPECT_EQ(fileMode("lib/deep/data.bin"), 0600u);
    EXPECT_EQ(readFile("config.txt"), "new config");
    EXPECT_EQ(fileMode("config.txt"), 0644u) << "the archive's mode wins over the replaced file's";

    // The pre-upgrade script ran before the move and never reached the
    // install folder; the post-upgrade script ran after it and was deleted.
    EXPECT_EQ(readFile("pre.mark"), "before\n");
    EXPECT_EQ(readFile("post.mark"), "after\n");
    EXPECT_FALSE(fileExists("pre-upgrade.bat"));
    EXPECT_FALSE(fileExists("post-upgrade.bat"));

    EXPECT_EQ(readFile("Lanternbay.versions"), "#new\ncore=13\n");
    EXPECT_FALSE(fileExists("upgrades"));

    std::string text = log();
    std::string up = dir.file("upgrades");
    // Each archive is unpacked into a folder numbered by its place in the
    // list, which the file system orders.
    const bool coreFirst = text.find("Unzipping " + up + "/core13.zip") < text.find("Unzipping " + up + "/data2.zip");
    const std::string core = up + (coreFirst ? "/unzip.1" : "/unzip.2");
    const std::string data = up + (coreFirst ? "/unzip.2" : "/unzip.1");
    for (const std::string& line : std::vector<std::string>{
             "Source Path: " + up, "Destination Path: " + dir.path(), "Executable Path: Lanternbay",
          "Waiting 5 seconds to give launching app a chance to fully quit", "Validating " + up + "/core13.zip",
          std::string("\tEntries - 5"), "\tEntry - readme.txt with size of 10000", "Unzipping " + up + "/data2.zip",
          "Creating root dir: " + core, "Creating root dir: " + data, "Creating dir: " + core + "/bin/",
          "Parent dirs not created: " + core + "/bin", "Running " + up + "/unzip/pre-upgrade.bat",
          "/bin/sh exiting with value 3", "Not launching " + up + "/unzip/pre-upgrade.bat since it is an empty script",
          "Moved: " + up + "/unzip/config.txt to " + dir.file("config.txt"),
          "Overwriting " + dir.file("Lanternbay.versions") + " with " + up + "/Lanternbay.versions.tmp",
          "Moved: " + up + "/Lanternbay.versions.tmp to " + dir.file("Lanternbay.versions"),
          "Deleting " + up, "Launching Lanternbay", "Spawning separate process: ./Lanternbay", std::string("Exiting")}) {
        EXPECT_NE(text.find(" - " + line + "\n"), std::string::npos) << line << "\n" << text;
    }
    // Both archives were validated before the first was unpacked, and
    // unpacked before the first file was moved.
    EXPECT_LT(text.rfind("Validating "), text.find("Unzipping "));
    EXPECT_LT(text.rfind("Unzipping "), text.find(" - Moved: "));
    EXPECT_LT(text.find("Deleting " + up), text.find("Launching Lanternbay"));
    EXPECT_LT(text.find("Launching Lanternbay"), text.find(" - Exiting"));
}

struct Hostile {
    const char* label;
    std::vector<ZipItem> items;
    const char* logged;
    // Bytes of the built archive changed as no writer of ours would.
    std::function<void(std::string&)> patch = nullptr;
};

class HostileArchiveTest : public VantrellTest, public ::testing::WithParamInterface<Hostile> {};

ZipItem withFlags(ZipItem item, uint16_t flags) {
    item.flags = flags;
    return item;
}

ZipItem withCrc(ZipItem item, uint32_t crc) {
    item.crc = crc;
    return item;
}

ZipItem withMethod(ZipItem item, int method) {
    item.method = method;
    return item;
}

ZipItem zip64Sized(ZipItem item, uint64_t size) {
    item.zip64 = true;
    item.size = size;
    return item;
}

ZipItem insidePrevious(ZipItem item) {
    item.insidePrevious = true;
    return item;
}

// A little-endian number of `size` bytes written into an archive.
void putLe(std::string& bytes, size_t at, uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The end record of an archive without a comment.
size_t endRecord(const std::string& bytes) { return bytes.size() - 22; }

std::vector<Hostile> hostileArchives() {
    ZipItem ok = ZipItem::file("evil-ok.txt", "fine");
    // Names aim at "{outside}", the folder around the install folder.
    return {
        {"ParentFolder", {ok, ZipItem::file("../x", "escaped")}, "entry \"../x\" leaves the folder"},
        {"ParentFolderInside", {ok, ZipItem::file("a/../../x", "escaped")}, "entry \"a/../../x\" leaves the folder"},
        {"ParentFolderBackslash", {ok, ZipItem::file("a\\..\\..\\x", "escaped")}, "leaves the folder"},
        {"Absolute", {ok, ZipItem::file("{outside}/x", "escaped")}, "is absolute"},
        {"AbsoluteBackslash", {ok, ZipItem::file("{outside}\\x", "escaped")}, "is absolute"},
        {"DriveLetter", {ok, ZipItem::file("C:/x", "escaped")}, "has a drive letter"},
        {"DriveLetterRelative", {ok, ZipItem::file("c:x", "escaped")}, "has a drive letter"},
        {"Nul", {ok, ZipItem::file(std::string("a\0/../../x", 10), "escaped")}, "holds a NUL"},
        {"PathTooLong", {ok, ZipItem::file([] {
                             std::string deep;
                             for (int i = 0; i < 17; ++i) deep += std::string(250, 'd') + "/";
                             return deep + "x";
                         }(), "deep")},
         "is too long for the file system"},
        {"SymbolicLink", {ok, ZipItem::link("evil-link", "/etc/passwd")}, "entry \"evil-link\" is a symbolic link"},
        {"Device", {ok, [] { ZipItem f = ZipItem::file("evil-dev", ""); f.mode = 020644; return f; }()},
         "is not a file or a folder"},
        {"Encrypted", {ok, withFlags(ZipItem::file("evil-enc.txt", "secret"), 1)}, "is encrypted"},
        {"AesEncrypted", {ok, [] {
             // The AES field: version 2, vendor "AE", 256 bits, deflated.
             ZipItem aes = withCrc(withMethod(withFlags(ZipItem::file("evil-aes.txt", "sealed"), 1), 99), 0);
             aes.extra = std::string("\x01\x99\x07\x00\x02\x00" "AE" "\x03\x08\x00", 11);
             return aes;
         }()},
         "entry \"evil-aes.txt\" is encrypted"},
        {"SizesAddUpPastSixtyFourBits", {ok, zip64Sized(ZipItem::file("evil-huge.bin", "small"), ~uint64_t{0}),
                                         zip64Sized(ZipItem::file("evil-one.bin", "1"), 1)},
         "its files add up to more than 18446744073709551615 bytes"},
        {"BadCrc", {ok, withCrc(ZipItem::file("evil-crc.txt", std::string(3000, 'c')), 0x12345678)},
         "fails its CRC-32 check"},
        {"BadCrcStored", {ok, withCrc(withMethod(ZipItem::file("evil-crc.txt", "stored"), 0), 1)},
         "fails its CRC-32 check"},
        {"Bzip2", {ok, withMethod(ZipItem::file("evil-bz.txt", "BZh9"), 12)}, "uses compression method 12"},
        // What one reader can read otherwise than another: a local header
        // that disagrees with the directory, one name or path twice,
        // entries sharing bytes, a directory counted short.
        {"LocalCrc", {ok}, "entry \"evil-ok.txt\" records another CRC-32 in its local header",
         [](std::string& bytes) { putLe(bytes, 14, 0x12345678, 4); }},
        {"LocalFlags", {ok}, "entry \"evil-ok.txt\" has flags 0x0020 in its local header",
         [](std::string& bytes) { putLe(bytes, 6, 0x0020, 2); }},
        {"NameTwice", {ok, ZipItem::file("twice.txt", "first"), ZipItem::file("twice.txt", "second")},
         "it holds one name twice"},
        {"PathTwice", {ok, ZipItem::file("twice.txt", "first"), ZipItem::file("./twice.txt", "second")},
         "entry \"./twice.txt\" names a path an earlier entry names"},
        {"Overlapping", {withMethod(ZipItem::file("evil-outer.bin", ""), 0), insidePrevious(ZipItem::file("x", "in"))},
         "entry \"x\" overlaps entry \"evil-outer.bin\""},
        {"EndRecordCountsOneOfTwo", {ok, ZipItem::file("lib/new.cfg", "new")},
         "its directory, its end record and its entries disagree",
         [](std::string& bytes) {
             putLe(bytes, endRecord(bytes) + 8, 1, 2);
             putLe(bytes, endRecord(bytes) + 10, 1, 2);
         }},
        {"RecordAfterTheDirectory", {ok, ZipItem::file("lib/new.cfg", "new")},
         "there are bytes between its directory and its end record",
         [](std::string& bytes) {
             // One record counted and sized: the second lies between the
             // directory and the end record, where unzip still finds it.
             putLe(bytes, endRecord(bytes) + 8, 1, 2);
             putLe(bytes, endRecord(bytes) + 10, 1, 2);
             putLe(bytes, endRecord(bytes) + 12, 46 + std::string("evil-ok.txt").size(), 4);
         }},
        {"Zip64EndRecordCountsOtherwise", {zip64Sized(ok, 4)}, "its end record and its zip64 end record disagree",
         [](std::string& bytes) {
             // Two records counted, unmarked; the zip64 end record counts one.
             putLe(bytes, endRecord(bytes) + 8, 2, 2);
             putLe(bytes, endRecord(bytes) + 10, 2, 2);
         }},
        {"ThreeEndRecords", {ok, ZipItem::file("evil-hidden.txt", "only libzip lists it")},
         "it holds more than one end record",
         [](std::string& bytes) {
             // A, libzip's, with a comment as long as the last two records;
             // C, after a copy of A's directory, where an end record with
             // A's comment ends the file; B, the last, in C's comment,
             // listing one entry, as the readers that take the last see.
             const size_t a = endRecord(bytes);
             const size_t directory = bytes.find(std::string("PK\1\2", 4));
             const std::string copy = bytes.substr(directory, a - directory);
             const std::string onlyFirst = copy.substr(0, 46 + std::string("evil-ok.txt").size());
             const size_t comment = onlyFirst.size() + 22;
             putLe(bytes, a + 20, comment, 2);
             std::string c = bytes.substr(a, 22);
             bytes += std::string(comment, 'c');
             putLe(c, 16, bytes.size(), 4);
             bytes += copy + c;
             std::string b = c;
             putLe(b, 8, 1, 2);
             putLe(b, 10, 1, 2);
             putLe(b, 12, onlyFirst.size(), 4);
             putLe(b, 16, bytes.size(), 4);
             putLe(b, 20, 0, 2);
             bytes += onlyFirst + b;
         }},
        {"CommentHoldsAnEndRecord", {ok}, "its comment holds an end record",
         [](std::string& bytes) {
             // Readers that take the last end record find no directory;
             // libzip looks past it.
             std::string second = bytes.substr(endRecord(bytes));
             putLe(second, 16, 1, 4);
             putLe(bytes, endRecord(bytes) + 20, second.size(), 2);
             bytes += second;
         }},
    };
}

// A hostile name with "{outside}" standing for the folder, written with the
// name's own separators.
std::string aimedAt(std::string name, std::string outside) {
    const std::string mark = "{outside}";
    size_t at = name.find(mark);
    if (at == std::string::npos) return name;
    if (name.find('\\') != std::string::npos) std::replace(outside.begin(), outside.end(), '/', '\\');
    return name.replace(at, mark.size(), outside);
}

std::vector<std::string> listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_P(HostileArchiveTest, InstallsNothingFromAnyArchive) {
    // The install folder lies in a folder of the test's own, where the
    // names that would leave it aim; both stay empty. Sound archives beside
    // the hostile one are not installed either.
    fs::create_directories("outside/install");
    addArchive("a-good.zip", {ZipItem::file("good.txt", "good")});
    std::vector<ZipItem> items = GetParam().items;
    for (ZipItem& item : items) item.name = aimedAt(item.name, dir.file("outside"));
    std::string bytes = rltest::buildZip(items);
    if (GetParam().patch) GetParam().patch(bytes);
    rltest::writeFile("upgrades/b-bad.zip", bytes);
    addArchive("c-good.zip", {ZipItem::file("later.txt", "later")});
    run("upgrades", dir.file("outside/install"));
    expectNothingInstalled({});
    EXPECT_EQ(listing("outside"), std::vector<std::string>{"install"});
    EXPECT_EQ(listing("outside/install"), std::vector<std::string>{});
    std::string text = log();
    const std::string bad = dir.file("upgrades/b-bad.zip");
    EXPECT_TRUE(text.find("ZipException: Cannot install " + bad + ": ") != std::string::npos ||
                text.find("ZipException: Cannot read " + bad + ": ") != std::string::npos)
        << text;
    EXPECT_NE(text.find(GetParam().logged), std::string::npos) << text;
    EXPECT_EQ(count(text, "Unzipping "), 0u) << text;
}

INSTANTIATE_TEST_SUITE_P(Entries, HostileArchiveTest, ::testing::ValuesIn(hostileArchives()),
                         [](const ::testing::TestParamInfo<Hostile>& info) { return info.param.label; });

// Entries whose names are safe but whose places are not: the upgrade folder
// (which lies inside the install folder), a folder where a file stands or
// a file where a folder stands, in the install folder or between entries.
struct Misplaced {
    const char* label;
    std::function<void()> prepare;
    std::vector<std::pair<std::string, std::vector<ZipItem>>> archives;
    const char* logged;
};

class MisplacedEntryTest : public VantrellTest, public ::testing::WithParamInterface<Misplaced> {};

std::vector<Misplaced> misplacedEntries() {
    auto nothing = [] {};
    auto content = [] {
        fs::create_directories("content/pages");
        rltest::writeFile("content/pages/index.html", "kept");
    };
    ZipItem ok = ZipItem::file("good.txt", "good");
    return {
        {"UpgradeFolderAsAFile", nothing, {{"a.zip", {ok, ZipItem::file("upgrades", "x")}}},
         "entry \"upgrades\" names the upgrade folder"},
        {"NewVersionsTable", nothing, {{"a.zip", {ok, ZipItem::file("upgrades/Lanternbay.versions.tmp", "core=99\n")}}},
         "names the upgrade folder"},
        {"AnotherArchive", nothing, {{"a.zip", {ok, ZipItem::file("upgrades/b.zip", "x")}}},
         "names the upgrade folder"},
        {"ScratchFolder", nothing, {{"a.zip", {ok, ZipItem::file("./upgrades//unzip/good.txt", "x")}}},
         "names the upgrade folder"},
        {"UpgradeFolderAsAFolder", nothing, {{"a.zip", {ok, ZipItem::folder("upgrades/")}}},
         "names the upgrade folder"},
        {"ThroughALink", [] { fs::create_directory_symlink("upgrades", "shortcut"); },
         {{"a.zip", {ok, ZipItem::file("shortcut/x.zip", "x")}}}, "entry \"shortcut/x.zip\" names the upgrade folder"},
        {"FileOverFolder", content, {{"a.zip", {ok, ZipItem::file("content", "flat")}}},
         "entry \"content\" puts a file where the folder"},
        {"FileOverFolderDotted", content, {{"a.zip", {ok, ZipItem::file("./content//pages", "flat")}}},
         "puts a file where the folder"},
        {"FolderOverFile", [] { rltest::writeFile("plugins", "a file in the way"); },
         {{"a.zip", {ok, ZipItem::file("plugins/p.so", "p")}}}, "needs a folder where the file"},
        {"FolderEntryOverFile", [] { rltest::writeFile("plugins", "a file in the way"); },
         {{"a.zip", {ok, ZipItem::folder("plugins/")}}}, "needs a folder where the file"},
        {"FolderOverDanglingLink", [] { fs::create_symlink("nowhere", "plugins"); },
         {{"a.zip", {ok, ZipItem::file("plugins/p.so", "p")}}}, "needs a folder where the file"},
        {"FileThenFolderInOneArchive", nothing,
         {{"a.zip", {ok, ZipItem::file("lib", "flat"), ZipItem::file("lib/x.so", "x")}}},
         "entry \"lib/x.so\" needs a folder where an entry puts the file lib"},
        {"FolderThenFileInOneArchive", nothing,
         {{"a.zip", {ok, ZipItem::folder("lib/"), ZipItem::file("lib", "flat")}}},
         "entry \"lib\" puts a file where an entry needs the folder lib"},
        {"FileThenFolderAcrossArchives", nothing,
         {{"a.zip", {ok, ZipItem::file("lib", "flat")}}, {"b.zip", {ZipItem::file("lib/x.so", "x")}}},
         "where an entry"},
        {"DotAsAFile", content, {{"a.zip", {ok, ZipItem::file("content/.", "flat")}}}, "names no file"},
    };
}

TEST_P(MisplacedEntryTest, InstallsNothingAndKeepsTheVersionsFile) {
    GetParam().prepare();
    for (const auto& [name, items] : GetParam().archives) addArchive(name, items);
    run();
    expectNothingInstalled({"good.txt", "lib", "x.zip"});
    if (fs::exists("content")) {
        EXPECT_EQ(readFile("content/pages/index.html"), "kept");
    }
    if (fs::is_regular_file("plugins")) {
        EXPECT_EQ(readFile("plugins"), "a file in the way");
    }
    std::string text = log();
    EXPECT_NE(text.find(GetParam().logged), std::string::npos) << text;
    EXPECT_EQ(count(text, "Unzipping "), 0u) << text;
    EXPECT_EQ(count(text, " - Moved: "), 0u) << text;
}

INSTANTIATE_TEST_SUITE_P(Places, MisplacedEntryTest, ::testing::ValuesIn(misplacedEntries()),
                         [](const ::testing::TestParamInfo<Misplaced>& info) { return info.param.label; });

TEST_F(VantrellTest, FoldersAndLinksThatFitAreNoClash) {
    // Entries that name existing folders, a link to a folder, the same
    // folder from two archives, and files named "a" or "v1." install as usual.
    fs::create_directories("content/pages");
    fs::create_directories("real-skins");
    fs::create_directory_symlink("real-skins", "skins");
    addArchive("a.zip", {ZipItem::folder("content/"), ZipItem::file("content/pages/new.html", "n"),
                         ZipItem::file("skins/blue.css", "b")});
    addArchive("b.zip", {ZipItem::file("./content//pages/other.html", "o"), ZipItem::folder("content/pages/"),
                         ZipItem::file("a", "1"), ZipItem::file("content/v1.", "2")});
    run();
    EXPECT_TRUE(complete);
    EXPECT_EQ(readFile("a"), "1");
    EXPECT_EQ(readFile("content/v1."), "2");
    EXPECT_EQ(readFile("content/pages/new.html"), "n");
    EXPECT_EQ(readFile("content/pages/other.html"), "o");
    EXPECT_EQ(readFile("real-skins/blue.css"), "b");
    EXPECT_EQ(readFile("Lanternbay.versions"), "#new\ncore=13\n");
}

// The recorded sizes of an archive's only entry, in its local header and
// in the directory.
void setRecordedSize(std::string& bytes, uint32_t size) {
    auto put = [&](size_t at) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    };
    size_t central = bytes.find(std::string("PK\1\2", 4));
    ASSERT_EQ(bytes.compare(0, 4, std::string("PK\3\4", 4)), 0);
    ASSERT_NE(central, std::string::npos);
    put(22);
    put(central + 24);
}

void setCrc(std::string& bytes, uint32_t crc) {
    auto put = [&](size_t at) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((crc >> (8 * i)) & 0xFF);
    };
    put(14);
    put(bytes.find(std::string("PK\1\2", 4)) + 16);
}

TEST_F(VantrellTest, WhatAnUpgradeMayUnpackIsCapped) {
    // Two archives of 600 and 400 bytes: exactly the limit passes, one byte
    // less refuses both.
    auto prepare = [this] {
        fs::create_directories("upgrades");
        rltest::writeFile("upgrades/Lanternbay.versions.tmp", "#new\ncore=13\n");
        addArchive("a.zip", {ZipItem::file("a.bin", std::string(600, 'a')), ZipItem::folder("empty/")});
        addArchive("b.zip", {ZipItem::file("b.bin", std::string(400, 'b'))});
        fs::remove("relaunched.mark");
        Logger::close();
        fs::remove("Vantrell.log");
    };
    prepare();
    run("upgrades", "", 999);
    expectNothingInstalled({"a.bin", "b.bin", "empty"});
    EXPECT_NE(log().find("the upgrade would unpack"), std::string::npos) << log();
    EXPECT_NE(log().find("more than the 999 one upgrade may"), std::string::npos) << log();

    prepare();
    run("upgrades", "", 1000);
    EXPECT_TRUE(complete);
    EXPECT_EQ(readFile("a.bin"), std::string(600, 'a'));
    EXPECT_EQ(readFile("b.bin"), std::string(400, 'b'));
}

TEST_F(VantrellTest, AnEntryThatInflatesPastItsRecordedSizeIsRefused) {
    // A small recorded size over a large deflated body, with a CRC-32 that
    // is true of the body or only of its first recorded bytes: both are
    // refused without writing the body anywhere.
    const std::string body(300000, 'z');
    for (bool crcOfPrefix : {false, true}) {
        SCOPED_TRACE(crcOfPrefix ? "CRC-32 of the recorded part" : "CRC-32 of the whole body");
        fs::create_directories("upgrades");
        rltest::writeFile("upgrades/Lanternbay.versions.tmp", "#new\ncore=13\n");
        fs::remove("relaunched.mark");
        Logger::close();
        fs::remove("Vantrell.log");
        std::string bytes = rltest::buildZip({ZipItem::file("bomb.bin", body)});
        setRecordedSize(bytes, 1000);
        if (crcOfPrefix) {
            setCrc(bytes, static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(body.data()), 1000)));
        }
        rltest::writeFile("upgrades/bomb.zip", bytes);
        run("upgrades", "", 1000);
        expectNothingInstalled({"bomb.bin"});
        EXPECT_NE(log().find("entry \"bomb.bin\" unpacks to more than its recorded 1000 bytes"), std::string::npos)
            << log();
    }
}

TEST_F(VantrellTest, SizesMarkedAsZip64AreReadFromTheirZip64Fields) {
    // A sound archive whose sizes and offsets are all zip64 fields installs;
    // a bomb whose zip64 size is 3 GiB is refused by that size.
    auto zip64 = [](ZipItem item, std::optional<uint64_t> size = std::nullopt) {
        item.zip64 = true;
        item.size = size;
        return item;
    };
    addArchive("core13.zip", {zip64(ZipItem::file("a.txt", "twenty-four bytes here!\n")),
                              zip64(withMethod(ZipItem::file("b.txt", "stored"), 0))});
    run();
    EXPECT_TRUE(complete);
    EXPECT_EQ(readFile("a.txt"), "twenty-four bytes here!\n");
    EXPECT_EQ(readFile("b.txt"), "stored");
    EXPECT_NE(log().find("\tEntry - a.txt with size of 24\n"), std::string::npos) << log();

    fs::create_directories("upgrades");
    rltest::writeFile("upgrades/Lanternbay.versions.tmp", "#new\ncore=14\n");
    fs::remove("relaunched.mark");
    addArchive("bomb.zip", {zip64(ZipItem::file("bomb.bin", "small"), uint64_t{3} << 30)});
    run();
    EXPECT_FALSE(fileExists("bomb.bin"));
    EXPECT_EQ(readFile("Lanternbay.versions"), "#new\ncore=13\n");
    EXPECT_NE(log().find("the upgrade would unpack 0 + 3221225472 bytes"), std::string::npos) << log();
}

TEST_F(VantrellTest, EachArchivesScriptSeesItInTheScratchFolder) {
    // Each pre-upgrade script records where it ran and what lies beside it:
    // its own archive's files in the scratch folder, nothing of the other.
    const std::string script = "echo \"$0\" >> pre.log && ls \"$(dirname \"$0\")\" >> pre.log\n";
    addArchive("a.zip", {ZipItem::file("pre-upgrade.bat", script), ZipItem::file("lib/a.txt", "a")});
    addArchive("b.zip", {ZipItem::file("pre-upgrade.bat", script), ZipItem::file("b.txt", "b")});
    run();
    EXPECT_TRUE(complete);
    const std::string up = dir.file("upgrades");
    const std::string a = up + "/unzip/pre-upgrade.bat\nlib\npre-upgrade.bat\n";
    const std::string b = up + "/unzip/pre-upgrade.bat\nb.txt\npre-upgrade.bat\n";
    const std::string ran = readFile("pre.log");
    EXPECT_TRUE(ran == a + b || ran == b + a) << ran;
    EXPECT_EQ(readFile("lib/a.txt"), "a");
    EXPECT_EQ(readFile("b.txt"), "b");
}

TEST_F(VantrellTest, ArchivesOfStreamingZip64AndPaddingWritersInstall) {
    // Streamed entries whose local header holds 0 for the CRC-32 and for
    // one size (at 18 the compressed size, at 22 the size) but the other
    // size, a zip64 archive whose folder entry needs version 4.5 in its
    // local header and 1.0 in the directory, an archive padded with zero
    // bytes to its block size, an entry typed as a pipe (standard input)
    // and a DOS name with its Unicode Path field.
    auto streamed = [](const std::string& name, size_t zeroedSize) {
        ZipItem item = ZipItem::file(name, std::string(3000, name[0]));
        item.flags = 8;
        std::string bytes = rltest::buildZip({item});
        putLe(bytes, 14, 0, 4);
        putLe(bytes, zeroedSize, 0, 4);
        return bytes;
    };
    rltest::writeFile("upgrades/piped.zip", streamed("piped.txt", 18));
    rltest::writeFile("upgrades/archived.zip", streamed("archived.txt", 22));
    ZipItem folder = ZipItem::folder("wide/");
    ZipItem file = ZipItem::file("wide/w.txt", "wide");
    folder.zip64 = file.zip64 = true;
    std::string wide = rltest::buildZip({folder, file});
    putLe(wide, wide.find(std::string("PK\1\2", 4)) + 6, 10, 2);
    rltest::writeFile("upgrades/wide.zip", wide);
    std::string padded = rltest::buildZip({ZipItem::file("padded.txt", "padded")});
    padded.resize(10240, '\0');
    rltest::writeFile("upgrades/padded.zip", padded);
    ZipItem input = ZipItem::file("-", "read from a pipe");
    input.mode = 010600;
    addArchive("stdin.zip", {input, ZipItem::unicodePath("caf\x82.txt", "caf\xC3\xA9.txt", "dos")});
    run();
    EXPECT_TRUE(complete) << log();
    EXPECT_EQ(readFile("piped.txt"), std::string(3000, 'p'));
    EXPECT_EQ(readFile("archived.txt"), std::string(3000, 'a'));
    EXPECT_EQ(readFile("wide/w.txt"), "wide");
    EXPECT_EQ(readFile("padded.txt"), "padded");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("-")));
    EXPECT_EQ(readFile("-"), "read from a pipe");
    EXPECT_EQ(fileMode("-"), 0600u);
    EXPECT_EQ(readFile("caf\xC3\xA9.txt"), "dos");
    EXPECT_FALSE(fileExists("caf\x82.txt"));
}

TEST_F(VantrellTest, LeftoversAtStagingPathsStayOutOfTheInstall) {
    // What a stopped run may leave where staging folders go: a link to a
    // folder elsewhere, which is deleted itself, and a folder with a file.
    fs::create_directories("elsewhere");
    rltest::writeFile("elsewhere/kept.txt", "kept");
    fs::create_directory_symlink(dir.file("elsewhere"), "upgrades/unzip.1");
    fs::create_directories("upgrades/unzip.2/lib");
    rltest::writeFile("upgrades/unzip.2/lib/stale.txt", "stale");
    addArchive("a.zip", {ZipItem::file("lib/a.txt", "a")});
    addArchive("b.zip", {ZipItem::file("lib/b.txt", "b")});
    run();
    EXPECT_TRUE(complete) << log();
    EXPECT_EQ(readFile("lib/a.txt"), "a");
    EXPECT_EQ(readFile("lib/b.txt"), "b");
    EXPECT_FALSE(fileExists("lib/stale.txt"));
    EXPECT_EQ(listing("elsewhere"), std::vector<std::string>{"kept.txt"});
}

TEST_F(VantrellTest, ControlCharactersOfEntryNamesAreEscapedInTheLog) {
    const std::string forged = "note\n12/09/26 04:00 PM - Forged line\x1b[2J\r\t";
    addArchive("a.zip", {ZipItem::file(forged, "n"), ZipItem::file("plain.txt", "p")});
    run();
    EXPECT_TRUE(complete);
    EXPECT_EQ(readFile(forged), "n") << "the name itself is a file name like any other";
    std::string text = log();
    EXPECT_EQ(text.find("\n12/09/26 04:00 PM - Forged"), std::string::npos) << text;
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    EXPECT_EQ(text.find('\r'), std::string::npos) << text;
    const std::string shown = "note\\n12/09/26 04:00 PM - Forged line\\x1B[2J\\r\\t";
    EXPECT_NE(text.find("\tEntry - " + shown + " with size of 1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Moved: " + dir.file("upgrades/unzip/" + shown)), std::string::npos) << text;
    // Every line of the log is one of its entries: a time stamp, " - ", text.
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '\t' || line.rfind("    at ", 0) == 0) continue;
        EXPECT_EQ(line.find(" - "), 17u) << line;
    }
}

TEST_F(VantrellTest, ArchivesCutShortOrNotZipAtAllInstallNothing) {
    std::string whole = rltest::buildZip({ZipItem::file("cut.txt", std::string(4000, 'k')),
                                          ZipItem::file("cut2.txt", "two")});
    const std::vector<std::string> broken = {
        whole.substr(0, whole.size() / 2), whole.substr(0, whole.size() - 1), whole.substr(0, whole.size() - 22),
        "This is not a zip file at all.\n", ""};
    for (size_t i = 0; i < broken.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        fs::create_directories("upgrades");
        rltest::writeFile("upgrades/Lanternbay.versions.tmp", "#new\ncore=13\n");
        fs::remove("relaunched.mark");
        Logger::close();
        fs::remove("Vantrell.log");
        addArchive("a-good.zip", {ZipItem::file("good.txt", "good")});
        rltest::writeFile("upgrades/b-broken.zip", broken[i]);
        run();
        expectNothingInstalled({"good.txt", "cut.txt", "cut2.txt"});
        EXPECT_NE(log().find("Cannot read " + dir.file("upgrades/b-broken.zip")), std::string::npos) << log();
    }
}

TEST_F(VantrellTest, DataThatDoesNotMatchItsSizeInstallsNothing) {
    // The directory claims more bytes than the stored data holds.
    std::string bytes = rltest::buildZip({withMethod(ZipItem::file("short.txt", "12345"), 0)});
    // Uncompressed size in the central directory record: 24 bytes into it.
    size_t central = bytes.find(std::string("PK\1\2", 4));
    ASSERT_NE(central, std::string::npos);
    bytes[central + 24] = 9;
    rltest::writeFile("upgrades/size.zip", bytes);
    run();
    expectNothingInstalled({"short.txt"});
}

TEST_F(VantrellTest, FilesKeepTheArchivesModeElseTheReplacedFilesMode) {
    rltest::writeFile("kept-mode.sh", "old");
    ::chmod("kept-mode.sh", 0700);
    ZipItem dosReplacing = ZipItem::file("kept-mode.sh", "new");
    dosReplacing.mode = 0;
    ZipItem dosNew = ZipItem::file("dos-new.txt", "new");
    dosNew.mode = 0;
    addArchive("modes.zip", {ZipItem::file("group.sh", "g", 0750), ZipItem::file("setuid", "s", 04755),
                             ZipItem::file("readonly.txt", "r", 0444), dosReplacing, dosNew});
    mode_t mask = ::umask(022);
    ::umask(mask);
    run();
    EXPECT_TRUE(complete);
    EXPECT_EQ(fileMode("group.sh"), 0750u);
    EXPECT_EQ(fileMode("setuid"), 0755u) << "no set-id bits from an archive";
    EXPECT_EQ(fileMode("readonly.txt"), 0444u);
    EXPECT_EQ(readFile("kept-mode.sh"), "new");
    EXPECT_EQ(fileMode("kept-mode.sh"), 0700u);
    EXPECT_EQ(fileMode("dos-new.txt"), 0666u & ~mask);
}

TEST_F(VantrellTest, EmptyArchiveAndEmptyScripts) {
    addArchive("a-empty.zip", {});
    addArchive("b-once.zip", {ZipItem::file("once.txt", "once"), ZipItem::file("pre-upgrade.bat", "")});
    run();
    EXPECT_TRUE(complete);
    EXPECT_EQ(readFile("once.txt"), "once");
    EXPECT_FALSE(fileExists("pre-upgrade.bat"));
    EXPECT_EQ(readFile("Lanternbay.versions"), "#new\ncore=13\n");
    std::string text = log();
    EXPECT_NE(text.find("\tEntries - 0\n"), std::string::npos) << text;
    EXPECT_EQ(count(text, "since it is an empty script"), 4u) << text;
    EXPECT_EQ(count(text, "Running "), 0u) << text;
}

TEST_F(VantrellTest, OnlyLowerCaseZipNamesAreArchives) {
    addArchive("CORE13.ZIP", {ZipItem::file("upper.txt", "u")});
    addArchive("core13.zip.part", {ZipItem::file("part.txt", "p")});
    run();
    expectNothingInstalled({"upper.txt", "part.txt"});
    EXPECT_NE(log().find(" - No relevant files in source dir\n"), std::string::npos) << log();

    finisher::ZipFilenameFilter filter;
    EXPECT_TRUE(filter.accept("x", "a.zip"));
    EXPECT_FALSE(filter.accept("x", "a.Zip"));
    EXPECT_FALSE(filter.accept("x", "zip"));
}

TEST_F(VantrellTest, FailedChecksInstallNothingButRelaunch) {
    addArchive("core13.zip", {ZipItem::file("checked.txt", "c")});
    fs::remove("upgrades/Lanternbay.versions.tmp");
    run();
    expectNothingInstalled({"checked.txt"});
    EXPECT_NE(log().find("No temporary versions file exists at " + dir.file("upgrades/Lanternbay.versions.tmp")),
              std::string::npos);

    fs::remove("relaunched.mark");
    run("no-such-folder");
    EXPECT_TRUE(relaunched);
    EXPECT_NE(log().find("No dir exists at source path at " + dir.file("no-such-folder")), std::string::npos);

    fs::remove("relaunched.mark");
    fs::create_directories("upgrades");
    addArchive("core13.zip", {ZipItem::file("checked.txt", "c")});
    run("upgrades", dir.file("no-such-install"));
    EXPECT_TRUE(relaunched);
    EXPECT_FALSE(fileExists("upgrades")) << "the downloads go even when nothing was installed";
    EXPECT_NE(log().find("No dir exists at destination path at " + dir.file("no-such-install")), std::string::npos);
}

TEST_F(VantrellTest, AFileThatCannotBeMovedKeepsTheOldVersionsFile) {
    // The archive's own script puts a folder where one of its files goes,
    // after the checks: that file cannot be moved, the others are, and the
    // upgrade stays on offer.
    addArchive("core13.zip", {ZipItem::file("pre-upgrade.bat", "mkdir -p plugins/p.so/inside\n"),
                              ZipItem::file("plugins/p.so", "p"), ZipItem::file("moved.txt", "m")});
    run();
    EXPECT_TRUE(complete);
    EXPECT_TRUE(relaunched);
    EXPECT_EQ(readFile("moved.txt"), "m");
    EXPECT_TRUE(fs::is_directory("plugins/p.so/inside")) << "the folder in the way stays as it was";
    EXPECT_EQ(readFile("Lanternbay.versions"), "#old\ncore=12\n");
    EXPECT_FALSE(fileExists("upgrades"));
    std::string text = log();
    EXPECT_NE(text.find(" - Not moved: " + dir.file("upgrades/unzip/plugins/p.so") + " to " +
                        dir.file("plugins/p.so") + "\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(" - Unable to move to " + dir.file("plugins/p.so") + ": a folder stands where the file goes\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Not overwriting " + dir.file("Lanternbay.versions") +
                        " since some files could not be moved into place"),
              std::string::npos)
        << text;
    EXPECT_EQ(count(text, "Overwriting "), 0u);
}

TEST_F(VantrellTest, AnArchiveThatFailsWhileUnpackingInstallsNoArchive) {
    // Seven sound archives and an install folder inside the upgrade folder,
    // where the last one unpacked, in whatever order the folder lists them,
    // is staged: that staging folder cannot be made fresh, the archive
    // passed every check and fails while unpacking, and no archive is
    // installed.
    const std::string install = "upgrades/unzip.7";
    fs::create_directories(install + "/bin");
    rltest::writeFile(install + "/bin/tool", "old tool");
    rltest::writeFile(install + "/Lanternbay.versions", "#old\ncore=12\n");
    for (int i = 0; i < 6; ++i) {
        addArchive("good" + std::to_string(i) + ".zip", {ZipItem::file("good" + std::to_string(i) + ".txt", "new")});
    }
    addArchive("core.zip", {ZipItem::file("bin/tool", "new tool", 0755)});
    Vantrell finisher(dir.file("upgrades"), dir.file(install), "Lanternbay", dir.file("upgrades/Lanternbay.versions.tmp"),
                      dir.file(install + "/Lanternbay.versions"), 0);
    EXPECT_FALSE(finisher.isComplete());
    EXPECT_TRUE(rltest::waitFor([] { return fileExists("relaunched.mark"); }, 30000));
    EXPECT_EQ(listing(install), (std::vector<std::string>{"Lanternbay.versions", "bin"}));
    EXPECT_EQ(listing(install + "/bin"), std::vector<std::string>{"tool"});
    EXPECT_EQ(readFile(install + "/bin/tool"), "old tool");
    EXPECT_EQ(readFile(install + "/Lanternbay.versions"), "#old\ncore=12\n");
    std::string text = log();
    EXPECT_EQ(count(text, " - Validating "), 7u) << text;
    EXPECT_EQ(count(text, "Error creating zip file for " + dir.file("upgrades/")), 1u) << text;
    EXPECT_NE(text.find("Unable to create " + dir.file(install) + ": File exists"), std::string::npos) << text;
    EXPECT_EQ(count(text, " - Moved: "), 0u) << text;
}

TEST_F(VantrellTest, AnUpgradeFolderHoldingTheInstallFolderIsNotDeleted) {
    fs::create_directories("upgrades/install");
    rltest::writeFile("upgrades/install/Lanternbay.versions", "core=12\n");
    addArchive("core13.zip", {ZipItem::file("inner.txt", "i")});
    Vantrell finisher(dir.file("upgrades"), dir.file("upgrades/install"), "Lanternbay",
                      dir.file("upgrades/Lanternbay.versions.tmp"), dir.file("upgrades/install/Lanternbay.versions"),
                      0);
    EXPECT_TRUE(finisher.isComplete());
    ASSERT_TRUE(rltest::waitFor([] { return fileExists("relaunched.mark"); }, 30000));
    EXPECT_EQ(readFile("upgrades/install/inner.txt"), "i");
    EXPECT_EQ(readFile("upgrades/install/Lanternbay.versions"), "#new\ncore=13\n");
    EXPECT_TRUE(fileExists("upgrades/core13.zip"));
    EXPECT_FALSE(fileExists("upgrades/unzip"));
    EXPECT_FALSE(fileExists("upgrades/unzip.1"));
    EXPECT_NE(log().find("Not deleting " + dir.file("upgrades") + " since the install folder " +
                         dir.file("upgrades/install") + " is inside it"),
              std::string::npos)
        << log();
}

TEST_F(VantrellTest, AProgramThatCannotBeStartedIsLogged) {
    fs::remove("Lanternbay");
    addArchive("core13.zip", {ZipItem::file("x.txt", "x")});
    Vantrell finisher(dir.file("upgrades"), dir.path(), "Lanternbay", dir.file("upgrades/Lanternbay.versions.tmp"),
                      dir.file("Lanternbay.versions"), 0);
    EXPECT_TRUE(finisher.isComplete());
    EXPECT_NE(log().find("Unable to launch Lanternbay: "), std::string::npos) << log();
}

TEST(ZipArchiveNames, OnlyNamesInsideTheFolderAreSafe) {
    using finisher::ZipArchive;
    const std::string longest(255, 'n');
    for (std::string good : {"a", "a/b/c.txt", "dir/", "./a", "a..b", "..a", "a/..b/c", "c", "cc:/x", "a/C:/x", "@:x",
                             "[:x", "`:x", "{:x"}) {
        EXPECT_EQ(ZipArchive::unsafeName(good), std::nullopt) << good;
    }
    EXPECT_EQ(ZipArchive::unsafeName("a/" + longest + "/b"), std::nullopt);
    for (const char* bad :
         {"", "..", "../", "a/..", "/a", "\\a", "..\\a", "C:", "Z:\\a", "a/../../b", "A:x", "a:x", "z:x"}) {
        EXPECT_NE(ZipArchive::unsafeName(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(ZipArchive::unsafeName("a/" + longest + "n/b"), "has a part longer than 255 bytes");
}

}  // namespace
