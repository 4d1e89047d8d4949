#pragma once
// Layouts place a composite's children; the tracker's windows place
// everything at fixed pixels and use only FillLayout.

#include "platform/toolkit/Style.h"
#include "platform/toolkit/Types.h"

namespace tk {

class Composite;

class Layout {
public:
    virtual ~Layout() = default;
    virtual Point computeSize(Composite& composite, int widthHint, int heightHint) = 0;
    virtual void layout(Composite& composite) = 0;
};

// Every visible child gets an equal share of the client area, side by side
// (HORIZONTAL) or stacked (VERTICAL).
class FillLayout : public Layout {
public:
    explicit FillLayout(int type = HORIZONTAL) : type(type) {}
    Point computeSize(Composite& composite, int widthHint, int heightHint) override;
    void layout(Composite& composite) override;

    int type;
    int marginWidth = 0;
    int marginHeight = 0;
    int spacing = 0;
};

}  // namespace tk
