#pragma once
// An end of the program that nobody watches at the screen: Ctrl+C, a
// termination signal, or the end of the user's session (logind stops the
// session with SIGTERM followed at once by SIGHUP; the window system's
// session manager reaches the programs as SIGTERM too, see the Qt backend).
//
// A signal only marks the request. Each program's window looks at it every
// CHECK_MS, also from inside the loop of a box that is open, and runs its
// clean-up. Where the user-interface thread waits on the network instead
// (the upgrade client, the panel's requests), the wait looks at it too and
// gives up within a second. From the request on, a box of that clean-up
// would wait for a click that never comes: the boxes of the tracker are
// logged instead of shown (SWTUtil), and the program ends with status 0.

namespace foundation {

class QuietEnd {
public:
    QuietEnd() = delete;

    // How often a program's window looks at the request.
    static constexpr int CHECK_MS = 200;

    // The program's handlers for SIGINT, SIGTERM and SIGHUP; a hang-up that
    // was ignored when the program started (nohup) stays ignored.
    static void installSignalHandlers();
    // Whether the handlers were installed: only then does a window watch.
    static bool isWatched();

    // A signal asked the program to end.
    static bool isRequested();
};

}  // namespace foundation
