// Lanternbay: the portal. Started with no argument it counts as started at
// logon (the start-up override marker then stops it); with any argument as
// started by hand. It runs in its install folder (the folder of its own
// file, whatever folder it was started from), which holds its content
// pages, logs and pictures.

#include <string>
#include <vector>

#include "foundation/QuietEnd.h"
#include "foundation/TempFiles.h"
#include "foundation/Thread.h"
#include "platform/system/ProgramFolder.h"
#include "platform/toolkit/qt/QtBackend.h"
#include "portal/LBApp.h"
#include "tracker/ui/Upgrader.h"

int main(int argc, char** argv) {
    if (sys::enterProgramFolder().empty()) return 1;
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Writes of an earlier run that was killed, in the folders the portal
    // writes into: the install folder (the tracker's pages and history,
    // page dumps), its content pages, the panel's preferences and the
    // upgrade's table of versions.
    foundation::TempFiles::removeStale(".", {"content", "content/js", tracker::ui::Upgrader::DOWNLOAD_DIRECTORY});
    tk::qt::registerBackend();
    // A session's end or Ctrl+C ends the portal as its Exit does, quietly.
    foundation::QuietEnd::installSignalHandlers();
    const int status = portal::LBApp::main(args);
    // Every thread still running (a launch report on its way) is stopped
    // and joined before the process ends.
    return foundation::Thread::endProcess(status);
}
