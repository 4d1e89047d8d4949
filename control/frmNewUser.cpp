#include "control/frmNewUser.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "control/Hourglass.h"
#include "control/PopupMenu.h"
#include "control/modMisc.h"
#include "control/modPref.h"
#include "foundation/FileUtil.h"
#include "foundation/Logger.h"
#include "platform/toolkit/Toolkit.h"

namespace tiraleaf {

namespace {

frmNewUser* g_current = nullptr;

std::shared_ptr<tk::Label> text(tk::Shell* shell, const std::string& words, int x, int y, int width, int height) {
    auto label = tk::make<tk::Label>(shell, tk::WRAP);
    label->setText(words);
    label->setBounds(x, y, width, height);
    return label;
}

}  // namespace

frmNewUser::frmNewUser(tk::Shell* parent) : ModalForm(parent, CAPTION, 440, 330) {
    tk::Shell* s = m_shell.get();
    text(s, "Thank you for installing Lanternbay.", 16, 14, 408, 18);
    text(s,
         "PLEASE NOTE: You must have an active Internet connection for Lanternbay to retrieve data and receive "
         "updates.",
         16, 40, 408, 36);
    text(s,
         "If you are based in the US, please enter your 5 digit zip code. If you are based in Canada, please enter "
         "your 6 character postal code (with no spaces). If you are based elsewhere, please enter 00000. This will "
         "allow Lanternbay to download your personalized news, weather report, etc.",
         16, 84, 408, 72);
    text(s, "Zip/Postal Code:", 16, 170, 120, 18);
    m_txtZipCode = tk::make<tk::Text>(s, tk::SINGLE | tk::BORDER);
    m_txtZipCode->setBounds(140, 167, 90, 22);
    text(s,
         "After closing this dialog, there will be a slight delay while Lanternbay downloads your latest "
         "personalized content.",
         16, 204, 408, 36);
    m_btnOK = tk::make<tk::Button>(s, tk::PUSH);
    m_btnOK->setText("OK");
    m_btnOK->setBounds(172, 256, 90, 26);
    m_btnOK->addSelectionListener([this](tk::Event&) { btnOK_Click(); });
    s->setDefaultButton(m_btnOK.get());
    g_current = this;
}

frmNewUser::~frmNewUser() {
    if (g_current == this) g_current = nullptr;
}

frmNewUser* frmNewUser::Current() { return g_current; }

void frmNewUser::btnOK_Click() {
    std::string message = modMisc::ValidatePostalCode(m_txtZipCode->getText());
    if (!message.empty()) {
        MsgBox(message);
        return;
    }
    std::string code = modMisc::NormalizePostalCode(m_txtZipCode->getText());
    m_txtZipCode->setText(code);
    if (m_owner != nullptr) m_owner->m_zipCode = code;
    Hourglass hourglass;
    std::string marker = m_rootDir + modPref::FIRST_RUN_MARKER;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(marker).parent_path(), ignored);
    if (!foundation::Logger::writeFileChecked(marker, "-\r\n")) {
        // Kept open: without the marker every start would be a first run.
        MsgBox("Unable to save your zip code to " + marker + ".");
        return;
    }
    if (m_owner != nullptr) m_owner->RaiseNewUserEvent();
    Close();
}

}  // namespace tiraleaf
