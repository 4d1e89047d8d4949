#pragma once
// A widget with a place on the screen. Bounds are pixels relative to the
// parent's client area (a shell's are screen coordinates). Moving or sizing
// a control sends Move and Resize, also when the program does it; focus
// changes send FocusOut to the old control before FocusIn to the new one.

#include "platform/toolkit/Backend.h"
#include "platform/toolkit/Types.h"
#include "platform/toolkit/Widget.h"

#include <optional>
#include <string>

// Controls whose site interface extends ControlSite forward the shared
// reports to Control.
#define TK_CONTROL_SITE_FORWARDS                                                         \
    void userFocusIn() override { Control::userFocusIn(); }                              \
    void userMouse(int type, int button, int x, int y, int stateMask) override {         \
        Control::userMouse(type, button, x, y, stateMask);                               \
    }                                                                                    \
    bool userKey(int type, int keyCode, char32_t character, int stateMask) override {    \
        return Control::userKey(type, keyCode, character, stateMask);                    \
    }                                                                                    \
    void userBounds(const Rectangle& bounds) override { Control::userBounds(bounds); }

namespace tk {

class Composite;
class Shell;

class Control : public Widget, protected ControlSite {
public:
    Composite* getParent() const { return m_parent; }
    Shell* getShell() const;

    void setBounds(int x, int y, int width, int height);
    void setBounds(const Rectangle& bounds);
    Rectangle getBounds() const;
    void setLocation(int x, int y);
    void setLocation(const Point& location);
    Point getLocation() const;
    void setSize(int width, int height);
    void setSize(const Point& size);
    Point getSize() const;
    // Preferred size; a hint other than DEFAULT fixes that dimension.
    virtual Point computeSize(int widthHint, int heightHint, bool changed = true);
    // Resizes to the preferred size.
    void pack();

    void setVisible(bool visible);
    bool getVisible() const;
    // Visible with every ancestor.
    bool isVisible() const;
    void setEnabled(bool enabled);
    bool getEnabled() const;
    // Enabled with every ancestor.
    bool isEnabled() const;
    // False when the control cannot take the focus.
    bool setFocus();
    bool forceFocus() { return setFocus(); }
    bool isFocusControl() const;

    // nullopt restores the default.
    void setForeground(const std::optional<Color>& color);
    Color getForeground() const;
    void setBackground(const std::optional<Color>& color);
    Color getBackground() const;
    void setFont(const std::optional<Font>& font);
    Font getFont() const;
    void setCursor(const std::optional<Cursor>& cursor);
    std::optional<Cursor> getCursor() const;
    void setToolTipText(const std::string& text);
    std::string getToolTipText() const;

    // Window order among siblings (nullptr: topmost / bottommost).
    void moveAbove(Control* sibling);
    void moveBelow(Control* sibling);
    int getBorderWidth() const;
    // From this control's client coordinates to the screen.
    Point toDisplay(int x, int y) const;
    Point toDisplay(const Point& point) const;

    // For backends and backend tests.
    ControlPeer* getPeer() const { return m_peer.get(); }

protected:
    Control(Display* display, Composite* parent, int style);
    // The parent's display; a missing parent is ERROR_NULL_ARGUMENT, a
    // disposed one ERROR_INVALID_ARGUMENT.
    static Display* displayOf(Composite* parent);
    // Offset of the client area inside the bounds.
    virtual Point clientOrigin() const { return {}; }
    // Makes the peer and joins the parent; subclasses call it from attach.
    void attachTo(std::unique_ptr<ControlPeer> peer);
    virtual void pushState();
    virtual bool canTakeFocus() const;
    void releasePeer() override;
    void unlink() override;
    // Geometry change from program or window system; sends Move/Resize.
    virtual void applyBounds(const Rectangle& bounds, bool fromUser);
    virtual void resized() {}
    // About to be shown (after the Show listeners): a last change of place.
    virtual void placeForShowing() {}
    CompositePeer* parentPeer() const;
    ControlSite& controlSite() { return *this; }
    void setParent(Composite* parent) { m_parent = parent; }

    // ControlSite
    void userFocusIn() override;
    void userMouse(int type, int button, int x, int y, int stateMask) override;
    bool userKey(int type, int keyCode, char32_t character, int stateMask) override;
    void userBounds(const Rectangle& bounds) override;

    std::unique_ptr<ControlPeer> m_peer;

private:
    Composite* m_parent;
    Rectangle m_bounds;
    bool m_visible = true;
    bool m_enabled = true;
    std::optional<Color> m_foreground;
    std::optional<Color> m_background;
    std::optional<Font> m_font;
    std::optional<Cursor> m_cursor;
    std::string m_toolTip;

    friend class Composite;
    friend class Shell;
    friend class TestDriver;
};

}  // namespace tk
