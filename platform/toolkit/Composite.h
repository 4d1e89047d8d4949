#pragma once
// A control that holds other controls. Children are listed topmost first.

#include "platform/toolkit/Control.h"
#include "platform/toolkit/Layout.h"

#include <memory>
#include <vector>

namespace tk {

class Composite : public Control {
public:
    Composite(Token, Composite* parent, int style);

    std::vector<Control*> getChildren() const;
    void setLayout(std::shared_ptr<Layout> layout);
    std::shared_ptr<Layout> getLayout() const;
    // Places the children with the layout (nothing without one).
    void layout();
    // (0, 0, width, height) of the area children live in.
    Rectangle getClientArea() const;
    Point computeSize(int widthHint, int heightHint, bool changed = true) override;

    CompositePeer* getCompositePeer() const;

protected:
    Composite(Display* display, Composite* parent, int style);
    void attach() override;
    void collectOwned(std::vector<Widget*>& out) const override;
    void resized() override;
    bool canTakeFocus() const override;
    Point clientOrigin() const override;
    // Outer size over a client size.
    Point trimmedSize(int clientWidth, int clientHeight) const;

private:
    void addChild(const std::shared_ptr<Control>& child);
    void removeChild(Control* child);
    void restack(Control* child, Control* sibling, bool above);

    std::vector<std::shared_ptr<Control>> m_children;
    std::shared_ptr<Layout> m_layout;

    friend class Control;
};

}  // namespace tk
