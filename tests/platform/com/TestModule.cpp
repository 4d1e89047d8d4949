// A module for the component layer's tests: "ComTest.Counter", a control
// with properties, methods (one of them failing, one swapping texts passed
// by reference) and an event, and "ComTest.Plain", an object that is no
// control. Everything of the layer and the toolkit comes from the test
// program that loads it.

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/com/ClassObject.h"
#include "platform/com/DispatchObject.h"
#include "platform/com/OleControl.h"
#include "platform/com/Registration.h"
#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Label.h"

namespace {

std::atomic<int> g_objects{0};

constexpr const char* COUNTER_CLSID = "{6E2D1C0A-5B1F-4C3E-9A7D-2F8B1E4C6A01}";
constexpr const char* PLAIN_CLSID = "{6E2D1C0A-5B1F-4C3E-9A7D-2F8B1E4C6A02}";
constexpr const char* TYPELIB = "{6E2D1C0A-5B1F-4C3E-9A7D-2F8B1E4C6A00}";

class Counter : public com::DispatchObject, public com::OleControl {
public:
    Counter() {
        ++g_objects;
        defineProperty(
            "m_count", 0x40030001, [this] { return com::Variant(m_count); },
            [this](const com::Variant& v) { m_count = v.getInt(); });
        defineProperty(
            "m_label", 0x40030002, [this] { return com::Variant(m_label); },
            [this](const com::Variant& v) {
                m_label = v.getString();
                if (m_text && !m_text->isDisposed()) m_text->setText(m_label);
            });
        defineMethod("Add", 0x60030001, {"p_amount"}, [this](com::Arguments& a) {
            m_count += a.getInt(0);
            return com::Variant(m_count);
        });
        defineMethod("Swap", 0x60030002, {"p_first", "p_second"}, [](com::Arguments& a) {
            com::Variant first = a[0].value();
            a[0].set(a[1]);
            a[1].set(first);
            return com::Variant();
        });
        defineMethod("Fail", 0x60030003, {"p_reason"},
                     [](com::Arguments& a) -> com::Variant { throw std::runtime_error(a.getString(0)); });
        defineMethod("RaiseChanged", 0x60030004, {}, [this](com::Arguments&) {
            if (m_site) {
                std::vector<com::Variant> args{com::Variant::byRef(m_label), com::Variant(m_count)};
                m_site->onEvent(1, args);
            }
            return com::Variant();
        });
    }
    ~Counter() override { --g_objects; }

    void setClientSite(com::ClientSite* site) override { m_site = site; }

    bool doVerb(int verb) override {
        if (!m_site) return false;
        if (verb == com::OLEIVERB_HIDE) {
            if (m_text) m_text->setVisible(false);
            return true;
        }
        if (verb != com::OLEIVERB_SHOW && verb != com::OLEIVERB_PRIMARY && verb != com::OLEIVERB_INPLACEACTIVATE &&
            verb != com::OLEIVERB_UIACTIVATE) {
            return false;
        }
        if (!m_text) {
            m_text = tk::make<tk::Label>(m_site->getControlWindow(), tk::NONE);
            m_text->setBounds(0, 0, 100, 20);
            m_text->setText(m_label);
        }
        m_text->setVisible(true);
        return true;
    }

    void close() override {
        if (m_text && !m_text->isDisposed() && !m_text->isBeingDisposed()) m_text->dispose();
        m_text.reset();
        m_site = nullptr;
    }

private:
    com::ClientSite* m_site = nullptr;
    std::shared_ptr<tk::Label> m_text;
    int32_t m_count = 0;
    std::string m_label = "counter";
};

class Plain : public com::DispatchObject {
public:
    Plain() {
        ++g_objects;
        defineMethod("Ping", 0x60030001, {}, [](com::Arguments&) { return com::Variant("pong"); });
    }
    ~Plain() override { --g_objects; }
};

template <class T>
class Factory : public com::ClassObject {
public:
    std::shared_ptr<com::Dispatch> createInstance() override { return std::make_shared<T>(); }
};

Factory<Counter> g_counterFactory;
Factory<Plain> g_plainFactory;

com::ClassRegistration registrationOf(const char* progId, const char* classId, bool control) {
    com::ClassRegistration r;
    r.progId = progId;
    r.classId = classId;
    r.description = progId;
    r.modulePath = com::modulePathOf(reinterpret_cast<const void*>(&g_objects));
    r.typeLibId = TYPELIB;
    r.typeLibName = "ComTest";
    r.control = control;
    return r;
}

}  // namespace

extern "C" com::ClassObject* ComGetClassObject(const char* classId) {
    std::string id = classId ? classId : "";
    if (id == COUNTER_CLSID) return &g_counterFactory;
    if (id == PLAIN_CLSID) return &g_plainFactory;
    return nullptr;
}

// Its label never takes the focus, so the toolkit keeps nothing of it once
// the control is gone.
extern "C" int ComCanUnloadNow() { return g_objects.load() == 0 ? 1 : 0; }

extern "C" int ComRegisterServer() {
    try {
        com::registerClass(registrationOf("ComTest.Counter", COUNTER_CLSID, true));
        com::registerClass(registrationOf("ComTest.Plain", PLAIN_CLSID, false));
        return 0;
    } catch (const std::exception& failure) {
        com::setLastError(failure.what());
        return 1;
    }
}

extern "C" int ComUnregisterServer() {
    try {
        com::unregisterClass(registrationOf("ComTest.Counter", COUNTER_CLSID, true));
        com::unregisterClass(registrationOf("ComTest.Plain", PLAIN_CLSID, false));
        return 0;
    } catch (const std::exception& failure) {
        com::setLastError(failure.what());
        return 1;
    }
}
