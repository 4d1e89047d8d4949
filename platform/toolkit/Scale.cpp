#include "platform/toolkit/Scale.h"

#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Display.h"

namespace tk {

Scale::Scale(Token, Composite* parent, int style)
    : RangeControl(displayOf(parent), parent, (style & VERTICAL) != 0 ? style : (style | HORIZONTAL)) {}

void Scale::attach() {
    attachTo(getDisplay()->backend().createScale(rangeSite(), *parentPeer(), getStyle()));
}

}  // namespace tk
