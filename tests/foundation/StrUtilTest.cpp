#include "foundation/StrUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "tests/support/TestLocales.h"

using foundation::StrUtil;

namespace {

struct ExtractCase {
    const char* text;
    std::optional<std::string_view> start;
    const char* end;
    int from;
    const char* expected;
};

}  // namespace

TEST(StrUtilTest, Extract) {
    const ExtractCase cases[] = {
        {"a<b>c</b>", "<b>", "</b>", -1, "c"},
        {"a<b>c</b>", "<i>", "</b>", -1, ""},
        {"a<b>c</b>", "<b>", "</i>", -1, ""},
        {"a<b>c</b>", std::nullopt, "<b>", -1, "a"},
        // An absent start ignores the from-position.
        {"a<b>c</b>", std::nullopt, "<b>", 5, "a"},
        // The end marker is searched after the whole start marker.
        {"[[x]]", "[[", "[", -1, ""},
        {"<b>1</b><b>2</b>", "<b>", "</b>", 1, "2"},
        {"<b>1</b><b>2</b>", "<b>", "</b>", 0, "1"},
        {"<b>1</b><b>2</b>", "<b>", "</b>", -7, "1"},
        {"<b>1</b><b>2</b>", "<b>", "</b>", 100, ""},
        {"<b>1</b><b>2</b>", "<b>", "</b>", 16, ""},
        {"key=;", "key=", ";", -1, ""},
        {"", "a", "b", -1, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StrUtil::extract(c.text, c.start, c.end, c.from), c.expected)
            << c.text << " from " << c.from;
    }
    EXPECT_EQ(StrUtil::extract("x<b>c</b>", "<b>", "</b>"), "c");
}

TEST(StrUtilTest, PrefixAndSuffix) {
    EXPECT_EQ(StrUtil::prefix("a.b.c", "."), "a");
    EXPECT_EQ(StrUtil::prefix(".b", "."), "");
    EXPECT_THROW(StrUtil::prefix("abc", "."), std::out_of_range);

    EXPECT_EQ(StrUtil::suffix("a.b.c", "."), "c");
    EXPECT_EQ(StrUtil::suffix("abc", "."), "abc");
    EXPECT_EQ(StrUtil::suffix("abc.", "."), "");
    // One character past the start of a longer marker.
    EXPECT_EQ(StrUtil::suffix("a-->b", "-->"), "->b");
    // A multi-byte character counts as one.
    EXPECT_EQ(StrUtil::suffix("x\xC3\xA9y", "\xC3\xA9"), "y");
}

TEST(StrUtilTest, ContainsAndCount) {
    EXPECT_TRUE(StrUtil::contains("balance", "lan"));
    EXPECT_FALSE(StrUtil::contains("balance", "Lan"));
    EXPECT_TRUE(StrUtil::contains("balance", ""));
    EXPECT_FALSE(StrUtil::contains(std::nullopt, ""));
    EXPECT_TRUE(StrUtil::contains(std::nullopt, "abc", "b"));
    EXPECT_TRUE(StrUtil::contains("abc", std::nullopt, "b"));
    EXPECT_FALSE(StrUtil::contains(std::nullopt, std::nullopt, "b"));
    EXPECT_FALSE(StrUtil::contains("x", "y", "b"));

    EXPECT_EQ(StrUtil::countMatches("aaaa", "aa"), 2);
    EXPECT_EQ(StrUtil::countMatches("aaa", "aa"), 1);
    EXPECT_EQ(StrUtil::countMatches("a,b,c", ","), 2);
    EXPECT_EQ(StrUtil::countMatches("", "a"), 0);
    EXPECT_EQ(StrUtil::countMatches("abc", ""), 0);
    EXPECT_EQ(StrUtil::countMatches(std::nullopt, "a"), 0);
    EXPECT_EQ(StrUtil::countMatches("abc", std::nullopt), 0);

    EXPECT_TRUE(StrUtil::ignoreText(""));
    EXPECT_FALSE(StrUtil::ignoreText(" "));
}

TEST(StrUtilTest, Replace) {
    struct Case {
        const char* text;
        const char* search;
        const char* replacement;
        const char* expected;
    };
    const Case cases[] = {
        {"aaa", "aa", "b", "ba"},
        {"abc", "x", "y", "abc"},
        {"abcabc", "b", "", "acac"},
        // Inserted text is not searched again.
        {"a", "a", "aa", "aa"},
        {"xax", "a", "bab", "xbabx"},
        {"abab", "ab", "ba", "baba"},
        {"ab", "ab", "", ""},
        {"", "a", "b", ""},
        {"abc", "", "X", "abc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StrUtil::replace(c.text, c.search, c.replacement), c.expected) << c.text << " / " << c.search;
    }
    EXPECT_EQ(StrUtil::replacePeriodsWithCommas("1.234.5"), "1,234,5");
}

TEST(StrUtilTest, ReplaceAnyCharWithString) {
    // Later characters are replaced inside earlier replacements too.
    EXPECT_EQ(StrUtil::replaceAnyCharWithString("a-b", "-b", "b"), "abb");
    EXPECT_EQ(StrUtil::replaceAnyCharWithString("a-b", "b-", "b"), "abb");
    EXPECT_EQ(StrUtil::replaceAnyCharWithString("a,b;c", ",;", "_"), "a_b_c");
    EXPECT_EQ(StrUtil::replaceAnyCharWithString("a,b", "", "_"), "a,b");
    // A multi-byte character is one character of the set, not two bytes.
    EXPECT_EQ(StrUtil::replaceAnyCharWithString("\xC3\xA9\xC3\xA0", "\xC3\xA9", "e"), "e\xC3\xA0");
}

TEST(StrUtilTest, CleanSpacesAndTrim) {
    EXPECT_EQ(StrUtil::cleanSpaces("&nbsp;&nbsp;1,234&nbsp;"), "1,234");
    EXPECT_EQ(StrUtil::cleanSpaces("two  words"), "two  words");
    EXPECT_EQ(StrUtil::cleanSpaces("&nbsp;&nbsp;&nbsp;"), "");
    EXPECT_EQ(StrUtil::cleanSpaces("a&nbsp;&nbsp;b"), "a  b");
    EXPECT_EQ(StrUtil::trim("\t\r\n x \x01\x1f"), "x");
    // Non-breaking space (UTF-8 or ISO 8859-1) is above 0x20 and stays.
    EXPECT_EQ(StrUtil::trim("\xC2\xA0x\xA0"), "\xC2\xA0x\xA0");
}

TEST(StrUtilTest, Escapes) {
    EXPECT_EQ(StrUtil::replaceGremlins("a/b:c=d"), "a%2Fb%3Ac%3Dd");
    EXPECT_EQ(StrUtil::replaceGremlins("/|:=+~,@"), "%2F%7C%3A%3D%2B%7E%2C%40");
    EXPECT_EQ(StrUtil::replaceGremlins("100% a&b?c d"), "100% a&b?c d");
    EXPECT_EQ(StrUtil::replaceGremlins("%2F/"), "%2F%2F");

    EXPECT_EQ(StrUtil::safetyJSEscape("it's"), "it\\'s");
    EXPECT_EQ(StrUtil::safetyJSEscape("say \"hi\""), "say \\'hi\\'");
    EXPECT_EQ(StrUtil::safetyJSEscape("a&#39;b&#34;c"), "a\\'b\\'c");
    EXPECT_EQ(StrUtil::safetyJSEscape("plain"), "plain");

    // Markup and both quotes; a reference already in the text is escaped
    // again, so it shows as written.
    EXPECT_EQ(StrUtil::escapeHTML("<b a=\"1\" c='2'>R&D</b>"),
              "&lt;b a=&quot;1&quot; c=&#39;2&#39;&gt;R&amp;D&lt;/b&gt;");
    EXPECT_EQ(StrUtil::escapeHTML("&amp; caf\xC3\xA9"), "&amp;amp; caf\xC3\xA9");

    // Percent sequences in either case; a "%" without two hexadecimal
    // digits, also at the end, stays.
    EXPECT_EQ(StrUtil::percentDecode("/tmp/a%20b%2fc%C3%A9"), "/tmp/a b/c\xC3\xA9");
    EXPECT_EQ(StrUtil::percentDecode("100%"), "100%");
    EXPECT_EQ(StrUtil::percentDecode("%4"), "%4");
    EXPECT_EQ(StrUtil::percentDecode("%zz%41"), "%zzA");
}

TEST(StrUtilTest, StartsWithIgnoreCase) {
    EXPECT_TRUE(StrUtil::startsWithIgnoreCase("JavaScript:go()", "javascript:"));
    EXPECT_TRUE(StrUtil::startsWithIgnoreCase("HTTP://x", "http://"));
    EXPECT_TRUE(StrUtil::startsWithIgnoreCase("abc", ""));
    EXPECT_FALSE(StrUtil::startsWithIgnoreCase("java", "javascript:"));
    EXPECT_FALSE(StrUtil::startsWithIgnoreCase(" javascript:", "javascript:"));
    // A Turkish desktop's case rules pair "I" with a dotless i.
    rltest::LocaleScope turkish("tr_TR.UTF-8");
    ASSERT_TRUE(turkish.ok()) << turkish.problem();
    EXPECT_TRUE(StrUtil::startsWithIgnoreCase("FILE:///tmp/Roamledger.html", "file:"));
    EXPECT_TRUE(StrUtil::startsWithIgnoreCase("file://LOCALHOST/x", "file://localhost"));
}

TEST(StrUtilTest, NumericPortions) {
    EXPECT_EQ(StrUtil::getNumericAndEtcOnlyPortion("$-1,234.50"), "-1234.50");
    EXPECT_EQ(StrUtil::getNumericOnlyPortion("$-1,234.50"), "123450");
    EXPECT_EQ(StrUtil::getNumericOnlyPortion(""), "");
    EXPECT_EQ(StrUtil::getNumericOnlyPortion(std::nullopt), "");
    EXPECT_EQ(StrUtil::getNumericAndEtcOnlyPortion(std::nullopt), "");
    // Digits of other scripts count; letters and superscripts do not.
    EXPECT_EQ(StrUtil::getNumericOnlyPortion("1\xD9\xA3x\xC2\xB2" "2"), "1\xD9\xA3" "2");
    EXPECT_EQ(StrUtil::getNumericOnlyPortion("\xEF\xBC\x95 pts"), "\xEF\xBC\x95");
    // Page bytes above 0x7F are not digits.
    EXPECT_EQ(StrUtil::getNumericOnlyPortion("1\xB2\xB3" "2"), "12");
}

TEST(StrUtilTest, IsNumeric) {
    struct Case {
        std::optional<std::string_view> text;
        bool commas;
        bool expected;
    };
    const Case cases[] = {
        {"1,234", true, true},  {"1,234", false, false}, {"-1", true, false},   {"1.5", true, false},
        {"", true, false},      {std::nullopt, true, false}, {"007", false, true}, {",", true, true},
        {"12a", true, false},   {"\xD9\xA3", false, true},   {" 1", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StrUtil::isNumeric(c.text, c.commas), c.expected) << (c.text ? *c.text : "<absent>");
    }
}

TEST(StrUtilTest, ParseIntTakesOnlyAWholeDecimalNumber) {
    EXPECT_EQ(StrUtil::parseInt("13"), 13);
    EXPECT_EQ(StrUtil::parseInt("007"), 7);
    EXPECT_EQ(StrUtil::parseInt("+5"), 5);
    EXPECT_EQ(StrUtil::parseInt("-5"), -5);
    EXPECT_EQ(StrUtil::parseInt("2147483647"), 2147483647);
    EXPECT_EQ(StrUtil::parseInt("-2147483648"), std::numeric_limits<int32_t>::min());
    for (const char* bad : {"", "+", "-", "+-5", "-+5", "--5", " 5", "5 ", "5a", "1.0", "0x10", "2147483648",
                            "-2147483649", "99999999999999999999", "1,200", "\xd9\xa3", "\xB2"}) {
        EXPECT_EQ(StrUtil::parseInt(bad), std::nullopt) << bad;
    }
}

TEST(StrUtilTest, CleanFloatToString) {
    struct Case {
        float value;
        const char* expected;
    };
    const Case cases[] = {
        {1500.0f, "1500"},
        {12.5f, "12.5"},
        {-0.0f, "0"},
        {0.0f, "0"},
        {-42.0f, "-42"},
        {0.1f, "0.1"},
        {-2.75f, "-2.75"},
        {0.001f, "0.001"},
        {0.0001f, "1.0E-4"},
        {1.25e-5f, "1.25E-5"},
        {3.0e9f, "3.0E9"},
        {1.0e10f, "1.0E10"},
        {-1.5e10f, "-1.5E10"},
        {8388607.5f, "8388607.5"},
        {1234567.8f, "1234567.8"},
        {16777216.0f, "16777216"},
        {-2147483648.0f, "-2147483648"},
        // 2^31 is beyond the int range, whatever a float comparison says.
        {2147483648.0f, "2.1474836E9"},
        {std::numeric_limits<float>::quiet_NaN(), "NaN"},
        {std::numeric_limits<float>::infinity(), "Infinity"},
        {-std::numeric_limits<float>::infinity(), "-Infinity"},
    };
    for (const auto& c : cases) EXPECT_EQ(StrUtil::cleanFloatToString(c.value), c.expected) << c.value;
}

TEST(StrUtilTest, Base64) {
    EXPECT_EQ(StrUtil::base64encode("abc"), "YWJj");
    EXPECT_EQ(StrUtil::base64encode("ab"), "YWI=");
    EXPECT_EQ(StrUtil::base64encode("a"), "YQ==");
    EXPECT_EQ(StrUtil::base64encode(""), "");
    EXPECT_EQ(StrUtil::base64encode(std::vector<unsigned char>{0xFB, 0xFF, 0xBF}), "+/+/");

    std::string out57 = StrUtil::base64encode(std::string(57, 'x'));
    ASSERT_EQ(out57.size(), 78u);
    EXPECT_EQ(out57.substr(76), "\r\n");
    EXPECT_EQ(out57.substr(0, 4), "eHh4");

    std::string out58 = StrUtil::base64encode(std::string(58, 'x'));
    ASSERT_EQ(out58.size(), 82u);
    EXPECT_EQ(out58.substr(76, 2), "\r\n");
    EXPECT_EQ(out58.substr(78), "eA==");

    std::string out114 = StrUtil::base64encode(std::string(114, 'x'));
    EXPECT_EQ(out114.size(), 156u);
    EXPECT_EQ(out114.substr(154), "\r\n");
    EXPECT_EQ(out114.find("\r\n"), 76u);
}

TEST(StrUtilTest, ParseOutHTMLTags) {
    using List = std::vector<std::string>;
    EXPECT_EQ(StrUtil::parseOutHTMLTags("Lead<b>bold</b>\r\ntail", false), (List{"Lead", "bold", "tail"}));
    EXPECT_EQ(StrUtil::parseOutHTMLTags("no tags at all", false), List{});
    EXPECT_EQ(StrUtil::parseOutHTMLTags("", false), List{});
    EXPECT_EQ(StrUtil::parseOutHTMLTags("<td> </td><td>&nbsp;1</td>", false), (List{"&nbsp;1"}));
    // Inner CR LF pairs go only when asked.
    EXPECT_EQ(StrUtil::parseOutHTMLTags("<p>one\r\ntwo</p>", false), (List{"one\r\ntwo"}));
    EXPECT_EQ(StrUtil::parseOutHTMLTags("<p>one\r\ntwo</p>", true), (List{"onetwo"}));
    // A tag left open ends the pieces; a ">" inside an attribute splits.
    EXPECT_EQ(StrUtil::parseOutHTMLTags("<a>x<b", false), (List{"x"}));
    EXPECT_EQ(StrUtil::parseOutHTMLTags("<a title=\"1>2\">x</a>", false), (List{"2\">x"}));
    EXPECT_EQ(StrUtil::parseOutHTMLTags("text<", false), (List{"text"}));

    List list{"first"};
    StrUtil::addStringToList(list, "a\r\nb\nc", true);
    StrUtil::addStringToList(list, "a\r\nb", false);
    EXPECT_EQ(list, (List{"first", "ab\nc", "a\r\nb"}));
}

TEST(StrUtilTest, CharAtDecodesUtf8AndKeepsStrayBytes) {
    size_t len = 0;
    EXPECT_EQ(StrUtil::charAt("\xE2\x82\xAC", 0, len), U'\u20AC');
    EXPECT_EQ(len, 3u);
    EXPECT_EQ(StrUtil::charAt("\xF0\x9F\x98\x80", 0, len), U'\U0001F600');
    EXPECT_EQ(len, 4u);
    EXPECT_EQ(StrUtil::charAt("\xE9t\xE9", 0, len), 0xE9u);  // ISO 8859-1 byte
    EXPECT_EQ(len, 1u);
    EXPECT_EQ(StrUtil::charAt("\xE2\x82", 0, len), 0xE2u);  // cut short
    EXPECT_EQ(len, 1u);
    EXPECT_EQ(StrUtil::charAt("\xC0\xAF", 0, len), 0xC0u);  // overlong
    EXPECT_EQ(len, 1u);
    EXPECT_EQ(StrUtil::charAt("ab", 2, len), 0u);
    EXPECT_EQ(len, 0u);
}
