#pragma once
// Leaf controls on Qt widgets: labels, buttons, texts, lists, combos,
// scales, progress bars and spinners. Setters block the widgets' signals,
// so only what the user does reaches the sites.

#include "platform/toolkit/qt/QtControlPeer.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QSlider;
class QSpinBox;

namespace tk::qt {

class QtLabelPeer : public QtControl<LabelPeer> {
public:
    QtLabelPeer(ControlSite& site, QWidget* parent, int style);
    void setText(const std::string& text) override;
    void setImage(ImagePeer* image) override;
    void setAlignment(int alignment) override;

protected:
    QSize preferredSize() const override;

private:
    QLabel* label() const;
};

class QtButtonPeer : public QtControl<ButtonPeer> {
public:
    QtButtonPeer(ButtonSite& site, QWidget* parent, int style);
    void setText(const std::string& text) override;
    void setImage(ImagePeer* image) override;
    void setSelection(bool selected) override;

private:
    QAbstractButton* button() const;
    ButtonSite& m_buttonSite;
};

class QtTextPeer : public QtControl<TextPeer> {
public:
    QtTextPeer(TextSite& site, QWidget* parent, int style);
    void setText(const std::string& text) override;
    void setTextLimit(int limit) override;
    void setEchoChar(char echo) override;
    void setEditable(bool editable) override;
    void setSelection(int start, int end) override;

private:
    void userEdited();
    TextSite& m_textSite;
    QLineEdit* m_line = nullptr;
    QPlainTextEdit* m_multi = nullptr;
    int m_limit = 0;
};

class QtListPeer : public QtControl<ListPeer> {
public:
    QtListPeer(ListSite& site, QWidget* parent, int style);
    void setItems(const std::vector<std::string>& items) override;
    void setSelection(int index) override;

protected:
    QSize preferredSize() const override;

private:
    QListWidget* list() const;
};

class QtComboPeer : public QtControl<ComboPeer> {
public:
    QtComboPeer(ComboSite& site, QWidget* parent, int style);
    void setItems(const std::vector<std::string>& items) override;
    void setSelection(int index) override;
    void setText(const std::string& text) override;
    void setTextLimit(int limit) override;

private:
    QComboBox* combo() const;
};

// Scales, progress bars and spinners.
class QtRangePeer : public QtControl<RangePeer> {
public:
    enum class Kind { Scale, Progress, Spinner };
    QtRangePeer(ControlSite& site, RangeSite* rangeSite, QWidget* parent, int style, Kind kind);
    void setRange(int minimum, int maximum, int selection) override;
    void setIncrements(int increment, int pageIncrement) override;

private:
    Kind m_kind;
};

}  // namespace tk::qt
