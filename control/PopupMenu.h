#pragma once
// The control "Tiraleaf.PopupMenu": the portal's search panel (search box,
// provider menu, update, preferences and help buttons, share picture), the
// owner of the portal's personal preferences and of the Ctrl+Alt+S hook.
// It talks to its host only through its dispatch interface and its events.
//
// The install root, the owner of the preference store and the hook target
// are kept once per process (the last InitMenu wins); a control that ends
// gives them up when they are its own.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "control/Inet.h"
#include "control/KeyboardHook.h"
#include "platform/com/DispatchObject.h"
#include "platform/com/OleControl.h"

namespace tk {
class Button;
class Composite;
class Label;
class Shell;
class Text;
}  // namespace tk

namespace tiraleaf {

class cNewMenu6;
class ImageList;

class PopupMenu : public com::DispatchObject,
                  public com::OleControl,
                  public KeyboardHook,
                  public std::enable_shared_from_this<PopupMenu> {
public:
    static constexpr const char* PROG_ID = "Tiraleaf.PopupMenu";
    static constexpr const char* CLASS_ID = "{5882075B-AE31-47A2-815D-38E15C284A7F}";
    static constexpr const char* TYPE_LIBRARY_ID = "{0F3BF26F-5167-416A-A2A3-7ABB883B715E}";
    static constexpr const char* SEARCH_PLACEHOLDER = "<Enter search terms>";

    // Event ids.
    static constexpr com::DispId EVENT_SEARCH = 1;
    static constexpr com::DispId EVENT_UPDATE_CURRENT = 2;
    static constexpr com::DispId EVENT_UPDATE_ALL = 3;
    static constexpr com::DispId EVENT_PREFERENCES_UPDATE = 4;
    static constexpr com::DispId EVENT_PREFERENCES_UPDATE_2 = 5;
    static constexpr com::DispId EVENT_PREFERENCES_UPDATE_3 = 6;
    static constexpr com::DispId EVENT_ALT_CTRL_M = 7;
    static constexpr com::DispId EVENT_ALT_CTRL_S = 8;
    static constexpr com::DispId EVENT_SHARE = 9;
    static constexpr com::DispId EVENT_PREFERENCES_SHOWN = 10;
    static constexpr com::DispId EVENT_NEW_USER = 11;

    PopupMenu();
    ~PopupMenu() override;

    // Controls of this module alive now, and made since the process started
    // (for its can-unload answer).
    static int LiveCount();
    static int MadeCount();

    // ---- the control in its site ----
    void setClientSite(com::ClientSite* site) override;
    bool doVerb(int verb) override;
    void close() override;

    // ---- _KeyboardHook ----
    bool BlockControlAltM() override;
    bool BlockControlAltS() override;

    // ---- methods of the dispatch interface ----
    void SetFocusToSearchTextBox();
    void InitMenu(const std::string& p_rootDir);
    void DisposeOfMenu();
    void SetUpdateButtonsEnabled(bool p_currentEnabled, bool p_allEnabled);
    void SetPreferencesPopupLocation(const std::string& p_prefPopupX, const std::string& p_prefPopupY);
    void RaisePreferencesUpdatedEvent();
    void RaiseNewUserEvent();
    void ReadPreferences();
    // ComException TypeMismatch or Overflow when m_updateFrequency is no
    // whole number of 16 bits.
    int16_t GetUpdateFrequency();
    void SetupIsConnectedProperty();
    std::string DownloadURL(const std::string& p_url);
    std::string DownloadURLWithPost(const std::string& p_url, const std::string& p_data);

    // ---- the provider menu ----
    void ShowSelectedProvider(int index);
    void CheckProviderItem(int index, bool flag);
    int GetSelectedProvider() const { return m_selectedProvider; }
    cNewMenu6* GetProviderMenu() const { return m_menu.get(); }

    // ---- properties ----
    std::string m_prefPopupX;
    std::string m_prefPopupY;
    std::string m_guid;
    std::string m_zipCode;
    std::string m_updateFrequency;
    std::string m_tvGuideEmail;
    std::string m_orbitzDefaultDeparture;
    std::string m_mapquestDefaultStreet;
    std::string m_mapquestDefaultCity;
    std::string m_mapquestDefaultState;
    std::string m_mapquestDefaultZipCode;
    std::string m_updateOnLaunch;
    std::string m_unloadOnHide;
    std::string m_traySize;
    std::string m_launchOnStartup;
    std::string m_floating;
    std::string m_windowLeft;
    std::string m_windowTop;
    bool m_isConnected = false;

    // The sixteen preference values, m_guid to m_windowTop, in order.
    std::array<std::string*, 16> preferenceValues();

    // The shell the control's forms belong to (nullptr without a window).
    tk::Shell* getFormParent() const;
    ImageList* getImages();

    // ---- the panel, for the control's forms and for tests ----
    tk::Composite* getWindow() const { return m_window; }
    tk::Text* txtSearch() const { return m_txtSearch.get(); }
    tk::Button* btnSearch() const { return m_btnSearch.get(); }
    tk::Button* btnSearchProvider() const { return m_btnSearchProvider.get(); }
    tk::Label* lblSearchProvider() const { return m_lblSearchProvider.get(); }
    tk::Label* imgSearchProvider() const { return m_imgSearchProvider.get(); }
    tk::Button* btnUpdateCurrent() const { return m_btnUpdateCurrent.get(); }
    tk::Button* btnUpdateAll() const { return m_btnUpdateAll.get(); }
    tk::Button* btnPreferences() const { return m_btnPreferences.get(); }
    tk::Button* btnFAQ() const { return m_btnFAQ.get(); }
    tk::Label* pctShare() const { return m_pctShare.get(); }

private:
    void defineInterface();
    void buildPanel();
    void disposePanel();
    // Raises an event to the site; nothing without one.
    void raise(com::DispId event, std::vector<com::Variant> args = {});
    // Runs a click or focus handler: a failure ends it and is logged.
    template <class F>
    void handle(const char* what, F&& body);

    void txtSearch_GotFocus();
    void txtSearch_LostFocus();
    void btnSearch_Click();
    void btnSearchProvider_Click();
    void btnPreferences_Click();
    void btnFAQ_Click();
    bool hasSearchTerms() const;

    com::ClientSite* m_site = nullptr;
    tk::Composite* m_window = nullptr;
    bool m_closed = false;
    std::shared_ptr<cNewMenu6> m_menu;
    std::unique_ptr<ImageList> m_images;
    int m_selectedProvider = 0;
    Inet m_inet;

    std::shared_ptr<tk::Composite> m_frmeBottom;
    std::shared_ptr<tk::Text> m_txtSearch;
    std::shared_ptr<tk::Button> m_btnSearch;
    std::shared_ptr<tk::Button> m_btnSearchProvider;
    std::shared_ptr<tk::Label> m_lblSearchProvider;
    std::shared_ptr<tk::Label> m_imgSearchProvider;
    std::shared_ptr<tk::Button> m_btnUpdateCurrent;
    std::shared_ptr<tk::Button> m_btnUpdateAll;
    std::shared_ptr<tk::Button> m_btnPreferences;
    std::shared_ptr<tk::Button> m_btnFAQ;
    std::shared_ptr<tk::Label> m_pctShare;
};

}  // namespace tiraleaf
