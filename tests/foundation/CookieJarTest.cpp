#include "foundation/CookieJar.h"

#include <gtest/gtest.h>

using foundation::CookieJar;

TEST(CookieJarTest, EmptyJarHasNoCookieString) {
    CookieJar jar;
    EXPECT_FALSE(jar.getCookieString());
    EXPECT_TRUE(jar.empty());
}

TEST(CookieJarTest, LaterValuesReplaceEarlierOnesNamesAreCaseSensitive) {
    CookieJar jar;
    jar.addCookie("sid", "1");
    jar.addCookie("lang", "en");
    jar.addCookie("SID", "upper");
    jar.addCookie("sid", "2");
    EXPECT_EQ(jar.size(), 3u);
    EXPECT_EQ(jar.getCookie("sid").value(), "2");
    EXPECT_EQ(jar.getCookie("SID").value(), "upper");
    EXPECT_EQ(jar.getCookieString().value(), "lang=en; SID=upper; sid=2");
}

TEST(CookieJarTest, SetCookieFields) {
    struct Case {
        const char* field;
        bool stored;
        const char* name;
        const char* value;
    } cases[] = {
        {"sid=42; path=/", true, "sid", "42"},
        {"a=b=c; x=y", true, "a", "b=c"},
        {"a=", true, "a", ""},
        {"a=; expires=Thu, 01 Jan 1970 00:00:00 GMT", true, "a", ""},
        {"token=x;", true, "token", "x"},
        {"plain=value", true, "plain", "value"},
        {"novalue", false, "", ""},
        {"novalue; path=/", false, "", ""},
        {"=nameless", false, "", ""},
        {"", false, "", ""},
    };
    for (const auto& c : cases) {
        auto parsed = CookieJar::parseSetCookie(c.field);
        EXPECT_EQ(parsed.has_value(), c.stored) << c.field;
        if (parsed && c.stored) {
            EXPECT_EQ(parsed->first, c.name) << c.field;
            EXPECT_EQ(parsed->second, c.value) << c.field;
        }
    }
}
