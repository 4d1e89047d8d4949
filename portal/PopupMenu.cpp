#include "portal/PopupMenu.h"

#include "foundation/EnvUtil.h"
#include "foundation/HostTable.h"
#include "foundation/Logger.h"
#include "platform/com/ComException.h"
#include "platform/com/OleAutomation.h"
#include "platform/com/OleControlSite.h"
#include "platform/toolkit/Toolkit.h"
#include "portal/LBApp.h"
#include "tracker/ui/SWTUtil.h"

namespace portal {

using foundation::HostTable;
using foundation::Logger;

namespace {

// The preferences form's place is given in twips, beside the window.
constexpr int TWIPS_PER_PIXEL = 15;
constexpr int PREF_POPUP_X_TWIPS = 4125;
constexpr int PREF_POPUP_Y_TWIPS = 450;

// "true" and "false" as the panel writes them; any other text keeps the
// value the portal had.
void storeFlag(bool& field, const std::string& text, const char* name) {
    if (text == "true") {
        field = true;
    } else if (text == "false") {
        field = false;
    } else {
        Logger::error(std::string("Ignoring the preference ") + name + ": not true or false: " + text);
    }
}

}  // namespace

bool PopupMenu::s_firstPreferencesEvent = true;

PopupMenu::PopupMenu(LBApp& app) : m_app(app) {}

PopupMenu::~PopupMenu() {
    m_automation.reset();
    m_site.reset();
    if (m_frame && !m_frame->isDisposed()) m_frame->dispose();
}

void PopupMenu::resetFirstPreferencesEvent() { s_firstPreferencesEvent = true; }

com::OleAutomation& PopupMenu::automation() {
    if (!m_automation) throw com::ComException(com::ComError::Disposed, "The panel is not there");
    return *m_automation;
}

tk::OleFrame* PopupMenu::addPopupMenu(int x, int y, int width, int height) {
    m_frame = tk::make<tk::OleFrame>(m_app.getShell(), tk::NONE);
    m_frame->setBounds(x, y, width, height);
    try {
        m_site = std::make_unique<com::OleControlSite>(m_frame.get(), tk::NONE, PROG_ID);
        m_automation = std::make_unique<com::OleAutomation>(*m_site);
    } catch (const com::ComException& failure) {
        Logger::error("Failed to create PopupMenu", failure);
        m_automation.reset();
        m_site.reset();
        m_frame->dispose();
        m_frame.reset();
        return nullptr;
    }
    m_site->addEventListener(EVENT_ID_SEARCH, [this](com::OleEvent& e) { onSearch(e); });
    m_site->addEventListener(EVENT_ID_UPDATE_CURRENT, [this](com::OleEvent&) {
        Logger::verbose("PopupMenu: update current");
        m_app.launchRetriever(false, true, false);
    });
    m_site->addEventListener(EVENT_ID_UPDATE_ALL, [this](com::OleEvent&) {
        Logger::verbose("PopupMenu: update all");
        m_app.launchRetriever(true, true, false);
    });
    m_site->addEventListener(EVENT_ID_PREFERENCES_UPDATED, [this](com::OleEvent& e) { onPreferencesUpdated(e); });
    m_site->addEventListener(EVENT_ID_ATL_CTRL_S, [this](com::OleEvent&) { onAltCtrlS(); });
    m_site->addEventListener(EVENT_ID_SHARE, [this](com::OleEvent&) {
        Logger::verbose("PopupMenu: share");
        m_app.showSharePopup();
    });
    m_site->addEventListener(EVENT_ID_PREFERENCES_SHOWN, [this](com::OleEvent&) { onPreferencesShown(); });
    m_site->addEventListener(EVENT_ID_NEW_USER, [this](com::OleEvent&) {
        Logger::verbose("PopupMenu: new user");
        m_isNewUser = true;
    });
    m_site->doVerb(com::OLEIVERB_SHOW);
    // The install folder without its trailing separator.
    std::string root = foundation::EnvUtil::getWorkingDirectory(false);
    automation().invoke("InitMenu", {{"p_rootDir", com::Variant(root)}});
    return m_frame.get();
}

void PopupMenu::setPreferencesPopupLocation(const tk::Point& at) {
    automation().invoke("SetPreferencesPopupLocation",
                        {{"p_prefPopupX", com::Variant(std::to_string(TWIPS_PER_PIXEL * at.x + PREF_POPUP_X_TWIPS))},
                         {"p_prefPopupY", com::Variant(std::to_string(TWIPS_PER_PIXEL * at.y + PREF_POPUP_Y_TWIPS))}});
}

void PopupMenu::readPreferences() { automation().invoke("ReadPreferences"); }

void PopupMenu::removePopupMenu() {
    try {
        // A control whose frame went with the window has ended already.
        if (m_automation && m_site && !m_site->isDisposed()) m_automation->invoke("DisposeOfMenu");
    } catch (const std::exception& failure) {
        Logger::error("Unable to dispose of the PopupMenu", failure);
    }
    if (m_automation) m_automation->dispose();
    m_automation.reset();
    if (m_site) m_site->dispose();
    m_site.reset();
    if (m_frame && !m_frame->isDisposed()) m_frame->dispose();
}

void PopupMenu::setUpdateButtonsEnabled(bool current, bool all) {
    automation().invoke("SetUpdateButtonsEnabled",
                        {{"p_currentEnabled", com::Variant(current)}, {"p_allEnabled", com::Variant(all)}});
}

std::string PopupMenu::getUpdateFrequency() { return automation().getProperty("m_updateFrequency").getString(); }

void PopupMenu::loadUpdateFrequencyPref() {
    m_app.m_prefUpdateFrequency = LBApp::updateFrequencyMs(getUpdateFrequency(), m_app.m_prefUpdateFrequency);
}

bool PopupMenu::isConnected() {
    automation().invoke("SetupIsConnectedProperty");
    return automation().getProperty("m_isConnected").getBoolean();
}

void PopupMenu::generateCookiesForChangedZipCode(const std::string& zipCode) {
    accessURLThruWinInet(
        HostTable::url("WeatherBug.site", "/Pages/esi/LocationSelector.html?referrer_id=1&loc_change=" + zipCode));
    accessURLThruWinInet(HostTable::url("Moviefone.site", "/search/locationresults.adp?zipcode=" + zipCode + "&x=1&y=1"));
}

void PopupMenu::accessURLThruWinInet(const std::string& url) {
    try {
        automation().invoke("DownloadURL", {{"p_url", com::Variant(url)}});
    } catch (const std::exception& failure) {
        Logger::error("Unable to access " + url + " through WinInet", failure);
    }
}

void PopupMenu::accessURLThruWinInet(const std::string& url, const std::string& data) {
    try {
        automation().invoke("DownloadURLWithPost", {{"p_url", com::Variant(url)}, {"p_data", com::Variant(data)}});
    } catch (const std::exception& failure) {
        Logger::error("Unable to access " + url + " through WinInet with data " + data, failure);
    }
}

void PopupMenu::onSearch(com::OleEvent& event) {
    const std::string url = event.arguments.empty() ? std::string() : event.arguments[0].getString();
    Logger::verbose("PopupMenu: search - " + url);
    tracker::ui::SWTUtil::navigateExternally(url);
}

void PopupMenu::onAltCtrlS() {
    Logger::verbose("PopupMenu: alt-ctrl-S");
    // Shown, restored, in front, with the run's first refresh when none
    // was launched yet.
    m_app.show();
    automation().invoke("SetFocusToSearchTextBox");
}

void PopupMenu::onPreferencesShown() {
    Logger::verbose("PopupMenu: preferences shown");
    setPreferencesPopupLocation(m_app.getShell()->getLocation());
    m_oldPrefZipCode = m_app.m_prefZipCode;
    m_oldPrefTVGuideEmail = m_app.m_prefTVGuideEmail;
}

void PopupMenu::onPreferencesUpdated(com::OleEvent& event) {
    Logger::verbose("PopupMenu: preferences updated 2");
    std::vector<std::string> values;
    for (const com::Variant& argument : event.arguments) {
        values.push_back(argument.getString());
        Logger::verbose(values.back());
    }
    if (values.size() < PREFERENCE_COUNT) {
        throw com::ComException(com::ComError::BadParamCount, "The preferences event carries " +
                                                                  std::to_string(values.size()) + " values");
    }
    LBApp::setGUID(values[0]);
    LBApp& app = m_app;
    app.m_prefZipCode = values[1];
    app.m_prefUpdateFrequency = LBApp::updateFrequencyMs(values[2], app.m_prefUpdateFrequency);
    app.m_prefTVGuideEmail = values[3];
    app.m_prefOrbitzDefaultDeparture = values[4];
    app.m_prefMapquestDefaultStreet = values[5];
    app.m_prefMapquestDefaultCity = values[6];
    app.m_prefMapquestDefaultState = values[7];
    app.m_prefMapquestDefaultZipCode = values[8];
    storeFlag(app.m_prefUpdateOnLaunch, values[9], "UpdateOnLaunch");
    storeFlag(app.m_prefUnloadOnHide, values[10], "UnloadOnHide");
    app.m_prefTraySize = values[11];
    storeFlag(app.m_prefLaunchOnStartup, values[12], "LaunchOnStartup");

    const bool zipChanged = app.m_prefZipCode != m_oldPrefZipCode;
    const bool emailChanged = app.m_prefTVGuideEmail != m_oldPrefTVGuideEmail;
    if (zipChanged || emailChanged) {
        app.startFreshTimer();
        app.launchRetriever(true, true, true);
    }
    if (!s_firstPreferencesEvent) {
        if (zipChanged) {
            Logger::info("Zip code changed from " + m_oldPrefZipCode + " to " + app.m_prefZipCode +
                         " so setting persistent cookies for WeatherBug and Moviefone");
            generateCookiesForChangedZipCode(app.m_prefZipCode);
        }
        if (emailChanged) {
            Logger::info("TV Guide email address changed from " + m_oldPrefTVGuideEmail + " to " +
                         app.m_prefTVGuideEmail + " so setting persistent cookie for TV Guide");
            Logger::info(
                "Skipping call to generateCookiesForChangedTVGuideEmail() since TV Guide is currently non-functional");
        }
    }
    s_firstPreferencesEvent = false;
}

}  // namespace portal
