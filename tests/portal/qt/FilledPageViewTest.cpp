// A refreshed weather page as the portal lays it out: the outer page in a
// pane over the whole window, the filled inner page in a pane at (0, 100),
// both on the web engine. The inner page renders its pieces as UTF-8 and
// loads its images from the content folder. With RL_DIALOG_SCREENSHOTS set
// to a folder, a picture of each window is left there.

#include <gtest/gtest.h>

#include "tests/platform/toolkit/qt/QtTestSupport.h"
#include "tests/portal/ContentSites.h"
#include "tracker/core/BaseEngine.h"

namespace rltest::content {
namespace {

class FilledPageView : public ContentTest {
protected:
    void SetUp() override {
        RL_REQUIRE_DISPLAY();
        display = std::make_unique<tk::Display>("qt");
    }
    void TearDown() override {
        if (shell && !shell->isDisposed()) shell->dispose();
        display.reset();
    }

    // The portal's window: the outer page over all of it, the inner page
    // above it at (0, 100); answers when both have loaded.
    bool showPages(const std::string& key) {
        shell = tk::make<tk::Shell>(display.get(), tk::SHELL_TRIM);
        shell->setText("Lanternbay");
        shell->setBounds(20, 20, 876, 688);
        outer = tk::make<tk::Browser>(shell, tk::NONE);
        outer->setBounds(0, 0, 876, 688);
        inner = tk::make<tk::Browser>(shell, tk::NONE);
        inner->setBounds(0, 100, 711, 532);
        inner->moveAbove(outer.get());
        outer->addCompletedListener([&](tk::Event&) { ++loaded; });
        inner->addCompletedListener([&](tk::Event&) { ++loaded; });
        outer->setUrl(tracker::BaseEngine::toFileURL(content + key + ".html"));
        inner->setUrl(tracker::BaseEngine::toFileURL(content + key + "-inner.html"));
        shell->open();
        if (!tk::qt::runUntil(*display, [&] { return loaded >= 2; }, rltest::scaled(rltest::WAIT_MS))) return false;
        // Images have loaded once they are complete.
        return tk::qt::runUntil(
            *display, [&] { return script("String([...document.images].every(i => i.complete))") == "true"; },
            rltest::scaled(rltest::WAIT_MS));
    }

    std::string script(const std::string& code) { return tk::qt::runScript(*inner, code).value_or("(none)"); }

    // A picture of the window, once it has painted; something must show
    // on it beyond the page's ground.
    void screenshot(const std::string& name) {
        const std::string path = dir.file(name + ".png");
        ASSERT_TRUE(tk::qt::runUntil(
            *display, [&] { return tk::qt::saveScreenshot(*shell, path) && rltest::coloursIn(path, 2) > 8; },
            rltest::scaled(rltest::WAIT_MS)))
            << "no picture of " << name << " with more than 8 colours";
        EXPECT_GT(rltest::qt::keepPicture(path, "portal-" + name), 8);
    }

    std::unique_ptr<tk::Display> display;
    std::shared_ptr<tk::Shell> shell;
    std::shared_ptr<tk::Browser> outer;
    std::shared_ptr<tk::Browser> inner;
    int loaded = 0;
};

TEST_F(FilledPageView, WeatherPageShowsItsPiecesAndImages) {
    scriptContentSites(web, "");
    // What the panel writes into the content folder.
    writeFile(content + "js/core-pref.js", "var GUID='0123456789ABCDEF0123456789ABCDEF'\r\nvar ZipCode='46236'\r\n");
    RefreshParams params;
    params.source = "weatherbug";
    refresh(params);
    ASSERT_EQ(page("weatherbug-inner.html"), golden("weatherbug-inner.html"));

    ASSERT_TRUE(showPages("weatherbug"));
    EXPECT_EQ(script("document.querySelector('h1').textContent"), "Indianapolis, IN 46236");
    EXPECT_EQ(script("document.querySelector('.temperature').textContent"), "72°F");
    EXPECT_EQ(script("document.querySelector('h2').textContent"), "Today's forecast");
    EXPECT_EQ(script("String(document.querySelector('img[alt=Thermometer]').naturalWidth)"), "1");
    EXPECT_EQ(script("String([...document.images].filter(i => i.src.endsWith('fc_sun.gif'))[0].naturalWidth)"), "1");
    EXPECT_EQ(script("document.characterSet"), "UTF-8");
    EXPECT_EQ(tk::qt::runScript(*outer, "document.querySelector('#tabs a.on').textContent").value_or(""), "Weather");

    screenshot("weatherbug");
}

TEST_F(FilledPageView, MapPageShowsAccentedPreferencesFromTheirCodePage) {
    // The panel writes its preferences in the Windows-1252 code page: one
    // byte for each accented letter.
    writeFile(content + "js/core-pref.js",
              "var GUID='0123456789ABCDEF0123456789ABCDEF'\r\nvar ZipCode='H2X 1Y4'\r\n"
              "var MapquestDefaultStreet='1 Rue Sainte-Cath\xE9rine'\r\nvar MapquestDefaultCity='Montr\xE9" "al'\r\n"
              "var MapquestDefaultState='QC'\r\nvar MapquestDefaultZipCode='H2X 1Y4'\r\n");
    ASSERT_TRUE(showPages("mapquest"));
    EXPECT_EQ(script("document.forms[0].city.value"), "Montr\u00e9al");
    EXPECT_EQ(script("document.forms[0].street.value"), "1 Rue Sainte-Cath\u00e9rine");
    EXPECT_EQ(script("document.forms[0].state.value"), "QC");
    // The page itself stays UTF-8.
    EXPECT_EQ(script("document.characterSet"), "UTF-8");
    EXPECT_EQ(script("document.querySelector('h1').textContent"), "Maps and Directions");
    screenshot("mapquest");
}

TEST_F(FilledPageView, WhitePagesLookWhereTheDefaultAddressIs) {
    writeFile(content + "js/core-pref.js",
              "var ZipCode='46236'\r\nvar MapquestDefaultStreet='8 Oak St'\r\nvar MapquestDefaultCity='Lawrence'\r\n"
              "var MapquestDefaultState='IN'\r\nvar MapquestDefaultZipCode='46226'\r\n");
    ASSERT_TRUE(showPages("whitepages"));
    EXPECT_EQ(script("document.forms[0].where.value"), "Lawrence, IN");
}

TEST_F(FilledPageView, ListingsNoticeShowsTheButtonsToUse) {
    RefreshParams params;
    params.source = "tvguide";
    params.tvGuideEmail = "";
    refresh(params);
    ASSERT_TRUE(showPages("tvguide"));
    // The shipped button images decode.
    EXPECT_EQ(script("String(document.querySelector('img[alt=Profile]').naturalWidth)"), "22");
    EXPECT_EQ(script("String(document.querySelector('img[alt=\"Update Current Page\"]').naturalHeight)"), "22");
    EXPECT_NE(script("document.body.innerText").find("No e-mail address has been given"), std::string::npos);
    screenshot("tvguide");
}

TEST_F(FilledPageView, EveryRefreshedPageLoadsItsImagesFromTheContentFolder) {
    scriptContentSites(web, "");
    refresh();
    for (const char* key : {"moviefone", "bloomberg", "brightwire"}) {
        SCOPED_TRACE(key);
        loaded = 0;
        ASSERT_TRUE(showPages(key));
        // No image of the inner page is broken, and none is fetched from a
        // site: the refresh kept them all in the content folder.
        EXPECT_EQ(script("String([...document.images].filter(i => i.naturalWidth == 0).length)"), "0");
        EXPECT_EQ(script("String([...document.images].filter(i => !i.src.startsWith('file:')).length)"), "0");
        // What the outer page's header shows stays clear of the inner pane.
        EXPECT_EQ(tk::qt::runScript(*outer, "const e = document.querySelector('#header .extra');"
                                            "String(!e || e.getBoundingClientRect().bottom <= 100)")
                      .value_or(""),
                  "true");
        screenshot(key);
        shell->dispose();
    }
}

}  // namespace
}  // namespace rltest::content
