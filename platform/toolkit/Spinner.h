#pragma once
// A number field with up and down arrows (default 0..100).

#include "platform/toolkit/RangeControl.h"

namespace tk {

class Spinner : public RangeControl {
public:
    Spinner(Token, Composite* parent, int style);

protected:
    void attach() override;

    friend class TestDriver;
};

}  // namespace tk
