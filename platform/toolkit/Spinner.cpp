#include "platform/toolkit/Spinner.h"

#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Display.h"

namespace tk {

Spinner::Spinner(Token, Composite* parent, int style) : RangeControl(displayOf(parent), parent, style) {}

void Spinner::attach() {
    attachTo(getDisplay()->backend().createSpinner(rangeSite(), *parentPeer(), getStyle()));
}

}  // namespace tk
