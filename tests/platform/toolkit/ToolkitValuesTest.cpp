// Mnemonics, ranges, accelerators and the texts of toolkit errors.

#include "platform/toolkit/Toolkit.h"

#include <gtest/gtest.h>

namespace {

TEST(Mnemonics, AmpersandMarksOneAndDoubledShowsOne) {
    struct Case {
        const char* text;
        const char* shown;
        char mnemonic;
    };
    for (const Case& c : {Case{"&File", "File", 'f'}, Case{"Users && Accounts", "Users & Accounts", 0},
                          Case{"&Backup Users, Accounts, && Options...", "Backup Users, Accounts, & Options...", 'b'},
                          Case{"Open and &Update", "Open and Update", 'u'}, Case{"E&xit\tCtrl+Q", "Exit\tCtrl+Q", 'x'},
                          Case{"trailing&", "trailing", 0}, Case{"&&&S", "&S", 's'}, Case{"", "", 0}}) {
        EXPECT_EQ(tk::stripMnemonic(c.text), c.shown) << c.text;
        EXPECT_EQ(tk::mnemonicOf(c.text), c.mnemonic) << c.text;
    }
}

TEST(Ranges, BoundsMayBeSetInAnyOrderAndHoldTheSelection) {
    tk::RangeValues range;  // 0..100
    range.setMinimum(5000);
    range.setMaximum(180000);
    EXPECT_EQ(range.minimum, 5000);
    EXPECT_EQ(range.maximum, 180000);
    EXPECT_EQ(range.selection, 5000);
    range.setSelection(999999);
    EXPECT_EQ(range.selection, 180000);
    range.setMaximum(10);
    EXPECT_EQ(range.minimum, 10);
    EXPECT_EQ(range.selection, 10);
    range.setSelection(-3);
    EXPECT_EQ(range.selection, 10);
}

TEST(Accelerators, LettersIgnoreCaseAndKeepModifiers) {
    EXPECT_EQ(tk::MenuItem::normalizeAccelerator(tk::CTRL | 's'), tk::CTRL | 'S');
    EXPECT_EQ(tk::MenuItem::normalizeAccelerator(tk::CTRL | tk::SHIFT | 'S'), tk::CTRL | tk::SHIFT | 'S');
    EXPECT_EQ(tk::MenuItem::normalizeAccelerator(tk::F1), tk::F1);
}

TEST(ToolkitException, CarriesCodeAndStandardText) {
    tk::ToolkitException plain(tk::ERROR_THREAD_INVALID_ACCESS);
    EXPECT_STREQ(plain.what(), "Invalid thread access");
    EXPECT_EQ(plain.code(), tk::ERROR_THREAD_INVALID_ACCESS);
    tk::ToolkitException detailed(tk::ERROR_IO, "/x/Lanternbay.ico");
    EXPECT_STREQ(detailed.what(), "i/o error [/x/Lanternbay.ico]");
    EXPECT_EQ(tk::ToolkitException::textOf(tk::ERROR_WIDGET_DISPOSED), "Widget is disposed");
}

TEST(MessageBoxStyle, ButtonsAndCloseAnswer) {
    EXPECT_EQ(tk::MessageBox::buttonsOf(tk::ICON_ERROR), tk::OK);
    EXPECT_EQ(tk::MessageBox::buttonsOf(tk::ICON_QUESTION | tk::YES | tk::NO), tk::YES | tk::NO);
    EXPECT_EQ(tk::MessageBox::closeAnswer(tk::YES | tk::NO | tk::CANCEL), tk::CANCEL);
    EXPECT_EQ(tk::MessageBox::closeAnswer(tk::YES | tk::NO), tk::NO);
    EXPECT_EQ(tk::MessageBox::closeAnswer(tk::ICON_INFORMATION), tk::OK);
}

}  // namespace
