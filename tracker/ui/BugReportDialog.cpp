#include "tracker/ui/BugReportDialog.h"

#include <atomic>
#include <functional>
#include <stdexcept>

#include "foundation/HostTable.h"
#include "foundation/Logger.h"
#include "foundation/Messages.h"
#include "foundation/RLConstants.h"
#include "foundation/StrUtil.h"
#include "foundation/TextBrowser.h"
#include "foundation/TextBrowserException.h"
#include "foundation/Thread.h"
#include "platform/toolkit/Toolkit.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/SWTUtil.h"

namespace tracker::ui {

using foundation::Logger;
using foundation::Messages;
using foundation::RLConstants;
using foundation::StrUtil;

namespace {

constexpr int FIELD_X = 8;
constexpr int FIELD_WIDTH = 448;
// How long the form waits for a stopped post when it goes.
constexpr int64_t POST_END_WAIT_MS = 5000;

std::atomic<int64_t> g_postTimeLimitMs{BugReportDialog::POST_TIME_LIMIT_MS};

std::string text(const char* key) { return Messages::get(key); }

}  // namespace

// Posts the request on its own thread and hands the outcome to the form on
// the user-interface thread; a stopped post hands over nothing.
class BugReportDialog::Post : public foundation::Thread {
public:
    using Delivery = std::function<void(std::exception_ptr)>;

    Post(tk::Display* display, std::string url, std::string body, int64_t timeLimitMs, Delivery deliver)
        : m_display(display),
          m_url(std::move(url)),
          m_body(std::move(body)),
          m_timeLimitMs(timeLimitMs),
          m_deliver(std::move(deliver)) {}

protected:
    void run() override {
        std::exception_ptr failure;
        try {
            foundation::TextBrowser browser(false, 0);
            browser.setRequestTimeout(m_timeLimitMs);
            // The server's answer is not looked at.
            browser.doPost(m_url, m_body, -1);
        } catch (const std::exception&) {
            failure = std::current_exception();
        }
        if (isStopRequested()) return;
        Delivery deliver = m_deliver;
        m_display->asyncExec([deliver, failure] { deliver(failure); });
    }

private:
    tk::Display* m_display;
    std::string m_url;
    std::string m_body;
    int64_t m_timeLimitMs;
    Delivery m_deliver;
};

BugReportDialog::BugReportDialog(tk::Shell* parent, BaseRLApp* trackerWindow) : m_cursorWait(tk::CURSOR_WAIT) {
    m_parentShell = parent;
    m_rl = trackerWindow;
    m_shell = tk::make<tk::Shell>(parent, tk::DIALOG_TRIM | tk::APPLICATION_MODAL);
    m_shell->setText(RLConstants::ProductNameDisplay() + " - " + text("BugReportDialog.BugTitle"));
    m_shell->setSize(477, 565);
    setIconOnShell();
    centerDialog();
    // Nothing stops a post half-way: the form stays until its answer came.
    m_shell->addListener(tk::Close, [this](tk::Event& event) {
        if (isSending()) event.doit = false;
    });

    tk::Composite* shell = m_shell.get();
    m_lblNote = addLabel(shell, text("BugReportDialog.Note") + " " + RLConstants::SupportEmail() + ".", FIELD_WIDTH,
                         32, FIELD_X, 8);
    addLabel(shell, text("BugReportDialog.Name") + ":", FIELD_WIDTH, 16, FIELD_X, 48);
    m_txtName = addText(shell, "", FIELD_WIDTH, 20, FIELD_X, 72);
    m_txtName->setTextLimit(NAME_LIMIT);
    addLabel(shell, text("BugReportDialog.Email") + ":", FIELD_WIDTH, 28, FIELD_X, 104);
    m_txtEmail = addText(shell, "", FIELD_WIDTH, 20, FIELD_X, 140);
    m_txtEmail->setTextLimit(EMAIL_LIMIT);
    addLabel(shell, text("BugReportDialog.Description") + ":", FIELD_WIDTH, 32, FIELD_X, 172);
    m_txtDescription = addTextMultiline(shell, "", FIELD_WIDTH, 160, FIELD_X, 212);
    m_txtDescription->setTextLimit(DESCRIPTION_LIMIT);
    addLabel(shell, text("BugReportDialog.Additional"), FIELD_WIDTH, 16, FIELD_X, 380);
    m_txtAdditional = addTextMultiline(shell, "", FIELD_WIDTH, 88, FIELD_X, 404);
    m_txtAdditional->setEditable(false);
    m_txtAdditional->setTextLimit(ADDITIONAL_LIMIT);

    m_btnCancel = addButton(shell, text("BugReportDialog.Cancel"), 72, 24, 143, 500);
    m_btnCancel->addSelectionListener(
        [this](tk::Event&) { runGuarded("close the contact form", [this] { event_btnCancelSelection(); }); });
    m_btnSend = addButton(shell, text("BugReportDialog.Submit"), 72, 24, 239, 500);
    m_btnSend->addSelectionListener(
        [this](tk::Event&) { runGuarded("send the contact form", [this] { event_btnOKSelection(); }); });

    setAdditionalText();
}

BugReportDialog::~BugReportDialog() {
    m_alive.reset();
    if (m_post) {
        m_post->requestStop();
        if (!m_post->join(POST_END_WAIT_MS)) Logger::error("The contact form's post did not end");
    }
}

void BugReportDialog::setAdditionalText() {
    m_txtAdditional->setText(tracker::RLPreferences::collectSystemAndSettingsInfo(true));
}

bool BugReportDialog::isEmailAddressValid(const std::string& address) {
    const size_t at = address.find('@');
    return !address.empty() && at != std::string::npos && address.find('.', at) != std::string::npos;
}

std::string BugReportDialog::encodeValue(const std::string& value) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size() * 3);
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                                byte == '~';
        if (unreserved) {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
    return out;
}

std::string BugReportDialog::buildRequestBody(const std::string& name, const std::string& email,
                                              const std::string& description, const std::string& additional,
                                              bool withFrom) {
    const std::string subject = StrUtil::replace(RLConstants::ProductNameDisplay(), " & ", " and ") + " " +
                                text("BugReportDialog.EmailSubject");
    const std::string message = text("BugReportDialog.EmailName") + ": " + name + "\r\n" +
                                text("BugReportDialog.EmailEmail") + ": " + email + "\r\n\r\n" +
                                text("BugReportDialog.EmailDescription") + ":\r\n\r\n" +
                                StrUtil::replace(description, "&", "[AMPERSAND]") + "\r\n\r\n" +
                                text("BugReportDialog.EmailAdditional") + ":\r\n\r\n" +
                                StrUtil::replace(additional, "&", "[AMPERSAND]");
    std::string body = "To=" + encodeValue(RLConstants::SupportEmail());
    if (withFrom) body += "&From=" + encodeValue(email);
    body += "&Subject=" + encodeValue(subject);
    body += "&Message=" + encodeValue(message);
    return body;
}

void BugReportDialog::setPostTimeLimit(int64_t ms) { g_postTimeLimitMs.store(ms); }

int64_t BugReportDialog::getPostTimeLimit() { return g_postTimeLimitMs.load(); }

void BugReportDialog::event_btnOKSelection() {
    if (isSending()) return;
    const std::string& product = RLConstants::ProductNameDisplay();
    if (m_txtDescription->getText().empty()) {
        SWTUtil::showMessageBox(m_shell.get(), text("BugReportDialog.NoDescription1"),
                                product + " - " + text("BugReportDialog.NoDescription2"), tk::ICON_WARNING | tk::OK);
        if (!m_txtDescription->isDisposed()) m_txtDescription->setFocus();
        return;
    }
    const bool withFrom = isEmailAddressValid(m_txtEmail->getText());
    if (!withFrom) {
        const int answer =
            SWTUtil::showMessageBox(m_shell.get(), text("BugReportDialog.NoEmail1"),
                                    product + " - " + text("BugReportDialog.NoEmail2"), tk::ICON_QUESTION | tk::YES | tk::NO);
        if (answer != tk::YES) {
            if (!m_txtEmail->isDisposed()) m_txtEmail->setFocus();
            return;
        }
    }
    startPost(withFrom);
}

void BugReportDialog::startPost(bool withFrom) {
    const std::string body = buildRequestBody(m_txtName->getText(), m_txtEmail->getText(),
                                              m_txtDescription->getText(), m_txtAdditional->getText(), withFrom);
    const std::string url = foundation::HostTable::url("ProductServer.site", MAILER_PATH);
    std::weak_ptr<int> alive = m_alive;
    auto post = std::make_shared<Post>(m_shell->getDisplay(), url, body, getPostTimeLimit(),
                                       [this, alive, withFrom](std::exception_ptr failure) {
                                           if (alive.expired()) return;
                                           postEnded(failure, withFrom);
                                       });
    setBusy(true);
    m_post = post;
    if (!post->start()) {
        m_post.reset();
        setBusy(false);
        throw std::runtime_error("The contact form's post could not start");
    }
}

void BugReportDialog::postEnded(std::exception_ptr failure, bool withFrom) {
    if (m_post) m_post->join(POST_END_WAIT_MS);
    m_post.reset();
    if (!m_shell || m_shell->isDisposed()) return;
    const std::string& product = RLConstants::ProductNameDisplay();
    try {
        if (failure) std::rethrow_exception(failure);
        SWTUtil::showMessageBoxAllKeys(
            m_shell.get(), withFrom ? "BugReportDialog.SubmittedEmail1" : "BugReportDialog.SubmittedNoEmail1", product,
            withFrom ? "BugReportDialog.SubmittedEmail2" : "BugReportDialog.SubmittedNoEmail2",
            tk::ICON_INFORMATION | tk::OK);
    } catch (const foundation::TextBrowserException& networkFailure) {
        SWTUtil::showMessageBoxTitleKey(m_shell.get(),
                                        text("BugReportDialog.NotSubmitted1") + " " + RLConstants::SupportEmail() +
                                            ".\r\n\r\n" + text("BugReportDialog.NotSubmitted2"),
                                        product, "BugReportDialog.NotSubmitted3", tk::ICON_ERROR | tk::OK);
        Logger::error("Unable to submit bug", networkFailure);
        // The box asks the user to copy what the form holds: it stays.
        setBusy(false);
        return;
    } catch (const std::exception&) {
        // Any other failure: the form stays as it was, for another try.
        setBusy(false);
        runGuarded("send the contact form", [&] { std::rethrow_exception(failure); });
        return;
    }
    if (m_shell->isDisposed()) return;
    setBusy(false);
    m_shell->close();
}

void BugReportDialog::setBusy(bool busy) {
    if (!m_shell || m_shell->isDisposed()) return;
    m_shell->setCursor(busy ? std::optional<tk::Cursor>(m_cursorWait) : std::nullopt);
    for (tk::Control* control : std::initializer_list<tk::Control*>{m_txtName.get(), m_txtEmail.get(),
                                                                     m_txtDescription.get(), m_btnCancel.get(),
                                                                     m_btnSend.get()}) {
        control->setEnabled(!busy);
    }
}

void BugReportDialog::event_btnCancelSelection() {
    if (!isSending()) m_shell->close();
}

}  // namespace tracker::ui
