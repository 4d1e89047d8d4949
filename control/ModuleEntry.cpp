// The entry points of the module Tiraleaf.so: its one creatable class,
// "Tiraleaf.PopupMenu", and its registration in the registry store.

#include <exception>
#include <memory>
#include <string>

#include "control/Keyboardhandler.h"
#include "control/PopupMenu.h"
#include "platform/com/ClassObject.h"
#include "platform/com/Registration.h"

namespace {

class PopupMenuClass : public com::ClassObject {
public:
    std::shared_ptr<com::Dispatch> createInstance() override { return std::make_shared<tiraleaf::PopupMenu>(); }
};

PopupMenuClass g_popupMenuClass;

com::ClassRegistration registration() {
    com::ClassRegistration r;
    r.progId = tiraleaf::PopupMenu::PROG_ID;
    r.classId = tiraleaf::PopupMenu::CLASS_ID;
    r.description = "PopupMenu";
    r.modulePath = com::modulePathOf(reinterpret_cast<const void*>(&g_popupMenuClass));
    r.typeLibId = tiraleaf::PopupMenu::TYPE_LIBRARY_ID;
    r.typeLibName = "Tiraleaf";
    r.threadingModel = "Apartment";
    r.control = true;
    return r;
}

template <class F>
int guarded(F&& body) {
    try {
        body();
        return 0;
    } catch (const std::exception& failure) {
        com::setLastError(failure.what());
    } catch (...) {
        com::setLastError("unknown failure");
    }
    return 1;
}

}  // namespace

extern "C" com::ClassObject* ComGetClassObject(const char* classId) {
    if (classId != nullptr && std::string(classId) == tiraleaf::PopupMenu::CLASS_ID) return &g_popupMenuClass;
    return nullptr;
}

// Once a control was made, the program's toolkit keeps references made by
// the module's code (its widgets' and pictures' bookkeeping) that can
// outlive the control, so the module stays loaded from then on.
extern "C" int ComCanUnloadNow() {
    return tiraleaf::PopupMenu::MadeCount() == 0 && !tiraleaf::Keyboardhandler::IsHooked() ? 1 : 0;
}

extern "C" int ComRegisterServer() {
    return guarded([] { com::registerClass(registration()); });
}

extern "C" int ComUnregisterServer() {
    return guarded([] { com::unregisterClass(registration()); });
}
