#include "control/frmPreferences.h"

#include <exception>

#include "control/Hourglass.h"
#include "control/ImageList.h"
#include "control/PopupMenu.h"
#include "control/modMisc.h"
#include "control/modPref.h"
#include "foundation/HostTable.h"
#include "platform/toolkit/Toolkit.h"

namespace tiraleaf {

namespace {

frmPreferences* g_current = nullptr;

const std::vector<std::string> kTraySizes = {"Small", "Default", "Large"};

// A label; "&&" shows as one "&".
void label(tk::Composite* parent, const std::string& words, int x, int y, int width, int height = 18) {
    auto l = tk::make<tk::Label>(parent, tk::WRAP);
    l->setText(words);
    l->setBounds(x, y, width, height);
}

std::shared_ptr<tk::Text> field(tk::Composite* parent, int x, int y, int width) {
    auto t = tk::make<tk::Text>(parent, tk::SINGLE | tk::BORDER);
    t->setBounds(x, y, width, 22);
    return t;
}

std::shared_ptr<tk::Button> checkBox(tk::Composite* parent, int x, int y) {
    auto b = tk::make<tk::Button>(parent, tk::CHECK);
    b->setBounds(x, y, 22, 22);
    return b;
}

const char* flag(const tk::Button& box) { return box.getSelection() ? "true" : "false"; }

}  // namespace

const std::vector<std::string>& frmPreferences::StateCodes() {
    static const std::vector<std::string> codes = {
        "AK", "AL", "AR", "AZ", "CA", "CO", "CT", "DC", "DE", "FL", "GA", "HI", "IA", "ID", "IL", "IN", "KS",
        "KY", "LA", "MA", "MD", "ME", "MI", "MN", "MO", "MS", "MT", "NC", "ND", "NE", "NH", "NJ", "NM", "NV",
        "NY", "OH", "OK", "OR", "PA", "RI", "SC", "SD", "TN", "TX", "UT", "VA", "VT", "WA", "WI", "WV", "WY"};
    return codes;
}

frmPreferences::frmPreferences(tk::Shell* parent) : ModalForm(parent, CAPTION, 490, 660) {
    tk::Shell* s = m_shell.get();
    constexpr int L = 14;   // labels
    constexpr int F = 262;  // fields
    label(s, "Zip Code:", L, 14, 240);
    m_txtZipCode = field(s, F, 11, 90);
    label(s, "[5 digits for US, 6 characters for Canada, or 00000 for elsewhere]", L, 38, 460);

    label(s, "Content Update Frequency (minutes):", L, 66, 240);
    m_txtUpdateFrequency = field(s, F, 63, 60);

    label(s, "TV Guide Registered Email", L, 98, 240);
    m_txtTVGuideEmail = field(s, F, 95, 210);
    m_btnTVGuideEmail = tk::make<tk::Button>(s, tk::PUSH);
    m_btnTVGuideEmail->setText("Not Registered?  Click Here...");
    m_btnTVGuideEmail->setBounds(F, 121, 210, 26);
    m_btnTVGuideEmail->addSelectionListener([this](tk::Event&) {
        modMisc::OpenURLForObject(m_shell.get(), foundation::HostTable::url("TVListings.site", "/listings/setup/"));
    });

    label(s, "Default Departure City/Airport for Orbitz:", L, 158, 240, 36);
    m_txtOrbitzDefaultDeparture = field(s, F, 157, 210);

    auto address = tk::make<tk::Group>(s, tk::NONE);
    address->setText("Default Address for MapQuest && WhitePages:");
    address->setBounds(L - 4, 198, 466, 128);
    label(address.get(), "Street", 10, 7, 60);
    m_txtMapquestDefaultStreet = field(address.get(), 80, 4, 370);
    label(address.get(), "City", 10, 37, 60);
    m_txtMapquestDefaultCity = field(address.get(), 80, 34, 190);
    label(address.get(), "State", 284, 37, 40);
    m_cmbMapquestDefaultState = tk::make<tk::Combo>(address.get(), tk::READ_ONLY | tk::DROP_DOWN);
    m_cmbMapquestDefaultState->setItems(StateCodes());
    m_cmbMapquestDefaultState->setBounds(330, 33, 70, 24);
    label(address.get(), "Zip Code", 10, 67, 60);
    m_txtMapquestDefaultZipCode = field(address.get(), 80, 64, 90);

    label(s, "Update Content at System Startup:", L, 340, 240);
    m_chkUpdateOnLaunch = checkBox(s, F, 338);
    label(s, "Unload From Memory on Hide:", L, 368, 240);
    m_chkUnloadOnHide = checkBox(s, F, 366);

    label(s, "System Tray Icon Size:", L, 398, 240);
    m_cmbTraySize = tk::make<tk::Combo>(s, tk::READ_ONLY | tk::DROP_DOWN);
    m_cmbTraySize->setItems(kTraySizes);
    m_cmbTraySize->setBounds(F, 395, 100, 24);
    // Samples of the three sizes.
    ImageList images(m_display, ImageList::DefaultFolder());
    struct Sample {
        const char* caption;
        const char* file;
        int x;
        int size;
    };
    const Sample samples[] = {{"Small:", "tray-small.png", L, 16},
                              {"Default:", "tray-default.png", 110, 24},
                              {"Large:", "tray-large.png", 260, 32}};
    for (const Sample& sample : samples) {
        label(s, sample.caption, sample.x, 434, 50);
        auto picture = tk::make<tk::Label>(s, tk::NONE);
        picture->setBounds(sample.x + 52, 426, sample.size, sample.size);
        if (auto image = images.Picture(sample.file)) picture->setImage(image);
    }
    label(s, "or", 220, 434, 24);
    label(s, "[System Tray Icon Size changes will take effect the next time that Lanternbay is launched]", L, 464, 460,
          34);

    label(s, "Launch at System Startup:", L, 506, 240);
    m_chkLaunchOnStartup = checkBox(s, F, 504);
    label(s,
          "[The above setting assumes that the Lanternbay startup shortcut that was originally installed into the "
          "Start Menu still exists]",
          L, 530, 460, 34);

    label(s,
          "This information is automatically inserted into various websites to retrieve your requested data. It is "
          "retained securely in the Lanternbay profile.",
          L, 570, 300, 50);
    m_btnOK = tk::make<tk::Button>(s, tk::PUSH);
    m_btnOK->setText("OK");
    m_btnOK->setBounds(326, 582, 70, 26);
    m_btnOK->addSelectionListener([this](tk::Event&) { btnOK_Click(); });
    m_btnCancel = tk::make<tk::Button>(s, tk::PUSH);
    m_btnCancel->setText("Cancel");
    m_btnCancel->setBounds(402, 582, 70, 26);
    m_btnCancel->addSelectionListener([this](tk::Event&) { Close(); });
    s->setDefaultButton(m_btnOK.get());
    g_current = this;
}

frmPreferences::~frmPreferences() {
    if (g_current == this) g_current = nullptr;
}

frmPreferences* frmPreferences::Current() { return g_current; }

void frmPreferences::SetOwner(PopupMenu* owner) {
    m_owner = owner;
    Form_Load();
}

void frmPreferences::Form_Load() {
    if (m_owner == nullptr) return;
    m_txtZipCode->setText(m_owner->m_zipCode);
    m_txtUpdateFrequency->setText(m_owner->m_updateFrequency);
    m_txtTVGuideEmail->setText(m_owner->m_tvGuideEmail);
    m_txtOrbitzDefaultDeparture->setText(m_owner->m_orbitzDefaultDeparture);
    m_txtMapquestDefaultStreet->setText(m_owner->m_mapquestDefaultStreet);
    m_txtMapquestDefaultCity->setText(m_owner->m_mapquestDefaultCity);
    m_txtMapquestDefaultZipCode->setText(m_owner->m_mapquestDefaultZipCode);
    m_cmbMapquestDefaultState->deselectAll();
    if (m_owner->m_mapquestDefaultState.size() == 2) {
        int index = m_cmbMapquestDefaultState->indexOf(m_owner->m_mapquestDefaultState);
        if (index >= 0) m_cmbMapquestDefaultState->select(index);
    }
    // A size the list does not know shows as the default size.
    int tray = m_cmbTraySize->indexOf(m_owner->m_traySize);
    m_cmbTraySize->select(tray >= 0 ? tray : m_cmbTraySize->indexOf("Default"));
    m_chkUpdateOnLaunch->setSelection(m_owner->m_updateOnLaunch == "true");
    m_chkUnloadOnHide->setSelection(m_owner->m_unloadOnHide == "true");
    m_chkLaunchOnStartup->setSelection(m_owner->m_launchOnStartup == "true");
}

void frmPreferences::btnOK_Click() {
    std::string message = modMisc::ValidatePostalCode(m_txtZipCode->getText());
    if (!message.empty()) {
        MsgBox(message);
        return;
    }
    std::optional<double> frequency = modMisc::NumericValue(m_txtUpdateFrequency->getText());
    int64_t minutes = frequency ? modMisc::RoundHalfEven(*frequency) : 0;
    if (minutes < 1 || minutes > 32767) {
        MsgBox("Content Update Frequency is invalid.");
        return;
    }
    m_txtZipCode->setText(modMisc::NormalizePostalCode(m_txtZipCode->getText()));
    if (m_owner == nullptr) {
        Close();
        return;
    }
    Hourglass hourglass;
    PopupMenu& o = *m_owner;
    o.m_zipCode = m_txtZipCode->getText();
    o.m_updateFrequency = std::to_string(minutes);
    o.m_tvGuideEmail = m_txtTVGuideEmail->getText();
    o.m_orbitzDefaultDeparture = m_txtOrbitzDefaultDeparture->getText();
    o.m_mapquestDefaultStreet = m_txtMapquestDefaultStreet->getText();
    o.m_mapquestDefaultCity = m_txtMapquestDefaultCity->getText();
    int state = m_cmbMapquestDefaultState->getSelectionIndex();
    o.m_mapquestDefaultState = state >= 0 ? m_cmbMapquestDefaultState->getItem(state) : "";
    o.m_mapquestDefaultZipCode = m_txtMapquestDefaultZipCode->getText();
    o.m_updateOnLaunch = flag(*m_chkUpdateOnLaunch);
    o.m_unloadOnHide = flag(*m_chkUnloadOnHide);
    int tray = m_cmbTraySize->getSelectionIndex();
    o.m_traySize = tray >= 0 ? m_cmbTraySize->getItem(tray) : "Default";
    o.m_launchOnStartup = flag(*m_chkLaunchOnStartup);
    try {
        modPref::WritePreferences(modPref::GetRootDir());
    } catch (const std::exception& failure) {
        // The form stays open, so the user can try again or cancel.
        MsgBox(std::string("Unable to save your preferences: ") + failure.what());
        return;
    }
    o.RaisePreferencesUpdatedEvent();
    Close();
}

}  // namespace tiraleaf
