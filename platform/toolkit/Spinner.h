#pragma once
// A number field with up and down arrows. A user change sends Selection;
// setSelection sends nothing. Bounds behave as a Scale's (default 0..100).

#include "platform/toolkit/Control.h"
#include "platform/toolkit/Scale.h"

namespace tk {

class Spinner : public Control, private RangeSite {
public:
    Spinner(Token, Composite* parent, int style);

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
