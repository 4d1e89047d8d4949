// The contact form driven as a user drives it from the Help menu, against
// an imitation of the product server: the request decoded back exactly
// (signs, line breaks and non-ASCII text included), the e-mail address
// check and its question, the missing description, the four result boxes,
// a server that never answers, and a form that goes while its post runs.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "foundation/StrUtil.h"
#include "platform/toolkit/Toolkit.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/Wait.h"
#include "tests/tracker/ui/WindowFixture.h"
#include "tracker/ui/BugReportDialog.h"

namespace {

using namespace rltest;
using foundation::StrUtil;
using tracker::ui::BaseRLApp;
using tracker::ui::BugReportDialog;
using Clock = std::chrono::steady_clock;

const char* const SERVER = "www.roamledger.example";
const char* const MAILER = "/roamledger/mailer.php";

class ContactFormTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        prepareSettings({{"Alice", {}}});
        web.site(SERVER).on("POST", MAILER, Answer::page("Message sent"));
    }
    void TearDown() override {
        BugReportDialog::setPostTimeLimit(BugReportDialog::POST_TIME_LIMIT_MS);
        WindowFixture::TearDown();
    }

    // The window of the edition, then its contact form from the Help menu;
    // parentUUID replaces the host's identifier in between.
    BugReportDialog& openForm(int type = BaseRLApp::APP_TYPE_FARHAVEN, const std::string& parentUUID = "") {
        open(type);
        settle();
        if (!parentUUID.empty()) BaseRLApp::setParentUUID(parentUUID);
        return dialogOpenedBy<BugReportDialog>(
            driver.pressAccelerator(*window->getMenuAndDialogShell(), tk::CTRL | 'R'), "contact form");
    }

    void fill(BugReportDialog& form, const std::string& name, const std::string& email,
              const std::string& description) {
        ASSERT_TRUE(driver.type(*form.getNameField(), name));
        ASSERT_TRUE(driver.type(*form.getEmailField(), email));
        ASSERT_TRUE(driver.type(*form.getDescriptionField(), description));
    }

    // Runs the window's loop until a box was shown (the post's outcome).
    bool waitForBox(size_t count = 1, int timeoutMs = 20000) {
        return waitFor(
            [&] {
                settle();
                return driver.shownDialogs().size() >= count;
            },
            timeoutMs);
    }

    // The form's shell, held beyond the form (which the window drops once
    // the shell is gone).
    static std::shared_ptr<tk::Shell> shellOf(BugReportDialog& form) {
        return std::static_pointer_cast<tk::Shell>(form.getShell()->shared_from_this());
    }

    std::vector<Request> posts() { return web.site(SERVER).requests("POST", MAILER); }

    ImitationWeb web;
};

TEST_F(ContactFormTest, TheFormIsLaidOutWithTheReportFilledIn) {
    BugReportDialog& form = openForm();
    tk::Shell& shell = *form.getShell();
    EXPECT_EQ(shell.getText(), "Roamledger - Contact Us, Report a Problem, Request a Feature");
    EXPECT_EQ(shell.getSize(), (tk::Point{477, 565}));
    EXPECT_EQ(shell.getStyle() & (tk::DIALOG_TRIM | tk::APPLICATION_MODAL), tk::DIALOG_TRIM | tk::APPLICATION_MODAL);
    EXPECT_EQ(form.getNoteLabel()->getBounds(), (tk::Rectangle{8, 8, 448, 32}));
    EXPECT_EQ(form.getNoteLabel()->getText(),
              "Use this form to ask a question, report a problem or request a feature. You may also e-mail us at "
              "support@roamledger.example.");
    EXPECT_EQ(form.getNameField()->getBounds(), (tk::Rectangle{8, 72, 448, 20}));
    EXPECT_EQ(form.getNameField()->getTextLimit(), 100);
    EXPECT_EQ(form.getEmailField()->getBounds(), (tk::Rectangle{8, 140, 448, 20}));
    EXPECT_EQ(form.getEmailField()->getTextLimit(), 100);
    EXPECT_EQ(form.getDescriptionField()->getBounds(), (tk::Rectangle{8, 212, 448, 160}));
    EXPECT_EQ(form.getDescriptionField()->getTextLimit(), 20000);
    EXPECT_NE(form.getDescriptionField()->getStyle() & tk::MULTI, 0);
    EXPECT_EQ(form.getAdditionalField()->getBounds(), (tk::Rectangle{8, 404, 448, 88}));
    EXPECT_FALSE(form.getAdditionalField()->getEditable());
    EXPECT_EQ(form.getCancelButton()->getBounds(), (tk::Rectangle{143, 500, 72, 24}));
    EXPECT_EQ(form.getCancelButton()->getText(), "Cancel");
    EXPECT_EQ(form.getSendButton()->getBounds(), (tk::Rectangle{239, 500, 72, 24}));
    EXPECT_EQ(form.getSendButton()->getText(), "Send");
    // The labels above the fields.
    const std::pair<int, std::string> labels[] = {
        {48, "Name (optional):"},
        {104, "E-mail address (needed if you would like a reply; it is used for nothing else):"},
        {172, "Description of your question, problem or feature request (please be as detailed as possible):"},
        {380, "Additional information (sent automatically; no passwords are included)"}};
    for (const auto& [y, text] : labels) {
        bool found = false;
        for (tk::Control* child : shell.getChildren()) {
            auto* label = dynamic_cast<tk::Label*>(child);
            if (label && label->getLocation() == tk::Point{8, y}) {
                found = true;
                EXPECT_EQ(label->getText(), text);
                EXPECT_EQ(label->getSize().x, 448);
            }
        }
        EXPECT_TRUE(found) << text;
    }
    const std::string report = form.getAdditionalField()->getText();
    EXPECT_NE(report.find("AppVersion=20060430"), std::string::npos) << report;
    EXPECT_NE(report.find("UserCount=1"), std::string::npos) << report;
    EXPECT_EQ(form.getAdditionalField()->getTextLimit(), 1000);
    EXPECT_LE(form.getAdditionalField()->getCharCount(), 1000);

    ASSERT_TRUE(driver.click(*form.getCancelButton()));
    EXPECT_TRUE(shell.isDisposed());
    settle();
    EXPECT_TRUE(window->getDialogs().empty());
    EXPECT_TRUE(posts().empty());
}

TEST_F(ContactFormTest, TheServerDecodesExactlyWhatTheUserTyped) {
    BugReportDialog& form = openForm(BaseRLApp::APP_TYPE_FARHAVEN, "host&uuid");
    const std::string name = "Tom & Jerry = +1 100% Müller";
    const std::string email = "tom+news@example.com";
    const std::string description = "Totals & balances: a=b+c, 50% off #1\n"
                                    "Grüße, café, 5 € – 日本語 😀\n"
                                    "%41 is not A; [AMPERSAND] stays";
    fill(form, name, email, description);
    const std::string additional = form.getAdditionalField()->getText();
    auto shell = shellOf(form);
    ASSERT_TRUE(driver.click(*form.getSendButton()));
    ASSERT_TRUE(waitForBox());

    const auto sent = posts();
    ASSERT_EQ(sent.size(), 1u);
    const Request& post = sent[0];
    EXPECT_EQ(post.header("Content-Type"), "application/x-www-form-urlencoded");
    // Four fields: every "&" and "=" of the values went encoded.
    const auto fields = post.form();
    ASSERT_EQ(fields.size(), 4u) << post.body;
    EXPECT_EQ(fields[0], (std::pair<std::string, std::string>{"To", "support@roamledger.example"}));
    EXPECT_EQ(fields[1], (std::pair<std::string, std::string>{"From", email}));
    EXPECT_EQ(fields[2], (std::pair<std::string, std::string>{"Subject", "Roamledger Help / Feedback"}));
    EXPECT_EQ(fields[3].first, "Message");
    EXPECT_EQ(fields[3].second, "Name: " + name + "\r\nE-mail: " + email + "\r\n\r\nDescription:\r\n\r\n" +
                                    StrUtil::replace(description, "&", "[AMPERSAND]") + "\r\n\r\nAdditional:\r\n\r\n" +
                                    StrUtil::replace(additional, "&", "[AMPERSAND]"));
    // The name's "&" went as typed, the report's did not.
    EXPECT_NE(fields[3].second.find("ParentUUID=host[AMPERSAND]uuid"), std::string::npos);
    EXPECT_EQ(post.body.find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~%&="),
              std::string::npos)
        << post.body;

    const auto& box = driver.shownDialogs()[0];
    EXPECT_EQ(box.title, "Roamledger - Sent Successfully");
    EXPECT_EQ(box.message,
              "Sent successfully. Thank you for your message! Since you provided your e-mail address, we will try to "
              "follow up promptly.\r\n\r\nYou should also immediately receive an e-mail copy of your message.");
    EXPECT_EQ(box.style, tk::ICON_INFORMATION | tk::OK);
    EXPECT_EQ(box.parentTitle, "Roamledger - Contact Us, Report a Problem, Request a Feature");
    EXPECT_TRUE(shell->isDisposed());
    settle();
    EXPECT_TRUE(window->getDialogs().empty());
}

TEST_F(ContactFormTest, ADoubtfulAddressIsQuestionedAndCanBeCorrected) {
    EXPECT_TRUE(BugReportDialog::isEmailAddressValid("a@b.c"));
    EXPECT_TRUE(BugReportDialog::isEmailAddressValid("first.last@mail.example.com"));
    EXPECT_TRUE(BugReportDialog::isEmailAddressValid("x@.y"));
    EXPECT_FALSE(BugReportDialog::isEmailAddressValid(""));
    EXPECT_FALSE(BugReportDialog::isEmailAddressValid("tom@example"));
    EXPECT_FALSE(BugReportDialog::isEmailAddressValid("tom.smith@example"));
    EXPECT_FALSE(BugReportDialog::isEmailAddressValid("tom.example.com"));

    BugReportDialog& form = openForm();
    fill(form, "Tom", "tom.smith@example", "It does not start.");
    driver.answerButton(tk::NO);
    ASSERT_TRUE(driver.click(*form.getSendButton()));
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    const auto& question = driver.shownDialogs()[0];
    EXPECT_EQ(question.title, "Roamledger - E-mail Address Confirmation");
    EXPECT_EQ(question.message,
              "Are you sure that you want to leave your e-mail address blank or invalid?\r\n\r\nIf you do, we will "
              "not be able to reply to your message.");
    EXPECT_EQ(question.style, tk::ICON_QUESTION | tk::YES | tk::NO);
    // No: back to the address, nothing sent.
    EXPECT_EQ(display.getFocusControl(), form.getEmailField());
    EXPECT_FALSE(form.getShell()->isDisposed());
    EXPECT_FALSE(form.isSending());

    ASSERT_TRUE(driver.replaceText(*form.getEmailField(), "tom.smith@example.org"));
    ASSERT_TRUE(driver.click(*form.getSendButton()));
    ASSERT_TRUE(waitForBox(2));
    EXPECT_EQ(driver.shownDialogs()[1].title, "Roamledger - Sent Successfully");
    ASSERT_EQ(posts().size(), 1u);
    EXPECT_EQ(posts()[0].formValue("From"), "tom.smith@example.org");
}

TEST_F(ContactFormTest, SendingWithoutAnAddressLeavesOutTheSender) {
    BugReportDialog& form = openForm(BaseRLApp::APP_TYPE_LANTERNBAY);
    fill(form, "", "", "Please add my airline.");
    driver.answerButton(tk::YES);
    ASSERT_TRUE(driver.click(*form.getSendButton()));
    ASSERT_TRUE(waitForBox(2));
    const auto sent = posts();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].formValue("From"), std::nullopt);
    EXPECT_EQ(sent[0].body.rfind("To=support%40roamledger.example&Subject=", 0), 0u) << sent[0].body;
    EXPECT_EQ(sent[0].formValue("Message")->rfind("Name: \r\nE-mail: \r\n\r\nDescription:\r\n\r\nPlease add", 0), 0u);
    const auto& box = driver.shownDialogs()[1];
    EXPECT_EQ(box.title, "Roamledger - Sent Successfully");
    EXPECT_EQ(box.message, "Sent successfully. Thank you for your message!");
}

TEST_F(ContactFormTest, AnEmptyDescriptionIsAskedForAndNothingIsSent) {
    BugReportDialog& form = openForm();
    fill(form, "Tom", "tom@example.com", "");
    ASSERT_TRUE(driver.click(*form.getSendButton()));
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    const auto& box = driver.shownDialogs()[0];
    EXPECT_EQ(box.title, "Roamledger - No Description");
    EXPECT_EQ(box.message, "Please provide a description.");
    EXPECT_EQ(box.style, tk::ICON_WARNING | tk::OK);
    EXPECT_EQ(display.getFocusControl(), form.getDescriptionField());
    EXPECT_FALSE(form.getShell()->isDisposed());
    settle();
    EXPECT_TRUE(posts().empty());
}

TEST_F(ContactFormTest, AServerThatNeverAnswersEndsInTheFailureBoxAfterTheTimeLimit) {
    web.site(SERVER).on("POST", MAILER, Answer::neverAnswer());
    // Long enough for the request to reach the site first, also in a
    // sanitizer build on a busy machine.
    const int limit = rltest::scaled(3000);
    BugReportDialog::setPostTimeLimit(limit);
    BugReportDialog& form = openForm();
    fill(form, "Tom", "tom@example.com", "Nothing happens.");
    auto shell = shellOf(form);
    const auto pressed = Clock::now();
    ASSERT_TRUE(driver.click(*form.getSendButton()));

    // While the post runs the window keeps working, the form shows the wait
    // cursor, takes no input and cannot be closed.
    EXPECT_TRUE(form.isSending());
    ASSERT_TRUE(shell->getCursor().has_value());
    EXPECT_EQ(shell->getCursor()->getShape(), tk::CURSOR_WAIT);
    EXPECT_FALSE(driver.click(*form.getSendButton()));
    EXPECT_FALSE(driver.click(*form.getCancelButton()));
    EXPECT_FALSE(driver.type(*form.getDescriptionField(), "more"));
    ASSERT_TRUE(driver.closeBox(*shell));
    EXPECT_FALSE(shell->isDisposed());
    ASSERT_TRUE(waitForBox());
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - pressed).count();
    EXPECT_GE(waited, limit);
    EXPECT_EQ(web.requests().size(), 1u);
    const auto& box = driver.shownDialogs()[0];
    EXPECT_EQ(box.title, "Roamledger - Unable to Send");
    EXPECT_EQ(box.message,
              "Unable to send over the network. Please copy and paste the\r\n\r\ninformation you've entered and "
              "e-mail it to support@roamledger.example.\r\n\r\nThank you for your message!");
    EXPECT_EQ(box.style, tk::ICON_ERROR | tk::OK);
    EXPECT_TRUE(logged("Unable to submit bug"));
    EXPECT_FALSE(shell->isDisposed());
}

// The failure box asks the user to copy what was written: the form stays
// with it, ready for another try, and closes as usual afterwards.
TEST_F(ContactFormTest, ARefusedConnectionEndsInTheFailureBoxAndKeepsTheForm) {
    web.site(SERVER).on("POST", MAILER, Answer::dropConnection());
    BugReportDialog& form = openForm();
    fill(form, "Tom", "tom@example.com", "Dropped.");
    auto shell = shellOf(form);
    ASSERT_TRUE(driver.click(*form.getSendButton()));
    ASSERT_TRUE(waitForBox());
    EXPECT_EQ(driver.shownDialogs()[0].title, "Roamledger - Unable to Send");
    EXPECT_TRUE(logged("Unable to submit bug"));
    settle();
    ASSERT_FALSE(shell->isDisposed());
    EXPECT_EQ(window->getDialogs().size(), 1u);
    EXPECT_FALSE(form.isSending());
    EXPECT_FALSE(shell->getCursor().has_value());
    EXPECT_EQ(form.getNameField()->getText(), "Tom");
    EXPECT_EQ(form.getEmailField()->getText(), "tom@example.com");
    EXPECT_EQ(form.getDescriptionField()->getText(), "Dropped.");
    EXPECT_TRUE(driver.type(*form.getDescriptionField(), " Again."));
    ASSERT_TRUE(driver.click(*form.getCancelButton()));
    EXPECT_TRUE(shell->isDisposed());
}

TEST_F(ContactFormTest, AFormThatGoesWhileItsPostRunsStopsThePost) {
    web.site(SERVER).on("POST", MAILER, Answer::neverAnswer());
    BugReportDialog& form = openForm();
    fill(form, "Tom", "tom@example.com", "Leaving now.");
    ASSERT_TRUE(driver.click(*form.getSendButton()));
    ASSERT_TRUE(web.waitForRequests(1, 10000));
    // The window goes (the program ends) with the default limit of 90 s
    // still running: the post is stopped at once, nothing is shown.
    const auto started = Clock::now();
    window.reset();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    EXPECT_LT(took, 5000);
    settle();
    EXPECT_TRUE(driver.shownDialogs().empty());
}

TEST_F(ContactFormTest, TheEndOfTheProgramStopsARunningPost) {
    web.site(SERVER).on("POST", MAILER, Answer::neverAnswer());
    BugReportDialog& form = openForm(BaseRLApp::APP_TYPE_LANTERNBAY);
    fill(form, "Tom", "tom@example.com", "Ending now.");
    ASSERT_TRUE(driver.click(*form.getSendButton()));
    ASSERT_TRUE(web.waitForRequests(1, 10000));
    const auto started = Clock::now();
    window->cleanUp(false);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count(), 5000);
    EXPECT_EQ(endStatuses, (std::vector<int>{0}));
    EXPECT_TRUE(window->getDialogs().empty());
    settle();
    EXPECT_TRUE(driver.shownDialogs().empty());
    EXPECT_FALSE(logged("Unable to submit bug"));
}

}  // namespace
