#pragma once
// A control: a component that draws itself into a window of its host and
// raises events. The host's site (OleControlSite) places it, shows it with a
// verb and ends it with close().

#include "platform/com/Dispatch.h"

namespace tk {
class Composite;
}  // namespace tk

namespace com {

// Verbs.
constexpr int OLEIVERB_PRIMARY = 0;
constexpr int OLEIVERB_SHOW = -1;
constexpr int OLEIVERB_OPEN = -2;
constexpr int OLEIVERB_HIDE = -3;
constexpr int OLEIVERB_UIACTIVATE = -4;
constexpr int OLEIVERB_INPLACEACTIVATE = -5;

// What the host offers a control placed in it; also where its events go.
class ClientSite : public EventSink {
public:
    ~ClientSite() override;
    // The composite the control draws into; it fills the host's frame.
    virtual tk::Composite* getControlWindow() = 0;
};

class OleControl : public virtual Dispatch {
public:
    ~OleControl() override;
    // Placed into a site; nullptr when it is taken out again.
    virtual void setClientSite(ClientSite* site) = 0;
    // OLEIVERB_SHOW, OLEIVERB_PRIMARY, OLEIVERB_INPLACEACTIVATE and
    // OLEIVERB_UIACTIVATE build the control in its site's window (once) and
    // show it; OLEIVERB_HIDE hides it. False for a verb it does not know or
    // without a site.
    virtual bool doVerb(int verb) = 0;
    // Ends the control: its widgets, hooks and threads go and no event
    // follows. The site calls it before it lets go of the control.
    virtual void close() = 0;
};

}  // namespace com
