#pragma once
// Process creation from an argument vector: never through a shell. A child
// started for reading gets /dev/null (or the given input) as input and
// pipes for its output and error streams; a separate child runs in its own
// session with /dev/null as all three streams and is reaped by nobody but
// the system. This process ignores SIGPIPE once it starts children;
// children get the default.

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace sys {

// Words of one command string: blanks separate them, runs of blanks count
// as one, and nothing is quoted.
std::vector<std::string> splitCommandLine(const std::string& command);

void ignoreSigpipe();

struct Child {
    pid_t pid = -1;
    int outFd = -1;  // read end of the child's standard output
    int errFd = -1;  // read end of the child's standard error
};

// Starts argv[0] (searched on PATH when it holds no "/") with the arguments.
// Throws std::system_error ("Cannot run program ...") when it cannot be
// started, including when the program does not exist. The caller owns the
// two descriptors and must wait for the child (or reap it in the background).
Child startWithPipes(const std::vector<std::string>& argv);
// The same with input on the child's standard input, which ends after it:
// a way to hand a child secrets that its argument list would show to every
// user. The input is written before this returns, so it must fit the
// pipe's buffer (64 KiB) unless the child reads it; a child that ends
// without reading it loses it.
Child startWithPipes(const std::vector<std::string>& argv, std::string_view input);

// Waits for the child; its exit value, or 128 + the signal that ended it.
int waitForExit(pid_t pid);

// Reaps the child if it has ended; true when it has (or when it is no
// child of ours). Never blocks.
bool reapIfEnded(pid_t pid);

// Starts a separate process and returns at once; throws as startWithPipes.
void startDetached(const std::vector<std::string>& argv);

}  // namespace sys
