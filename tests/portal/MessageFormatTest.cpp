// Filling templates: message formatting with its quoting rules, plain
// placeholder replacement, and the templates the content folder ships.

#include <gtest/gtest.h>

#include <stdexcept>

#include "portal/retriever/BaseRetrieverThread.h"
#include "portal/retriever/MessageFormat.h"
#include "tests/support/TempWorkDir.h"

namespace {

using portal::retriever::MessageFormat;

class Fill : public portal::retriever::BaseRetrieverThread {
public:
    using BaseRetrieverThread::fillPlaceholders;
};

std::string format(const std::string& pattern, const std::vector<std::string>& values = {"A", "B"}) {
    return MessageFormat::format(pattern, values);
}

TEST(MessageFormat, PlaceholdersAndQuotes) {
    EXPECT_EQ(format("{0} and {1}, {0} again"), "A and B, A again");
    EXPECT_EQ(format("Today''s {0}"), "Today's A");
    EXPECT_EQ(format("'{0}' is {0}"), "{0} is A");
    EXPECT_EQ(format("'It''s {1}' {1}"), "It's {1} B");
    EXPECT_EQ(format("a } b {1}"), "a } b B");
    EXPECT_EQ(format("{7} stays"), "{7} stays");
    EXPECT_EQ(format("{01}"), "B");
    // Values go in as they are, never formatted themselves.
    EXPECT_EQ(format("<{0}>", {"{1} it's '{'"}), "<{1} it's '{'>");
    // A quote that is never closed quotes to the end.
    EXPECT_EQ(format("x '{0} y"), "x {0} y");
    EXPECT_EQ(format(""), "");
}

TEST(MessageFormat, MalformedElementsAreClearErrors) {
    for (const char* bad : {"{0", "text {1 more", "{}", "{a}", "{-1}", "{ 0}", "{0,number}", "{0{1}}"}) {
        EXPECT_THROW(format(bad), std::invalid_argument) << bad;
    }
    try {
        format("<p>{0</p>");
        FAIL();
    } catch (const std::invalid_argument& failure) {
        EXPECT_STREQ(failure.what(), "Unmatched braces in the pattern.");
    }
}

TEST(FillPlaceholders, OnePassOverTheTemplate) {
    EXPECT_EQ(Fill::fillPlaceholders("{0}|{1}|{2}", {"x{1}", "y", "z"}), "x{1}|y|z");
    EXPECT_EQ(Fill::fillPlaceholders("td { color: red } {3} {1", {"a", "b"}), "td { color: red } {3} {1");
    EXPECT_EQ(Fill::fillPlaceholders("it's {0}{0}", {"'"}), "it's ''");
    EXPECT_EQ(Fill::fillPlaceholders("{", {"a"}), "{");
}

// Every shipped template fills completely with its number of values.
TEST(ContentTemplates, FillWithoutLeftovers) {
    struct Template {
        const char* file;
        int values;
        bool messageFormat;
    };
    const Template templates[] = {{"weatherbug-inner-template.html", 8, true},
                                  {"moviefone-inner-template.html", 1, true},
                                  {"moviefone-template.html", 1, false},
                                  {"brightwire-inner-template.html", 3, false},
                                  {"bloomberg-template.html", 1, false},
                                  {"bloomberg-inner-template.html", 2, false}};
    for (const Template& t : templates) {
        const std::string text = rltest::readFile(rltest::sourceDir() + "/resources/content/" + t.file);
        ASSERT_FALSE(text.empty()) << t.file;
        std::vector<std::string> values;
        for (int i = 0; i < t.values; ++i) values.push_back("@VALUE" + std::to_string(i) + "@");
        const std::string filled =
            t.messageFormat ? MessageFormat::format(text, values) : Fill::fillPlaceholders(text, values);
        for (const std::string& value : values) EXPECT_EQ(filled.find(value) == std::string::npos, false) << t.file;
        EXPECT_EQ(filled.find('{'), std::string::npos) << t.file;
        EXPECT_NE(filled.find("<meta charset=\"utf-8\">"), std::string::npos) << t.file;
    }
}

}  // namespace
