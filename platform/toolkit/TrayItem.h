#pragma once
// An icon in the tray. A click sends Selection, a double click
// DefaultSelection, the context-menu request (right click) MenuDetect.

#include "platform/toolkit/Backend.h"
#include "platform/toolkit/Widget.h"

#include <memory>
#include <string>

namespace tk {

class Tray;
class Image;

class TrayItem : public Widget, private TrayItemSite {
public:
    TrayItem(Token, Tray* parent, int style);

    Tray* getParent() const { return m_parent; }
    void setImage(const std::shared_ptr<Image>& image);
    std::shared_ptr<Image> getImage() const;
    void setToolTipText(const std::string& text);
    std::string getToolTipText() const;
    void setVisible(bool visible);
    bool getVisible() const;

    TrayItemPeer* getPeer() const { return m_peer.get(); }

protected:
    void attach() override;
    void releasePeer() override;
    void unlink() override;

private:
    void userSelect() override;
    void userDefaultSelect() override;
    void userMenuDetect() override;

    Tray* m_parent;
    std::unique_ptr<TrayItemPeer> m_peer;
    std::shared_ptr<Image> m_image;
    std::string m_toolTip;
    bool m_visible = true;

    friend class TestDriver;
};

}  // namespace tk
