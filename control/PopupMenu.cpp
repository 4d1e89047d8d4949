#include "control/PopupMenu.h"

#include <atomic>
#include <exception>
#include <functional>

#include "control/Hourglass.h"
#include "control/ImageList.h"
#include "control/Keyboardhandler.h"
#include "control/cNewMenu6.h"
#include "control/frmPreferences.h"
#include "control/modMisc.h"
#include "control/modNetwork.h"
#include "control/modPref.h"
#include "control/modQueries.h"
#include "foundation/HostTable.h"
#include "foundation/Logger.h"
#include "platform/com/ComException.h"
#include "platform/toolkit/Toolkit.h"

namespace tiraleaf {

namespace {

std::atomic<int> g_live{0};
std::atomic<int> g_made{0};

constexpr const char* MARKER_TEXT = "Existance of this file prevents Lanternbay from launching on startup\r\n";
// Where the provider menu opens in the panel, in pixels.
constexpr int MENU_X = 538;
constexpr int MENU_Y = 2;
constexpr int TWIPS_PER_PIXEL = 15;

}  // namespace

PopupMenu::PopupMenu() {
    ++g_live;
    ++g_made;
    defineInterface();
}

PopupMenu::~PopupMenu() {
    try {
        close();
    } catch (...) {
        // Nothing leaves a destructor.
    }
    --g_live;
}

int PopupMenu::LiveCount() { return g_live.load(); }

int PopupMenu::MadeCount() { return g_made.load(); }

void PopupMenu::defineInterface() {
    struct Text {
        const char* name;
        std::string PopupMenu::*field;
    };
    const Text texts[] = {
        {"m_prefPopupX", &PopupMenu::m_prefPopupX},
        {"m_prefPopupY", &PopupMenu::m_prefPopupY},
        {"m_guid", &PopupMenu::m_guid},
        {"m_zipCode", &PopupMenu::m_zipCode},
        {"m_updateFrequency", &PopupMenu::m_updateFrequency},
        {"m_tvGuideEmail", &PopupMenu::m_tvGuideEmail},
        {"m_orbitzDefaultDeparture", &PopupMenu::m_orbitzDefaultDeparture},
        {"m_mapquestDefaultStreet", &PopupMenu::m_mapquestDefaultStreet},
        {"m_mapquestDefaultCity", &PopupMenu::m_mapquestDefaultCity},
        {"m_mapquestDefaultState", &PopupMenu::m_mapquestDefaultState},
        {"m_mapquestDefaultZipCode", &PopupMenu::m_mapquestDefaultZipCode},
        {"m_updateOnLaunch", &PopupMenu::m_updateOnLaunch},
        {"m_unloadOnHide", &PopupMenu::m_unloadOnHide},
        {"m_traySize", &PopupMenu::m_traySize},
        {"m_launchOnStartup", &PopupMenu::m_launchOnStartup},
        {"m_floating", &PopupMenu::m_floating},
        {"m_windowLeft", &PopupMenu::m_windowLeft},
        {"m_windowTop", &PopupMenu::m_windowTop},
    };
    com::DispId id = 0x40030001;
    for (const Text& t : texts) {
        auto field = t.field;
        defineProperty(
            t.name, id++, [this, field] { return com::Variant(this->*field); },
            [this, field](const com::Variant& v) { this->*field = v.getString(); });
    }
    defineProperty(
        "m_isConnected", id, [this] { return com::Variant(m_isConnected); },
        [this](const com::Variant& v) { m_isConnected = v.getBoolean(); });

    using com::Arguments;
    using com::Variant;
    defineMethod("SetFocusToSearchTextBox", 0x60030003, {}, [this](Arguments&) {
        SetFocusToSearchTextBox();
        return Variant();
    });
    defineMethod("InitMenu", 0x60030004, {"p_rootDir"}, [this](Arguments& a) {
        InitMenu(a.getString(0));
        return Variant();
    });
    defineMethod("DisposeOfMenu", 0x60030005, {}, [this](Arguments&) {
        DisposeOfMenu();
        return Variant();
    });
    defineMethod("SetUpdateButtonsEnabled", 0x60030006, {"p_currentEnabled", "p_allEnabled"}, [this](Arguments& a) {
        SetUpdateButtonsEnabled(a.getBoolean(0), a.getBoolean(1));
        return Variant();
    });
    defineMethod("SetPreferencesPopupLocation", 0x60030007, {"p_prefPopupX", "p_prefPopupY"}, [this](Arguments& a) {
        SetPreferencesPopupLocation(a.getString(0), a.getString(1));
        return Variant();
    });
    defineMethod("RaisePreferencesUpdatedEvent", 0x60030008, {}, [this](Arguments&) {
        RaisePreferencesUpdatedEvent();
        return Variant();
    });
    defineMethod("RaiseNewUserEvent", 0x60030009, {}, [this](Arguments&) {
        RaiseNewUserEvent();
        return Variant();
    });
    defineMethod("ReadPreferences", 0x6003000A, {}, [this](Arguments&) {
        ReadPreferences();
        return Variant();
    });
    defineMethod("GetUpdateFrequency", 0x6003000B, {}, [this](Arguments&) { return Variant(GetUpdateFrequency()); });
    defineMethod("SetupIsConnectedProperty", 0x6003000C, {}, [this](Arguments&) {
        SetupIsConnectedProperty();
        return Variant();
    });
    defineMethod("DownloadURL", 0x6003000D, {"p_url"},
                 [this](Arguments& a) { return Variant(DownloadURL(a.getString(0))); });
    defineMethod("DownloadURLWithPost", 0x6003000E, {"p_url", "p_data"},
                 [this](Arguments& a) { return Variant(DownloadURLWithPost(a.getString(0), a.getString(1))); });
}

std::array<std::string*, 16> PopupMenu::preferenceValues() {
    return {&m_guid,
            &m_zipCode,
            &m_updateFrequency,
            &m_tvGuideEmail,
            &m_orbitzDefaultDeparture,
            &m_mapquestDefaultStreet,
            &m_mapquestDefaultCity,
            &m_mapquestDefaultState,
            &m_mapquestDefaultZipCode,
            &m_updateOnLaunch,
            &m_unloadOnHide,
            &m_traySize,
            &m_launchOnStartup,
            &m_floating,
            &m_windowLeft,
            &m_windowTop};
}

// ---------------------------------------------------------------- the site

void PopupMenu::setClientSite(com::ClientSite* site) {
    m_site = site;
    if (site == nullptr) m_window = nullptr;
}

bool PopupMenu::doVerb(int verb) {
    if (m_site == nullptr || m_closed) return false;
    switch (verb) {
        case com::OLEIVERB_HIDE:
            if (m_window != nullptr) m_window->setVisible(false);
            return true;
        case com::OLEIVERB_SHOW:
        case com::OLEIVERB_PRIMARY:
        case com::OLEIVERB_INPLACEACTIVATE:
        case com::OLEIVERB_UIACTIVATE:
            if (m_window == nullptr) {
                m_window = m_site->getControlWindow();
                if (m_window == nullptr) return false;
                buildPanel();
            }
            m_window->setVisible(true);
            return true;
        default:
            return false;
    }
}

void PopupMenu::close() {
    if (m_closed) return;
    m_closed = true;
    if (Keyboardhandler::GetTarget() == this) {
        Keyboardhandler::SetTarget(nullptr);
        Keyboardhandler::RemoveHook();
    }
    // The install root goes with the control that gave it.
    if (modPref::GetOwner() == this) {
        modPref::SetOwner(nullptr);
        modPref::SetRootDir("");
    }
    m_inet.Cancel();
    disposePanel();
    if (m_menu) m_menu->SetOwnerWindow(nullptr);
    m_site = nullptr;
    m_window = nullptr;
}

tk::Shell* PopupMenu::getFormParent() const {
    return m_window != nullptr && !m_window->isDisposed() ? m_window->getShell() : nullptr;
}

ImageList* PopupMenu::getImages() {
    if (!m_images) {
        tk::Display* display = m_window != nullptr ? m_window->getDisplay() : tk::Display::getCurrent();
        m_images = std::make_unique<ImageList>(display, ImageList::DefaultFolder());
    }
    return m_images.get();
}

void PopupMenu::raise(com::DispId event, std::vector<com::Variant> args) {
    if (m_site == nullptr || m_closed) return;
    m_site->onEvent(event, args);
}

template <class F>
void PopupMenu::handle(const char* what, F&& body) {
    // Held for the handler: a host that lets go of the control from an
    // event does not pull it away under the running handler.
    auto self = weak_from_this().lock();
    if (m_closed) return;
    try {
        body();
    } catch (const std::exception& failure) {
        foundation::Logger::error(std::string("Unable to handle ") + what, failure);
    } catch (...) {
        foundation::Logger::error(std::string("Unable to handle ") + what);
    }
}

// ---------------------------------------------------------------- the panel

void PopupMenu::buildPanel() {
    ImageList* images = getImages();
    // A picture button of the panel: its picture (a short text when the
    // picture is missing), its tip and its click handler.
    auto pictureButton = [&](tk::Composite* parent, int x, const char* tip, const char* file, const char* fallback,
                             const char* handler, std::function<void()> onClick) {
        auto button = tk::make<tk::Button>(parent, tk::PUSH);
        button->setBounds(x, 2, 24, 21);
        button->setToolTipText(tip);
        if (auto image = images->Picture(file)) {
            button->setImage(image);
        } else {
            button->setText(fallback);
        }
        button->addSelectionListener([this, handler, onClick](tk::Event&) { handle(handler, onClick); });
        return button;
    };

    m_imgSearchProvider = tk::make<tk::Label>(m_window, tk::NONE);
    m_imgSearchProvider->setBounds(4, 4, 16, 16);

    m_lblSearchProvider = tk::make<tk::Label>(m_window, tk::NONE);
    m_lblSearchProvider->setBounds(24, 5, 138, 16);

    m_txtSearch = tk::make<tk::Text>(m_window, tk::SINGLE | tk::BORDER);
    m_txtSearch->setBounds(164, 2, 292, 21);
    m_txtSearch->setToolTipText("Search Terms");
    m_txtSearch->addListener(tk::FocusIn,
                             [this](tk::Event&) { handle("txtSearch_GotFocus", [this] { txtSearch_GotFocus(); }); });
    m_txtSearch->addListener(tk::FocusOut,
                             [this](tk::Event&) { handle("txtSearch_LostFocus", [this] { txtSearch_LostFocus(); }); });

    m_btnSearch = tk::make<tk::Button>(m_window, tk::PUSH);
    m_btnSearch->setBounds(460, 2, 66, 21);
    m_btnSearch->setText("Search");
    m_btnSearch->setToolTipText("Search");
    m_btnSearch->addSelectionListener([this](tk::Event&) { handle("btnSearch_Click", [this] { btnSearch_Click(); }); });

    m_btnSearchProvider = pictureButton(m_window, 530, "Select Search Provider", "provider.png", "v",
                                        "btnSearchProvider_Click", [this] { btnSearchProvider_Click(); });

    m_frmeBottom = tk::make<tk::Composite>(m_window, tk::NONE);
    m_frmeBottom->setBounds(600, 0, 190, 25);
    m_btnUpdateCurrent = pictureButton(m_frmeBottom.get(), 0, "Update Current Page", "update-current.png", "1",
                                       "btnUpdateCurrent_Click", [this] { raise(EVENT_UPDATE_CURRENT); });
    m_btnUpdateAll = pictureButton(m_frmeBottom.get(), 28, "Update All Pages", "update-all.png", "*",
                                   "btnUpdateAll_Click", [this] { raise(EVENT_UPDATE_ALL); });
    m_btnPreferences = pictureButton(m_frmeBottom.get(), 56, "Profile and Preferences", "preferences.png", "P",
                                     "btnPreferences_Click", [this] { btnPreferences_Click(); });
    m_btnFAQ = pictureButton(m_frmeBottom.get(), 84, "Frequently Asked Questions", "faq.png", "?", "btnFAQ_Click",
                             [this] { btnFAQ_Click(); });

    m_pctShare = tk::make<tk::Label>(m_frmeBottom, tk::NONE);
    m_pctShare->setBounds(118, 3, 64, 19);
    if (auto image = images->Picture("share.png")) {
        m_pctShare->setImage(image);
    } else {
        m_pctShare->setText("Share");
    }
    m_pctShare->addListener(tk::MouseUp, [this](tk::Event& e) {
        if (e.button == 1) handle("pctShare_Click", [this] { raise(EVENT_SHARE); });
    });

    // A menu built before the panel shows its state now.
    if (m_menu) {
        m_menu->SetOwnerWindow(m_window);
        m_txtSearch->setText(SEARCH_PLACEHOLDER);
        if (m_selectedProvider != 0) ShowSelectedProvider(m_selectedProvider);
    }
}

void PopupMenu::disposePanel() {
    std::vector<std::shared_ptr<tk::Control>> controls{
        m_imgSearchProvider, m_lblSearchProvider, m_txtSearch, m_btnSearch, m_btnSearchProvider, m_btnUpdateCurrent,
        m_btnUpdateAll,      m_btnPreferences,    m_btnFAQ,    m_pctShare,  m_frmeBottom};
    for (auto& control : controls) {
        if (control && !control->isDisposed() && !control->isBeingDisposed()) control->dispose();
    }
    m_imgSearchProvider.reset();
    m_lblSearchProvider.reset();
    m_txtSearch.reset();
    m_btnSearch.reset();
    m_btnSearchProvider.reset();
    m_btnUpdateCurrent.reset();
    m_btnUpdateAll.reset();
    m_btnPreferences.reset();
    m_btnFAQ.reset();
    m_pctShare.reset();
    m_frmeBottom.reset();
}

bool PopupMenu::hasSearchTerms() const {
    if (!m_txtSearch) return false;
    std::string text = m_txtSearch->getText();
    return !text.empty() && text != SEARCH_PLACEHOLDER;
}

void PopupMenu::txtSearch_GotFocus() {
    if (m_txtSearch->getText() == SEARCH_PLACEHOLDER) {
        m_txtSearch->setText("");
    } else {
        m_txtSearch->setSelection(m_txtSearch->getCharCount());
    }
}

void PopupMenu::txtSearch_LostFocus() {
    if (m_txtSearch->getText().empty()) m_txtSearch->setText(SEARCH_PLACEHOLDER);
}

void PopupMenu::btnSearch_Click() {
    if (!hasSearchTerms()) return;
    std::string caption = m_lblSearchProvider->getText();
    std::string url = modQueries::BuildQueryURL(caption, m_txtSearch->getText());
    if (url.empty()) {
        foundation::Logger::warning("No query address for the search provider " + caption);
        return;
    }
    raise(EVENT_SEARCH, {com::Variant::byRef(url)});
}

void PopupMenu::btnSearchProvider_Click() {
    // Held while shown: the host may initialise the menu anew meanwhile.
    std::shared_ptr<cNewMenu6> shown = m_menu;
    if (!shown) return;
    int chosen = shown->ShowPopupMenu(MENU_X * TWIPS_PER_PIXEL, MENU_Y * TWIPS_PER_PIXEL);
    if (chosen == 0 || m_closed) return;
    ShowSelectedProvider(chosen);
    CheckProviderItem(m_selectedProvider, false);
    m_selectedProvider = chosen;
    CheckProviderItem(chosen, true);
    if (hasSearchTerms()) btnSearch_Click();
}

void PopupMenu::btnPreferences_Click() {
    raise(EVENT_PREFERENCES_SHOWN);
    if (m_closed) return;
    frmPreferences form(getFormParent());
    form.SetOwner(this);
    std::optional<double> x = modMisc::NumericValue(m_prefPopupX);
    std::optional<double> y = modMisc::NumericValue(m_prefPopupY);
    if (x && y) {
        form.Move(static_cast<int>(modMisc::RoundHalfEven(*x) / TWIPS_PER_PIXEL),
                  static_cast<int>(modMisc::RoundHalfEven(*y) / TWIPS_PER_PIXEL));
    }
    form.Show();
}

void PopupMenu::btnFAQ_Click() {
    modMisc::OpenURL(m_window, foundation::HostTable::url("ProductServer.site", "/FAQs.htm"));
}

void PopupMenu::ShowSelectedProvider(int index) {
    if (!m_menu || !m_lblSearchProvider) return;
    m_lblSearchProvider->setText(m_menu->GetCaption(index));
    int icon = m_menu->GetIcon(index);
    m_imgSearchProvider->setImage(icon == -1 ? nullptr : getImages()->ListImages(icon + 1));
}

void PopupMenu::CheckProviderItem(int index, bool flag) {
    if (!m_menu) return;
    while (index != 0) {
        m_menu->SetChecked(index, flag);
        index = m_menu->GetParent(index);
    }
}

// ---------------------------------------------------------------- _KeyboardHook

bool PopupMenu::BlockControlAltM() {
    handle("OnAltCtrlM", [this] { raise(EVENT_ALT_CTRL_M); });
    return false;
}

bool PopupMenu::BlockControlAltS() {
    handle("OnAltCtrlS", [this] { raise(EVENT_ALT_CTRL_S); });
    return false;
}

// ---------------------------------------------------------------- methods

void PopupMenu::SetFocusToSearchTextBox() {
    if (m_txtSearch) m_txtSearch->setFocus();
}

void PopupMenu::InitMenu(const std::string& p_rootDir) {
    std::string root = p_rootDir;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    modPref::SetRootDir(root);
    modPref::SetOwner(this);
    if (m_txtSearch) m_txtSearch->setText(SEARCH_PLACEHOLDER);
    m_menu = std::make_shared<cNewMenu6>();
    m_menu->SetOwnerWindow(m_window);
    m_menu->SetImageList(getImages());
    m_menu->SetDisplayStyle(1);
    modQueries::BuildProviderMenu(*m_menu);
    m_selectedProvider = 2;
    CheckProviderItem(2, true);
    ShowSelectedProvider(2);
    Keyboardhandler::SetTarget(this);
    // One hook for the module, however often the menu is initialised.
    if (!Keyboardhandler::IsHooked()) Keyboardhandler::InstallHook();
}

void PopupMenu::DisposeOfMenu() { Keyboardhandler::RemoveHook(); }

void PopupMenu::SetUpdateButtonsEnabled(bool p_currentEnabled, bool p_allEnabled) {
    if (m_btnUpdateCurrent) m_btnUpdateCurrent->setEnabled(p_currentEnabled);
    if (m_btnUpdateAll) m_btnUpdateAll->setEnabled(p_allEnabled);
}

void PopupMenu::SetPreferencesPopupLocation(const std::string& p_prefPopupX, const std::string& p_prefPopupY) {
    m_prefPopupX = p_prefPopupX;
    m_prefPopupY = p_prefPopupY;
}

void PopupMenu::RaisePreferencesUpdatedEvent() {
    const std::string& root = modPref::GetRootDir();
    if (root.empty()) {
        foundation::Logger::error("Unable to keep the startup override file: the menu was not initialised");
    } else {
        std::string marker = root + modPref::STARTUP_OVERRIDE;
        if (m_launchOnStartup != "true") {
            if (!modPref::FileExists(marker) && !foundation::Logger::writeFileChecked(marker, MARKER_TEXT)) {
                foundation::Logger::error("Unable to create the startup override file " + marker);
            }
        } else if (modPref::FileExists(marker)) {
            try {
                modPref::DeleteFile(marker);
            } catch (const std::exception& failure) {
                foundation::Logger::error("Unable to delete the startup override file " + marker, failure);
            }
        }
    }
    std::vector<com::Variant> args;
    for (std::string* value : preferenceValues()) args.push_back(com::Variant::byRef(*value));
    raise(EVENT_PREFERENCES_UPDATE_3, std::move(args));
}

void PopupMenu::RaiseNewUserEvent() { raise(EVENT_NEW_USER); }

void PopupMenu::ReadPreferences() {
    modPref::ReadPreferences();
    RaisePreferencesUpdatedEvent();
}

int16_t PopupMenu::GetUpdateFrequency() {
    std::optional<double> value = modMisc::NumericValue(m_updateFrequency);
    if (!value) {
        throw com::ComException(com::ComError::TypeMismatch,
                                "Type mismatch: \"" + m_updateFrequency + "\" is not a number");
    }
    int64_t whole = modMisc::RoundHalfEven(*value);
    if (whole < INT16_MIN || whole > INT16_MAX)
        throw com::ComException(com::ComError::Overflow, "Overflow: " + m_updateFrequency);
    return static_cast<int16_t>(whole);
}

void PopupMenu::SetupIsConnectedProperty() { m_isConnected = modNetwork::GetConnectionState(); }

std::string PopupMenu::DownloadURL(const std::string& p_url) {
    // The answer is not kept: the request and its cookies are what count.
    m_inet.OpenURL(p_url);
    return "";
}

std::string PopupMenu::DownloadURLWithPost(const std::string& p_url, const std::string& p_data) {
    m_inet.Execute(p_url, "POST", "body=" + p_data, "Content-Type: application/x-www-form-urlencoded");
    return "";
}

}  // namespace tiraleaf
