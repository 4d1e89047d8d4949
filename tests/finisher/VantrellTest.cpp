// The finisher's run, in this process, over a temporary install folder: what
// it installs, what it refuses, the scripts, the versions file, the upgrade
// folder and the relaunch.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
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
    void run(const std::string& source = "upgrades", const std::string& destination = "") {
        std::string dest = destination.empty() ? dir.path() : destination;
        Vantrell finisher(dir.file(source), dest, "Lanternbay", dir.file("upgrades/Lanternbay.versions.tmp"),
                          dir.file("Lanternbay.versions"), 0);
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
    for (const std::string& line : std::vector<std::string>{
             "Source Path: " + up, "Destination Path: " + dir.path(), "Executable Path: Lanternbay",
          "Waiting 5 seconds to give launching app a chance to fully quit", "Validating " + up + "/core13.zip",
          std::string("\tEntries - 5"), "\tEntry - readme.txt with size of 10000", "Unzipping " + up + "/data2.zip",
          "Creating root dir: " + up + "/unzip", "Creating dir: " + up + "/unzip/bin/",
          "Parent dirs not created: " + up + "/unzip/bin", "Running " + up + "/unzip/pre-upgrade.bat",
          "/bin/sh exiting with value 3", "Not launching " + up + "/unzip/pre-upgrade.bat since it is an empty script",
          "Overwriting " + dir.file("Lanternbay.versions") + " with " + up + "/Lanternbay.versions.tmp",
          "Deleting " + up, "Launching Lanternbay", "Spawning separate process: ./Lanternbay", std::string("Exiting")}) {
        EXPECT_NE(text.find(" - " + line + "\n"), std::string::npos) << line << "\n" << text;
    }
    // Both archives were validated before the first was unpacked.
    EXPECT_LT(text.rfind("Validating "), text.find("Unzipping "));
    EXPECT_LT(text.find("Deleting " + up), text.find("Launching Lanternbay"));
    EXPECT_LT(text.find("Launching Lanternbay"), text.find(" - Exiting"));
}

struct Hostile {
    const char* label;
    std::vector<ZipItem> items;
    const char* logged;
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

std::vector<Hostile> hostileArchives() {
    ZipItem ok = ZipItem::file("evil-ok.txt", "fine");
    return {
        {"ParentFolder", {ok, ZipItem::file("../x", "escaped")}, "entry \"../x\" leaves the folder"},
        {"ParentFolderInside", {ok, ZipItem::file("a/../../x", "escaped")}, "entry \"a/../../x\" leaves the folder"},
        {"ParentFolderBackslash", {ok, ZipItem::file("a\\..\\..\\x", "escaped")}, "leaves the folder"},
        {"Absolute", {ok, ZipItem::file("/tmp/rl-absolute-x", "escaped")}, "is absolute"},
        {"AbsoluteBackslash", {ok, ZipItem::file("\\tmp\\x", "escaped")}, "is absolute"},
        {"DriveLetter", {ok, ZipItem::file("C:/x", "escaped")}, "has a drive letter"},
        {"DriveLetterRelative", {ok, ZipItem::file("c:x", "escaped")}, "has a drive letter"},
        {"Nul", {ok, ZipItem::file(std::string("a\0/../../x", 10), "escaped")}, "holds a NUL"},
        {"SymbolicLink", {ok, ZipItem::link("evil-link", "/etc/passwd")}, "entry \"evil-link\" is a symbolic link"},
        {"Fifo", {ok, [] { ZipItem f = ZipItem::file("evil-fifo", ""); f.mode = 010644; return f; }()},
         "is not a file or a folder"},
        {"Encrypted", {ok, withFlags(ZipItem::file("evil-enc.txt", "secret"), 1)}, "is encrypted"},
        {"BadCrc", {ok, withCrc(ZipItem::file("evil-crc.txt", std::string(3000, 'c')), 0x12345678)},
         "fails its CRC-32 check"},
        {"BadCrcStored", {ok, withCrc(withMethod(ZipItem::file("evil-crc.txt", "stored"), 0), 1)},
         "fails its CRC-32 check"},
        {"Bzip2", {ok, withMethod(ZipItem::file("evil-bz.txt", "BZh9"), 12)}, "uses compression method 12"},
    };
}

TEST_P(HostileArchiveTest, InstallsNothingFromAnyArchive) {
    // A sound archive beside the hostile one: it is not installed either.
    addArchive("a-good.zip", {ZipItem::file("good.txt", "good")});
    addArchive("b-bad.zip", GetParam().items);
    addArchive("c-good.zip", {ZipItem::file("later.txt", "later")});
    run();
    expectNothingInstalled({"good.txt", "later.txt", "evil-ok.txt", "evil-link", "evil-fifo", "evil-enc.txt",
                            "evil-crc.txt", "evil-bz.txt", "x", "../x", "C:", "c:x", "a"});
    EXPECT_FALSE(fileExists("/tmp/rl-absolute-x"));
    EXPECT_FALSE(fileExists(dir.path() + "/../x"));
    std::string text = log();
    EXPECT_NE(text.find("ZipException: Cannot install " + dir.file("upgrades/b-bad.zip")), std::string::npos)
        << text;
    EXPECT_NE(text.find(GetParam().logged), std::string::npos) << text;
    EXPECT_EQ(count(text, "Unzipping "), 0u) << text;
}

INSTANTIATE_TEST_SUITE_P(Entries, HostileArchiveTest, ::testing::ValuesIn(hostileArchives()),
                         [](const ::testing::TestParamInfo<Hostile>& info) { return info.param.label; });

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

TEST_F(VantrellTest, EmptyArchiveRepeatedNamesAndEmptyScripts) {
    addArchive("a-empty.zip", {});
    addArchive("b-twice.zip", {ZipItem::file("twice.txt", "first"), ZipItem::file("pre-upgrade.bat", ""),
                               ZipItem::file("twice.txt", "second")});
    run();
    EXPECT_TRUE(complete);
    EXPECT_EQ(readFile("twice.txt"), "second");
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
    // A file stands where the archive needs a folder: its file cannot be
    // moved, the others are, and the upgrade stays on offer.
    rltest::writeFile("plugins", "a file in the way");
    addArchive("core13.zip", {ZipItem::file("plugins/p.so", "p"), ZipItem::file("moved.txt", "m")});
    run();
    EXPECT_TRUE(complete);
    EXPECT_TRUE(relaunched);
    EXPECT_EQ(readFile("moved.txt"), "m");
    EXPECT_EQ(readFile("plugins"), "a file in the way");
    EXPECT_EQ(readFile("Lanternbay.versions"), "#old\ncore=12\n");
    EXPECT_FALSE(fileExists("upgrades"));
    std::string text = log();
    EXPECT_NE(text.find("Not moved: " + dir.file("upgrades/unzip/plugins/p.so")), std::string::npos) << text;
    EXPECT_NE(text.find("Not overwriting " + dir.file("Lanternbay.versions") +
                        " since some files could not be moved into place"),
              std::string::npos)
        << text;
    EXPECT_EQ(count(text, "Overwriting "), 0u);
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
    for (const char* good : {"a", "a/b/c.txt", "dir/", "./a", "a..b", "..a", "a/..b/c", "c", "cc:/x", "a/C:/x"}) {
        EXPECT_EQ(ZipArchive::unsafeName(good), std::nullopt) << good;
    }
    for (const char* bad : {"", "..", "../", "a/..", "/a", "\\a", "..\\a", "C:", "Z:\\a", "a/../../b"}) {
        EXPECT_NE(ZipArchive::unsafeName(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(ZipArchive::printable("a\nb\x7f"), "a?b?");
}

}  // namespace
