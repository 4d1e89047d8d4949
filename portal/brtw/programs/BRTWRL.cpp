// BRTWRL: the Brightwire edition of the tracker, in the newspaper's window.
// Runs in its install folder (the folder of its own file, whatever folder
// it was started from), which holds its pages, settings, history, log and
// result pages. Arguments are ignored.

#include <string>
#include <vector>

#include "foundation/TempFiles.h"
#include "foundation/Thread.h"
#include "platform/system/ProgramFolder.h"
#include "platform/toolkit/qt/QtBackend.h"
#include "portal/brtw/RLBRTW.h"
#include "tracker/ui/Upgrader.h"

int main(int argc, char** argv) {
    if (sys::enterProgramFolder().empty()) return 1;
    // Writes of an earlier run that was killed, in the folders the edition
    // writes into: the install folder (the tracker's pages and history),
    // the headline list and the upgrade's table of versions.
    foundation::TempFiles::removeStale(".", {"brtw", tracker::ui::Upgrader::DOWNLOAD_DIRECTORY});
    tk::qt::registerBackend();
    const int status = portal::RLBRTW::main(std::vector<std::string>(argv + 1, argv + argc));
    // Every thread still running is stopped and joined before the process
    // ends.
    return foundation::Thread::endProcess(status);
}
