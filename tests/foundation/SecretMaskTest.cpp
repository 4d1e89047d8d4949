#include "foundation/SecretMask.h"

#include <gtest/gtest.h>

#include "foundation/StrUtil.h"

using foundation::SecretMask;

namespace {

const std::string PW = "p@ss/w:rd!";

std::string masked(const std::string& text, const std::vector<std::string>& secrets = {PW}) {
    return SecretMask::mask(text, secrets);
}

}  // namespace

TEST(SecretMaskTest, EveryWrittenFormOfTheSecretIsHidden) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"as typed p@ss/w:rd! end", "as typed ******** end"},
        // A browser's form encoding, in either letter case, and mixtures.
        {"q=p%40ss%2Fw%3Ard%21 end", "q=******** end"},
        {"q=p%40ss%2fw%3ard%21", "q=********"},
        {"q=%70%40ss/w%3Ard!", "q=********"},
        {"q=p@ss%2Fw:rd%21", "q=********"},
        // Markup.
        {"<b>p&#64;ss/w&#x3A;rd&#33;</b>", "<b>********</b>"},
        // Twice in one text, and a near miss left alone.
        {"p@ss/w:rd! p@ss/w:rd p%40ss/w:rd!", "******** p@ss/w:rd ********"},
        // Not a piece of it that stops short at the end of the text.
        {"p@ss/w:r", "p@ss/w:r"},
        {"p%4", "p%4"},
    };
    for (const auto& c : cases) EXPECT_EQ(masked(c.text), c.expected) << c.text;
}

TEST(SecretMaskTest, BlanksPlusesAndMarkupCharacters) {
    const std::vector<std::string> secret{"Se cret&9%<"};
    EXPECT_EQ(masked("a=Se cret&9%<", secret), "a=********");
    EXPECT_EQ(masked("a=Se+cret%269%25%3C&b=1", secret), "a=********&b=1");
    EXPECT_EQ(masked("a=Se%20cret%269%25%3c", secret), "a=********");
    EXPECT_EQ(masked("<i>Se cret&amp;9%&lt;</i>", secret), "<i>********</i>");
    // Our own form encoding leaves "<" as typed.
    EXPECT_EQ(masked(foundation::StrUtil::encodeFormValue(secret[0]), secret), "********");
    // A plus in the secret is a plus, never a blank.
    EXPECT_EQ(masked("x=a%2Bb y=a+b z=a b", {"a+b"}), "x=******** y=******** z=a b");
}

TEST(SecretMaskTest, CharactersBeyondAsciiInUtf8AndAsTheirLowEightBits) {
    const std::vector<std::string> secret{"gr\xC3\xBCn"};  // "grün"
    EXPECT_EQ(masked("v=gr\xC3\xBCn", secret), "v=********");
    EXPECT_EQ(masked("v=gr%C3%BCn", secret), "v=********");
    EXPECT_EQ(masked("v=gr%FCn", secret), "v=********");
    EXPECT_EQ(masked("v=gr\xFCn", secret), "v=********");
    EXPECT_EQ(masked("v=gr&#252;n", secret), "v=********");
    EXPECT_EQ(masked("v=gr%C3n", secret), "v=gr%C3n");
}

TEST(SecretMaskTest, ValuesOfPasswordFieldsAreHiddenWhateverTheyHold) {
    // The value as the browser re-encoded it from a secret we never saw.
    EXPECT_EQ(masked("URL: http://h/in?emailAddress=joe%40x.com&password=zz%21&go=1", {}),
              "URL: http://h/in?emailAddress=joe%40x.com&password=********&go=1");
    EXPECT_EQ(masked("/ValidateLogin.do?alohaLoginAccount=7&alohaLoginPin=4%2F2", {}),
              "/ValidateLogin.do?alohaLoginAccount=7&alohaLoginPin=********");
    // A value runs to "&", a line end or the end of the text, blanks and all.
    EXPECT_EQ(masked("body: txtPinNo=1&Login:Upassword=a b&login_pwd=x\r\nSecretCode=y \"z\"\nPINCode=<z> z", {}),
              "body: txtPinNo=********&Login:Upassword=********&login_pwd=********\r\nSecretCode=********\n"
              "PINCode=********");
    EXPECT_EQ(masked("<a href=\"/x?pin=12&amp;n=3\">", {}), "<a href=\"/x?pin=********&amp;n=3\">");
    // Empty values, other fields and attribute names stay.
    EXPECT_EQ(masked("password=&shipping=2&opinion=yes&user=pin", {}), "password=&shipping=2&opinion=yes&user=pin");
    EXPECT_EQ(masked("<input type=password name=pwd value=\"\">", {}), "<input type=password name=pwd value=\"\">");
}

TEST(SecretMaskTest, PasswordFieldNames) {
    for (const char* name : {"password", "j_password", "txtPswd", "passwd", "motDePasse", "login_pwd", "pin", "PIN",
                             "collectorPIN", "txtPinNo", "alohaLoginPin", "pclubpin", "PinCode", "SecretCode",
                             "wuser[password]", "ctl00$MainContent$ctl02$ctl00$txtPassword"}) {
        EXPECT_TRUE(SecretMask::isPasswordFieldName(name)) << name;
    }
    for (const char* name : {"username", "emailAddress", "shipping", "opinion", "spinner", "pinned", "sitano", ""}) {
        EXPECT_FALSE(SecretMask::isPasswordFieldName(name)) << name;
    }
}

TEST(SecretMaskTest, EmptySecretsAndTextsChangeNothing) {
    EXPECT_EQ(masked("plain text", {"", ""}), "plain text");
    EXPECT_EQ(masked("", {"abc"}), "");
    EXPECT_EQ(foundation::StrUtil::maskSecrets("k=p%40ss%2Fw%3Ard%21", {"", PW}), "k=********");
}
