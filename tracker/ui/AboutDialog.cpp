#include "tracker/ui/AboutDialog.h"

#include "foundation/Messages.h"
#include "foundation/RLConstants.h"
#include "foundation/StrUtil.h"
#include "platform/toolkit/Toolkit.h"
#include "tracker/ui/BaseRLApp.h"

namespace tracker::ui {

using foundation::Messages;
using foundation::RLConstants;

namespace {

constexpr int ROW_X = 8;
constexpr int ROW_WIDTH = 264;
constexpr int ROW_HEIGHT = 20;

}  // namespace

AboutDialog::AboutDialog(tk::Shell* parent, BaseRLApp* trackerWindow) : m_cursorHand(tk::CURSOR_HAND) {
    m_parentShell = parent;
    m_rl = trackerWindow;
    const std::string& product = RLConstants::ProductNameDisplay();
    m_shell = tk::make<tk::Shell>(parent, tk::DIALOG_TRIM | tk::APPLICATION_MODAL);
    m_shell->setText(Messages::get("AboutDialog.About") + " " + product);
    m_shell->setSize(284, 197);
    setIconOnShell();
    centerDialog();

    auto row = [this](const std::string& text, int y) {
        auto label = addLabel(m_shell.get(), text, ROW_WIDTH, ROW_HEIGHT, ROW_X, y);
        label->setAlignment(tk::CENTER);
        return label;
    };
    auto link = [this](const std::string& text, const std::string& url, int y) {
        auto label = addLabelWithURL(m_shell.get(), text, url, ROW_WIDTH, ROW_HEIGHT, ROW_X, y);
        label->setAlignment(tk::CENTER);
        label->setCursor(m_cursorHand);
        return label;
    };
    // A single "&" would be taken for a mnemonic.
    m_lblName = row(foundation::StrUtil::replace(product, "&", "&&") + " " + VERSION_TEXT, 8);
    m_lblReleased = row(Messages::get("AboutDialog.Released") + " " +
                            (BaseRLApp::isAppTypeFarhaven() ? RELEASE_DATE_FARHAVEN : RELEASE_DATE),
                        32);
    m_lblWebsite = link(RLConstants::WebsiteShort(), RLConstants::WebsiteLong(), 56);
    m_lblCredit = row(Messages::get("AboutDialog.DevelopedBy"), 80);
    m_lblContact = link(RLConstants::SupportEmail(), "mailto:" + RLConstants::SupportEmail(), 104);

    m_btnOK = addButton(m_shell.get(), Messages::get("AboutDialog.OK"), 72, 24, 104, 132);
    m_btnOK->addSelectionListener([this](tk::Event&) { runGuarded("close the About box", [this] { event_btnOKSelection(); }); });
    m_shell->setDefaultButton(m_btnOK.get());
}

void AboutDialog::event_btnOKSelection() { m_shell->close(); }

}  // namespace tracker::ui
