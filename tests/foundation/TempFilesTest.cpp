// Temporary files of whole-file writes: their names, and the removal at a
// program's start of those that a killed writer left behind.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "foundation/Logger.h"
#include "foundation/TempFiles.h"
#include "tests/support/TempWorkDir.h"

namespace {

using foundation::TempFiles;

// The id of a process that has ended (and been reaped).
long deadPid() {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return pid;
}

std::string stale(const std::string& file, long pid, int n = 0) {
    return file + ".tmp" + std::to_string(pid) + "-" + std::to_string(n);
}

TEST(TempFilesTest, NamesAreRecognisedWithTheirWriter) {
    const std::string a = TempFiles::nameFor("/x/page.html");
    const std::string b = TempFiles::nameFor("/x/page.html");
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind("/x/page.html.tmp" + std::to_string(::getpid()) + "-", 0), 0u) << a;
    long pid = 0;
    EXPECT_TRUE(TempFiles::isTemporaryName(std::filesystem::path(a).filename().string(), &pid));
    EXPECT_EQ(pid, static_cast<long>(::getpid()));
    EXPECT_TRUE(TempFiles::isTemporaryName("Roamledger.history.tmp12-0"));
    EXPECT_TRUE(TempFiles::isTemporaryName("a.tmp.tmp7-3"));

    for (const char* foreign : {"page.html", "page.html.tmp", "page.html.tmp12", "page.html.tmp12-", "page.html.tmp-3",
                                "page.html.tmp12-3x", "page.html.tmpx12-3", ".tmp12-3", "page.tmp12-3.html",
                                "Roamledger.settings.save-AB12cd.tmp", "page.html.tmp1234567890123456789-1"}) {
        EXPECT_FALSE(TempFiles::isTemporaryName(foreign)) << foreign;
    }
}

TEST(TempFilesTest, StaleFilesOfGoneWritersAreRemovedAndNothingElse) {
    rltest::TempWorkDir dir;
    const long gone = deadPid();
    const long alive = ::getppid();
    std::filesystem::create_directories(dir.file("content/js/deep"));
    std::filesystem::create_directories(dir.file("Documents"));
    const std::string removed[] = {
        stale(dir.file("Roamledger.html"), gone), stale(dir.file("Roamledger.history"), gone, 17),
        stale(dir.file("content/weather.html"), gone, 3), stale(dir.file("content/js/core-pref.js"), gone, 1)};
    const std::string kept[] = {
        dir.file("notes.txt"), dir.file("page.html.tmp"), dir.file("page.tmp1x-2"),
        stale(dir.file("Roamledger.html"), alive), stale(dir.file("Roamledger.html"), ::getpid(), 9),
        // Folders not named, below a named one or beside them: a user's
        // own, however their files are named.
        stale(dir.file("content/js/deep/page.html"), gone), stale(dir.file("Documents/letter.odt"), gone)};
    for (const auto& f : removed) rltest::writeFile(f, "x");
    for (const auto& f : kept) rltest::writeFile(f, "x");
    // A link with a stale name, and a folder of one, are not the writer's.
    const std::string target = dir.file("target.txt");
    rltest::writeFile(target, "keep");
    const std::string link = stale(dir.file("link.html"), gone);
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    const std::string folder = stale(dir.file("folder"), gone);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);

    EXPECT_EQ(TempFiles::removeStale(dir.path(), {"content", "content/js", "missing"}), 4);
    for (const auto& f : removed) EXPECT_FALSE(rltest::fileExists(f)) << f;
    for (const auto& f : kept) EXPECT_TRUE(rltest::fileExists(f)) << f;
    struct stat st {};
    EXPECT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_EQ(rltest::readFile(target), "keep");
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    // Without subfolders it stays in the folder itself.
    rltest::writeFile(stale(dir.file("content/again.html"), gone), "x");
    EXPECT_EQ(TempFiles::removeStale(dir.path()), 0);
    EXPECT_EQ(TempFiles::removeStale(dir.file("missing")), 0);
}

// A writer that dies part-way (here: at a file-size limit) leaves a file
// that the next start removes; the file it was replacing stays whole.
TEST(TempFilesTest, AWriterKilledPartWayLeavesAFileTheNextStartRemoves) {
    rltest::TempWorkDir dir;
    rltest::writeFile(dir.file("page.html"), "old page");
    pid_t pid = ::fork();
    if (pid == 0) {
        struct rlimit limit {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_DFL);
        foundation::Logger::writeFileChecked(dir.file("page.html"), std::string(100000, 'p'));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer was not stopped part-way";

    int leftovers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (TempFiles::isTemporaryName(entry.path().filename().string())) ++leftovers;
    }
    EXPECT_EQ(leftovers, 1);
    EXPECT_EQ(TempFiles::removeStale(dir.path()), 1);
    EXPECT_EQ(rltest::readFile(dir.file("page.html")), "old page");
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_FALSE(TempFiles::isTemporaryName(entry.path().filename().string())) << entry.path();
    }
}

}  // namespace
