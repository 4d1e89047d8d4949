// upgrade-probe: a program that runs the portal's upgrade cycle the way the
// portal does, for tests that need the process to end as a user's would.
//
//   upgrade-probe ANSWER [APP_TYPE [twice|throw]]
//
// ANSWER is the user's answer to the question box: "yes" or "no"; "twice"
// runs a second cycle after the first, "throw" makes the application's
// clean-up fail. It runs
// in the working folder with the headless toolkit, logs to "probe.log",
// writes every box shown to "dialogs.txt" (title, message and style, a line
// each)
// and "cleaned-up.mark" when the application's clean-up runs. When the
// cycle comes back instead of ending the process it writes
// "returned.mark" and ends with status 3.

#include <fstream>
#include <stdexcept>
#include <string>

#include "foundation/Logger.h"
#include "foundation/Thread.h"
#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/ICleanable.h"
#include "tracker/ui/Upgrader.h"

namespace {

tk::TestDriver* driver = nullptr;

// One line per text: line ends written as "\r" and "\n".
std::string oneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

void writeDialogs() {
    std::ofstream out("dialogs.txt", std::ios::trunc);
    for (const auto& shown : driver->shownDialogs()) {
        out << oneLine(shown.title) << "\n" << oneLine(shown.message) << "\n" << shown.style << "\n";
    }
}

class ProbeApp : public tracker::ui::ICleanable {
public:
    explicit ProbeApp(bool fails) : m_fails(fails) {}
    void cleanUp() override {
        foundation::Logger::info("Probe clean-up");
        writeDialogs();
        std::ofstream("cleaned-up.mark") << "cleaned up\n";
        if (m_fails) throw std::runtime_error("the probe's clean-up failed");
    }

private:
    bool m_fails;
};

}  // namespace

int main(int argc, char** argv) {
    std::string answer = argc > 1 ? argv[1] : "";
    int appType = argc > 2 ? std::stoi(argv[2]) : 0;
    bool twice = argc > 3 && std::string(argv[3]) == "twice";
    bool fails = argc > 3 && std::string(argv[3]) == "throw";

    foundation::Logger::setLogFilePath("probe.log");
    foundation::Logger::setLevel(foundation::Logger::LEVEL_VERBOSE);
    tracker::ui::BaseRLApp::setAppType(appType);

    tk::Display display("headless");
    tk::TestDriver testDriver(display);
    driver = &testDriver;
    if (answer == "yes") {
        testDriver.answerButton(tk::YES);
        // The error box, should one come.
        testDriver.answerButton(tk::OK);
    } else if (answer == "no") {
        testDriver.answerButton(tk::NO);
    }

    ProbeApp app(fails);
    tracker::ui::Upgrader::createForPortal(&app, "probe-guid")->go();
    if (twice) tracker::ui::Upgrader::createForPortal(&app, "probe-guid")->go();

    writeDialogs();
    std::ofstream("returned.mark") << "returned\n";
    foundation::Logger::close();
    return foundation::Thread::endProcess(3);
}
