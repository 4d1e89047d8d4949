#pragma once
// Progress over minimum..maximum; bounds behave as a Scale's.

#include "platform/toolkit/Control.h"
#include "platform/toolkit/RangeControl.h"

namespace tk {

class ProgressBar : public Control {
public:
    ProgressBar(Token, Composite* parent, int style);

    void setMinimum(int value);
    int getMinimum() const;
    void setMaximum(int value);
    int getMaximum() const;
    void setSelection(int value);
    int getSelection() const;

protected:
    void attach() override;
    void pushState() override;
    bool canTakeFocus() const override { return false; }

private:
    void pushRange();
    RangeValues m_range;
};

}  // namespace tk
