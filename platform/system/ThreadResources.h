#pragma once
// What a layer keeps per thread (the web client's connections and their TLS
// state) and its process-wide set-up, made known to the program's threads
// without the threads knowing the layer. A layer registers itself from its
// own code, so a program that does not link the layer carries none of it.
// The thread registry sets every registered layer up before it arms its
// exit-time safety net (exit handlers run in reverse order), and each
// thread gives its share back before it counts as ended.

namespace sys {

struct ThreadResource {
    void (*setUp)();             // process-wide, before the first thread
    void (*releaseForThread)();  // the calling thread's share
};

// Called from a static initializer of the layer; answers true.
bool registerThreadResource(ThreadResource resource);
void setUpThreadResources();
void releaseThreadResources();

// A layer whose library runs threads of its own until the process ends,
// which nobody joins (the browser engine's compositor and the like), says so
// once they may exist, with what the library must still do before the
// process ends (the browser engine writes what its profile keeps), or
// nullptr. The process then ends without its exit-time clean-up: static
// destructors that run under such a thread crash it. The program's end runs
// each library's last step (runLastSteps); a process that leaves by exit()
// instead ends in an exit handler, with the status exit() was given, after
// the thread registry's safety net (setExitSafetyNet). Every call arms that
// handler again, so that it runs before the exit-time clean-up registered
// until then.
void markUnjoinedThreads(void (*lastStep)() = nullptr);
bool hasUnjoinedThreads();
// Each library's last step, once; by the thread that ends the process.
void runLastSteps();
// The thread registry's exit-time safety net: it stops and joins the
// program's threads and, when a library's threads run, ends the process
// with the status.
void setExitSafetyNet(void (*safetyNet)(int status));

}  // namespace sys
