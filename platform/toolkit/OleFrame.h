#pragma once
// The frame a hosted component (a control module of the component layer)
// draws its own controls into. The component layer makes the site and
// automation object; to the toolkit the frame is a plain composite.

#include "platform/toolkit/Composite.h"

namespace tk {

class OleFrame : public Composite {
public:
    OleFrame(Token token, Composite* parent, int style) : Composite(token, parent, style) {}
};

}  // namespace tk
