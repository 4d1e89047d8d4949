#pragma once
// What a module offers: class objects that make its components, and the four
// C entry points by which the layer finds them, asks whether the module may
// be unloaded, and has it register or unregister itself.
//
// In a module:
//     extern "C" com::ClassObject* ComGetClassObject(const char* classId);
//     extern "C" int ComCanUnloadNow();      // 1 when no object of it lives
//     extern "C" int ComRegisterServer();    // 0, or a failure told through
//     extern "C" int ComUnregisterServer();  //   com::setLastError
//
// A module resolves the layer's own functions (and everything else it
// calls of the program's libraries) from the program that loads it: it is
// linked without them, and the host exports them (see rl_com_host in the
// layer's CMakeLists.txt).

#include <memory>
#include <string>

#include "platform/com/Dispatch.h"

namespace com {

class ClassObject {
public:
    virtual ~ClassObject();
    // A new object of the class; failures are ComExceptions.
    virtual std::shared_ptr<Dispatch> createInstance() = 0;
};

inline constexpr const char* ENTRY_GET_CLASS_OBJECT = "ComGetClassObject";
inline constexpr const char* ENTRY_CAN_UNLOAD_NOW = "ComCanUnloadNow";
inline constexpr const char* ENTRY_REGISTER_SERVER = "ComRegisterServer";
inline constexpr const char* ENTRY_UNREGISTER_SERVER = "ComUnregisterServer";

using GetClassObjectEntry = ClassObject* (*)(const char* classId);
using CanUnloadNowEntry = int (*)();
using RegisterServerEntry = int (*)();
using UnregisterServerEntry = int (*)();

// The reason of the last failed entry call of this thread.
void setLastError(const std::string& reason);
std::string getLastError();

}  // namespace com
