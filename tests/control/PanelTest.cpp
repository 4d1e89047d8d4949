// The search panel: its controls, the search box's placeholder and focus
// rules, searches, the provider menu (catalogue, choosing, check marks,
// headers and separators that cannot be chosen) and the buttons' events.

#include "control/ImageList.h"
#include "control/cNewMenu6.h"
#include "control/frmPreferences.h"
#include "platform/system/Connection.h"
#include "tests/support/OpenedUrls.h"
#include "tests/control/ControlFixture.h"

namespace {

using tiraleaf::cNewMenu6;

class Panel : public rltest::ControlFixture {
protected:
    Panel() { control->InitMenu(root); }

    cNewMenu6& menu() { return *control->GetProviderMenu(); }

    // The item of the shown toolkit menu with the caption, searched through
    // its sub-menus.
    static tk::MenuItem* item(tk::Menu* menu, const std::string& caption) {
        for (tk::MenuItem* i : menu->getItems()) {
            if (i->getText() == caption) return i;
            if (i->getMenu() != nullptr) {
                if (tk::MenuItem* inner = item(i->getMenu(), caption)) return inner;
            }
        }
        return nullptr;
    }

    // Opens the provider menu; `inside` runs while it is shown.
    void openMenu(std::function<void(tk::Menu*)> inside) {
        whenModal([this, inside] {
            tk::Menu* shown = menu().GetShownMenu();
            ASSERT_NE(shown, nullptr);
            inside(shown);
        });
        ASSERT_TRUE(driver.click(*control->btnSearchProvider()));
        EXPECT_EQ(menu().GetShownMenu(), nullptr);
    }

    void choose(const std::string& caption) {
        openMenu([this, caption](tk::Menu* shown) {
            tk::MenuItem* wanted = item(shown, caption);
            ASSERT_NE(wanted, nullptr) << caption;
            EXPECT_TRUE(driver.choose(*wanted));
        });
    }

    std::string iconOf(tk::Label* label) {
        auto image = label->getImage();
        return image ? image->getPath().substr(image->getPath().rfind('/') + 1) : "";
    }
};

TEST_F(Panel, ThePanelShowsItsControlsWithTheirTips) {
    EXPECT_EQ(control->txtSearch()->getToolTipText(), "Search Terms");
    EXPECT_EQ(control->btnSearch()->getText(), "Search");
    EXPECT_EQ(control->btnSearch()->getToolTipText(), "Search");
    EXPECT_EQ(control->btnSearchProvider()->getToolTipText(), "Select Search Provider");
    EXPECT_EQ(control->btnUpdateCurrent()->getToolTipText(), "Update Current Page");
    EXPECT_EQ(control->btnUpdateAll()->getToolTipText(), "Update All Pages");
    EXPECT_EQ(control->btnPreferences()->getToolTipText(), "Profile and Preferences");
    EXPECT_EQ(control->btnFAQ()->getToolTipText(), "Frequently Asked Questions");
    // Every picture was found beside the program.
    for (tk::Button* b : {control->btnSearchProvider(), control->btnUpdateCurrent(), control->btnUpdateAll(),
                          control->btnPreferences(), control->btnFAQ()}) {
        EXPECT_NE(b->getImage(), nullptr) << b->getToolTipText();
    }
    EXPECT_NE(control->pctShare()->getImage(), nullptr);
    // After InitMenu: the placeholder and the top-level Google.
    EXPECT_EQ(control->txtSearch()->getText(), "<Enter search terms>");
    EXPECT_EQ(control->lblSearchProvider()->getText(), "Google");
    EXPECT_EQ(iconOf(control->imgSearchProvider()), "search-15.png");
    EXPECT_EQ(control->GetSelectedProvider(), 2);
    EXPECT_TRUE(menu().GetChecked(2));
}

TEST_F(Panel, TheCatalogueHoldsEveryItemInItsPlace) {
    ASSERT_EQ(menu().Count(), 66);
    EXPECT_EQ(menu().GetCaption(1), "Dictionary Online");
    EXPECT_EQ(menu().GetIcon(1), 19);
    EXPECT_EQ(menu().GetCaption(2), "Google");
    EXPECT_EQ(menu().GetCaption(3), "-");
    const char* headers[] = {"Cooking",  "Entertainment", "Health",   "News",   "Reference", "Search",
                             "Shipping", "Shopping",      "Software", "Travel", "Weather"};
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(menu().GetCaption(4 + i), headers[i]);
        EXPECT_EQ(menu().GetParent(4 + i), 0);
        EXPECT_EQ(menu().GetIcon(4 + i), -1);
        EXPECT_EQ(menu().IndexForKey(headers[i]), 4 + i);
    }
    int news = menu().IndexForKey("News");
    int financial = menu().IndexForKey("Financial");
    int sports = menu().IndexForKey("Sports");
    EXPECT_EQ(menu().GetParent(financial), news);
    EXPECT_EQ(menu().GetParent(sports), news);
    EXPECT_EQ(menu().GetCaption(menu().IndexForKey("Quote Online")), "Quote Online");
    EXPECT_EQ(menu().GetParent(menu().IndexForKey("CNNMoney")), financial);
    // The separator closing "Sports" is its last entry, and the last of the
    // items under News come after the sub-headers' sites.
    int lastOfSports = 0;
    for (int i = 1; i <= menu().Count(); ++i) {
        if (menu().GetParent(i) == sports) lastOfSports = i;
    }
    EXPECT_EQ(menu().GetCaption(lastOfSports), "-");
    // Sites with their icons; the twins of the top items share their captions.
    EXPECT_EQ(menu().GetIcon(menu().IndexForKey("AccuWeather")), 0);
    EXPECT_EQ(menu().GetIcon(menu().IndexForKey("Yahoo")), 23);
    EXPECT_EQ(menu().GetIcon(menu().IndexForKey("Barnes && Noble")), -1);
    int sites = 0;
    for (int i = 1; i <= menu().Count(); ++i) {
        if (menu().GetCaption(i) != "-" && !menu().HasChildren(i) && menu().GetParent(i) != 0) ++sites;
    }
    EXPECT_EQ(sites, 49);
}

TEST_F(Panel, TheSearchBoxKeepsItsPlaceholderOnlyWhileEmptyAndUnfocused) {
    driver.focus(*control->txtSearch());
    EXPECT_EQ(control->txtSearch()->getText(), "");
    driver.focus(*control->btnSearch());
    EXPECT_EQ(control->txtSearch()->getText(), "<Enter search terms>");
    driver.focus(*control->txtSearch());
    driver.type(*control->txtSearch(), "golf clubs");
    driver.focus(*control->btnSearch());
    EXPECT_EQ(control->txtSearch()->getText(), "golf clubs");
    control->txtSearch()->setSelection(0, 4);
    control->SetFocusToSearchTextBox();
    EXPECT_TRUE(control->txtSearch()->isFocusControl());
    EXPECT_EQ(control->txtSearch()->getSelection(), (tk::Point{10, 10}));
}

TEST_F(Panel, ASearchRaisesTheQueryAddressOnlyForRealTerms) {
    driver.click(*control->btnSearch());  // placeholder
    driver.focus(*control->txtSearch());
    driver.click(*control->btnSearch());  // empty
    EXPECT_TRUE(site->events.empty());
    driver.type(*control->txtSearch(), "fish & chips");
    driver.click(*control->btnSearch());
    ASSERT_EQ(site->events.size(), 1u);
    EXPECT_EQ(site->events[0].id, 1);
    EXPECT_EQ(site->events[0].args,
              (std::vector<std::string>{"http://www.google.com/search?hl=en&ie=UTF-8&oe=UTF-8&q=fish+%26+chips"
                                        "&btnG=Google+Search"}));
}

// Every item in the order of adding with its icon index (-1: none).
TEST_F(Panel, EveryItemCarriesItsOwnIcon) {
    const std::vector<std::pair<std::string, int>> expected = {
        {"Dictionary Online", 19}, {"Google", 15}, {"-", -1}, {"Cooking", -1}, {"Entertainment", -1},
        {"Health", -1}, {"News", -1}, {"Reference", -1}, {"Search", -1}, {"Shipping", -1}, {"Shopping", -1},
        {"Software", -1}, {"Travel", -1}, {"Weather", -1},
        {"Allrecipes", -1}, {"Epicurious Recipes", 12},
        {"IMDB (Internet Movie Database)", 17}, {"Rotten Tomatoes", 20},
        {"eMedicine", 9}, {"WedMD", -1},
        {"CNN", 7}, {"Google News", 15}, {"Financial", -1}, {"Sports", -1},
        {"CNNMoney", 7}, {"Quote Online", -1},
        {"ESPN", 13}, {"Sports Network", -1}, {"-", -1},
        {"AcronymFinder", 1}, {"Dictionary Online", 19}, {"Encarta", 10}, {"Encyclopedia Britannica", 5},
        {"Encyclopedia Online", 11}, {"Quotations (Bartleby)", 4}, {"Thesaurus Online", 19}, {"WhatIs", -1},
        {"Zip Code (USPS)", 21},
        {"AltaVista", 2}, {"Ask Jeeves", -1}, {"Google", 15}, {"Google Images", 15}, {"MSN", 18}, {"Teoma", -1},
        {"Yahoo", 23},
        {"Airborne Express", -1}, {"FedEx", 14}, {"UPS", -1},
        {"Amazon", 3}, {"Barnes && Noble", -1}, {"Best Buy", -1}, {"Buy Online", 6}, {"eBay (titles only)", 8},
        {"eBay (titles and descriptions)", 8}, {"Epinions", -1}, {"Froogle", 15}, {"Half Online", 16},
        {"MySimon", -1}, {"PriceGrabber", -1}, {"Shopping Online", -1}, {"Wal-Mart", 22},
        {"Download Online", -1},
        {"Airport Code (AirNav)", -1}, {"Airport Code (LogLink)", -1},
        {"AccuWeather", 0}, {"Weather Online", -1}};
    ASSERT_EQ(menu().Count(), static_cast<int>(expected.size()));
    for (int i = 1; i <= menu().Count(); ++i) {
        EXPECT_EQ(menu().GetCaption(i), expected[static_cast<size_t>(i - 1)].first) << "item " << i;
        EXPECT_EQ(menu().GetIcon(i), expected[static_cast<size_t>(i - 1)].second) << "item " << i;
    }
    // The picture shown is image list entry icon index + 1, named by the index.
    choose("AccuWeather");
    EXPECT_EQ(control->lblSearchProvider()->getText(), "AccuWeather");
    EXPECT_EQ(iconOf(control->imgSearchProvider()), "search-00.png");
    choose("Wal-Mart");
    EXPECT_EQ(iconOf(control->imgSearchProvider()), "search-22.png");
}

TEST_F(Panel, TheProviderMenuOpensAtItsPlaceOnThePanel) {
    openMenu([this](tk::Menu* shown) {
        EXPECT_EQ(shown->getLocation(), control->getWindow()->toDisplay(538, 2));
        EXPECT_TRUE(driver.dismiss(*shown));
    });
}

TEST_F(Panel, ChoosingAProviderSearchesAtOnceWhenTheBoxHoldsTerms) {
    driver.focus(*control->txtSearch());
    driver.type(*control->txtSearch(), "golf");
    choose("Sports Network");
    ASSERT_EQ(site->events.size(), 1u);
    EXPECT_EQ(
        site->events[0].args[0],
        "http://www.sports-network.example/find.html?id=6820552&pageid=r&mode=all&query=golf&scope=site&x=28&y=8");
    EXPECT_EQ(control->lblSearchProvider()->getText(), "Sports Network");
    EXPECT_EQ(iconOf(control->imgSearchProvider()), "");
    // The item and its header chain carry the check mark, the old one not.
    int chosen = control->GetSelectedProvider();
    EXPECT_EQ(menu().GetCaption(chosen), "Sports Network");
    EXPECT_TRUE(menu().GetChecked(chosen));
    EXPECT_TRUE(menu().GetChecked(menu().IndexForKey("Sports")));
    EXPECT_TRUE(menu().GetChecked(menu().IndexForKey("News")));
    EXPECT_FALSE(menu().GetChecked(2));
    // The shown menu reflects it.
    openMenu([this](tk::Menu* shown) {
        EXPECT_TRUE(item(shown, "Sports Network")->getSelection());
        EXPECT_FALSE(shown->getItem(1)->getSelection());
        EXPECT_TRUE(driver.dismiss(*shown));
    });
    EXPECT_EQ(site->events.size(), 1u);
}

TEST_F(Panel, ChoosingWithThePlaceholderOnlyChangesTheProvider) {
    choose("Barnes && Noble");
    EXPECT_TRUE(site->events.empty());
    EXPECT_EQ(control->lblSearchProvider()->getText(), "Barnes && Noble");
    choose("Yahoo");
    EXPECT_EQ(iconOf(control->imgSearchProvider()), "search-23.png");
    EXPECT_FALSE(menu().GetChecked(menu().IndexForKey("Barnes && Noble")));
    EXPECT_FALSE(menu().GetChecked(menu().IndexForKey("Shopping")));
    EXPECT_TRUE(menu().GetChecked(menu().IndexForKey("Search")));
    EXPECT_TRUE(site->events.empty());
}

TEST_F(Panel, HeadersAndSeparatorsCannotBeChosenAndDismissingChangesNothing) {
    openMenu([this](tk::Menu* shown) {
        tk::MenuItem* news = item(shown, "News");
        EXPECT_EQ(news->getStyle() & tk::CASCADE, tk::CASCADE);
        driver.choose(*news);
        EXPECT_TRUE(shown->getVisible());
        tk::MenuItem* separator = shown->getItem(2);
        EXPECT_EQ(separator->getStyle() & tk::SEPARATOR, tk::SEPARATOR);
        driver.choose(*separator);
        EXPECT_TRUE(shown->getVisible());
        EXPECT_TRUE(driver.dismiss(*shown));
    });
    EXPECT_EQ(control->GetSelectedProvider(), 2);
    EXPECT_EQ(control->lblSearchProvider()->getText(), "Google");
    EXPECT_TRUE(site->events.empty());
}

TEST_F(Panel, TheButtonsRaiseTheirEvents) {
    driver.click(*control->btnUpdateCurrent());
    driver.click(*control->btnUpdateAll());
    driver.clickMouse(*control->pctShare());
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{2, 3, 9}));
    control->SetUpdateButtonsEnabled(false, true);
    EXPECT_FALSE(control->btnUpdateCurrent()->getEnabled());
    EXPECT_TRUE(control->btnUpdateAll()->getEnabled());
    EXPECT_FALSE(driver.click(*control->btnUpdateCurrent()));
    control->BlockControlAltM();
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{2, 3, 9, 7}));
}

TEST_F(Panel, PreferencesShownComesFirstAndTheHostPlacesTheForm) {
    control->m_zipCode = "46236";
    control->m_updateFrequency = "20";
    site->listener = [this](com::DispId id, std::vector<com::Variant>&) {
        if (id == 10) {
            EXPECT_EQ(tiraleaf::frmPreferences::Current(), nullptr);
            control->SetPreferencesPopupLocation("4125", "450");
        }
    };
    whenModal([this] {
        tiraleaf::frmPreferences* form = tiraleaf::frmPreferences::Current();
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->shell()->getText(), "Profile & Preferences");
        EXPECT_EQ(form->shell()->getLocation(), (tk::Point{275, 30}));
        driver.replaceText(*form->txtZipCode(), "90210");
        driver.click(*form->btnCancel());
    });
    driver.click(*control->btnPreferences());
    EXPECT_EQ(site->ids(), (std::vector<com::DispId>{10}));
    EXPECT_EQ(control->m_zipCode, "46236");
    EXPECT_FALSE(rltest::fileExists(prefFile()));
}

TEST_F(Panel, AHostThatLetsGoOfTheControlFromAnEventDoesNotPullItAway) {
    tk::Button* preferences = control->btnPreferences();
    std::weak_ptr<tiraleaf::PopupMenu> watch = control;
    site->listener = [this](com::DispId id, std::vector<com::Variant>&) {
        if (id == 10) {
            control->close();
            control.reset();
        }
    };
    driver.click(*preferences);
    // The handler ended without a form, and the control went with it.
    EXPECT_EQ(tiraleaf::frmPreferences::Current(), nullptr);
    EXPECT_TRUE(watch.expired());
    control = std::make_shared<tiraleaf::PopupMenu>();  // for the fixture's end
}

TEST_F(Panel, TheHelpButtonOpensTheHelpPageOutside) {
    rltest::OpenedUrls opened;
    driver.click(*control->btnFAQ());
    EXPECT_EQ(opened.waitFor(1), std::vector<std::string>{"https://www.roamledger.example/FAQs.htm"});
    EXPECT_TRUE(site->events.empty());
}

TEST_F(Panel, TheConnectedStateComesFromTheRoutingTable) {
    const std::string header = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    rltest::writeFile(work.file("route"), header + "eth0\t00000000\t010200C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n");
    rltest::writeFile(work.file("ipv6_route"), "");
    sys::setRouteTablePaths(work.file("route"), work.file("ipv6_route"));
    control->SetupIsConnectedProperty();
    EXPECT_TRUE(control->m_isConnected);
    rltest::writeFile(work.file("route"), header);
    control->SetupIsConnectedProperty();
    EXPECT_FALSE(control->m_isConnected);
    sys::resetRouteTablePaths();
}

}  // namespace
