#pragma once
// The outer window of an edition that wraps the tracker window: it is told
// when retrievals start and end, may keep navigations of its own inside the
// tracker's browser, places the tracker panel and its Users and Accounts
// dialog, and cleans up before the process ends (cleanUp of ICleanable).
// The wrapper outlives the tracker window; the window holds it without
// owning it.

#include <memory>
#include <string>

#include "platform/toolkit/Types.h"
#include "tracker/ui/ICleanable.h"

namespace tk {
class Shell;
}  // namespace tk

namespace tracker::ui {

class BaseRLApp;
class SetupDialog;

class IWrapper : public ICleanable {
public:
    // A retrieval starts: the wrapper refreshes its own content.
    virtual void updateContent() = 0;
    // True lets the navigation through untouched (the wrapper's own script
    // or ad frames inside the tracker's browser).
    virtual bool shouldStopHandlingNavigation(const std::string& url) = 0;
    // Before the navigator program starts.
    virtual void removeOfflineParamFromURLAndBrowseTo() = 0;
    // Before a single-account retrieval starts.
    virtual void navigateWrapperBrowserToCancel() = 0;
    // A retrieval ended.
    virtual void navigateWrapperBrowserToBalances() = 0;
    // Added to the y position whenever the tracker window is placed.
    virtual int getTitleBarHeightDiff() = 0;
    // Where the tracker panel sits inside the wrapper, and the size the
    // wrapper wants for it in the given shell.
    virtual int getRoamledgerRelativeY() = 0;
    virtual int getRoamledgerRelativeX() = 0;
    virtual tk::Point getRoamledgerPreferredSize(tk::Shell* shell) = 0;
    // The Users and Accounts dialog to show instead of the default one.
    virtual std::shared_ptr<SetupDialog> createSetupDialog(tk::Shell* shell, BaseRLApp* window) = 0;
};

}  // namespace tracker::ui
