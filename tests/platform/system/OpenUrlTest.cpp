// Opening addresses in the user's own browser: only web and mail addresses
// reach the opener, each as one whole argument.

#include "platform/system/OpenUrl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <system_error>

#include "tests/support/OpenedUrls.h"

TEST(OpenUrl, OnlyWebAndMailAddressesAreOpenable) {
    for (const char* url : {"http://a.example/", "HTTPS://a.example/x?y=1&z=2", "mailto:help@a.example",
                            "https://a.example/a b"}) {
        EXPECT_TRUE(sys::isOpenableUrl(url)) << url;
    }
    for (const char* url : {"", "http://", "file:///etc/passwd", "javascript:alert(1)", "about:blank",
                            "/usr/bin/xterm", "--help", "ftp://a.example/", "http://a.example/\nrm",
                            "mailto:"}) {
        EXPECT_FALSE(sys::isOpenableUrl(url)) << url;
    }
}

TEST(OpenUrl, TheAddressGoesWholeAsTheOpenersLastArgument) {
    rltest::OpenedUrls opened;
    EXPECT_TRUE(sys::openUrl("https://a.example/p?q=a b&r=\"x\";$(id)"));
    EXPECT_TRUE(sys::openUrl("mailto:help@a.example"));
    EXPECT_FALSE(sys::openUrl("file:///tmp/x.html"));
    // Two processes of their own: either may write first.
    auto urls = opened.waitFor(2);
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string>{"https://a.example/p?q=a b&r=\"x\";$(id)", "mailto:help@a.example"}));
}

TEST(OpenUrl, AMissingOpenerIsAFailureOfTheCaller) {
    sys::setUrlOpener({"/nonexistent/opener"});
    EXPECT_THROW(sys::openUrl("http://a.example/"), std::system_error);
    sys::setUrlOpener({});
    EXPECT_EQ(sys::getUrlOpener(), std::vector<std::string>{"xdg-open"});
}
