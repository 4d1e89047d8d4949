#pragma once
// An item of a menu: PUSH, CHECK, RADIO, CASCADE or SEPARATOR. The text may
// end in "\t" and the accelerator's name; setAccelerator binds the key
// (CTRL | 'S'; letters match without case). Choosing a CHECK item flips it
// before Selection; setSelection sends nothing.

#include "platform/toolkit/Backend.h"
#include "platform/toolkit/Widget.h"

#include <memory>
#include <string>

namespace tk {

class Menu;
class Image;

class MenuItem : public Widget, private MenuItemSite {
public:
    MenuItem(Token, Menu* parent, int style);
    MenuItem(Token, Menu* parent, int style, int index);

    Menu* getParent() const { return m_parent; }
    void setText(const std::string& text);
    std::string getText() const;
    void setAccelerator(int accelerator);
    int getAccelerator() const;
    void setEnabled(bool enabled);
    bool getEnabled() const;
    // Enabled along with its menu chain.
    bool isEnabled() const;
    void setSelection(bool selected);
    bool getSelection() const;
    void setImage(const std::shared_ptr<Image>& image);
    std::shared_ptr<Image> getImage() const;
    void setMenu(Menu* menu);
    Menu* getMenu() const;

    MenuItemPeer* getPeer() const { return m_peer.get(); }

    static int normalizeAccelerator(int accelerator);

protected:
    void attach() override;
    void collectOwned(std::vector<Widget*>& out) const override;
    void releasePeer() override;
    void unlink() override;

private:
    void userSelect() override;
    void choose();

    Menu* m_parent;
    int m_index;
    std::unique_ptr<MenuItemPeer> m_peer;
    std::string m_text;
    int m_accelerator = 0;
    bool m_enabled = true;
    bool m_selection = false;
    std::shared_ptr<Image> m_image;
    Menu* m_menu = nullptr;

    friend class TestDriver;
    friend class Menu;
    friend class Shell;
};

}  // namespace tk
