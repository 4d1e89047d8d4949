#include "tracker/ui/OptionsDialog.h"

#include <stdexcept>

#include "foundation/Logger.h"
#include "foundation/Messages.h"
#include "foundation/RLConstants.h"
#include "platform/toolkit/Toolkit.h"
#include "tracker/core/IEConfig.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/SWTUtil.h"
#include "tracker/ui/Spinner.h"

namespace tracker::ui {

using foundation::Logger;
using foundation::Messages;
using tracker::BasePreferences;
using tracker::RLPreferences;

namespace {

constexpr int WIDTH = 594;
constexpr int HEIGHT = 584;
constexpr int BUTTON_HEIGHT = 24;
constexpr int BUTTON_Y = 516;
// A scale stands this far left of its value label.
constexpr int SCALE_INDENT = 8;
constexpr int THREAD_LABEL_HEIGHT = 68;
constexpr int TIME_LABEL_HEIGHT = 52;
constexpr int VALUE_LABEL_WIDTH = 264;
// Extra room above the cell spacing and hide navigator rows.
constexpr int ROW_GAP = 8;

int bottomOf(const tk::Control& control) {
    const tk::Rectangle bounds = control.getBounds();
    return bounds.y + bounds.height;
}

// A stored colour as RGB; nothing when the text is not six hexadecimal
// digits (the settings file may have been edited by hand).
std::optional<tk::RGB> storedColor(const std::string& key, const std::string& text) {
    try {
        return SWTUtil::hexToRGB(text);
    } catch (const std::invalid_argument&) {
        Logger::error("Unreadable colour in " + key + ": \"" + text + "\"; it is kept until another is chosen");
        return std::nullopt;
    }
}

// What OK stores for a colour: the one being edited, else the stored text
// as it is.
std::string colorText(const std::optional<tk::RGB>& color, const std::string& stored) {
    return color ? SWTUtil::rgbToHexString(*color) : stored;
}

}  // namespace

#define RL_CATALOGUE_TEXT(name, key)                             \
    const std::string& OptionsDialog::name() {                   \
        static const std::string text = Messages::get(key);      \
        return text;                                             \
    }
RL_CATALOGUE_TEXT(PREFIX_MAX_THREADS_HIGH, "OptionsDialog.MaxThreadsHigh1")
RL_CATALOGUE_TEXT(SUFFIX_MAX_THREADS_HIGH, "OptionsDialog.MaxThreadsHigh2")
RL_CATALOGUE_TEXT(PREFIX_MAX_THREADS_LOW, "OptionsDialog.MaxThreadsLow1")
RL_CATALOGUE_TEXT(SUFFIX_MAX_THREADS_LOW, "OptionsDialog.MaxThreadsLow2")
RL_CATALOGUE_TEXT(PREFIX_NICE_LEVEL, "OptionsDialog.NiceLevel1")
RL_CATALOGUE_TEXT(SUFFIX_NICE_LEVEL, "OptionsDialog.NiceLevel2")
RL_CATALOGUE_TEXT(PREFIX_PAGE_TIMEOUT, "OptionsDialog.PageTimeout1")
RL_CATALOGUE_TEXT(SUFFIX_PAGE_TIMEOUT, "OptionsDialog.PageTimeout2")
RL_CATALOGUE_TEXT(PREFIX_OVERALL_TIMEOUT, "OptionsDialog.OverallTimeout1")
RL_CATALOGUE_TEXT(SUFFIX_OVERALL_TIMEOUT, "OptionsDialog.OverallTimeout2")
RL_CATALOGUE_TEXT(PREFIX_THREAD_POLL, "OptionsDialog.ThreadPoll1")
RL_CATALOGUE_TEXT(SUFFIX_THREAD_POLL, "OptionsDialog.ThreadPoll2")
#undef RL_CATALOGUE_TEXT

OptionsDialog::OptionsDialog(tk::Shell* parentShell, BaseRLApp* rl) {
    m_parentShell = parentShell;
    m_rl = rl;
    m_shell = tk::make<tk::Shell>(parentShell, tk::DIALOG_TRIM | tk::APPLICATION_MODAL);
    m_shell->setSize(WIDTH, HEIGHT);
    m_shell->setText(foundation::RLConstants::ProductNameDisplay() + " - " + Messages::get("OptionsDialog.SettingsTitle"));
    setIconOnShell();
    centerDialog();

    m_lblNote = addLabel(m_shell.get(), Messages::get("OptionsDialog.RestartForMostChanges"), 300, 32, 144, 476);
    m_lblNote->setForeground(SWTUtil::getColor(tk::COLOR_RED));
    SWTUtil::boldFontOnControl(*m_lblNote);
    m_btnCancel = makeButton(m_shell.get(), "OptionsDialog.Cancel", 72, 136, BUTTON_Y, "cancel the options",
                             &OptionsDialog::event_btnCancelSelection);
    m_btnRestore = makeButton(m_shell.get(), "OptionsDialog.RestoreAllDefaults", 156, 216, BUTTON_Y,
                              "restore the default options", &OptionsDialog::event_btnRestoreSelection);
    m_btnOK = makeButton(m_shell.get(), "OptionsDialog.OK", 72, 380, BUTTON_Y, "save the options",
                         &OptionsDialog::event_btnOKSelection);

    m_tabFolder = tk::make<tk::TabFolder>(m_shell, tk::NONE);
    m_tabFolder->setBounds(4, 4, 580, 456);
    SWTUtil::boldFontOnControl(*m_tabFolder);
    std::shared_ptr<tk::Composite> tabs[3];
    const char* const titles[3] = {"OptionsDialog.Display", "OptionsDialog.General", "OptionsDialog.Advanced"};
    for (int i = 0; i < 3; ++i) {
        auto item = tk::make<tk::TabItem>(m_tabFolder, tk::NONE);
        item->setText(Messages::get(titles[i]));
        tabs[i] = tk::make<tk::Composite>(m_tabFolder, tk::NONE);
        // Only the tab texts are bold; some window systems would hand the
        // folder's font down to what the tabs hold.
        tabs[i]->setFont(m_shell->getFont());
        item->setControl(tabs[i].get());
    }
    m_tabFolder->setSelection(0);

    createNetworkTab(tabs[1].get());
    createDisplayTab(tabs[0].get());
    createAdvancedTab(tabs[2].get());
    setInitialValues();
}

std::shared_ptr<tk::Button> OptionsDialog::makeButton(tk::Composite* parent, const std::string& textKey, int width,
                                                      int x, int y, const std::string& what,
                                                      void (OptionsDialog::*handler)()) {
    auto button = addButton(parent, Messages::get(textKey), width, BUTTON_HEIGHT, x, y);
    button->addSelectionListener([this, what, handler](tk::Event&) { runGuarded(what, [&] { (this->*handler)(); }); });
    return button;
}

std::shared_ptr<tk::Scale> OptionsDialog::makeScale(tk::Composite* tab, int minimum, int maximum, int pageIncrement,
                                                    void (OptionsDialog::*handler)()) {
    auto scale = addScale(tab, minimum, maximum, pageIncrement);
    scale->addSelectionListener(
        [this, handler](tk::Event&) { runGuarded("show a scale's value", [&] { (this->*handler)(); }); });
    return scale;
}

void OptionsDialog::createNetworkTab(tk::Composite* tab) {
    m_sclMaxThreadsHigh = makeScale(tab, 1, 15, 1, &OptionsDialog::event_sclMaxThreadsHighSelection);
    m_sclMaxThreadsLow = makeScale(tab, 1, 4, 1, &OptionsDialog::event_sclMaxThreadsLowSelection);
    m_sclMaxThreadsLow->setEnabled(false);
    m_sclNiceLevel = makeScale(tab, 0, 10000, 250, &OptionsDialog::event_sclNiceLevelSelection);
    m_sclPageTimeout = makeScale(tab, 5000, 180000, 5000, &OptionsDialog::event_sclPageTimeoutSelection);
    m_sclOverallTimeout = makeScale(tab, 20000, 720000, 10000, &OptionsDialog::event_sclOverallTimeoutSelection);
    m_sclThreadPoll = makeScale(tab, 500, 10000, 250, &OptionsDialog::event_sclThreadPollSelection);

    m_lblMaxThreadsHigh = addLabel(tab, "", VALUE_LABEL_WIDTH, THREAD_LABEL_HEIGHT);
    m_lblMaxThreadsLow = addLabel(tab, "", VALUE_LABEL_WIDTH, THREAD_LABEL_HEIGHT);
    m_lblNiceLevel = addLabel(tab, "", VALUE_LABEL_WIDTH, TIME_LABEL_HEIGHT);
    m_lblPageTimeout = addLabel(tab, "", VALUE_LABEL_WIDTH, TIME_LABEL_HEIGHT);
    m_lblOverallTimeout = addLabel(tab, "", VALUE_LABEL_WIDTH, TIME_LABEL_HEIGHT);
    m_lblThreadPoll = addLabel(tab, "", VALUE_LABEL_WIDTH, TIME_LABEL_HEIGHT);

    const int top = -4;
    addControlsToCol(*m_sclMaxThreadsHigh, *m_lblMaxThreadsHigh, tab, 1, top);
    const int firstRow = addControlsToCol(*m_sclMaxThreadsLow, *m_lblMaxThreadsLow, tab, 2, top);
    addControlsToCol(*m_sclPageTimeout, *m_lblPageTimeout, tab, 1, firstRow);
    const int secondRow = addControlsToCol(*m_sclOverallTimeout, *m_lblOverallTimeout, tab, 2, firstRow);

    int buttonX = 154;
    int buttonY = secondRow + 2 * VERTICAL_MARGIN;
    if (BaseRLApp::isAppTypeFarhaven()) {
        addControlsToCol(*m_sclThreadPoll, *m_lblThreadPoll, tab, 1, secondRow);
        const int thirdRow = addControlsToCol(*m_sclNiceLevel, *m_lblNiceLevel, tab, 2, secondRow);
        buttonX = LEFT;
        buttonY = thirdRow + VERTICAL_MARGIN;
    } else {
        m_sclThreadPoll->setVisible(false);
        m_lblThreadPoll->setVisible(false);
        m_sclNiceLevel->setVisible(false);
        m_lblNiceLevel->setVisible(false);
    }
    m_btnDisplayIEOptions = addButton(tab, Messages::get("OptionsDialog.IEOptions"), 252, BUTTON_HEIGHT, buttonX, buttonY);
    m_btnDisplayIEOptions->addSelectionListener(
        [this](tk::Event&) { runGuarded("show the Internet options", [] { tracker::IEConfig::displayOptions(); }); });
}

void OptionsDialog::createDisplayTab(tk::Composite* tab) {
    m_chkShowUsernames = addCheckBox(tab);
    m_chkFlyerTalkLinks = addCheckBox(tab);
    m_chkITYTLinks = addCheckBox(tab);
    m_chkCalculateTotal = addCheckBox(tab);
    m_chkMaskPasswords = addCheckBox(tab);
    m_chkReverseHistory = addCheckBox(tab);
    m_chkHorizontalLayout = addCheckBox(tab);
    m_spnrCellPadding = addSpinner(tab, 0, 5);
    m_spnrCellSpacing = addSpinner(tab, 0, 5);
    m_chkHideNavigator = addCheckBox(tab);
    m_chkCloseNavigators = addCheckBox(tab);

    // The forum columns are not offered in these two editions.
    const bool noForums = BaseRLApp::isAppTypeFarhaven() || BaseRLApp::isAppTypeRoambay();
    auto row = [&](tk::Control& control, const char* key, int y) {
        return addControlsToRow(control, Messages::get(key), tab, y);
    };
    int y = row(*m_chkShowUsernames, "OptionsDialog.ShowUsernames", -4);
    if (noForums) {
        m_chkFlyerTalkLinks->setVisible(false);
        m_chkITYTLinks->setVisible(false);
    } else {
        y = row(*m_chkFlyerTalkLinks, "OptionsDialog.FlyerTalkLinks", y);
        y = row(*m_chkITYTLinks, "OptionsDialog.ITYTLinks", y);
    }
    y = row(*m_chkCalculateTotal, "OptionsDialog.CalculateTotal", y);
    y = row(*m_chkMaskPasswords, "OptionsDialog.MaskPasswords", y);
    y = row(*m_chkReverseHistory, "OptionsDialog.ReverseHistory", y);
    y = row(*m_chkHorizontalLayout, "OptionsDialog.HorizontalLayout", y);
    y = row(*m_spnrCellPadding, "OptionsDialog.CellPadding", y);
    y = row(*m_spnrCellSpacing, "OptionsDialog.CellSpacing", y + ROW_GAP);
    y = row(*m_chkHideNavigator, "OptionsDialog.HideNavigator", y + ROW_GAP);
    y = row(*m_chkCloseNavigators, "OptionsDialog.CloseNavigators", y);

    auto colorButton = [&](const char* key, int width, int x, int top, void (OptionsDialog::*handler)()) {
        return makeButton(tab, key, width, x, top, "choose a colour", handler);
    };
    const int top = y + VERTICAL_MARGIN;
    if (noForums) {
        m_btnColorHeaderRow = colorButton("OptionsDialog.ConfigureColorHeaderRow", 192, RIGHT, top,
                                          &OptionsDialog::event_btnColorHeaderRowSelection);
        m_btnColorLightRow = colorButton("OptionsDialog.ConfigureColorLightRow", 192, RIGHT,
                                         bottomOf(*m_btnColorHeaderRow) + 12,
                                         &OptionsDialog::event_btnColorLightRowSelection);
        m_btnColorDarkRow = colorButton("OptionsDialog.ConfigureColorDarkRow", 192, RIGHT,
                                        bottomOf(*m_btnColorLightRow) + 12,
                                        &OptionsDialog::event_btnColorDarkRowSelection);
    } else {
        m_btnColorHeaderRow = colorButton("OptionsDialog.ConfigureColorHeaderRow", 152, RIGHT, top,
                                          &OptionsDialog::event_btnColorHeaderRowSelection);
        m_btnColorLightRow = colorButton("OptionsDialog.ConfigureColorLightRow", 152, 232, top,
                                         &OptionsDialog::event_btnColorLightRowSelection);
        m_btnColorDarkRow = colorButton("OptionsDialog.ConfigureColorDarkRow", 152, 400, top,
                                        &OptionsDialog::event_btnColorDarkRowSelection);
    }
}

void OptionsDialog::createAdvancedTab(tk::Composite* tab) {
    m_chkPersistDownloads = addCheckBox(tab);
    m_spnrLoggingLevel = addSpinner(tab, 0, 4);
    const int y = addControlsToRow(*m_chkPersistDownloads, Messages::get("OptionsDialog.PersistDownloads"), tab, -4);
    addControlsToRow(*m_spnrLoggingLevel, Messages::get("OptionsDialog.LoggingLevel"), tab, y);
}

void OptionsDialog::setInitialValues() {
    m_sclMaxThreadsHigh->setSelection(BasePreferences::getMaxThreadsHigh());
    m_sclMaxThreadsLow->setSelection(BasePreferences::getMaxThreadsLow());
    m_sclNiceLevel->setSelection(BasePreferences::getNiceLevel());
    m_sclPageTimeout->setSelection(BasePreferences::getPageTimeout());
    m_sclOverallTimeout->setSelection(BasePreferences::getOverallTimeout());
    m_sclThreadPoll->setSelection(BasePreferences::getThreadPoll());
    triggerScaleEvents();

    m_chkShowUsernames->setSelection(RLPreferences::getShowUsernames());
    m_chkFlyerTalkLinks->setSelection(RLPreferences::getFlyerTalkLinks());
    m_chkITYTLinks->setSelection(RLPreferences::getITYTLinks());
    m_chkCalculateTotal->setSelection(RLPreferences::getCalculateTotal());
    m_chkMaskPasswords->setSelection(RLPreferences::getMaskPasswords());
    m_chkReverseHistory->setSelection(RLPreferences::getReverseHistory());
    m_chkHorizontalLayout->setSelection(RLPreferences::getHorizontalLayout());
    m_spnrCellPadding->setSelection(RLPreferences::getCellPadding());
    m_spnrCellSpacing->setSelection(RLPreferences::getCellSpacing());
    m_chkHideNavigator->setSelection(BasePreferences::getHideNavigator());
    m_chkCloseNavigators->setSelection(BasePreferences::getCloseNavigators());
    m_chkPersistDownloads->setSelection(BasePreferences::getPersistDownloads());
    m_spnrLoggingLevel->setSelection(BasePreferences::getLoggingLevel());

    m_rgbColorHeaderRow = storedColor(RLPreferences::PREF_COLOR_HEADER_ROW, RLPreferences::getColorHeaderRow());
    m_rgbColorLightRow = storedColor(RLPreferences::PREF_COLOR_LIGHT_ROW, RLPreferences::getColorLightRow());
    m_rgbColorDarkRow = storedColor(RLPreferences::PREF_COLOR_DARK_ROW, RLPreferences::getColorDarkRow());
}

int OptionsDialog::addControlsToRow(tk::Control& control, const std::string& text, tk::Composite* parent, int y) {
    auto label = addLabel(parent, text, 0, 0);
    label->pack();
    control.setLocation(LEFT, y + VERTICAL_MARGIN);
    label->setLocation(RIGHT, y + VERTICAL_MARGIN);
    return bottomOf(*label);
}

int OptionsDialog::addControlsToCol(tk::Scale& scale, tk::Label& label, tk::Composite*, int column, int y) {
    const int labelX = column == 2 ? COL2_LEFT : COL1_LEFT;
    label.setLocation(labelX, y + VERTICAL_MARGIN);
    scale.setLocation(labelX - SCALE_INDENT, bottomOf(label) + VERTICAL_MARGIN);
    return bottomOf(scale);
}

void OptionsDialog::showValue(tk::Scale& scale, tk::Label& label, const std::string& prefix,
                              const std::string& suffix) {
    label.setText(prefix + ": " + std::to_string(scale.getSelection()) + " " + suffix);
}

void OptionsDialog::event_sclMaxThreadsHighSelection() {
    showValue(*m_sclMaxThreadsHigh, *m_lblMaxThreadsHigh, PREFIX_MAX_THREADS_HIGH(), SUFFIX_MAX_THREADS_HIGH());
}

void OptionsDialog::event_sclMaxThreadsLowSelection() {
    showValue(*m_sclMaxThreadsLow, *m_lblMaxThreadsLow, PREFIX_MAX_THREADS_LOW(), SUFFIX_MAX_THREADS_LOW());
}

void OptionsDialog::event_sclNiceLevelSelection() {
    showValue(*m_sclNiceLevel, *m_lblNiceLevel, PREFIX_NICE_LEVEL(), SUFFIX_NICE_LEVEL());
}

void OptionsDialog::event_sclPageTimeoutSelection() {
    showValue(*m_sclPageTimeout, *m_lblPageTimeout, PREFIX_PAGE_TIMEOUT(), SUFFIX_PAGE_TIMEOUT());
}

void OptionsDialog::event_sclOverallTimeoutSelection() {
    showValue(*m_sclOverallTimeout, *m_lblOverallTimeout, PREFIX_OVERALL_TIMEOUT(), SUFFIX_OVERALL_TIMEOUT());
}

void OptionsDialog::event_sclThreadPollSelection() {
    showValue(*m_sclThreadPoll, *m_lblThreadPoll, PREFIX_THREAD_POLL(), SUFFIX_THREAD_POLL());
}

void OptionsDialog::triggerScaleEvents() {
    event_sclMaxThreadsHighSelection();
    event_sclMaxThreadsLowSelection();
    event_sclNiceLevelSelection();
    event_sclPageTimeoutSelection();
    event_sclOverallTimeoutSelection();
    event_sclThreadPollSelection();
}

void OptionsDialog::event_btnRestoreSelection() {
    m_sclMaxThreadsHigh->setSelection(BasePreferences::DEFAULT_MAX_THREADS_HIGH);
    m_sclMaxThreadsLow->setSelection(BasePreferences::DEFAULT_MAX_THREADS_LOW);
    m_sclNiceLevel->setSelection(BasePreferences::DEFAULT_NICE_LEVEL);
    m_sclPageTimeout->setSelection(BasePreferences::DEFAULT_PAGE_TIMEOUT);
    m_sclOverallTimeout->setSelection(BasePreferences::DEFAULT_OVERALL_TIMEOUT);
    m_sclThreadPoll->setSelection(BasePreferences::DEFAULT_THREAD_POLL);
    triggerScaleEvents();

    using P = RLPreferences;
    m_chkShowUsernames->setSelection(P::isTrueText(P::DEFAULT_SHOW_USERNAMES));
    m_chkFlyerTalkLinks->setSelection(P::isTrueText(P::DEFAULT_FLYERTALK_LINKS));
    m_chkITYTLinks->setSelection(P::isTrueText(P::DEFAULT_ITYT_LINKS));
    m_chkCalculateTotal->setSelection(P::isTrueText(P::DEFAULT_CALCULATE_TOTAL));
    m_chkMaskPasswords->setSelection(P::isTrueText(P::DEFAULT_MASK_PASSWORDS));
    m_chkReverseHistory->setSelection(P::isTrueText(P::DEFAULT_REVERSE_HISTORY));
    m_chkHorizontalLayout->setSelection(P::isTrueText(P::DEFAULT_HORIZONTAL_LAYOUT));
    m_spnrCellPadding->setSelection(P::DEFAULT_CELL_PADDING);
    m_spnrCellSpacing->setSelection(P::DEFAULT_CELL_SPACING);
    m_chkHideNavigator->setSelection(P::isTrueText(P::DEFAULT_HIDE_NAVIGATOR));
    m_chkCloseNavigators->setSelection(P::isTrueText(P::DEFAULT_CLOSE_NAVIGATORS));
    m_rgbColorHeaderRow = SWTUtil::hexToRGB(P::DEFAULT_COLOR_HEADER_ROW);
    m_rgbColorLightRow = SWTUtil::hexToRGB(P::DEFAULT_COLOR_LIGHT_ROW);
    m_rgbColorDarkRow = SWTUtil::hexToRGB(P::DEFAULT_COLOR_DARK_ROW);
    m_newColorWasSelected = true;
    m_chkPersistDownloads->setSelection(P::isTrueText(P::DEFAULT_PERSIST_DOWNLOADS));
    m_spnrLoggingLevel->setSelection(P::DEFAULT_LOGGING_LEVEL);
}

void OptionsDialog::event_btnOKSelection() {
    // Hidden and disabled controls are written too.
    RLPreferences::setMaxThreadsHigh(m_sclMaxThreadsHigh->getSelection());
    RLPreferences::setMaxThreadsLow(m_sclMaxThreadsLow->getSelection());
    RLPreferences::setNiceLevel(m_sclNiceLevel->getSelection());
    RLPreferences::setPageTimeout(m_sclPageTimeout->getSelection());
    RLPreferences::setOverallTimeout(m_sclOverallTimeout->getSelection());
    RLPreferences::setThreadPoll(m_sclThreadPoll->getSelection());

    RLPreferences::setShowUsernames(m_chkShowUsernames->getSelection());
    RLPreferences::setFlyerTalkLinks(m_chkFlyerTalkLinks->getSelection());
    RLPreferences::setITYTLinks(m_chkITYTLinks->getSelection());
    RLPreferences::setCalculateTotal(m_chkCalculateTotal->getSelection());
    RLPreferences::setMaskPasswords(m_chkMaskPasswords->getSelection());
    RLPreferences::setReverseHistory(m_chkReverseHistory->getSelection());
    RLPreferences::setHorizontalLayout(m_chkHorizontalLayout->getSelection());

    RLPreferences::setCellPadding(m_spnrCellPadding->getSelection());
    RLPreferences::setCellSpacing(m_spnrCellSpacing->getSelection());

    RLPreferences::setHideNavigator(m_chkHideNavigator->getSelection());
    RLPreferences::setCloseNavigators(m_chkCloseNavigators->getSelection());

    RLPreferences::setColorHeaderRow(colorText(m_rgbColorHeaderRow, RLPreferences::getColorHeaderRow()));
    RLPreferences::setColorLightRow(colorText(m_rgbColorLightRow, RLPreferences::getColorLightRow()));
    RLPreferences::setColorDarkRow(colorText(m_rgbColorDarkRow, RLPreferences::getColorDarkRow()));

    RLPreferences::setPersistDownloads(m_chkPersistDownloads->getSelection());
    RLPreferences::setLoggingLevel(m_spnrLoggingLevel->getSelection());

    RLPreferences::savePrefs();
    if (m_rl) m_rl->rebuildOutputAfterChanges(false, m_newColorWasSelected);
    m_shell->close();
}

void OptionsDialog::event_btnCancelSelection() { m_shell->close(); }

void OptionsDialog::chooseColor(const std::string& titleKey, std::optional<tk::RGB>& color, const char* defaultText) {
    const tk::RGB preset = color ? *color : SWTUtil::hexToRGB(defaultText);
    if (std::optional<tk::RGB> chosen = showColorDialog(Messages::get(titleKey), preset)) {
        color = *chosen;
        m_newColorWasSelected = true;
    }
}

void OptionsDialog::event_btnColorHeaderRowSelection() {
    chooseColor("OptionsDialog.ColorRowHeader", m_rgbColorHeaderRow, RLPreferences::DEFAULT_COLOR_HEADER_ROW);
}

void OptionsDialog::event_btnColorLightRowSelection() {
    chooseColor("OptionsDialog.ColorRowLight", m_rgbColorLightRow, RLPreferences::DEFAULT_COLOR_LIGHT_ROW);
}

void OptionsDialog::event_btnColorDarkRowSelection() {
    chooseColor("OptionsDialog.ColorRowDark", m_rgbColorDarkRow, RLPreferences::DEFAULT_COLOR_DARK_ROW);
}

}  // namespace tracker::ui
