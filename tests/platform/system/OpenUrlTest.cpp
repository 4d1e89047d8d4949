// Opening addresses outside: only http, https and mailto, each handed on as
// one argument of its own, never through a shell.

#include "platform/system/OpenUrl.h"

#include <gtest/gtest.h>

#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"

namespace {

class OpenUrl : public ::testing::Test {
protected:
    OpenUrl() {
        // A stand-in opener that writes its arguments, one per line.
        rltest::writeFile(work.file("opener.sh"), "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.out.tmp\"\n"
                                                  "mv \"$0.out.tmp\" \"$0.out\"\n");
        std::string chmod = "chmod +x " + work.file("opener.sh");
        EXPECT_EQ(std::system(chmod.c_str()), 0);
        sys::setUrlOpener({work.file("opener.sh"), "--"});
    }
    ~OpenUrl() override { sys::setUrlOpener({}); }

    std::string opened() {
        std::string out = work.file("opener.sh.out");
        if (!rltest::waitFor([&] { return rltest::fileExists(out); }, 10000)) return "(nothing)";
        std::string text = rltest::readFile(out);
        std::remove(out.c_str());
        return text;
    }

    rltest::TempWorkDir work;
};

TEST_F(OpenUrl, OnlyWebAndMailAddressesAreOpenable) {
    for (const char* url : {"http://a.example/", "HTTPS://a.example/x?y=1", "mailto:someone@example.com",
                            "Http://x"}) {
        EXPECT_TRUE(sys::isExternallyOpenable(url)) << url;
    }
    for (const char* url : {"file:///etc/passwd", "javascript:alert(1)", "ftp://a.example/", "-http://x", "",
                            "http:", "/usr/bin/xterm", "httpx://a", " http://a"}) {
        EXPECT_FALSE(sys::isExternallyOpenable(url)) << url;
        EXPECT_FALSE(sys::openUrlExternally(url)) << url;
    }
}

TEST_F(OpenUrl, TheAddressIsOneArgumentAndNoShellSeesIt) {
    const std::string hostile = "http://a.example/search?q=$(touch " + work.file("pwned") + ")&x='`id`' ;ls";
    ASSERT_TRUE(sys::openUrlExternally(hostile));
    EXPECT_EQ(opened(), "--\n" + hostile + "\n");
    EXPECT_FALSE(rltest::fileExists(work.file("pwned")));
    ASSERT_TRUE(sys::openUrlExternally("mailto:a@example.com?subject=Hi there"));
    EXPECT_EQ(opened(), "--\nmailto:a@example.com?subject=Hi there\n");
}

TEST_F(OpenUrl, AMissingOpenerIsAFailureNotACrash) {
    sys::setUrlOpener({work.file("no-such-opener")});
    EXPECT_FALSE(sys::openUrlExternally("http://a.example/"));
}

}  // namespace
