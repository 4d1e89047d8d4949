#include "foundation/FileUtil.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/Logger.h"
#include "tests/support/TempWorkDir.h"

using foundation::FileUtil;
using foundation::Logger;
namespace fs = std::filesystem;

namespace {

class FileUtilTest : public ::testing::Test {
protected:
    void SetUp() override {
        Logger::close();
        Logger::setLogFilePath("test.log");
        Logger::setLevel(Logger::LEVEL_VERBOSE);
        Logger::setUseConsole(false);
    }
    void TearDown() override { Logger::close(); }
    std::string log() {
        Logger::close();
        return rltest::readFile("test.log");
    }
    // The log's entries without their time stamps.
    std::vector<std::string> entries() {
        std::vector<std::string> lines;
        std::istringstream in(log());
        for (std::string line; std::getline(in, line);) lines.push_back(line.substr(line.find(" - ") + 3));
        return lines;
    }
    static int count(const std::string& text, const std::string& part) {
        int n = 0;
        for (auto pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) ++n;
        return n;
    }
    rltest::TempWorkDir dir;
};

mode_t modeOf(const std::string& path) {
    struct stat st;
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// Runs body in a child process without root's right to ignore permissions;
// the child's exit code is the test's verdict (0 = passed).
int runUnprivileged(const std::string& folder, const std::function<int()>& body) {
    ::chmod(folder.c_str(), 0777);
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(90);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

}  // namespace

TEST_F(FileUtilTest, CopyReplacesTheDestinationWithEveryByte) {
    std::string data;
    for (int i = 0; i < 200000; ++i) data += static_cast<char>(i * 7);
    rltest::writeFile("from.bin", data);
    rltest::writeFile("to.bin", "old and longer than nothing");
    ::chmod("to.bin", 0640);
    FileUtil::copyFile("from.bin", "to.bin");
    EXPECT_EQ(rltest::readFile("to.bin"), data);
    EXPECT_EQ(modeOf("to.bin"), 0640u) << "an existing destination keeps its permissions";
    EXPECT_EQ(rltest::readFile("from.bin"), data);

    ::chmod("from.bin", 0600);
    FileUtil::copyFile("from.bin", "fresh.bin");
    EXPECT_EQ(rltest::readFile("fresh.bin"), data);
    EXPECT_EQ(modeOf("fresh.bin"), 0600u) << "a new copy is as private as its source";

    rltest::writeFile("empty", "");
    FileUtil::copyFile("empty", "to.bin");
    EXPECT_EQ(rltest::readFile("to.bin"), "");
    // Nothing but the files themselves is left in the folder.
    int entries = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) entries += e.path().filename() != "test.log";
    EXPECT_EQ(entries, 4);
}

TEST_F(FileUtilTest, CopyOntoItselfDoesNothingAndSaysSo) {
    rltest::writeFile("settings", "precious");
    ASSERT_EQ(::link("settings", "hardlink"), 0);
    ASSERT_EQ(::symlink("settings", "softlink"), 0);
    for (const char* to : {"settings", "./settings", "hardlink", "softlink"}) {
        try {
            FileUtil::copyFile("settings", to);
            ADD_FAILURE() << "copy onto " << to << " was taken for a copy";
        } catch (const FileUtil::IOException& e) {
            EXPECT_NE(std::string(e.what()).find("same file"), std::string::npos) << e.what();
        }
        EXPECT_EQ(rltest::readFile("settings"), "precious") << to;
    }
}

TEST_F(FileUtilTest, CopyFailuresReachTheCallerAndLeaveTheDestination) {
    rltest::writeFile("to.txt", "keep me");
    EXPECT_THROW(FileUtil::copyFile("missing.txt", "to.txt"), FileUtil::IOException);
    EXPECT_EQ(rltest::readFile("to.txt"), "keep me");
    fs::create_directory("folder");
    EXPECT_THROW(FileUtil::copyFile("folder", "to.txt"), FileUtil::IOException);
    EXPECT_THROW(FileUtil::copyFile("to.txt", "no/such/folder/x.txt"), FileUtil::IOException);
    EXPECT_THROW(FileUtil::copyFile("to.txt", "folder"), FileUtil::IOException);
    EXPECT_EQ(rltest::readFile("to.txt"), "keep me");
    EXPECT_TRUE(fs::is_empty("folder"));
    EXPECT_EQ(log(), "") << "copy failures are the caller's to report";
}

TEST_F(FileUtilTest, CopyWritesThroughALinkedDestination) {
    rltest::writeFile("real.txt", "old");
    ASSERT_EQ(::symlink("real.txt", "link.txt"), 0);
    rltest::writeFile("new.txt", "new");
    FileUtil::copyFile("new.txt", "link.txt");
    EXPECT_TRUE(fs::is_symlink("link.txt"));
    EXPECT_EQ(rltest::readFile("real.txt"), "new");
}

TEST_F(FileUtilTest, ReadGivesTheFileOrAnEmptyTextAndOneErrorLine) {
    std::string big(200000, 'x');
    big += "\xC3\xA9nd";
    rltest::writeFile("big.txt", big);
    EXPECT_EQ(FileUtil::readFileIntoString("big.txt"), big);
    EXPECT_EQ(log(), "");

    EXPECT_EQ(FileUtil::readFileIntoString("missing.txt"), "");
    fs::create_directory("adir");
    EXPECT_EQ(FileUtil::readFileIntoString("adir"), "");
    std::string text = log();
    EXPECT_EQ(count(text, "Unable to read from file missing.txt"), 1) << text;
    EXPECT_EQ(count(text, "Unable to read from file adir"), 1) << text;
    EXPECT_EQ(count(text, " - Unable to"), 2) << text;

    EXPECT_EQ(FileUtil::readFileIntoStringWithThrow("big.txt"), big);
    EXPECT_THROW(FileUtil::readFileIntoStringWithThrow("missing.txt"), FileUtil::IOException);
}

TEST_F(FileUtilTest, ExistenceFollowsLinks) {
    rltest::writeFile("a.txt", "");
    fs::create_directory("d");
    ASSERT_EQ(::symlink("nowhere", "dangling"), 0);
    EXPECT_TRUE(FileUtil::doesFileExist("a.txt"));
    EXPECT_TRUE(FileUtil::doesFileExist("d"));
    EXPECT_FALSE(FileUtil::doesFileExist("missing"));
    EXPECT_FALSE(FileUtil::doesFileExist("dangling"));
}

TEST_F(FileUtilTest, ForceDeleteRemovesFilesTreesAndLinksButNeverFollowsALink) {
    EXPECT_NO_THROW(FileUtil::forceDelete("missing"));

    rltest::writeFile("file.txt", "x");
    FileUtil::forceDelete("file.txt");
    EXPECT_FALSE(rltest::fileExists("file.txt"));

    fs::create_directories("tree/a/b");
    rltest::writeFile("tree/a/b/deep.txt", "x");
    rltest::writeFile("tree/top.txt", "x");
    FileUtil::forceDelete("tree");
    EXPECT_FALSE(rltest::fileExists("tree"));

    fs::create_directories("kept/inner");
    rltest::writeFile("kept/inner/data.txt", "must survive");
    rltest::writeFile("kept/file.txt", "must survive");
    ASSERT_EQ(::symlink("kept", "dirlink"), 0);
    ASSERT_EQ(::symlink("kept/file.txt", "filelink"), 0);
    ASSERT_EQ(::symlink("nowhere", "dangling"), 0);
    fs::create_directory("holder");
    ASSERT_EQ(::symlink("../kept", "holder/inside"), 0);
    FileUtil::forceDelete("dirlink");
    FileUtil::forceDelete("filelink");
    FileUtil::forceDelete("dangling");
    FileUtil::forceDelete("holder");
    for (const char* gone : {"dirlink", "filelink", "dangling", "holder"}) EXPECT_FALSE(rltest::fileExists(gone)) << gone;
    EXPECT_EQ(rltest::readFile("kept/inner/data.txt"), "must survive");
    EXPECT_EQ(rltest::readFile("kept/file.txt"), "must survive");

    ASSERT_EQ(::symlink("kept", "dirlink2"), 0);
    FileUtil::deleteDirectory("dirlink2");
    EXPECT_FALSE(rltest::fileExists("dirlink2"));
    EXPECT_TRUE(rltest::fileExists("kept/inner/data.txt"));
}

TEST_F(FileUtilTest, DirectoryOperationsOnMissingAndWrongPaths) {
    EXPECT_NO_THROW(FileUtil::deleteDirectory("missing"));
    try {
        FileUtil::cleanDirectory("missing");
        ADD_FAILURE() << "no failure";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "missing does not exist");
    }
    rltest::writeFile("plain.txt", "x");
    try {
        FileUtil::cleanDirectory("plain.txt");
        ADD_FAILURE() << "no failure";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "plain.txt is not a directory");
    }
    fs::create_directories("full/sub");
    rltest::writeFile("full/sub/x", "x");
    rltest::writeFile("full/y", "y");
    FileUtil::cleanDirectory("full");
    EXPECT_TRUE(fs::is_directory("full"));
    EXPECT_TRUE(fs::is_empty("full"));

    FileUtil::deleteDirAndFiles("missing");
    FileUtil::deleteDirAndFiles("full");
    FileUtil::deleteDirAndFiles("plain.txt");
    EXPECT_FALSE(rltest::fileExists("full"));
    EXPECT_FALSE(rltest::fileExists("plain.txt"));
    EXPECT_EQ(log(), "");
}

TEST_F(FileUtilTest, CleanDirectoryGoesOnPastALockedEntryAndRaisesItLast) {
    std::string root = dir.path();
    int verdict = runUnprivileged(root, [&]() -> int {
        std::string d = root + "/work";
        if (::mkdir(d.c_str(), 0777) != 0 || ::mkdir((d + "/locked").c_str(), 0777) != 0) return 2;
        rltest::writeFile(d + "/a.txt", "a");
        rltest::writeFile(d + "/locked/held.txt", "held");
        rltest::writeFile(d + "/z.txt", "z");
        ::chmod((d + "/locked").c_str(), 0555);
        std::string message;
        try {
            FileUtil::cleanDirectory(d);
            return 3;
        } catch (const FileUtil::IOException& e) {
            message = e.what();
        }
        if (message != "Unable to delete file: " + d + "/locked/held.txt") return 4;
        if (rltest::fileExists(d + "/a.txt") || rltest::fileExists(d + "/z.txt")) return 5;
        if (!rltest::fileExists(d + "/locked/held.txt")) return 6;

        // The quiet form logs the failure instead.
        Logger::close();
        Logger::setLogFilePath(root + "/child.log");
        FileUtil::deleteDirAndFiles(d);
        Logger::close();
        std::string text = rltest::readFile(root + "/child.log");
        if (text.find("Unable to delete: " + d) == std::string::npos) return 7;
        if (text.find("Unable to delete file: " + d + "/locked/held.txt") == std::string::npos) return 8;

        // A file that cannot be replaced stays as it was, and so does the
        // new one; the move says so.
        rltest::writeFile(root + "/src.txt", "new");
        if (FileUtil::overwriteFiles(root + "/src.txt", d + "/locked/held.txt")) return 9;
        Logger::close();
        text = rltest::readFile(root + "/child.log");
        if (rltest::readFile(d + "/locked/held.txt") != "held") return 9;
        if (rltest::readFile(root + "/src.txt") != "new") return 9;
        if (text.find(" - Not moved: " + root + "/src.txt to " + d + "/locked/held.txt\n") == std::string::npos) {
            return 10;
        }
        ::chmod((d + "/locked").c_str(), 0777);
        return 0;
    });
    EXPECT_EQ(verdict, 0);
}

TEST_F(FileUtilTest, OverwriteFilesMovesATreeOverAnother) {
    fs::create_directories("up/sub");
    rltest::writeFile("up/a.txt", "new a");
    rltest::writeFile("up/sub/b.txt", "new b");
    EXPECT_TRUE(FileUtil::overwriteFiles("up", "install"));
    EXPECT_EQ(rltest::readFile("install/a.txt"), "new a");
    EXPECT_EQ(rltest::readFile("install/sub/b.txt"), "new b");
    EXPECT_TRUE(fs::is_directory("up/sub")) << "the source keeps its folders";
    EXPECT_FALSE(rltest::fileExists("up/a.txt"));
    EXPECT_FALSE(rltest::fileExists("up/sub/b.txt"));
    std::string text = log();
    EXPECT_EQ(count(text, "Created: install\n"), 1) << text;
    EXPECT_EQ(count(text, "Created: install/sub\n"), 1) << text;
    EXPECT_EQ(count(text, "Moved: up/a.txt to install/a.txt\n"), 1) << text;
    EXPECT_EQ(count(text, "Moved: up/sub/b.txt to install/sub/b.txt\n"), 1) << text;

    // Into an existing tree: same names replaced, others kept, no "Created".
    rltest::writeFile("up/a.txt", "newer a");
    rltest::writeFile("install/only-here.txt", "stays");
    EXPECT_TRUE(FileUtil::overwriteFiles("up", "install"));
    EXPECT_EQ(rltest::readFile("install/a.txt"), "newer a");
    EXPECT_EQ(rltest::readFile("install/sub/b.txt"), "new b");
    EXPECT_EQ(rltest::readFile("install/only-here.txt"), "stays");
    EXPECT_EQ(count(log(), "Created: "), 2);

    // A single file, and a source that does not exist.
    rltest::writeFile("one.txt", "1");
    EXPECT_TRUE(FileUtil::overwriteFiles("one.txt", "install/a.txt"));
    EXPECT_EQ(rltest::readFile("install/a.txt"), "1");
    EXPECT_TRUE(FileUtil::overwriteFiles("missing", "install"));
    EXPECT_EQ(count(log(), "missing"), 0);
}

TEST_F(FileUtilTest, OverwriteFilesTellsWhenAFileStayedBehind) {
    // A file where the tree needs a folder, and a folder where it has a
    // file: neither is replaced (even for root); the others still move.
    fs::create_directories("up/blocked");
    rltest::writeFile("up/blocked/x.txt", "x");
    rltest::writeFile("up/pages", "flat");
    rltest::writeFile("up/z.txt", "z");
    fs::create_directories("install/pages");
    rltest::writeFile("install/pages/index.html", "kept");
    rltest::writeFile("install/blocked", "a file in the way");
    EXPECT_FALSE(FileUtil::overwriteFiles("up", "install"));
    EXPECT_EQ(rltest::readFile("install/z.txt"), "z");
    EXPECT_EQ(rltest::readFile("install/blocked"), "a file in the way");
    EXPECT_EQ(rltest::readFile("install/pages/index.html"), "kept");
    EXPECT_TRUE(rltest::fileExists("up/blocked/x.txt"));
    EXPECT_EQ(rltest::readFile("up/pages"), "flat");
    // "Not moved" is an info line of its own; the reason follows as an
    // error, the only line of the two written at the error level.
    Logger::setLevel(Logger::LEVEL_ERROR);
    EXPECT_FALSE(FileUtil::overwriteFiles("up/pages", "install/pages"));
    std::vector<std::string> lines = entries();
    auto at = [&](const std::string& entry) { return std::find(lines.begin(), lines.end(), entry) - lines.begin(); };
    EXPECT_EQ(at("Unable to move to install/blocked: a file stands where the folder goes"),
              at("Not moved: up/blocked to install/blocked") + 1);
    EXPECT_EQ(at("Unable to move to install/pages: a folder stands where the file goes"),
              at("Not moved: up/pages to install/pages") + 1);
    EXPECT_EQ(lines.back(), "Unable to move to install/pages: a folder stands where the file goes");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Not moved: up/pages to install/pages"), 1);
}

TEST_F(FileUtilTest, AFileThatCannotBeRenamedIntoPlaceLeavesTheOldOne) {
    // A move across file systems cannot be one rename: the old file must
    // stay whole rather than be deleted first.
    std::string other;
    try {
        other = rltest::makeTempDirectory("/dev/shm/rl-fileutil-");
    } catch (const std::exception&) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    struct stat here;
    struct stat there;
    if (::stat(".", &here) != 0 || ::stat(other.c_str(), &there) != 0 || here.st_dev == there.st_dev) {
        fs::remove_all(other);
        GTEST_SKIP() << "/dev/shm is on the same file system";
    }
    rltest::writeFile(other + "/a.txt", "new");
    rltest::writeFile("a.txt", "old");
    EXPECT_FALSE(FileUtil::overwriteFiles(other + "/a.txt", "a.txt"));
    EXPECT_EQ(rltest::readFile("a.txt"), "old");
    EXPECT_EQ(rltest::readFile(other + "/a.txt"), "new");
    EXPECT_EQ(count(log(), " - Not moved: " + other + "/a.txt to a.txt\n"), 1) << log();
    EXPECT_EQ(count(log(), " - Unable to move to a.txt: "), 1) << log();
    fs::remove_all(other);
}

TEST_F(FileUtilTest, MoveLogLinesShowControlCharactersEscaped) {
    fs::create_directories("up");
    rltest::writeFile("up/a\nforged", "x");
    EXPECT_TRUE(FileUtil::overwriteFiles("up", "install"));
    EXPECT_EQ(rltest::readFile("install/a\nforged"), "x");
    EXPECT_EQ(count(log(), "Moved: up/a\\nforged to install/a\\nforged\n"), 1) << log();
}
