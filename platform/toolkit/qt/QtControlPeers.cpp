#include "platform/toolkit/qt/QtControlPeers.h"

#include "platform/toolkit/qt/QtImagePeer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

namespace tk::qt {

namespace {

Qt::Alignment horizontalOf(int alignment) {
    if (alignment == CENTER) return Qt::AlignHCenter;
    if (alignment == RIGHT) return Qt::AlignRight;
    return Qt::AlignLeft;
}

void frameOf(QFrame* frame, int style) {
    if ((style & BORDER) != 0) {
        frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    } else {
        frame->setFrameStyle(QFrame::NoFrame);
    }
}

// ---- construction helpers (the widget exists before the peer's base) ----

QWidget* makeLabel(QWidget* parent, int style) {
    auto* label = new QLabel(parent);
    if ((style & SEPARATOR) != 0) {
        label->setFrameStyle(((style & VERTICAL) != 0 ? QFrame::VLine : QFrame::HLine) | QFrame::Sunken);
        return label;
    }
    frameOf(label, style);
    label->setWordWrap((style & WRAP) != 0);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(horizontalOf((style & CENTER) != 0 ? CENTER : (style & RIGHT) != 0 ? RIGHT : LEFT) |
                        Qt::AlignTop);
    return label;
}

QWidget* makeButton(QWidget* parent, int style) {
    if ((style & CHECK) != 0) return new QCheckBox(parent);
    if ((style & RADIO) != 0) {
        auto* radio = new QRadioButton(parent);
        // The toolkit keeps a parent's radio buttons exclusive itself.
        radio->setAutoExclusive(false);
        return radio;
    }
    if ((style & ARROW) != 0) {
        auto* arrow = new QToolButton(parent);
        arrow->setArrowType((style & LEFT) != 0 ? Qt::LeftArrow : (style & RIGHT) != 0 ? Qt::RightArrow : Qt::UpArrow);
        return arrow;
    }
    auto* push = new QPushButton(parent);
    push->setAutoDefault(false);
    if ((style & TOGGLE) != 0) push->setCheckable(true);
    if ((style & FLAT) != 0) push->setFlat(true);
    return push;
}

QWidget* makeText(QWidget* parent, int style) {
    if ((style & MULTI) == 0) {
        auto* line = new QLineEdit(parent);
        line->setFrame((style & BORDER) != 0);
        if ((style & CENTER) != 0) line->setAlignment(Qt::AlignHCenter);
        if ((style & RIGHT) != 0) line->setAlignment(Qt::AlignRight);
        return line;
    }
    auto* multi = new QPlainTextEdit(parent);
    frameOf(multi, style);
    multi->setLineWrapMode((style & WRAP) != 0 ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    multi->setHorizontalScrollBarPolicy((style & H_SCROLL) != 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    multi->setVerticalScrollBarPolicy((style & V_SCROLL) != 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    // Tab moves on to the next control, as in a dialog.
    multi->setTabChangesFocus(true);
    return multi;
}

QWidget* makeList(QWidget* parent, int style) {
    auto* list = new QListWidget(parent);
    frameOf(list, style);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollBarPolicy((style & H_SCROLL) != 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy((style & V_SCROLL) != 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    return list;
}

QWidget* makeCombo(QWidget* parent, int style) {
    auto* combo = new QComboBox(parent);
    combo->setEditable((style & READ_ONLY) == 0);
    // Typed texts stay texts; they are not added to the list.
    combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

QWidget* makeRange(QWidget* parent, int style, QtRangePeer::Kind kind) {
    Qt::Orientation orientation = (style & VERTICAL) != 0 ? Qt::Vertical : Qt::Horizontal;
    switch (kind) {
        case QtRangePeer::Kind::Scale: return new QSlider(orientation, parent);
        case QtRangePeer::Kind::Progress: {
            auto* bar = new QProgressBar(parent);
            bar->setOrientation(orientation);
            bar->setTextVisible(false);
            return bar;
        }
        case QtRangePeer::Kind::Spinner: return new QSpinBox(parent);
    }
    return nullptr;
}

}  // namespace

// ---- label -----------------------------------------------------------------

QtLabelPeer::QtLabelPeer(ControlSite& site, QWidget* parent, int style) : QtControl(site, makeLabel(parent, style), style) {}

QLabel* QtLabelPeer::label() const { return static_cast<QLabel*>(m_widget.data()); }

QSize QtLabelPeer::preferredSize() const {
    QLabel* view = label();
    // A picture or no text at all: nothing to wrap.
    if (!view->wordWrap() || view->text().isEmpty()) return QtControl::preferredSize();
    // Qt sizes a wrapping label at a width of its own choosing; its natural
    // size is the text on its own lines, unwrapped. Around the text go
    // QLabel's insets: contents margins (the frame among them), the margin,
    // and the indent a framed label has when none is set.
    QFontMetrics metrics = view->fontMetrics();
    QRect text = metrics.boundingRect(QRect(0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), Qt::AlignLeft | Qt::AlignTop,
                                      view->text());
    int width = text.width() + 2 * view->margin();
    int height = text.height() + 2 * view->margin();
    int indent = view->indent();
    if (indent < 0 && view->frameWidth() > 0) indent = metrics.horizontalAdvance(QLatin1Char('x')) - 2 * view->margin();
    Qt::Alignment align = view->alignment();
    if (indent > 0 && (align & (Qt::AlignLeft | Qt::AlignRight)) != 0) width += indent;
    if (indent > 0 && (align & (Qt::AlignTop | Qt::AlignBottom)) != 0) height += indent;
    QMargins margins = view->contentsMargins();
    return QSize(width + margins.left() + margins.right(), height + margins.top() + margins.bottom())
        .expandedTo(view->minimumSize());
}

void QtLabelPeer::setText(const std::string& text) {
    if (!m_widget || (m_style & SEPARATOR) != 0) return;
    // A label has no buddy to give its mnemonic to: show the text plain.
    label()->setText(qs(stripMnemonic(text)));
}

void QtLabelPeer::setImage(ImagePeer* image) {
    if (!m_widget || (m_style & SEPARATOR) != 0) return;
    if (const QPixmap* pixmap = QtImagePeer::pixmapOf(image)) {
        label()->setPixmap(*pixmap);
    } else {
        label()->setPixmap(QPixmap());
    }
}

void QtLabelPeer::setAlignment(int alignment) {
    if (!m_widget || (m_style & SEPARATOR) != 0) return;
    label()->setAlignment(horizontalOf(alignment) | Qt::AlignTop);
}

// ---- button ----------------------------------------------------------------

QtButtonPeer::QtButtonPeer(ButtonSite& site, QWidget* parent, int style)
    : QtControl(site, makeButton(parent, style), style), m_buttonSite(site) {
    QObject::connect(button(), &QAbstractButton::clicked, m_bridge, [this](bool checked) {
        if (m_bridge->released()) return;
        if ((m_style & RADIO) != 0 && !checked) {
            // A click on a chosen radio button keeps it chosen.
            QSignalBlocker quiet(button());
            button()->setChecked(true);
            checked = true;
        }
        m_buttonSite.userSelect((m_style & (CHECK | RADIO | TOGGLE)) != 0 ? checked : false);
    });
}

QAbstractButton* QtButtonPeer::button() const { return static_cast<QAbstractButton*>(m_widget.data()); }

void QtButtonPeer::setText(const std::string& text) {
    if (m_widget && (m_style & ARROW) == 0) button()->setText(qs(text));
}

void QtButtonPeer::setImage(ImagePeer* image) {
    if (!m_widget) return;
    const QPixmap* pixmap = QtImagePeer::pixmapOf(image);
    button()->setIcon(pixmap != nullptr ? QIcon(*pixmap) : QIcon());
    if (pixmap != nullptr) button()->setIconSize(pixmap->size());
}

void QtButtonPeer::setSelection(bool selected) {
    if (!m_widget || !button()->isCheckable()) return;
    QSignalBlocker quiet(button());
    button()->setChecked(selected);
}

// ---- text ------------------------------------------------------------------

QtTextPeer::QtTextPeer(TextSite& site, QWidget* parent, int style)
    : QtControl(site, makeText(parent, style), style), m_textSite(site) {
    m_line = qobject_cast<QLineEdit*>(m_widget.data());
    m_multi = qobject_cast<QPlainTextEdit*>(m_widget.data());
    if (m_line != nullptr) {
        QObject::connect(m_line, &QLineEdit::textEdited, m_bridge, [this](const QString&) { userEdited(); });
        QObject::connect(m_line, &QLineEdit::returnPressed, m_bridge, [this] {
            if (!m_bridge->released()) m_textSite.userDefaultSelection();
        });
    } else {
        hear(m_multi->viewport());
        QObject::connect(m_multi, &QPlainTextEdit::textChanged, m_bridge, [this] { userEdited(); });
    }
}

void QtTextPeer::userEdited() {
    if (m_bridge->released() || !m_widget) return;
    QString text = m_line != nullptr ? m_line->text() : m_multi->toPlainText();
    if (m_multi != nullptr && m_limit > 0 && text.toUcs4().size() > m_limit) {
        // A multi-line field has no limit of its own: cut what went over.
        QList<uint> points = text.toUcs4();
        points.resize(m_limit);
        text = QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()), points.size());
        QSignalBlocker quiet(m_multi);
        m_multi->setPlainText(text);
        m_multi->moveCursor(QTextCursor::End);
    }
    m_textSite.userText(us(text));
}

void QtTextPeer::setText(const std::string& text) {
    if (!m_widget) return;
    QSignalBlocker quiet(m_widget);
    if (m_line != nullptr) {
        m_line->setText(qs(text));
    } else {
        m_multi->setPlainText(qs(text));
    }
}

void QtTextPeer::setTextLimit(int limit) {
    m_limit = limit;
    if (m_line != nullptr) m_line->setMaxLength(limit > 0 ? limit : 32767);
}

void QtTextPeer::setEchoChar(char echo) {
    if (m_line == nullptr) return;
    if (echo == 0) {
        m_line->setEchoMode(QLineEdit::Normal);
        m_line->setStyleSheet(QString());
        return;
    }
    m_line->setEchoMode(QLineEdit::Password);
    m_line->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: %1; }")
                              .arg(static_cast<int>(static_cast<unsigned char>(echo))));
}

void QtTextPeer::setEditable(bool editable) {
    if (m_line != nullptr) m_line->setReadOnly(!editable);
    if (m_multi != nullptr) m_multi->setReadOnly(!editable);
}

void QtTextPeer::setSelection(int start, int end) {
    if (!m_widget) return;
    QSignalBlocker quiet(m_widget);
    if (m_line != nullptr) {
        QString text = m_line->text();
        int from = utf16Index(text, start);
        int to = utf16Index(text, end);
        if (from == to) {
            m_line->setCursorPosition(from);
        } else {
            m_line->setSelection(from, to - from);
        }
        return;
    }
    QString text = m_multi->toPlainText();
    QTextCursor cursor = m_multi->textCursor();
    cursor.setPosition(utf16Index(text, start));
    cursor.setPosition(utf16Index(text, end), QTextCursor::KeepAnchor);
    m_multi->setTextCursor(cursor);
}

// ---- list ------------------------------------------------------------------

QtListPeer::QtListPeer(ListSite& site, QWidget* parent, int style) : QtControl(site, makeList(parent, style), style) {
    hear(list()->viewport());
    QObject::connect(list(), &QListWidget::itemSelectionChanged, m_bridge, [this, &site] {
        if (m_bridge->released()) return;
        int row = list()->currentRow();
        QList<QListWidgetItem*> selected = list()->selectedItems();
        if (!selected.isEmpty()) row = list()->row(selected.first());
        if (row >= 0) site.userSelect(row);
    });
    QObject::connect(list(), &QListWidget::itemActivated, m_bridge, [this, &site](QListWidgetItem* item) {
        if (m_bridge->released() || item == nullptr) return;
        site.userDefaultSelect(list()->row(item));
    });
}

QListWidget* QtListPeer::list() const { return static_cast<QListWidget*>(m_widget.data()); }

QSize QtListPeer::preferredSize() const {
    // Wide enough for the longest item, tall enough for all of them.
    QListWidget* view = list();
    int width = 0;
    int height = 0;
    for (int i = 0; i < view->count(); ++i) {
        QRect r = view->visualItemRect(view->item(i));
        width = std::max(width, view->fontMetrics().horizontalAdvance(view->item(i)->text()) + 8);
        height += std::max(r.height(), view->fontMetrics().height());
    }
    int frame = 2 * view->frameWidth();
    if (view->count() == 0) return {64 + frame, 64 + frame};
    return {width + frame, height + frame};
}

void QtListPeer::setItems(const std::vector<std::string>& items) {
    if (!m_widget) return;
    QSignalBlocker quiet(list());
    QSignalBlocker quietSelection(list()->selectionModel());
    list()->clear();
    for (const std::string& item : items) list()->addItem(qs(item));
}

void QtListPeer::setSelection(int index) {
    if (!m_widget) return;
    QSignalBlocker quiet(list());
    QSignalBlocker quietSelection(list()->selectionModel());
    if (index < 0 || index >= list()->count()) {
        list()->clearSelection();
        list()->setCurrentRow(-1);
        return;
    }
    list()->setCurrentRow(index);
    list()->scrollToItem(list()->item(index));
}

// ---- combo -----------------------------------------------------------------

QtComboPeer::QtComboPeer(ComboSite& site, QWidget* parent, int style) : QtControl(site, makeCombo(parent, style), style) {
    QObject::connect(combo(), qOverload<int>(&QComboBox::activated), m_bridge, [this, &site](int index) {
        if (!m_bridge->released()) site.userSelect(index);
    });
    if (QLineEdit* edit = combo()->lineEdit()) {
        hear(edit);
        QObject::connect(edit, &QLineEdit::textEdited, m_bridge, [this, &site](const QString& text) {
            if (!m_bridge->released()) site.userText(us(text));
        });
    }
}

QComboBox* QtComboPeer::combo() const { return static_cast<QComboBox*>(m_widget.data()); }

void QtComboPeer::setItems(const std::vector<std::string>& items) {
    if (!m_widget) return;
    QSignalBlocker quiet(combo());
    QString text = combo()->currentText();
    combo()->clear();
    for (const std::string& item : items) combo()->addItem(qs(item));
    combo()->setCurrentIndex(-1);
    // An editable combo keeps what it showed; the toolkit sets it anew.
    if (combo()->isEditable()) combo()->setEditText(text);
}

void QtComboPeer::setSelection(int index) {
    if (!m_widget) return;
    QSignalBlocker quiet(combo());
    combo()->setCurrentIndex(index >= 0 && index < combo()->count() ? index : -1);
}

void QtComboPeer::setText(const std::string& text) {
    if (!m_widget || !combo()->isEditable()) return;
    QSignalBlocker quiet(combo());
    QSignalBlocker quietEdit(combo()->lineEdit());
    combo()->setEditText(qs(text));
}

void QtComboPeer::setTextLimit(int limit) {
    if (m_widget && combo()->lineEdit() != nullptr) combo()->lineEdit()->setMaxLength(limit > 0 ? limit : 32767);
}

// ---- ranges ----------------------------------------------------------------

QtRangePeer::QtRangePeer(ControlSite& site, RangeSite* rangeSite, QWidget* parent, int style, Kind kind)
    : QtControl(site, makeRange(parent, style, kind), style), m_kind(kind) {
    if (rangeSite == nullptr) return;
    if (auto* slider = qobject_cast<QSlider*>(m_widget.data())) {
        QObject::connect(slider, &QSlider::valueChanged, m_bridge, [this, rangeSite](int value) {
            if (!m_bridge->released()) rangeSite->userSelect(value);
        });
    } else if (auto* spin = qobject_cast<QSpinBox*>(m_widget.data())) {
        if (auto* edit = spin->findChild<QLineEdit*>()) hear(edit);
        QObject::connect(spin, qOverload<int>(&QSpinBox::valueChanged), m_bridge, [this, rangeSite](int value) {
            if (!m_bridge->released()) rangeSite->userSelect(value);
        });
    }
}

void QtRangePeer::setRange(int minimum, int maximum, int selection) {
    if (!m_widget) return;
    QSignalBlocker quiet(m_widget);
    switch (m_kind) {
        case Kind::Scale: {
            auto* slider = static_cast<QSlider*>(m_widget.data());
            slider->setRange(minimum, maximum);
            slider->setValue(selection);
            break;
        }
        case Kind::Progress: {
            auto* bar = static_cast<QProgressBar*>(m_widget.data());
            if ((m_style & INDETERMINATE) != 0) {
                bar->setRange(0, 0);
            } else if (maximum <= minimum) {
                // An empty range is an empty bar; Qt would show it as busy.
                bar->setRange(0, 1);
                bar->setValue(0);
            } else {
                bar->setRange(minimum, maximum);
                bar->setValue(selection);
            }
            break;
        }
        case Kind::Spinner: {
            auto* spin = static_cast<QSpinBox*>(m_widget.data());
            spin->setRange(minimum, maximum);
            spin->setValue(selection);
            break;
        }
    }
}

void QtRangePeer::setIncrements(int increment, int pageIncrement) {
    if (!m_widget) return;
    QSignalBlocker quiet(m_widget);
    if (auto* slider = qobject_cast<QSlider*>(m_widget.data())) {
        slider->setSingleStep(increment);
        slider->setPageStep(pageIncrement);
    } else if (auto* spin = qobject_cast<QSpinBox*>(m_widget.data())) {
        spin->setSingleStep(increment);
    }
}

}  // namespace tk::qt
