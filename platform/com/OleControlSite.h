#pragma once
// The host's side of a control: created in a toolkit frame for a ProgID, it
// makes the control, gives it a window that fills the frame, shows it with a
// verb and hands its events to the listeners registered by event id.
//
//     auto frame = tk::make<tk::OleFrame>(shell, tk::NONE);
//     com::OleControlSite site(frame.get(), tk::NONE, "Tiraleaf.PopupMenu");
//     site.addEventListener(1, [](com::OleEvent& e) { open(e.arguments[0].getString()); });
//     site.doVerb(com::OLEIVERB_SHOW);
//     com::OleAutomation automation(site);
//     automation.invoke("InitMenu", {{"p_rootDir", com::Variant(root)}});
//
// The site ends the control when it is disposed, destroyed, or when its
// frame is disposed. Only the frame's thread may use it.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/OleControl.h"

namespace tk {
class Composite;
class OleFrame;
}  // namespace tk

namespace com {

struct OleEvent {
    DispId type = 0;
    // As the control raised them; a text passed by reference can be read
    // and written through its variant.
    std::vector<Variant> arguments;
};

using OleListener = std::function<void(OleEvent&)>;

class OleControlSite : private ClientSite {
public:
    // ComException when the control cannot be made: ClassNotRegistered,
    // ModuleNotLoaded, EntryPointMissing, ClassNotAvailable, NotAControl.
    // Nothing is left in the frame then.
    OleControlSite(tk::OleFrame* frame, int style, const std::string& progId);
    ~OleControlSite() override;
    OleControlSite(const OleControlSite&) = delete;
    OleControlSite& operator=(const OleControlSite&) = delete;

    // True when the control took the verb.
    bool doVerb(int verb);
    // Returns an id for removeEventListener. Several listeners of one event
    // run in the order they were added.
    int addEventListener(DispId eventId, OleListener listener);
    void removeEventListener(DispId eventId, int listenerId);

    // The control; nullptr once disposed.
    std::shared_ptr<Dispatch> getDispatch() const { return m_object; }
    const std::string& getProgId() const { return m_progId; }
    // The composite the control draws into.
    tk::Composite* getControlWindow() override;

    void dispose();
    bool isDisposed() const { return m_object == nullptr; }

private:
    void onEvent(DispId event, std::vector<Variant>& args) override;

    std::string m_progId;
    tk::OleFrame* m_frame;
    std::shared_ptr<tk::Composite> m_window;
    std::shared_ptr<Dispatch> m_object;
    OleControl* m_control = nullptr;
    int m_frameResize = 0;
    int m_frameDispose = 0;
    int m_nextListener = 1;
    std::map<DispId, std::vector<std::pair<int, OleListener>>> m_listeners;
};

}  // namespace com
