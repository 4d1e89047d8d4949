#pragma once
// The tracker's settings dialog: performance, display and diagnostic options
// in three tabs ("Display", "Network / Performance", "Advanced"). The user
// changes the controls, restores the built-in defaults into them or cancels;
// only OK writes every option into the preferences and the settings store,
// saves the settings file and has the tracker window rebuild its pages.
// Cancel and the close box store nothing.
//
// Some options take effect at once (display options and colours, through
// the rebuild), the others when the next retrieval runs or at the next
// start; the red note on the dialog says so.

#include <memory>
#include <optional>
#include <string>

#include "platform/toolkit/Types.h"
#include "tracker/ui/BaseDialog.h"

namespace tk {
class Button;
class Composite;
class Control;
class Label;
class Scale;
class Shell;
class TabFolder;
}  // namespace tk

namespace tracker::ui {

class BaseRLApp;
class Spinner;

class OptionsDialog : public BaseDialog {
public:
    // Layout of the tabs: the two columns of scales, the rows of check boxes
    // and spin boxes (control, then its label), and the gap above each.
    static constexpr int COL1_LEFT = 12;
    static constexpr int COL2_LEFT = 296;
    static constexpr int LEFT = 12;
    static constexpr int RIGHT = 64;
    static constexpr int VERTICAL_MARGIN = 16;

    // Builds the whole dialog without opening it.
    OptionsDialog(tk::Shell* parentShell, BaseRLApp* rl);

    void event_sclMaxThreadsHighSelection();
    void event_sclMaxThreadsLowSelection();
    void event_sclNiceLevelSelection();
    void event_sclPageTimeoutSelection();
    void event_sclOverallTimeoutSelection();
    void event_sclThreadPollSelection();
    // Puts the defaults into the controls; nothing is stored.
    void event_btnRestoreSelection();
    // Stores every option, saves the settings and rebuilds the pages.
    void event_btnOKSelection();
    void event_btnCancelSelection();
    void event_btnColorHeaderRowSelection();
    void event_btnColorLightRowSelection();
    void event_btnColorDarkRowSelection();
    // Refreshes the six value labels of the scales.
    void triggerScaleEvents();

    // A label with text on parent at its preferred size; the control at
    // (LEFT, y + 16), the label at (RIGHT, y + 16). Answers the label's
    // bottom.
    int addControlsToRow(tk::Control& control, const std::string& text, tk::Composite* parent, int y);
    // Column 2: label at COL2_LEFT, scale at COL2_LEFT - 8; any other column
    // at COL1_LEFT and COL1_LEFT - 8. The label at y + 16, the scale 16
    // below the label. Answers the scale's bottom.
    int addControlsToCol(tk::Scale& scale, tk::Label& label, tk::Composite* parent, int column, int y);

    // ---- What tests and the window see of the dialog --------------------------------
    tk::TabFolder* getTabFolder() const { return m_tabFolder.get(); }
    tk::Scale* getMaxThreadsHighScale() const { return m_sclMaxThreadsHigh.get(); }
    tk::Scale* getMaxThreadsLowScale() const { return m_sclMaxThreadsLow.get(); }
    tk::Scale* getNiceLevelScale() const { return m_sclNiceLevel.get(); }
    tk::Scale* getPageTimeoutScale() const { return m_sclPageTimeout.get(); }
    tk::Scale* getOverallTimeoutScale() const { return m_sclOverallTimeout.get(); }
    tk::Scale* getThreadPollScale() const { return m_sclThreadPoll.get(); }
    tk::Label* getMaxThreadsHighLabel() const { return m_lblMaxThreadsHigh.get(); }
    tk::Label* getMaxThreadsLowLabel() const { return m_lblMaxThreadsLow.get(); }
    tk::Label* getNiceLevelLabel() const { return m_lblNiceLevel.get(); }
    tk::Label* getPageTimeoutLabel() const { return m_lblPageTimeout.get(); }
    tk::Label* getOverallTimeoutLabel() const { return m_lblOverallTimeout.get(); }
    tk::Label* getThreadPollLabel() const { return m_lblThreadPoll.get(); }
    tk::Button* getIEOptionsButton() const { return m_btnDisplayIEOptions.get(); }
    tk::Button* getShowUsernamesBox() const { return m_chkShowUsernames.get(); }
    tk::Button* getFlyerTalkLinksBox() const { return m_chkFlyerTalkLinks.get(); }
    tk::Button* getITYTLinksBox() const { return m_chkITYTLinks.get(); }
    tk::Button* getCalculateTotalBox() const { return m_chkCalculateTotal.get(); }
    tk::Button* getMaskPasswordsBox() const { return m_chkMaskPasswords.get(); }
    tk::Button* getReverseHistoryBox() const { return m_chkReverseHistory.get(); }
    tk::Button* getHorizontalLayoutBox() const { return m_chkHorizontalLayout.get(); }
    tk::Button* getHideNavigatorBox() const { return m_chkHideNavigator.get(); }
    tk::Button* getCloseNavigatorsBox() const { return m_chkCloseNavigators.get(); }
    tk::Button* getPersistDownloadsBox() const { return m_chkPersistDownloads.get(); }
    Spinner* getCellPaddingSpinner() const { return m_spnrCellPadding.get(); }
    Spinner* getCellSpacingSpinner() const { return m_spnrCellSpacing.get(); }
    Spinner* getLoggingLevelSpinner() const { return m_spnrLoggingLevel.get(); }
    tk::Button* getColorHeaderRowButton() const { return m_btnColorHeaderRow.get(); }
    tk::Button* getColorLightRowButton() const { return m_btnColorLightRow.get(); }
    tk::Button* getColorDarkRowButton() const { return m_btnColorDarkRow.get(); }
    tk::Button* getOKButton() const { return m_btnOK.get(); }
    tk::Button* getCancelButton() const { return m_btnCancel.get(); }
    tk::Button* getRestoreButton() const { return m_btnRestore.get(); }
    tk::Label* getNoteLabel() const { return m_lblNote.get(); }
    // The colours being edited; nothing for a stored colour that is not six
    // hexadecimal digits and was not changed here.
    std::optional<tk::RGB> getColorHeaderRow() const { return m_rgbColorHeaderRow; }
    std::optional<tk::RGB> getColorLightRow() const { return m_rgbColorLightRow; }
    std::optional<tk::RGB> getColorDarkRow() const { return m_rgbColorDarkRow; }
    bool getNewColorWasSelected() const { return m_newColorWasSelected; }

private:
    // Value-label texts of the scales, read from the catalogue once.
    static const std::string& PREFIX_MAX_THREADS_HIGH();
    static const std::string& SUFFIX_MAX_THREADS_HIGH();
    static const std::string& PREFIX_MAX_THREADS_LOW();
    static const std::string& SUFFIX_MAX_THREADS_LOW();
    static const std::string& PREFIX_NICE_LEVEL();
    static const std::string& SUFFIX_NICE_LEVEL();
    static const std::string& PREFIX_PAGE_TIMEOUT();
    static const std::string& SUFFIX_PAGE_TIMEOUT();
    static const std::string& PREFIX_OVERALL_TIMEOUT();
    static const std::string& SUFFIX_OVERALL_TIMEOUT();
    static const std::string& PREFIX_THREAD_POLL();
    static const std::string& SUFFIX_THREAD_POLL();

    void createNetworkTab(tk::Composite* tab);
    void createDisplayTab(tk::Composite* tab);
    void createAdvancedTab(tk::Composite* tab);
    void setInitialValues();
    std::shared_ptr<tk::Scale> makeScale(tk::Composite* tab, int minimum, int maximum, int pageIncrement,
                                         void (OptionsDialog::*handler)());
    std::shared_ptr<tk::Button> makeButton(tk::Composite* parent, const std::string& textKey, int width, int x, int y,
                                           const std::string& what, void (OptionsDialog::*handler)());
    void chooseColor(const std::string& titleKey, std::optional<tk::RGB>& color, const char* defaultText);
    static void showValue(tk::Scale& scale, tk::Label& label, const std::string& prefix, const std::string& suffix);

    std::shared_ptr<tk::Scale> m_sclMaxThreadsHigh;
    std::shared_ptr<tk::Scale> m_sclMaxThreadsLow;
    std::shared_ptr<tk::Scale> m_sclNiceLevel;
    std::shared_ptr<tk::Scale> m_sclPageTimeout;
    std::shared_ptr<tk::Scale> m_sclOverallTimeout;
    std::shared_ptr<tk::Scale> m_sclThreadPoll;
    std::shared_ptr<tk::Label> m_lblMaxThreadsHigh;
    std::shared_ptr<tk::Label> m_lblMaxThreadsLow;
    std::shared_ptr<tk::Label> m_lblNiceLevel;
    std::shared_ptr<tk::Label> m_lblPageTimeout;
    std::shared_ptr<tk::Label> m_lblOverallTimeout;
    std::shared_ptr<tk::Label> m_lblThreadPoll;
    std::shared_ptr<tk::Button> m_btnDisplayIEOptions;
    std::shared_ptr<tk::Button> m_chkShowUsernames;
    std::shared_ptr<tk::Button> m_chkFlyerTalkLinks;
    std::shared_ptr<tk::Button> m_chkITYTLinks;
    std::shared_ptr<tk::Button> m_chkCalculateTotal;
    std::shared_ptr<tk::Button> m_chkMaskPasswords;
    std::shared_ptr<tk::Button> m_chkReverseHistory;
    std::shared_ptr<tk::Button> m_chkHorizontalLayout;
    std::shared_ptr<tk::Button> m_chkHideNavigator;
    std::shared_ptr<tk::Button> m_chkCloseNavigators;
    std::shared_ptr<tk::Button> m_chkPersistDownloads;
    std::shared_ptr<Spinner> m_spnrCellPadding;
    std::shared_ptr<Spinner> m_spnrCellSpacing;
    std::shared_ptr<Spinner> m_spnrLoggingLevel;
    std::shared_ptr<tk::Button> m_btnColorHeaderRow;
    std::shared_ptr<tk::Button> m_btnColorLightRow;
    std::shared_ptr<tk::Button> m_btnColorDarkRow;
    std::optional<tk::RGB> m_rgbColorHeaderRow;
    std::optional<tk::RGB> m_rgbColorLightRow;
    std::optional<tk::RGB> m_rgbColorDarkRow;
    bool m_newColorWasSelected = false;

    std::shared_ptr<tk::Label> m_lblNote;
    std::shared_ptr<tk::Button> m_btnCancel;
    std::shared_ptr<tk::Button> m_btnRestore;
    std::shared_ptr<tk::Button> m_btnOK;
    std::shared_ptr<tk::TabFolder> m_tabFolder;
};

}  // namespace tracker::ui
