#pragma once
// Creation of automation objects by ProgID. A program registers the servers
// it can start (the browser server process, or in tests the in-memory
// browser); createObject starts one and hands back its object.

#include <functional>
#include <string>

#include "platform/automation/Dispatch.h"

namespace automation {

using ServerFactory = std::function<DispatchPtr()>;

// Registers (or replaces) the server of a ProgID.
void registerServer(const std::string& progId, ServerFactory factory);
void unregisterServer(const std::string& progId);

// A new object of the ProgID; AutomationException when no server is
// registered for it or the server cannot start.
DispatchPtr createObject(const std::string& progId);

// Waits for every thread this layer has started and that is ending (an
// object released on its own event thread leaves its thread here), at most
// timeoutMs in all; true when all have ended. Programs call it before they
// return from main, tests at their end.
bool shutdown(int timeoutMs = 10000);

}  // namespace automation
