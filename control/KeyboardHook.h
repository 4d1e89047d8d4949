#pragma once
// What the keyboard hook asks its target when Ctrl+Alt plus a key is
// pressed: whether to hold the key back. This class answers no to both;
// the control answers by raising its events.

namespace tiraleaf {

class KeyboardHook {
public:
    virtual ~KeyboardHook() = default;
    virtual bool BlockControlAltM() { return false; }
    virtual bool BlockControlAltS() { return false; }
};

}  // namespace tiraleaf
