// The message centre's retriever: which answers of the product server name a
// page to show, the twice-a-day interval, and what a failed check leaves.

#include <gtest/gtest.h>

#include <atomic>

#include "portal/retriever/BaseRetrieverThread.h"
#include "portal/retriever/MessageCenter.h"
#include "tests/portal/ContentSites.h"

namespace rltest::content {
namespace {

using portal::retriever::BaseRetrieverThread;
using portal::retriever::MessageCenter;

const char* const SERVER = "http://www.roamledger.example";
const char* const ROOT = "/opt/lanternbay/content/";

std::optional<std::string> answer(const std::string& text) {
    return MessageCenter::addressFromAnswer(text, SERVER, ROOT);
}

TEST(MessageCenterAnswer, OnlyOneAddressTokenCounts) {
    // Addresses of the server's message pages, or with the installation.
    for (const char* address : {"http://www.roamledger.example/lanternbay/message.php?w=400&h=300",
                                "https://news.example/welcome.html?w=300&h=200&guid=ABC"}) {
        EXPECT_EQ(answer(address), std::optional<std::string>(address)) << address;
    }
    // "**LOCAL**" is the content folder.
    EXPECT_EQ(answer("**LOCAL**messages/welcome.html?guid=ABC&w=300&h=200"),
              std::optional<std::string>("file:///opt/lanternbay/content/messages/welcome.html?guid=ABC&w=300&h=200"));
    EXPECT_EQ(answer("**LOCAL**tips.html"), std::optional<std::string>("file:///opt/lanternbay/content/tips.html"));
    EXPECT_EQ(answer("http://www.roamledger.example/lanternbay/m.php?back=**LOCAL**x.html"),
              std::optional<std::string>(
                  "http://www.roamledger.example/lanternbay/m.php?back=file:///opt/lanternbay/content/x.html"));
    // Anything else is no address.
    for (const char* other : {"<html><body>Moved: guid=ABC</body></html>",
                              "http://www.roamledger.example/lanternbay/a.php http://elsewhere.example/?guid=1",
                              "http://www.roamledger.example/lanternbay/a.php\nhttp://elsewhere.example/",
                              "javascript:alert('guid=')", "file:///etc/passwd?guid=1", "ftp://files.example/?guid=1",
                              "http://elsewhere.example/page.html", "HTTP://www.roamledger.example/lanternbay/m.php",
                              "No messages"}) {
        EXPECT_EQ(answer(other), std::nullopt) << other;
    }
}

class MessageCenterRun : public ContentTest {
protected:
    MessageCenterRun() {
        BaseRetrieverThread::setClock([this] { return clock.load(); });
        params.source = "mapquest";  // no content page: only the message centre
    }
    void answers(Answer a) { site(PRODUCT_HOST).on("GET", MESSAGE_CENTER_PATH, std::move(a)); }
    size_t asked() { return site(PRODUCT_HOST).requests().size(); }

    std::atomic<int64_t> clock{1000};
    RefreshParams params;
};

TEST_F(MessageCenterRun, LocalAddressIsTranslatedAndTheCheckWaitsHalfADay) {
    answers(Answer::page("\r\n**LOCAL**welcome.html?guid=0123456789ABCDEF0123456789ABCDEF&w=300&h=200 \r\n"));
    params.manual = true;
    auto first = refresh(params);
    const std::string expected = portal::retriever::BaseRetrieverThread::getContentRoot() +
                                 "welcome.html?guid=0123456789ABCDEF0123456789ABCDEF&w=300&h=200";
    EXPECT_EQ(first->getMessageCenterURL(), std::optional<std::string>("file://" + expected));
    EXPECT_TRUE(log.contains("Checking Message center at: https://www.roamledger.example/lanternbay/messagecenter.php"
                             "?version=20060430&guid=0123456789ABCDEF0123456789ABCDEF"));
    EXPECT_TRUE(log.contains("Message center URL to visit (translated): file://" + expected));

    // Not even a manual refresh asks again within 42480 s.
    clock += 42479999;
    auto second = refresh(params);
    EXPECT_EQ(second->getMessageCenterURL(), std::nullopt);
    EXPECT_EQ(asked(), 1u);
    EXPECT_TRUE(log.contains("Cancelling MessageCenter update.  Last updated 42479 seconds ago; content changes every "
                             "42480 seconds"));
    clock += 1;
    refresh(params);
    EXPECT_EQ(asked(), 2u);
}

TEST_F(MessageCenterRun, InvalidAnswerIsReportedOnceAndCountsAsAsked) {
    answers(Answer::page("<html><body>Welcome! guid=1</body></html>"));
    auto first = refresh(params);
    EXPECT_EQ(first->getMessageCenterURL(), std::nullopt);
    EXPECT_TRUE(log.contains("Message center URL does not appear to be valid: <html><body>Welcome! guid=1</body></html>"));
    EXPECT_EQ(log.count("Error report from MessageCenter: Invalid Message center URL: "), 1u);

    clock += 42480000;
    refresh(params);
    EXPECT_EQ(asked(), 2u);
    EXPECT_EQ(log.count("Message center URL does not appear to be valid: "), 2u);
    EXPECT_EQ(log.count("Error report from MessageCenter: "), 1u);
}

TEST_F(MessageCenterRun, EmptyAnswerIsNoMessage) {
    answers(Answer::page(" \r\n"));
    auto run = refresh(params);
    EXPECT_EQ(run->getMessageCenterURL(), std::nullopt);
    EXPECT_FALSE(log.contains("Message center URL"));
    refresh(params);
    EXPECT_EQ(asked(), 1u);
}

TEST_F(MessageCenterRun, FailedCheckIsRetriedAtTheNextRefresh) {
    answers(Answer::page("Not here", 404));
    auto run = refresh(params);
    EXPECT_EQ(run->getMessageCenterURL(), std::nullopt);
    EXPECT_EQ(log.count("Error checking message center: "), 1u);
    EXPECT_FALSE(log.contains("Error report from MessageCenter"));
    refresh(params);
    EXPECT_EQ(asked(), 2u);
}

TEST_F(MessageCenterRun, HiddenWindowAsksNoMessageCentre) {
    answers(Answer::page("http://www.roamledger.example/lanternbay/message.php?w=1&h=1"));
    app.visible = false;
    auto run = refresh(params);
    EXPECT_EQ(run->getMessageCenterURL(), std::nullopt);
    EXPECT_EQ(asked(), 0u);
    EXPECT_FALSE(log.contains("MessageCenter"));
}

}  // namespace
}  // namespace rltest::content
