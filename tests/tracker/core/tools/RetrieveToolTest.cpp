// roamledger-retrieve as a user runs it: a prepared folder, imitation sites,
// and the files it leaves behind.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/support/ImitationWeb.h"
#include "tests/support/TempWorkDir.h"

namespace {

using namespace rltest;

struct RunResult {
    int status = -1;
    std::string output;
};

// Runs a program with arguments (no blanks inside them) from the test
// folder, with its output collected.
RunResult run(const std::string& program, const std::string& arguments, const TempWorkDir& dir) {
    const std::string out = dir.file("run-output.txt");
    const std::string command = program + " " + arguments + " > " + out + " 2>&1";
    const int raw = std::system(command.c_str());
    RunResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.output = readFile(out);
    return r;
}

const char* const PAGES[] = {"Roamledger.html", "Roamledger-Summary.html", "Roamledger-Interstitial.html",
                             "Roamledger.css", "Roamledger.js"};

class RetrieveToolTest : public ImitationWebTest {
protected:
    std::string folder() const { return dir.file("install"); }
    std::string inFolder(const std::string& name) const { return folder() + "/" + name; }
    void prepare(const std::string& settings) {
        ASSERT_EQ(std::system(("mkdir -p " + folder()).c_str()), 0);
        writeFile(inFolder("Roamledger.settings"), settings);
    }
    TempWorkDir dir;
};

TEST_F(RetrieveToolTest, RetrievesEveryAccountAndWritesPagesHistoryAndSettings) {
    site("www.aa.com")
        .on("GET", "/login", Answer::page("<form></form>"))
        .on("POST", "/account", [](const Request& r) {
            if (r.formValue("user") == "joe") return Answer::page("<p>Balance: 1,234 miles</p>");
            return Answer::page("<p>Balance: 88</p>");
        });
    site("www.delta.com")
        .on("GET", "/login", Answer::page("<form></form>"))
        .on("POST", "/account", Answer::page("<p>Unknown member</p>"));
    prepare(
        "User0=Main User\n"
        "User0AmericanUsername=joe\n"
        "User0AmericanBalance=1000\n"
        "User0DeltaUsername=ann\n"
        "User0DeltaBalance=500\n"
        "User1=Second\n"
        "User1AmericanUsername=bob\n"
        "OptThreadPoll=20\n");

    RunResult r = run(RL_RETRIEVE_IMITATION, folder(), dir);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Retrieving 3 accounts of 2 users"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Retrieval done"), std::string::npos) << r.output;
    for (const char* page : PAGES) EXPECT_TRUE(fileExists(inFolder(page))) << page;
    EXPECT_EQ(site("www.aa.com").requests("POST", "/account").size(), 2u);

    const std::string results = readFile(inFolder("Roamledger.html"));
    EXPECT_NE(results.find("<td class=r>1,234</td><td class=r>234</td>"), std::string::npos) << results;
    EXPECT_NE(results.find("Invalid login (500)"), std::string::npos);
    EXPECT_NE(readFile(inFolder("Roamledger-Summary.html")).find("<td class=r>1,234</td>"), std::string::npos);

    // The seeded previous balances, then the changed and the new balance.
    const std::string history = readFile(inFolder("Roamledger.history"));
    EXPECT_NE(history.find("0 AA "), std::string::npos) << history;
    EXPECT_NE(history.find(" 1000\n"), std::string::npos) << history;
    EXPECT_NE(history.find(" 1234\n"), std::string::npos) << history;
    EXPECT_NE(history.find("1 AA "), std::string::npos) << history;

    const std::string settings = readFile(inFolder("Roamledger.settings"));
    EXPECT_NE(settings.find("User0AmericanBalance=1234"), std::string::npos) << settings;
    EXPECT_NE(settings.find("User1AmericanBalance=88"), std::string::npos) << settings;
    EXPECT_NE(settings.find("User0DeltaBalance=500"), std::string::npos) << settings;
    EXPECT_NE(settings.find("StatLastRunDate="), std::string::npos);

    // A second run finds the balances of the first as the previous ones.
    RunResult again = run(RL_RETRIEVE_IMITATION, folder(), dir);
    ASSERT_EQ(again.status, 0) << again.output;
    EXPECT_NE(readFile(inFolder("Roamledger.html")).find("<td class=r>1,234</td><td></td>"), std::string::npos);
}

TEST_F(RetrieveToolTest, SettingsWithoutAccountsStillWriteThePages) {
    prepare("User0=Main User\n");
    RunResult r = run(RL_RETRIEVE, folder(), dir);
    ASSERT_EQ(r.status, 0) << r.output;
    for (const char* page : PAGES) EXPECT_TRUE(fileExists(inFolder(page))) << page;
    EXPECT_NE(readFile(inFolder("Roamledger-Summary.html")).find("No users and/or accounts"), std::string::npos);
}

// Writes of a run that was killed leave temporary files; the next run
// removes them, and only them.
TEST_F(RetrieveToolTest, StartRemovesTheTemporaryFilesOfAKilledRun) {
    prepare("User0=Main User\n");
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string gone = ".tmp" + std::to_string(child) + "-";
    const std::string alive = ".tmp" + std::to_string(::getpid()) + "-";
    const std::string removed[] = {"Roamledger.html" + gone + "0", "Roamledger-Summary.html" + gone + "1",
                                   "Roamledger.history" + gone + "2", "Roamledger-Popup.html" + gone + "3"};
    const std::string kept[] = {"Roamledger.html" + alive + "0", "notes.tmp", "Roamledger.html.tmp",
                                "Roamledger.html" + gone + "x"};
    for (const auto& name : removed) writeFile(inFolder(name), "partial");
    for (const auto& name : kept) writeFile(inFolder(name), "someone else's");

    RunResult r = run(RL_RETRIEVE, folder(), dir);
    ASSERT_EQ(r.status, 0) << r.output;
    for (const auto& name : removed) EXPECT_FALSE(fileExists(inFolder(name))) << name;
    for (const auto& name : kept) EXPECT_EQ(readFile(inFolder(name)), "someone else's") << name;
}

TEST_F(RetrieveToolTest, UnusableCommandLineFolderOrSettingsFailClearly) {
    RunResult noArgs = run(RL_RETRIEVE, "", dir);
    EXPECT_EQ(noArgs.status, 2);
    EXPECT_NE(noArgs.output.find("usage: roamledger-retrieve FOLDER"), std::string::npos);

    RunResult noFolder = run(RL_RETRIEVE, dir.file("nowhere"), dir);
    EXPECT_EQ(noFolder.status, 2);
    EXPECT_NE(noFolder.output.find("Cannot use folder " + dir.file("nowhere")), std::string::npos)
        << noFolder.output;

    ASSERT_EQ(std::system(("mkdir -p " + folder()).c_str()), 0);
    RunResult noSettings = run(RL_RETRIEVE, folder(), dir);
    EXPECT_EQ(noSettings.status, 3);
    EXPECT_NE(noSettings.output.find("Cannot use settings Roamledger.settings"), std::string::npos)
        << noSettings.output;
    EXPECT_FALSE(fileExists(inFolder("Roamledger.settings")));
    EXPECT_FALSE(fileExists(inFolder("Roamledger.html")));

    writeFile(inFolder("Roamledger.settings"), "User0=Broken \\u12\n");
    RunResult broken = run(RL_RETRIEVE, folder(), dir);
    EXPECT_EQ(broken.status, 3) << broken.output;
    EXPECT_EQ(readFile(inFolder("Roamledger.settings")), "User0=Broken \\u12\n");
}

}  // namespace
