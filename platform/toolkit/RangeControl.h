#pragma once
// A control over minimum..maximum with a selection: the common ground of
// scales and spinners. A user change sends Selection; setSelection sends
// nothing. Raising the minimum above the maximum raises the maximum with it
// (and the reverse), so the bounds may be set in any order; the selection is
// kept inside them.

#include "platform/toolkit/Control.h"

namespace tk {

// Bounds and selection shared by scales, progress bars and spinners.
struct RangeValues {
    int minimum = 0;
    int maximum = 100;
    int selection = 0;
    int increment = 1;
    int pageIncrement = 10;
    void setMinimum(int value);
    void setMaximum(int value);
    void setSelection(int value);
};

class RangeControl : public Control, private RangeSite {
public:
    void setMinimum(int value);
    int getMinimum() const;
    void setMaximum(int value);
    int getMaximum() const;
    void setSelection(int value);
    int getSelection() const;
    void setIncrement(int value);
    int getIncrement() const;
    void setPageIncrement(int value);
    int getPageIncrement() const;

    RangePeer* getRangePeer() const;

protected:
    RangeControl(Display* display, Composite* parent, int style) : Control(display, parent, style) {}
    RangeSite& rangeSite() { return *this; }
    void pushState() override;

private:
    TK_CONTROL_SITE_FORWARDS
    void userSelect(int value) override;
    void pushRange();

    RangeValues m_range;

    friend class TestDriver;
};

}  // namespace tk
