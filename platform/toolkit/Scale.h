#pragma once
// A slider over minimum..maximum. Dragging sends Selection at each step;
// setSelection sends nothing. Raising the minimum above the maximum raises
// the maximum with it (and the reverse), so the bounds may be set in any
// order; the selection is kept inside them.

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

class Scale : public Control, private RangeSite {
public:
    Scale(Token, Composite* parent, int style);

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
    void attach() override;
    void pushState() override;

private:
    TK_CONTROL_SITE_FORWARDS
    void userSelect(int value) override;
    void pushRange();

    RangeValues m_range;

    friend class TestDriver;
};

}  // namespace tk
