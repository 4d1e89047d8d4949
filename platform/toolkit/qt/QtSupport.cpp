#include "platform/toolkit/qt/QtSupport.h"

#include "platform/toolkit/Style.h"

#include "platform/toolkit/Backend.h"

#include <algorithm>
#include <vector>

#include <QDialog>
#include <QPointer>
#include <QKeyEvent>
#include <QTimer>
#include <QMetaObject>
#include <QWidget>

namespace tk::qt {

namespace {
constexpr int SYSTEM_FONT_POINTS = 8;
constexpr int SYSTEM_FONT_STRETCH = 80;
}  // namespace

QColor toQColor(const Color& color) { return QColor(color.getRed(), color.getGreen(), color.getBlue()); }

Color fromQColor(const QColor& color) { return Color(color.red(), color.green(), color.blue()); }

QFont systemFont() {
    // The windows place their controls at fixed pixels, drawn for an
    // 8-point face of about 11 px. DejaVu Sans at that height runs a fifth
    // wider than the narrow face those widths were measured with, so it is
    // narrowed to fit them; without a condensed face on the machine Qt
    // narrows the normal one.
    QFont font(QStringLiteral("DejaVu Sans"), SYSTEM_FONT_POINTS);
    font.setStyleHint(QFont::SansSerif);
    font.setStretch(SYSTEM_FONT_STRETCH);
    return font;
}

QFont toQFont(const FontData& data) {
    QFont font = systemFont();
    if (!data.name.empty() && qs(data.name) != font.family()) {
        font.setFamily(qs(data.name));
        // Another face is drawn at its own width.
        font.setStretch(QFont::Unstretched);
    }
    if (data.height > 0) font.setPointSize(data.height);
    font.setBold((data.style & BOLD) != 0);
    font.setItalic((data.style & ITALIC) != 0);
    return font;
}

FontData fromQFont(const QFont& font) {
    FontData data;
    data.name = us(font.family());
    data.height = font.pointSize() > 0 ? font.pointSize() : (font.pixelSize() * 3 + 2) / 4;
    data.style = (font.bold() ? BOLD : NORMAL) | (font.italic() ? ITALIC : NORMAL);
    return data;
}

Qt::CursorShape toCursorShape(int shape) {
    switch (shape) {
        case CURSOR_WAIT: return Qt::WaitCursor;
        case CURSOR_CROSS: return Qt::CrossCursor;
        case CURSOR_APPSTARTING: return Qt::BusyCursor;
        case CURSOR_HELP: return Qt::WhatsThisCursor;
        case CURSOR_IBEAM: return Qt::IBeamCursor;
        case CURSOR_NO: return Qt::ForbiddenCursor;
        case CURSOR_HAND: return Qt::PointingHandCursor;
        default: return Qt::ArrowCursor;
    }
}

int stateMaskOf(Qt::KeyboardModifiers modifiers) {
    int mask = 0;
    if (modifiers & Qt::ShiftModifier) mask |= SHIFT;
    if (modifiers & Qt::ControlModifier) mask |= CTRL;
    if (modifiers & Qt::AltModifier) mask |= ALT;
    return mask;
}

int mouseButtonOf(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton: return 1;
        case Qt::MiddleButton: return 2;
        case Qt::RightButton: return 3;
        default: return 0;
    }
}

KeyInfo keyInfoOf(const QKeyEvent& event) {
    KeyInfo info;
    int key = event.key();
    QString text = event.text();
    if (!text.isEmpty()) info.character = text.toUcs4().value(0, 0);
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter: info.keyCode = CR; info.character = '\r'; return info;
        case Qt::Key_Escape: info.keyCode = ESC; info.character = ESC; return info;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: info.keyCode = TAB; info.character = '\t'; return info;
        case Qt::Key_Backspace: info.keyCode = BS; info.character = BS; return info;
        case Qt::Key_Delete: info.keyCode = DEL; info.character = DEL; return info;
        case Qt::Key_Up: info.keyCode = ARROW_UP; info.character = 0; return info;
        case Qt::Key_Down: info.keyCode = ARROW_DOWN; info.character = 0; return info;
        case Qt::Key_Left: info.keyCode = ARROW_LEFT; info.character = 0; return info;
        case Qt::Key_Right: info.keyCode = ARROW_RIGHT; info.character = 0; return info;
        case Qt::Key_Shift: info.keyCode = SHIFT; info.character = 0; return info;
        case Qt::Key_Control: info.keyCode = CTRL; info.character = 0; return info;
        case Qt::Key_Alt: info.keyCode = ALT; info.character = 0; return info;
        default: break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) {
        info.keyCode = F1 + (key - Qt::Key_F1);
        info.character = 0;
        return info;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        // Letters are reported in lower case whatever the shift state.
        info.keyCode = 'a' + (key - Qt::Key_A);
        if ((event.modifiers() & Qt::ControlModifier) && info.character == 0) {
            info.character = static_cast<char32_t>(key - Qt::Key_A + 1);
        }
        return info;
    }
    if (key > 0 && key < 0x01000000) {
        info.keyCode = key < 0x10000 ? key : 0;
        if (info.character == 0) info.character = static_cast<char32_t>(key);
        return info;
    }
    info.keyCode = static_cast<int>(info.character);
    return info;
}

int acceleratorOf(const QKeyEvent& event) {
    int key = event.key();
    Qt::KeyboardModifiers modifiers = event.modifiers();
    bool function = key >= Qt::Key_F1 && key <= Qt::Key_F35;
    if (!function && !(modifiers & (Qt::ControlModifier | Qt::AltModifier))) return 0;
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta) return 0;
    int code;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        code = 'A' + (key - Qt::Key_A);
    } else if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        code = '0' + (key - Qt::Key_0);
    } else {
        code = keyInfoOf(event).keyCode;
    }
    if (code == 0) return 0;
    return stateMaskOf(modifiers) | code;
}

int utf16Index(const QString& text, int codePoints) {
    if (codePoints <= 0) return 0;
    int index = 0;
    int seen = 0;
    while (index < text.size() && seen < codePoints) {
        index += (text.at(index).isHighSurrogate() && index + 1 < text.size()) ? 2 : 1;
        ++seen;
    }
    return index;
}

void PeerBridge::release() {
    if (m_released) return;
    m_released = true;
    m_filter = nullptr;
    deleteLater();
}

void PeerBridge::later(std::function<void()> body) {
    QMetaObject::invokeMethod(
        this,
        [this, body = std::move(body)] {
            if (!m_released) body();
        },
        Qt::QueuedConnection);
}

bool PeerBridge::eventFilter(QObject* watched, QEvent* event) {
    if (m_released || !m_filter) return false;
    // The filter may release this bridge; keep the callback alive meanwhile.
    Filter filter = m_filter;
    return filter(watched, event);
}

namespace {

struct OpenModal {
    QPointer<QDialog> dialog;
    QTimer* queued;
    bool ended;
};

// The modal loops running now, innermost last (user-interface thread only).
std::vector<OpenModal*> g_openModals;

bool inside(QWidget* widget, QWidget* window) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (w == window) return true;
    }
    return false;
}

}  // namespace

std::optional<int> execModal(QDialog* dialog, DisplaySite* site) {
    QPointer<QDialog> guard(dialog);
    QTimer queued;
    if (site != nullptr) {
        // Timers and posted tasks of the toolkit run inside the dialog's loop.
        QObject::connect(&queued, &QTimer::timeout, dialog, [site] { site->runQueuedWork(); });
        queued.start(10);
    }
    // A dialog closed while it was still being shown (a preview paints from
    // inside its show) ends before its loop begins: end the loop as well.
    QObject::connect(
        dialog, &QDialog::finished, dialog,
        [dialog](int result) {
            QMetaObject::invokeMethod(dialog, [dialog, result] { dialog->done(result); }, Qt::QueuedConnection);
        },
        Qt::SingleShotConnection);
    OpenModal entry{guard, &queued, false};
    g_openModals.push_back(&entry);
    int result = dialog->exec();
    g_openModals.erase(std::find(g_openModals.begin(), g_openModals.end(), &entry));
    if (entry.ended || guard.isNull()) return std::nullopt;
    return result;
}

void endModalDialogs(QWidget* window) {
    for (OpenModal* entry : std::vector<OpenModal*>(g_openModals)) {
        if (entry->ended || entry->dialog.isNull()) continue;
        if (window != nullptr && !inside(entry->dialog, window)) continue;
        entry->ended = true;
        // Nothing of the toolkit runs from a loop that is ending.
        entry->queued->stop();
        QDialog* dialog = entry->dialog;
        dialog->done(QDialog::Rejected);
        // Ended while it was still being shown (a preview paints from inside
        // its show), its loop has not begun: end that loop once it runs.
        QMetaObject::invokeMethod(
            dialog, [dialog] { dialog->done(QDialog::Rejected); }, Qt::QueuedConnection);
        // Its owner frees it once its loop has returned; the window's own
        // deletion, which may come first, must not.
        dialog->setParent(nullptr, dialog->windowFlags());
    }
}

void retireWidget(QWidget* widget) {
    if (widget == nullptr) return;
    widget->hide();
    widget->deleteLater();
}

}  // namespace tk::qt
