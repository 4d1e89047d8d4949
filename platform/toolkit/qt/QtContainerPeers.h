#pragma once
// Composites on Qt: a plain composite (also the frame a hosted component
// draws into), a group box and a tab folder. Where a composite has insets
// (a border, a title, the tabs) its children live in an inner widget placed
// on its client area, so their bounds stay relative to that area.

#include "platform/toolkit/qt/QtControlPeer.h"

#include <map>

class QGroupBox;
class QTabBar;

namespace tk::qt {

class QtCompositePeer : public QtControl<CompositePeer>, public QtContainer {
public:
    QtCompositePeer(ControlSite& site, QWidget* parent, int style);
    QWidget* container() const override { return m_content != nullptr ? m_content : m_widget.data(); }
    Point computeSize(int, int) override { return {0, 0}; }
    Rectangle clientArea(int width, int height) override;

protected:
    bool filter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_content = nullptr;
};

class QtGroupPeer : public QtControl<GroupPeer>, public QtContainer {
public:
    QtGroupPeer(ControlSite& site, QWidget* parent, int style);
    QWidget* container() const override { return m_content; }
    Point computeSize(int, int) override { return {0, 0}; }
    Rectangle clientArea(int width, int height) override;
    void setText(const std::string& text) override;

protected:
    bool filter(QObject* watched, QEvent* event) override;
    void fontChanged() override;

private:
    void place();
    QGroupBox* box() const;
    QWidget* m_content = nullptr;
};

class QtTabFolderPeer : public QtControl<TabFolderPeer>, public QtContainer {
public:
    QtTabFolderPeer(TabFolderSite& site, QWidget* parent, int style);
    QWidget* container() const override { return m_content; }
    Point computeSize(int, int) override { return {0, 0}; }
    Rectangle clientArea(int width, int height) override;

    void insertItem(int index) override;
    void removeItem(int index) override;
    void setItemText(int index, const std::string& text) override;
    void setItemImage(int index, ImagePeer* image) override;
    void setItemToolTipText(int index, const std::string& text) override;
    void setItemControl(int index, ControlPeer* control) override;
    void setSelection(int index) override;
    void setTabHeight(int height) override;
    void setSelectionColors(const std::optional<Color>& background, const std::optional<Color>& foreground) override;

    QTabBar* tabBar() const { return m_bar; }

protected:
    bool filter(QObject* watched, QEvent* event) override;

private:
    int barHeight() const;
    void place();
    QTabBar* m_bar = nullptr;
    QFrame* m_pane = nullptr;
    QWidget* m_content = nullptr;
    int m_tabHeight = 0;
};

}  // namespace tk::qt
