#pragma once
// A slider over minimum..maximum. Dragging sends Selection at each step.

#include "platform/toolkit/RangeControl.h"

namespace tk {

class Scale : public RangeControl {
public:
    Scale(Token, Composite* parent, int style);

protected:
    void attach() override;

    friend class TestDriver;
};

}  // namespace tk
