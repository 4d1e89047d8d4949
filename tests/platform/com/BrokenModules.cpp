// Two files that are not usable modules, each built on its own: without
// COM_UNRESOLVED it offers one entry point of four; with it, it calls a
// function that no program defines, so it cannot be loaded at all.

#include "platform/com/ClassObject.h"

#ifdef COM_UNRESOLVED
extern "C" int rl_function_nobody_defines();
extern "C" com::ClassObject* ComGetClassObject(const char*) { return nullptr; }
extern "C" int ComCanUnloadNow() { return rl_function_nobody_defines(); }
extern "C" int ComRegisterServer() { return 0; }
extern "C" int ComUnregisterServer() { return 0; }
#else
extern "C" com::ClassObject* ComGetClassObject(const char*) { return nullptr; }
#endif
