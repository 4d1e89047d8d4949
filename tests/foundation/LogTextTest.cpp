// Outside text made fit for one log line: what is escaped, what stays, and
// how long answers are cut.

#include "foundation/LogText.h"

#include <gtest/gtest.h>

#include <string>

using foundation::LogText;

namespace {

TEST(LogText, ControlCharactersBecomeEscapesAndNothingElseChanges) {
    EXPECT_EQ(LogText::escape("core13.zip"), "core13.zip");
    EXPECT_EQ(LogText::escape(""), "");
    EXPECT_EQ(LogText::escape("a\nb\rc\td"), "a\\nb\\rc\\td");
    EXPECT_EQ(LogText::escape(std::string("nul\0x", 5)), "nul\\x00x");
    EXPECT_EQ(LogText::escape("\x1b[2J\x7f\x01\x1f"), "\\x1B[2J\\x7F\\x01\\x1F");
    // The escape character itself is escaped, so no name can pose as an
    // escaped one.
    EXPECT_EQ(LogText::escape("C:\\dir\\n"), "C:\\\\dir\\\\n");
    // UTF-8 text stays; its C1 controls and line separators do not.
    EXPECT_EQ(LogText::escape("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"), "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC");
    EXPECT_EQ(LogText::escape("a\xC2\x85" "b\xC2\x9B" "c\xC2\xA0"), "a\\u0085b\\u009Bc\xC2\xA0");
    EXPECT_EQ(LogText::escape("x\xE2\x80\xA8y\xE2\x80\xA9z\xE2\x80\xA6"), "x\\u2028y\\u2029z\xE2\x80\xA6");
    // Bytes that are no UTF-8 stay as they are, a lone lead byte included.
    EXPECT_EQ(LogText::escape("\xFF\xFE\xC2"), "\xFF\xFE\xC2");
    for (int c = 0; c < 0x20; ++c) {
        std::string out = LogText::escape(std::string(1, static_cast<char>(c)));
        EXPECT_EQ(out.front(), '\\') << c;
        EXPECT_EQ(out.find_first_of(std::string("\0\n\r", 3)), std::string::npos) << c;
    }
}

TEST(LogText, LongAnswersAreCutAndSayHowLongTheyWere) {
    EXPECT_EQ(LogText::excerpt("short\r\nanswer", 100), "short\\r\\nanswer");
    std::string exact(4096, 'a');
    EXPECT_EQ(LogText::excerpt(exact), exact);
    std::string longer = std::string(5000, 'b') + "\n";
    EXPECT_EQ(LogText::excerpt(longer), std::string(4096, 'b') + " ... (5001 bytes in all)");
    // Escapes count after the cut: the cut is of the answer, not the line.
    EXPECT_EQ(LogText::excerpt("\n\n\n\n", 2), "\\n\\n ... (4 bytes in all)");
    // A UTF-8 character is never split.
    EXPECT_EQ(LogText::excerpt("ab\xE2\x82\xAC" "cd", 3), "ab ... (7 bytes in all)");
    EXPECT_EQ(LogText::excerpt("ab\xE2\x82\xAC" "cd", 5), "ab\xE2\x82\xAC ... (7 bytes in all)");
}

}  // namespace
