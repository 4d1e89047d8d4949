#pragma once
// Automation objects of a server program that runs in its own process and
// outlives the program that started it: the visible browser. The program
// starts the server with "--automation <socket path>", the server connects
// to that socket in a folder only this user can enter, says "ready" (or
// "failed" with its reason) and then answers calls on its objects and
// reports its events.
//
// Calls wait for their answer; events arrive on the connection's event
// thread. When the server goes away without saying "OnQuit" (it crashed
// or was killed), the connection raises "OnQuit" itself, so that nobody
// waits for a browser that is gone. Releasing the last object of a
// connection closes it; the server keeps its window.

#include <string>

#include "platform/automation/Automation.h"

namespace automation {

// A factory for registerServer that starts `executable`. The server must
// be ready within startTimeoutMs.
ServerFactory remoteServer(const std::string& progId, const std::string& executable, int startTimeoutMs = 60000);

}  // namespace automation
