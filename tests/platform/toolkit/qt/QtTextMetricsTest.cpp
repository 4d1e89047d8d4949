// Text sizes on Qt: the system font the fixed layouts were drawn for, a
// wrapping label's natural and height-for-width sizes, and texts that must
// fit the fixed widths of buttons.

#include "tests/platform/toolkit/qt/QtTestSupport.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>

namespace {

class QtTextMetrics : public ::testing::Test {
protected:
    void SetUp() override {
        RL_REQUIRE_DISPLAY();
        display = std::make_unique<tk::Display>("qt");
        shell = tk::make<tk::Shell>(display.get(), tk::SHELL_TRIM);
        shell->setBounds(40, 40, 700, 400);
    }
    void TearDown() override {
        if (shell && !shell->isDisposed()) shell->dispose();
        display.reset();
    }
    std::shared_ptr<tk::Label> label(int style, const std::string& text) {
        auto made = tk::make<tk::Label>(shell, style);
        made->setText(text);
        return made;
    }
    static QLabel* nativeLabel(const tk::Label& control) {
        return qobject_cast<QLabel*>(tk::qt::nativeWidget(control));
    }

    std::unique_ptr<tk::Display> display;
    std::shared_ptr<tk::Shell> shell;
};

const std::string LONG_LINE = "Show the program abbreviations and the user names on the results page";

TEST_F(QtTextMetrics, AWrappingLabelsNaturalSizeIsItsWholeTextUnwrapped) {
    const std::string texts[] = {LONG_LINE, "Short", "First line\nA second line, the longer one", ""};
    for (const std::string& text : texts) {
        for (int frame : {tk::NONE, tk::BORDER}) {
            SCOPED_TRACE(text + (frame != 0 ? " (framed)" : ""));
            auto wrapping = label(tk::WRAP | frame, text);
            auto plain = label(frame, text);
            tk::Point natural = wrapping->computeSize(tk::DEFAULT, tk::DEFAULT);
            // Qt measures the label that never wraps itself.
            tk::Point unwrapped = plain->computeSize(tk::DEFAULT, tk::DEFAULT);
            EXPECT_EQ(natural.x, unwrapped.x);
            EXPECT_EQ(natural.y, unwrapped.y);

            QLabel* native = nativeLabel(*wrapping);
            QFontMetrics metrics(native->font());
            QRect ink = metrics.boundingRect(QRect(0, 0, 10000, 10000), Qt::AlignLeft, QString::fromStdString(text));
            EXPECT_GE(natural.x, ink.width());
            EXPECT_LE(natural.x, ink.width() + 2 * metrics.horizontalAdvance(QLatin1Char('x')) + 8);
            // At that width Qt lays the text out without another line.
            if (!text.empty()) {
                EXPECT_EQ(native->heightForWidth(natural.x), natural.y);
            }

            wrapping->pack();
            EXPECT_EQ(wrapping->getSize().x, natural.x);
            EXPECT_EQ(wrapping->getSize().y, natural.y);
        }
    }
    // The long line is one line, far wider than the width Qt would pick.
    auto wrapping = label(tk::WRAP, LONG_LINE);
    QFontMetrics metrics(nativeLabel(*wrapping)->font());
    tk::Point natural = wrapping->computeSize(tk::DEFAULT, tk::DEFAULT);
    EXPECT_GE(natural.x, metrics.horizontalAdvance(QString::fromStdString(LONG_LINE)) - 1);
    EXPECT_LT(natural.y, 2 * metrics.lineSpacing());
}

TEST_F(QtTextMetrics, AWidthHintGivesTheWrappedHeightForThatWidth) {
    auto wrapping = label(tk::WRAP, LONG_LINE);
    QLabel* native = nativeLabel(*wrapping);
    QFontMetrics metrics(native->font());
    tk::Point natural = wrapping->computeSize(tk::DEFAULT, tk::DEFAULT);

    const int narrow = natural.x / 3;
    tk::Point wrapped = wrapping->computeSize(narrow, tk::DEFAULT);
    EXPECT_EQ(wrapped.x, narrow);
    // The same text broken at word boundaries within the width.
    QRect lines = metrics.boundingRect(QRect(0, 0, narrow, 10000), Qt::AlignLeft | Qt::TextWordWrap,
                                       QString::fromStdString(LONG_LINE));
    EXPECT_EQ(wrapped.y, lines.height());
    EXPECT_GE(wrapped.y, 3 * metrics.lineSpacing());

    // Room to spare keeps one line; both hints fix both dimensions.
    EXPECT_EQ(wrapping->computeSize(natural.x + 50, tk::DEFAULT).y, natural.y);
    tk::Point fixed = wrapping->computeSize(narrow, 17);
    EXPECT_EQ(fixed.x, narrow);
    EXPECT_EQ(fixed.y, 17);

    // A label that does not wrap keeps its one line whatever the width, and
    // one with no text yet keeps its height too.
    auto plain = label(tk::NONE, LONG_LINE);
    EXPECT_EQ(plain->computeSize(narrow, tk::DEFAULT).y, plain->computeSize(tk::DEFAULT, tk::DEFAULT).y);
    auto empty = label(tk::WRAP, "");
    EXPECT_EQ(empty->computeSize(narrow, tk::DEFAULT).y, empty->computeSize(tk::DEFAULT, tk::DEFAULT).y);
}

TEST_F(QtTextMetrics, TheSystemFontIsAnEightPointSansFaceOnEveryNativeWidget) {
    tk::FontData system = display->getSystemFont().getFontData();
    EXPECT_EQ(system.name, "DejaVu Sans");
    EXPECT_EQ(system.height, 8);
    EXPECT_EQ(system.style, tk::NORMAL);

    auto button = tk::make<tk::Button>(shell, tk::PUSH);
    button->setText("OK");
    auto text = label(tk::WRAP, "Text");
    for (QWidget* native : {tk::qt::nativeWidget(*button), tk::qt::nativeWidget(*text)}) {
        QFontInfo used(native->font());
        EXPECT_EQ(used.family(), QStringLiteral("DejaVu Sans"));
        EXPECT_EQ(used.pointSize(), 8);
        EXPECT_FALSE(used.bold());
        // About 11 px at the usual 96 dots per inch.
        const qreal dpi = native->screen()->logicalDotsPerInchY();
        EXPECT_NEAR(used.pixelSize(), 8 * dpi / 72, 1);
    }
    // Menus and Qt's own dialogs too, whatever the desktop theme gives them.
    EXPECT_EQ(QApplication::font("QMenu").pointSize(), 8);
    EXPECT_EQ(QApplication::font("QMenuBar").family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(button->getFont(), display->getSystemFont());
}

TEST_F(QtTextMetrics, FontsTheProgramSetsStayTheirOwn) {
    auto button = tk::make<tk::Button>(shell, tk::PUSH);
    QWidget* native = tk::qt::nativeWidget(*button);
    const QFont normal = native->font();

    tk::FontData boldData = button->getFont().getFontData();
    boldData.style |= tk::BOLD;
    button->setFont(tk::Font(boldData));
    EXPECT_TRUE(QFontInfo(native->font()).bold());
    EXPECT_EQ(native->font().pointSize(), 8);
    // Bold of the system face keeps its width: the fixed layouts need it.
    EXPECT_EQ(native->font().stretch(), normal.stretch());
    EXPECT_EQ(button->getFont(), tk::Font(boldData));

    button->setFont(tk::Font("DejaVu Serif", 12, tk::ITALIC));
    EXPECT_EQ(QFontInfo(native->font()).family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(native->font().pointSize(), 12);
    EXPECT_TRUE(native->font().italic());
    EXPECT_FALSE(native->font().bold());
    EXPECT_EQ(native->font().stretch(), int(QFont::Unstretched));

    button->setFont(std::nullopt);
    EXPECT_EQ(native->font(), normal);
    EXPECT_EQ(button->getFont(), display->getSystemFont());
}

TEST_F(QtTextMetrics, ButtonTextsFitTheFixedWidthsTheWindowsGiveThem) {
    struct Case {
        const char* text;
        int width;
        bool bold;
    };
    // The widest texts of the tracker's fixed-size buttons.
    for (const Case& c : {Case{"Retrieve All Accounts", 124, true}, Case{"Configure 'Header' Row Color", 152, false},
                          Case{"Restore All Defaults", 156, false}}) {
        SCOPED_TRACE(c.text);
        auto button = tk::make<tk::Button>(shell, tk::PUSH);
        button->setText(c.text);
        button->setBounds(8, 12, c.width, 24);
        if (c.bold) {
            tk::FontData data = button->getFont().getFontData();
            data.style |= tk::BOLD;
            button->setFont(tk::Font(data));
        }
        auto* native = qobject_cast<QPushButton*>(tk::qt::nativeWidget(*button));
        ASSERT_NE(native, nullptr);
        EXPECT_EQ(QFontInfo(native->font()).bold(), c.bold);
        // The style's own room for the text: the preferred size, with its
        // frame and margins, is within the button's fixed width.
        EXPECT_LE(button->computeSize(tk::DEFAULT, tk::DEFAULT).x, c.width);
        EXPECT_LE(QFontMetrics(native->font()).horizontalAdvance(native->text()), c.width - 8);
        EXPECT_EQ(native->width(), c.width);
    }
}

}  // namespace
