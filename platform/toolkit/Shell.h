#pragma once
// A window. Top-level shells belong to the display, child shells to their
// parent shell (disposed with it, kept above it). The close box sends Close;
// a listener that clears doit keeps the shell, otherwise it is disposed.
// Escape in a child shell with a close box (a dialog) does the same.

#include "platform/toolkit/Composite.h"

#include <memory>
#include <string>
#include <vector>

namespace tk {

class Menu;
class Button;
class Image;

class Shell : public Composite, private ShellSite {
public:
    Shell(Token, Display* display, int style = SHELL_TRIM);
    Shell(Token, Shell* parent, int style = DIALOG_TRIM);

    void setText(const std::string& text);
    std::string getText() const;
    void setImage(const std::shared_ptr<Image>& image);
    std::shared_ptr<Image> getImage() const;

    // Shows, activates and puts the focus into the shell.
    void open();
    // As the close box: Close, then dispose unless refused.
    void close();
    void setActive();
    void forceActive() { setActive(); }
    bool isActive() const;

    void setMinimumSize(int width, int height);
    void setMinimumSize(const Point& size);
    Point getMinimumSize() const;
    void setMenuBar(Menu* menu);
    Menu* getMenuBar() const;
    void setDefaultButton(Button* button);
    Button* getDefaultButton() const;
    void setMinimized(bool minimized);
    bool getMinimized() const;
    void setMaximized(bool maximized);
    bool getMaximized() const;
    // Drops the size, minimise, maximise and restore commands of the window.
    void removeSizeCommands();
    bool hasSizeCommands() const;

    // Child shells.
    std::vector<Shell*> getShells() const;
    Shell* getParentShell() const { return m_parentShell; }
    // The modality bits of the style (APPLICATION_MODAL, PRIMARY_MODAL, ...).
    int getModality() const;

    Point computeSize(int widthHint, int heightHint, bool changed = true) override;
    ShellPeer* getShellPeer() const;

    // ---- for the toolkit's own classes ----
    void addMenu(const std::shared_ptr<Menu>& menu);
    void removeMenu(Menu* menu);
    void addChildShell(const std::shared_ptr<Shell>& shell);
    void removeChildShell(Shell* shell);
    // Finds and runs the menu-bar item with this accelerator.
    bool runAccelerator(int accelerator);
    // A dialog: owned by another shell and with a close box (a shell without
    // trim is part of its owner's window and stays).
    bool closesOnEscape() const;
    void activationChanged(bool active);

protected:
    void attach() override;
    void pushState() override;
    void collectOwned(std::vector<Widget*>& out) const override;
    void unlink() override;
    bool canTakeFocus() const override { return false; }
    // A window comes up inside the work area (moved, never resized; one
    // larger than the work area keeps its top left corner inside). A shell
    // without trim owned by another is part of its owner's window instead.
    void placeForShowing() override;

private:
    void userFocusIn() override { Control::userFocusIn(); }
    void userMouse(int type, int button, int x, int y, int stateMask) override {
        Control::userMouse(type, button, x, y, stateMask);
    }
    // Keys go to the control; accelerators come through userAccelerator.
    bool userKey(int type, int keyCode, char32_t character, int stateMask) override {
        return Control::userKey(type, keyCode, character, stateMask);
    }
    void userBounds(const Rectangle& bounds) override { Control::userBounds(bounds); }
    void userClose() override;
    void userActivate(bool active) override;
    void userIconify(bool minimized) override;
    void userFrame() override;
    bool userAccelerator(int accelerator) override;

    Shell* m_parentShell = nullptr;
    std::string m_text;
    std::shared_ptr<Image> m_image;
    Point m_minimumSize;
    Menu* m_menuBar = nullptr;
    std::weak_ptr<Widget> m_defaultButton;
    bool m_minimized = false;
    bool m_maximized = false;
    bool m_sizeCommands = true;
    bool m_active = false;
    std::vector<std::shared_ptr<Menu>> m_menus;
    std::vector<std::shared_ptr<Shell>> m_shells;

    friend class TestDriver;
};

}  // namespace tk
