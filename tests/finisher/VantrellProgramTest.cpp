// The Vantrell program itself: its command line and what it is built from.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TempWorkDir.h"

namespace {

TEST(VantrellProgram, AnyOtherCountThanFiveArgumentsIsRefused) {
    rltest::TempWorkDir dir;
    for (size_t n : {0u, 1u, 4u, 6u}) {
        std::string command = VANTRELL_PATH;
        for (size_t i = 0; i < n; ++i) command += " " + dir.file("arg" + std::to_string(i));
        rltest::CommandRun run = rltest::runCommand(command + " 2>&1");
        EXPECT_EQ(run.exitCode, 255) << n << " arguments: -1 as an exit status";
        EXPECT_EQ(run.output, "This app is not designed to be launched manually\n") << n << ": nothing else either";
        EXPECT_FALSE(rltest::fileExists("Vantrell.log")) << n;
        EXPECT_FALSE(rltest::fileExists("default.log")) << n;
    }
}

TEST(VantrellProgram, LoadsNoneOfTheFoundationsNetworkOrCipherLibraries) {
    // The dynamic section names every library the program loads.
    std::string binary = rltest::readFile(VANTRELL_PATH);
    ASSERT_FALSE(binary.empty());
    EXPECT_NE(binary.find("libzip.so"), std::string::npos);
    for (const char* library : {"libcurl.so", "libssl.so", "libcrypto.so", "libuuid.so", "libQt"}) {
        EXPECT_EQ(binary.find(library), std::string::npos) << library;
    }
}

}  // namespace
