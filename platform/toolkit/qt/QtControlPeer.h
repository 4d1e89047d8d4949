#pragma once
// What every Qt peer of a control shares: geometry, visibility, colours,
// fonts, cursor, tool tip, stacking, preferred size, and the reports of
// mouse, keys and focus to the control's site.

#include "platform/toolkit/Backend.h"
#include "platform/toolkit/Style.h"
#include "platform/toolkit/qt/QtSupport.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <algorithm>

namespace tk::qt {

// The native side of any control peer, for the backend and tests.
class QtWidgetPeer {
public:
    virtual ~QtWidgetPeer() = default;
    // The outermost native widget of the control (nullptr once retired).
    virtual QWidget* widget() const = 0;
    // The user moved the focus into the control.
    virtual void reportFocusIn() = 0;
    // The peer that owns a native widget, walking up to the nearest owner.
    static QtWidgetPeer* ownerOf(QWidget* widget);

protected:
    static void markOwner(QWidget* widget, QtWidgetPeer* owner);
    // Qt hands an input event that a child ignored on to its parent; only
    // the first control that heard it reports it.
    static bool firstReport(const QInputEvent* event);
};

// Peers whose children live in a native widget of their own.
class QtContainer {
public:
    virtual ~QtContainer() = default;
    virtual QWidget* container() const = 0;
};

// The native widget children of a composite peer go into.
QWidget* containerOf(CompositePeer& parent);
// The native widget of any of this backend's control peers.
QWidget* widgetOf(ControlPeer* peer);

template <class Interface>
class QtControl : public Interface, public QtWidgetPeer {
public:
    QtControl(ControlSite& site, QWidget* widget, int style) : m_site(site), m_widget(widget), m_style(style) {
        m_bridge = new PeerBridge();
        m_bridge->setFilter([this](QObject* watched, QEvent* event) { return filter(watched, event); });
        markOwner(widget, this);
        hear(widget);
        // A child starts shown, as the toolkit's controls do; shells override.
        if (!widget->isWindow()) widget->setVisible(true);
    }
    ~QtControl() override {
        m_bridge->release();
        if (m_widget) {
            markOwner(m_widget, nullptr);
            retireWidget(m_widget);
        }
    }

    QWidget* widget() const override { return m_widget; }
    void reportFocusIn() override { m_site.userFocusIn(); }

    void setBounds(const Rectangle& bounds) override {
        if (!m_widget) return;
        m_widget->setGeometry(bounds.x, bounds.y, std::max(0, bounds.width), std::max(0, bounds.height));
    }
    void setVisible(bool visible) override {
        if (m_widget) m_widget->setVisible(visible);
    }
    void setEnabled(bool enabled) override {
        if (m_widget) m_widget->setEnabled(enabled);
    }
    void setFocus() override {
        if (m_widget) m_widget->setFocus(Qt::OtherFocusReason);
    }
    void setForeground(const std::optional<Color>& color) override {
        m_foreground = color;
        applyPalette();
    }
    void setBackground(const std::optional<Color>& color) override {
        m_background = color;
        applyPalette();
    }
    void setFont(const std::optional<Font>& font) override {
        if (!m_widget) return;
        // A font without resolved fields inherits the parent's again.
        m_widget->setFont(font ? toQFont(font->getFontData()) : QFont());
        fontChanged();
    }
    void setCursor(const std::optional<Cursor>& cursor) override {
        if (!m_widget) return;
        if (cursor) {
            m_widget->setCursor(QCursor(toCursorShape(cursor->getShape())));
        } else {
            m_widget->unsetCursor();
        }
    }
    void setToolTipText(const std::string& text) override {
        if (m_widget) m_widget->setToolTip(qs(text));
    }
    void moveAbove(ControlPeer* sibling) override {
        if (!m_widget) return;
        QWidget* other = widgetOf(sibling);
        QWidget* parent = m_widget->parentWidget();
        if (other == nullptr || parent == nullptr || m_widget->isWindow()) {
            m_widget->raise();
            return;
        }
        // Qt can only stack a widget under another: find the widget right
        // above the sibling and go under it.
        const QObjectList& kids = parent->children();
        qsizetype at = kids.indexOf(other);
        QWidget* next = nullptr;
        for (qsizetype i = at + 1; at >= 0 && i < kids.size(); ++i) {
            auto* w = qobject_cast<QWidget*>(kids.at(i));
            if (w != nullptr && w != m_widget && !w->isWindow()) {
                next = w;
                break;
            }
        }
        if (next != nullptr) {
            m_widget->stackUnder(next);
        } else {
            m_widget->raise();
        }
    }
    void moveBelow(ControlPeer* sibling) override {
        if (!m_widget) return;
        QWidget* other = widgetOf(sibling);
        if (other == nullptr || m_widget->isWindow() || other->parentWidget() != m_widget->parentWidget()) {
            m_widget->lower();
        } else {
            m_widget->stackUnder(other);
        }
    }
    Point computeSize(int widthHint, int heightHint) override {
        if (!m_widget) return {0, 0};
        QSize size = preferredSize();
        if (widthHint != DEFAULT && m_widget->hasHeightForWidth()) {
            // -1: the widget has nothing that depends on its width.
            int height = m_widget->heightForWidth(widthHint);
            if (height >= 0) size.setHeight(height);
        }
        Point out{std::max(0, size.width()), std::max(0, size.height())};
        if (widthHint != DEFAULT) out.x = widthHint;
        if (heightHint != DEFAULT) out.y = heightHint;
        return out;
    }
    int getBorderWidth() override {
        auto* frame = qobject_cast<QFrame*>(m_widget.data());
        return frame != nullptr ? frame->frameWidth() : 0;
    }

protected:
    // Reports mouse and key input that reaches this native widget (an inner
    // part of the control, such as a combo's edit field, included).
    void hear(QWidget* part) {
        if (part != nullptr) part->installEventFilter(m_bridge);
    }
    virtual QSize preferredSize() const {
        QSize hint = m_widget->sizeHint();
        return hint.isValid() ? hint : m_widget->minimumSizeHint().expandedTo(QSize(0, 0));
    }
    virtual void fontChanged() {}
    // Which palette roles stand for the fore- and background of this kind.
    virtual void paletteRoles(QPalette& palette, const std::optional<Color>& fg, const std::optional<Color>& bg) {
        if (fg) {
            QColor c = toQColor(*fg);
            palette.setColor(QPalette::WindowText, c);
            palette.setColor(QPalette::Text, c);
            palette.setColor(QPalette::ButtonText, c);
        }
        if (bg) {
            QColor c = toQColor(*bg);
            palette.setColor(QPalette::Window, c);
            palette.setColor(QPalette::Base, c);
            palette.setColor(QPalette::Button, c);
        }
    }
    void applyPalette() {
        if (!m_widget) return;
        // An untouched palette inherits every role from the parent.
        QPalette palette;
        palette.setResolveMask(0);
        paletteRoles(palette, m_foreground, m_background);
        m_widget->setPalette(palette);
        m_widget->setAutoFillBackground(m_background.has_value() || fillsByDefault());
    }
    virtual bool fillsByDefault() const { return false; }

    virtual bool filter(QObject* watched, QEvent* event) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                if (!isMine(watched) || !firstReport(mouse)) return false;
                int type = event->type() == QEvent::MouseButtonPress     ? MouseDown
                           : event->type() == QEvent::MouseButtonRelease ? MouseUp
                                                                         : MouseDoubleClick;
                QPoint at = m_widget->mapFromGlobal(mouse->globalPosition().toPoint());
                m_site.userMouse(type, mouseButtonOf(mouse->button()), at.x(), at.y(),
                                 stateMaskOf(mouse->modifiers()));
                return false;
            }
            case QEvent::KeyPress:
            case QEvent::KeyRelease: {
                auto* key = static_cast<QKeyEvent*>(event);
                if (!isMine(watched) || !firstReport(key)) return false;
                KeyInfo info = keyInfoOf(*key);
                bool doit = m_site.userKey(event->type() == QEvent::KeyPress ? KeyDown : KeyUp, info.keyCode,
                                           info.character, stateMaskOf(key->modifiers()));
                return !doit;
            }
            default:
                return false;
        }
    }
    // True for the native widgets this peer listens to (its own parts, not
    // a child control's, whose events Qt may pass up).
    bool isMine(QObject* watched) const {
        auto* w = qobject_cast<QWidget*>(watched);
        return w != nullptr && QtWidgetPeer::ownerOf(w) == this;
    }

    ControlSite& m_site;
    QPointer<QWidget> m_widget;
    int m_style;
    PeerBridge* m_bridge = nullptr;
    std::optional<Color> m_foreground;
    std::optional<Color> m_background;
};

}  // namespace tk::qt
