#pragma once
// The contact form of the Help menu ("Contact Us, Report a Problem, Request
// a Feature"): name, e-mail address, description and, read-only, the system
// and settings report. Send posts them to the product server's mailer page
// and tells the user how it went; the form closes after a success and stays,
// with what the user wrote, when the post failed. Cancel closes the form
// without sending.
//
// The post runs on a worker thread of its own, so the window keeps drawing;
// meanwhile the form shows the wait cursor, takes no input and cannot be
// closed. It gives up after the post time limit (90 s). Every value of the
// request is percent-encoded (as UTF-8) after its own substitutions, so the
// server decodes exactly what the user typed.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "platform/toolkit/Types.h"
#include "tracker/ui/BaseDialog.h"

namespace tk {
class Button;
class Label;
class Shell;
class Text;
}  // namespace tk

namespace tracker::ui {

class BaseRLApp;

class BugReportDialog : public BaseDialog {
public:
    static constexpr const char* MAILER_PATH = "/roamledger/mailer.php";
    static constexpr int64_t POST_TIME_LIMIT_MS = 90000;
    static constexpr int NAME_LIMIT = 100;
    static constexpr int EMAIL_LIMIT = 100;
    static constexpr int DESCRIPTION_LIMIT = 20000;
    static constexpr int ADDITIONAL_LIMIT = 1000;

    // Builds the form and fills in the report, without opening it.
    BugReportDialog(tk::Shell* parent, BaseRLApp* trackerWindow);
    // Stops a post that still runs and waits for it.
    ~BugReportDialog() override;

    // The system and settings report into the additional-information field.
    void setAdditionalText();
    // Send: checks the description and the address, then posts.
    void event_btnOKSelection();
    void event_btnCancelSelection();

    // Not empty, with an "@" and a "." at or after the first "@".
    static bool isEmailAddressValid(const std::string& address);
    // The request body: To, From (only for an address that passed the
    // check), Subject and Message, each value percent-encoded.
    static std::string buildRequestBody(const std::string& name, const std::string& email,
                                        const std::string& description, const std::string& additional,
                                        bool withFrom);
    // Every byte but letters, digits and "-._~" as "%XX".
    static std::string encodeValue(const std::string& value);
    // How long a post may take in all; tests shorten it.
    static void setPostTimeLimit(int64_t ms);
    static int64_t getPostTimeLimit();

    // A post runs.
    bool isSending() const { return m_post != nullptr; }
    tk::Text* getNameField() const { return m_txtName.get(); }
    tk::Text* getEmailField() const { return m_txtEmail.get(); }
    tk::Text* getDescriptionField() const { return m_txtDescription.get(); }
    tk::Text* getAdditionalField() const { return m_txtAdditional.get(); }
    tk::Button* getSendButton() const { return m_btnSend.get(); }
    tk::Button* getCancelButton() const { return m_btnCancel.get(); }
    tk::Label* getNoteLabel() const { return m_lblNote.get(); }

private:
    class Post;

    void startPost(bool withFrom);
    void postEnded(std::exception_ptr failure, bool withFrom);
    void setBusy(bool busy);

    tk::Cursor m_cursorWait;
    std::shared_ptr<tk::Label> m_lblNote;
    std::shared_ptr<tk::Text> m_txtName;
    std::shared_ptr<tk::Text> m_txtEmail;
    std::shared_ptr<tk::Text> m_txtDescription;
    std::shared_ptr<tk::Text> m_txtAdditional;
    std::shared_ptr<tk::Button> m_btnCancel;
    std::shared_ptr<tk::Button> m_btnSend;
    std::shared_ptr<Post> m_post;
    // Results of a post reach the form only while this lives.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace tracker::ui
