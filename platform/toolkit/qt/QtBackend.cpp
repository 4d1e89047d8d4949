#include "platform/toolkit/qt/QtBackend.h"

#include "platform/toolkit/MessageBox.h"
#include "platform/toolkit/Style.h"
#include "platform/toolkit/ToolkitException.h"
#include "platform/toolkit/qt/QtBrowserPeer.h"
#include "platform/toolkit/qt/QtContainerPeers.h"
#include "platform/toolkit/qt/QtControlPeers.h"
#include "platform/toolkit/qt/QtDisplayPeer.h"
#include "platform/toolkit/qt/QtImagePeer.h"
#include "platform/toolkit/qt/QtMenuPeers.h"
#include "platform/toolkit/qt/QtRuntime.h"
#include "platform/toolkit/qt/QtShellPeer.h"

#include <vector>

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace tk::qt {

namespace {

struct ButtonMapping {
    int id;
    QMessageBox::StandardButton button;
};

constexpr ButtonMapping BUTTONS[] = {
    {OK, QMessageBox::Ok},         {YES, QMessageBox::Yes},     {NO, QMessageBox::No},
    {CANCEL, QMessageBox::Cancel}, {ABORT, QMessageBox::Abort}, {RETRY, QMessageBox::Retry},
    {IGNORE, QMessageBox::Ignore},
};

QWidget* windowOf(ShellPeer* shell) {
    auto* peer = dynamic_cast<QtShellPeer*>(shell);
    return peer != nullptr ? peer->window() : nullptr;
}

// "Name (*.a;*.b)" for each filter; the toolkit separates patterns by ";".
QStringList nameFilters(const FileDialogRequest& request) {
    QStringList filters;
    for (size_t i = 0; i < request.filterExtensions.size(); ++i) {
        QString patterns = qs(request.filterExtensions[i]);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString name = i < request.filterNames.size() ? qs(request.filterNames[i]) : patterns;
        filters << (name.contains(QLatin1Char('(')) ? name : QStringLiteral("%1 (%2)").arg(name, patterns));
    }
    return filters;
}

// A chooser's message stands above the rest of the dialog, wrapped to its
// width rather than widening it.
void addMessage(QFileDialog& dialog, const QString& message) {
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (grid == nullptr) {
        dialog.setLabelText(QFileDialog::LookIn, message);
        return;
    }
    struct Placed {
        QLayoutItem* item;
        int row, column, rowSpan, columnSpan;
    };
    const int columns = grid->columnCount();
    std::vector<Placed> placed;
    while (grid->count() > 0) {
        Placed p{nullptr, 0, 0, 0, 0};
        grid->getItemPosition(0, &p.row, &p.column, &p.rowSpan, &p.columnSpan);
        p.item = grid->takeAt(0);
        placed.push_back(p);
    }
    auto* label = new QLabel(message, &dialog);
    label->setObjectName(QStringLiteral("messageLabel"));
    label->setWordWrap(true);
    grid->addWidget(label, 0, 0, 1, columns);
    for (const Placed& p : placed) {
        grid->addItem(p.item, p.row + 1, p.column, p.rowSpan, p.columnSpan, p.item->alignment());
    }
}

std::optional<std::string> chosenPath(ModalDialog<QFileDialog>& dialog, DisplaySite* display) {
    if (dialog.exec(display) != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return std::nullopt;
    return us(QDir::fromNativeSeparators(dialog->selectedFiles().first()));
}

class QtBackendImpl : public Backend {
public:
    std::string name() const override { return "qt"; }

    std::unique_ptr<DisplayPeer> createDisplay(DisplaySite& site) override {
        QtRuntime::instance();
        auto display = std::make_unique<QtDisplayPeer>(site);
        m_display = &site;
        m_displayPeer = display.get();
        return display;
    }

    std::unique_ptr<ImagePeer> createImage(const ImageData& data) override {
        QtRuntime::instance();
        return std::make_unique<QtImagePeer>(data);
    }

    std::unique_ptr<ShellPeer> createShell(ShellSite& site, ShellPeer* parent, int style) override {
        QMargins frame = m_displayPeer != nullptr ? m_displayPeer->frameInsets(style) : QMargins();
        return std::make_unique<QtShellPeer>(site, dynamic_cast<QtShellPeer*>(parent), style, frame);
    }

    std::unique_ptr<CompositePeer> createComposite(ControlSite& site, CompositePeer& parent, int style) override {
        return std::make_unique<QtCompositePeer>(site, containerOf(parent), style);
    }

    std::unique_ptr<GroupPeer> createGroup(ControlSite& site, CompositePeer& parent, int style) override {
        return std::make_unique<QtGroupPeer>(site, containerOf(parent), style);
    }

    std::unique_ptr<TabFolderPeer> createTabFolder(TabFolderSite& site, CompositePeer& parent, int style) override {
        return std::make_unique<QtTabFolderPeer>(site, containerOf(parent), style);
    }

    std::unique_ptr<LabelPeer> createLabel(ControlSite& site, CompositePeer& parent, int style) override {
        return std::make_unique<QtLabelPeer>(site, containerOf(parent), style);
    }

    std::unique_ptr<ButtonPeer> createButton(ButtonSite& site, CompositePeer& parent, int style) override {
        return std::make_unique<QtButtonPeer>(site, containerOf(parent), style);
    }

    std::unique_ptr<TextPeer> createText(TextSite& site, CompositePeer& parent, int style) override {
        return std::make_unique<QtTextPeer>(site, containerOf(parent), style);
    }

    std::unique_ptr<ListPeer> createList(ListSite& site, CompositePeer& parent, int style) override {
        return std::make_unique<QtListPeer>(site, containerOf(parent), style);
    }

    std::unique_ptr<ComboPeer> createCombo(ComboSite& site, CompositePeer& parent, int style) override {
        return std::make_unique<QtComboPeer>(site, containerOf(parent), style);
    }

    std::unique_ptr<RangePeer> createScale(RangeSite& site, CompositePeer& parent, int style) override {
        return std::make_unique<QtRangePeer>(site, &site, containerOf(parent), style, QtRangePeer::Kind::Scale);
    }

    std::unique_ptr<RangePeer> createProgressBar(ControlSite& site, CompositePeer& parent, int style) override {
        return std::make_unique<QtRangePeer>(site, nullptr, containerOf(parent), style, QtRangePeer::Kind::Progress);
    }

    std::unique_ptr<RangePeer> createSpinner(RangeSite& site, CompositePeer& parent, int style) override {
        return std::make_unique<QtRangePeer>(site, &site, containerOf(parent), style, QtRangePeer::Kind::Spinner);
    }

    std::unique_ptr<BrowserPeer> createBrowser(BrowserSite& site, CompositePeer& parent, int style) override {
        return std::make_unique<QtBrowserPeer>(site, m_display, containerOf(parent), style);
    }

    std::unique_ptr<MenuPeer> createMenu(MenuSite& site, ShellPeer* shell, int style) override {
        return std::make_unique<QtMenuPeer>(site, dynamic_cast<QtShellPeer*>(shell), style);
    }

    std::unique_ptr<MenuItemPeer> createMenuItem(MenuItemSite& site, MenuPeer& menu, int style, int index) override {
        auto* parent = dynamic_cast<QtMenuPeer*>(&menu);
        if (parent == nullptr) throw ToolkitException(ERROR_INVALID_PARENT);
        return std::make_unique<QtMenuItemPeer>(site, *parent, style, index);
    }

    std::unique_ptr<TrayItemPeer> createTrayItem(TrayItemSite& site, int) override {
        return std::make_unique<QtTrayItemPeer>(site);
    }

    // Nothing of this object is used once a dialog has run: the display,
    // and this backend with it, may have been disposed from inside its loop.
    int openMessageBox(ShellPeer* parent, int style, const std::string& title, const std::string& message) override {
        ModalDialog<QMessageBox> box(new QMessageBox(windowOf(parent)));
        box->setWindowTitle(qs(title));
        box->setText(qs(message));
        box->setTextFormat(Qt::PlainText);
        if (style & ICON_ERROR) {
            box->setIcon(QMessageBox::Critical);
        } else if (style & ICON_WARNING) {
            box->setIcon(QMessageBox::Warning);
        } else if (style & ICON_QUESTION) {
            box->setIcon(QMessageBox::Question);
        } else if (style & (ICON_INFORMATION | ICON_WORKING)) {
            box->setIcon(QMessageBox::Information);
        }
        int buttons = MessageBox::buttonsOf(style);
        QMessageBox::StandardButtons shown;
        for (const auto& mapping : BUTTONS) {
            if (buttons & mapping.id) shown |= mapping.button;
        }
        box->setStandardButtons(shown);
        // Escape and the close box give the box's close answer; so does the
        // end of the box's shell.
        int closeAnswer = MessageBox::closeAnswer(style);
        for (const auto& mapping : BUTTONS) {
            if (mapping.id == closeAnswer && (buttons & mapping.id)) box->setEscapeButton(mapping.button);
        }
        if (!box.exec(m_display)) return closeAnswer;
        QAbstractButton* clicked = box->clickedButton();
        if (clicked != nullptr) {
            QMessageBox::StandardButton which = box->standardButton(clicked);
            for (const auto& mapping : BUTTONS) {
                if (mapping.button == which) return mapping.id;
            }
        }
        return closeAnswer;
    }

    std::optional<std::string> openFileDialog(ShellPeer* parent, const FileDialogRequest& request) override {
        ModalDialog<QFileDialog> dialog(new QFileDialog(windowOf(parent), qs(request.title)));
        bool save = (request.style & SAVE) != 0;
        dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!request.filterPath.empty()) dialog->setDirectory(qs(request.filterPath));
        QStringList filters = nameFilters(request);
        if (!filters.isEmpty()) dialog->setNameFilters(filters);
        if (!request.fileName.empty()) dialog->selectFile(qs(request.fileName));
        return chosenPath(dialog, m_display);
    }

    std::optional<std::string> openDirectoryDialog(ShellPeer* parent, const DirectoryDialogRequest& request) override {
        QString title = qs(request.title.empty() ? request.message : request.title);
        ModalDialog<QFileDialog> dialog(new QFileDialog(windowOf(parent), title));
        // Qt's own dialog, which shows the message; a desktop's would not.
        dialog->setOption(QFileDialog::DontUseNativeDialog, true);
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly, true);
        // A folder chooser answers OK or Cancel, as the messages of its
        // callers say.
        dialog->setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
        if (!request.filterPath.empty()) dialog->setDirectory(qs(request.filterPath));
        if (!request.message.empty()) addMessage(*dialog.get(), qs(request.message));
        return chosenPath(dialog, m_display);
    }

    std::optional<RGB> openColorDialog(ShellPeer* parent, const ColorDialogRequest& request) override {
        ModalDialog<QColorDialog> dialog(
            new QColorDialog(QColor(request.rgb.red, request.rgb.green, request.rgb.blue), windowOf(parent)));
        if (!request.title.empty()) dialog->setWindowTitle(qs(request.title));
        if (dialog.exec(m_display) != QDialog::Accepted) return std::nullopt;
        QColor chosen = dialog->selectedColor();
        if (!chosen.isValid()) return std::nullopt;
        return RGB{chosen.red(), chosen.green(), chosen.blue()};
    }

private:
    DisplaySite* m_display = nullptr;
    QtDisplayPeer* m_displayPeer = nullptr;
};

}  // namespace

std::unique_ptr<Backend> createBackend() { return std::make_unique<QtBackendImpl>(); }

void registerBackend() { tk::registerBackend("qt", [] { return createBackend(); }); }

}  // namespace tk::qt
