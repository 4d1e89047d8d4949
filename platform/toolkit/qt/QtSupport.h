#pragma once
// Conversions between the toolkit's plain values and Qt's, and the small
// QObject every peer uses to hear its widget.

#include "platform/toolkit/Types.h"

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QDialog;
class QKeyEvent;
class QWidget;

namespace tk {
class DisplaySite;
}

namespace tk::qt {

inline QString qs(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
inline std::string us(const QString& text) { return text.toUtf8().toStdString(); }

QColor toQColor(const Color& color);
Color fromQColor(const QColor& color);
// The font every native widget gets unless the program sets one.
QFont systemFont();
// A program's font; one of the system font's family keeps its width.
QFont toQFont(const FontData& data);
FontData fromQFont(const QFont& font);
Qt::CursorShape toCursorShape(int shape);

// Modifier state as Event::stateMask wants it.
int stateMaskOf(Qt::KeyboardModifiers modifiers);
int mouseButtonOf(Qt::MouseButton button);

struct KeyInfo {
    int keyCode = 0;
    char32_t character = 0;
};
KeyInfo keyInfoOf(const QKeyEvent& event);
// The accelerator (modifiers | key) a key press stands for, or 0 when the
// press cannot be one (plain typing).
int acceleratorOf(const QKeyEvent& event);

// UTF-16 index of a code-point position in a text, clamped to its length.
int utf16Index(const QString& text, int codePoints);

// Connection context and event filter of one peer. The peer may be
// destroyed from inside one of its own callbacks (a listener disposes the
// widget), so the bridge outlives it until the event loop deletes it, and
// does nothing once released.
class PeerBridge : public QObject {
public:
    using Filter = std::function<bool(QObject*, QEvent*)>;
    PeerBridge() = default;
    void setFilter(Filter filter) { m_filter = std::move(filter); }
    bool released() const { return m_released; }
    // Drops the callbacks and schedules the bridge's own deletion.
    void release();
    // Runs body on the user-interface thread after the current event, unless
    // the bridge was released by then.
    void later(std::function<void()> body);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Filter m_filter;
    bool m_released = false;
};

// Runs a native modal dialog while the toolkit's timers and queued tasks
// keep running. Answers QDialog::exec's result, or nothing when the dialog
// did not end by its own buttons: its shell or the display was disposed
// meanwhile (endModalDialogs), or its window was deleted under it.
std::optional<int> execModal(QDialog* dialog, DisplaySite* site);

// Ends the modal dialogs running over window or over any window inside it
// (every one for nullptr): the shell or the display they belong to goes.
// Their loops return once the current event is done.
void endModalDialogs(QWidget* window);

// A native modal dialog on the heap. A timer of the toolkit running inside
// its loop may dispose the shell it belongs to, and the deletion of that
// window deletes the dialog with it; the guarded pointer sees that, so the
// dialog is freed exactly once, by whichever comes first.
template <class D>
class ModalDialog {
public:
    explicit ModalDialog(D* dialog) : m_dialog(dialog) {}
    ~ModalDialog() { delete m_dialog.data(); }
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    D* operator->() const { return m_dialog.data(); }
    D* get() const { return m_dialog.data(); }
    // What execModal answers; the dialog may be gone afterwards (check get()).
    std::optional<int> exec(DisplaySite* site) { return execModal(m_dialog.data(), site); }

private:
    QPointer<D> m_dialog;
};

// Hides a widget at once and deletes it from the event loop: it may be in
// the middle of delivering the event that led to its disposal.
void retireWidget(QWidget* widget);

}  // namespace tk::qt
