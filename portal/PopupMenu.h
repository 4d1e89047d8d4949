#pragma once
// The portal's host of the Tiraleaf panel: makes the control by ProgID in a
// frame along the bottom of the portal's window, calls it by dispatch name
// and turns its events into portal actions. Searches open in the user's own
// browser, the update buttons start content refreshes, a preferences update
// refreshes the portal's preference fields, refresh timer and the content
// sites' cookies, Ctrl+Alt+S brings the portal to the front and the share
// picture opens the share popup.
//
// User-interface thread only; the control raises its events inside the
// host's own calls or during user input.

#include <memory>
#include <string>

#include "platform/com/Dispatch.h"
#include "platform/toolkit/Types.h"

namespace tk {
class OleFrame;
}

namespace com {
class OleAutomation;
class OleControlSite;
struct OleEvent;
}  // namespace com

namespace portal {

class LBApp;

class PopupMenu {
public:
    static constexpr const char* PROG_ID = "Tiraleaf.PopupMenu";
    static constexpr com::DispId EVENT_ID_SEARCH = 1;
    static constexpr com::DispId EVENT_ID_UPDATE_CURRENT = 2;
    static constexpr com::DispId EVENT_ID_UPDATE_ALL = 3;
    static constexpr com::DispId EVENT_ID_PREFERENCES_UPDATED = 6;
    static constexpr com::DispId EVENT_ID_ATL_CTRL_S = 8;
    static constexpr com::DispId EVENT_ID_SHARE = 9;
    static constexpr com::DispId EVENT_ID_PREFERENCES_SHOWN = 10;
    static constexpr com::DispId EVENT_ID_NEW_USER = 11;
    static constexpr int PREFERENCE_COUNT = 16;

    explicit PopupMenu(LBApp& app);
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    // Makes the control in a frame at these bounds of the portal's window
    // and calls InitMenu with the working folder. nullptr, with the failure
    // logged, when the control cannot be made (not registered, module
    // missing); other failures reach the caller.
    tk::OleFrame* addPopupMenu(int x, int y, int width, int height);
    // Where the preferences form opens: beside the given screen position.
    void setPreferencesPopupLocation(const tk::Point& at);
    // The control reads its preference file and raises its preferences
    // event before this returns.
    void readPreferences();
    // DisposeOfMenu, then the control goes. Failures are logged.
    void removePopupMenu();
    void setUpdateButtonsEnabled(bool current, bool all);
    // The control's refresh interval text, in minutes.
    std::string getUpdateFrequency();
    void loadUpdateFrequencyPref();
    bool isConnected();
    bool isNewUser() const { return m_isNewUser; }
    // Has the control fetch the weather and movie sites' location pages
    // with the postal code, so that their cookies follow it.
    void generateCookiesForChangedZipCode(const std::string& zipCode);
    void accessURLThruWinInet(const std::string& url);
    void accessURLThruWinInet(const std::string& url, const std::string& data);

    tk::OleFrame* getFrame() const { return m_frame.get(); }
    com::OleControlSite* getSite() const { return m_site.get(); }
    const std::string& getOldPrefZipCode() const { return m_oldPrefZipCode; }
    const std::string& getOldPrefTVGuideEmail() const { return m_oldPrefTVGuideEmail; }
    // The first preferences event of the process renews no cookies; tests
    // of a new process start over.
    static void resetFirstPreferencesEvent();

private:
    com::OleAutomation& automation();
    void onSearch(com::OleEvent& event);
    void onAltCtrlS();
    void onPreferencesShown();
    void onPreferencesUpdated(com::OleEvent& event);

    LBApp& m_app;
    std::shared_ptr<tk::OleFrame> m_frame;
    std::unique_ptr<com::OleControlSite> m_site;
    std::unique_ptr<com::OleAutomation> m_automation;
    std::string m_oldPrefZipCode;
    std::string m_oldPrefTVGuideEmail;
    bool m_isNewUser = false;
    static bool s_firstPreferencesEvent;
};

}  // namespace portal
