#pragma once
// Starting other programs. Programs are started from argument vectors,
// never through a shell; a single command string is split at blanks.
// Arguments never reach the log: they can hold user names and passwords.

#include <string>
#include <vector>

namespace foundation {

class ProcessUtil {
public:
    // Starts the command (split at blanks) as a separate process with
    // /dev/null as its standard streams and returns at once. A failure to
    // start reaches the caller (std::system_error).
    static void spawnSeparateProcess(const std::string& command);
    // The same from the program and its arguments, each passed as it is.
    static void spawnSeparateProcess(const std::vector<std::string>& command);

    // Starts the command (split at blanks) with each argument passed whole,
    // drains its output and error streams on two threads and, when waitFor
    // is set, waits for it. Answers the exit value, 0 when not waiting, -1
    // when it could not be started; never throws.
    static int launchProcess(const std::string& command, const std::vector<std::string>& arguments, bool waitFor);
    // The same with input handed to the program on its standard input, for
    // what must not show in the process list (passwords).
    static int launchProcess(const std::string& command, const std::vector<std::string>& arguments, bool waitFor,
                             const std::string& input);

    // The command line as one text: the command, then one blank and each
    // argument (for the record only; nothing is started from it).
    static std::string commandLine(const std::string& command, const std::vector<std::string>& arguments);

private:
    static int launch(const std::string& command, const std::vector<std::string>& arguments, bool waitFor,
                      const std::string* input);
};

}  // namespace foundation
