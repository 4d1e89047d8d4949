// The component layer end to end: a real module registered into a
// temporary registry store, its control made by ProgID in a toolkit frame,
// called by dispatch name with named, positional and by-reference
// arguments, its events received by id; every way creation can fail.

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "platform/com/ComException.h"
#include "platform/com/Module.h"
#include "platform/com/OleAutomation.h"
#include "platform/com/OleControlSite.h"
#include "platform/com/Registration.h"
#include "platform/registry/Registry.h"
#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "tests/support/TempWorkDir.h"

namespace {

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? resolved : path;
}

com::ComError errorOf(const std::function<void()>& call, std::string* message = nullptr) {
    try {
        call();
    } catch (const com::ComException& e) {
        if (message) *message = e.what();
        return e.getError();
    }
    ADD_FAILURE() << "no ComException";
    return com::ComError::Exception;
}

std::string defaultText(const std::string& path) { return reg::getValue(reg::HKEY_CLASSES_ROOT, path, "").text; }

class ComLayer : public ::testing::Test {
protected:
    ComLayer() : display("headless"), driver(display) {
        ::setenv("RL_REGISTRY_DIR", work.file("registry").c_str(), 1);
        shell = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
        shell->setBounds(0, 0, 600, 200);
        frame = tk::make<tk::OleFrame>(shell, tk::NONE);
        frame->setBounds(10, 10, 300, 40);
        shell->open();
    }
    ~ComLayer() override {
        shell->dispose();
        ::unsetenv("RL_REGISTRY_DIR");
    }

    rltest::TempWorkDir work;
    tk::Display display;
    tk::TestDriver driver;
    std::shared_ptr<tk::Shell> shell;
    std::shared_ptr<tk::OleFrame> frame;
};

TEST_F(ComLayer, RegisteringWritesTheClassesRootAndUnregisteringRemovesIt) {
    com::registerModule(COM_TEST_MODULE);
    const std::string cls = "CLSID\\{6E2D1C0A-5B1F-4C3E-9A7D-2F8B1E4C6A01}";
    EXPECT_EQ(defaultText("ComTest.Counter\\CLSID"), "{6E2D1C0A-5B1F-4C3E-9A7D-2F8B1E4C6A01}");
    EXPECT_EQ(defaultText(cls + "\\ProgID"), "ComTest.Counter");
    EXPECT_EQ(defaultText(cls + "\\InprocServer32"), realPath(COM_TEST_MODULE));
    EXPECT_EQ(reg::getValue(reg::HKEY_CLASSES_ROOT, cls + "\\InprocServer32", "ThreadingModel").text, "Apartment");
    EXPECT_EQ(defaultText(cls + "\\TypeLib"), "{6E2D1C0A-5B1F-4C3E-9A7D-2F8B1E4C6A00}");
    EXPECT_TRUE(reg::exists(reg::HKEY_CLASSES_ROOT, cls + "\\Control"));
    EXPECT_FALSE(reg::exists(reg::HKEY_CLASSES_ROOT, "CLSID\\{6E2D1C0A-5B1F-4C3E-9A7D-2F8B1E4C6A02}\\Control"));
    EXPECT_EQ(defaultText("TypeLib\\{6E2D1C0A-5B1F-4C3E-9A7D-2F8B1E4C6A00}\\1.0"), "ComTest");
    EXPECT_EQ(defaultText("TypeLib\\{6E2D1C0A-5B1F-4C3E-9A7D-2F8B1E4C6A00}\\1.0\\0\\linux"), realPath(COM_TEST_MODULE));

    com::ClassLocation where = com::findClass("comtest.counter");  // names compare without case
    EXPECT_EQ(where.modulePath, realPath(COM_TEST_MODULE));

    // Another module's class under a ProgID of ours is left alone.
    com::ClassRegistration other;
    other.progId = "ComTest.Other";
    other.classId = "{00000000-0000-0000-0000-0000000000AA}";
    other.modulePath = "/nowhere/Other.so";
    com::registerClass(other);
    com::unregisterModule(COM_TEST_MODULE);
    EXPECT_FALSE(reg::exists(reg::HKEY_CLASSES_ROOT, "ComTest.Counter"));
    EXPECT_FALSE(reg::exists(reg::HKEY_CLASSES_ROOT, cls));
    EXPECT_FALSE(reg::exists(reg::HKEY_CLASSES_ROOT, "TypeLib\\{6E2D1C0A-5B1F-4C3E-9A7D-2F8B1E4C6A00}"));
    EXPECT_TRUE(reg::exists(reg::HKEY_CLASSES_ROOT, "ComTest.Other\\CLSID"));
    // Unregistering twice is no failure.
    com::unregisterModule(COM_TEST_MODULE);
}

TEST_F(ComLayer, AControlIsMadeByProgIdInAFrameAndCalledByName) {
    com::registerModule(COM_TEST_MODULE);
    com::OleControlSite site(frame.get(), tk::NONE, "ComTest.Counter");
    tk::Composite* window = site.getControlWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->getParent(), frame.get());
    EXPECT_EQ(window->getBounds(), (tk::Rectangle{0, 0, 300, 40}));
    EXPECT_TRUE(window->getChildren().empty());
    EXPECT_TRUE(site.doVerb(com::OLEIVERB_SHOW));
    ASSERT_EQ(window->getChildren().size(), 1u);
    auto* label = dynamic_cast<tk::Label*>(window->getChildren()[0]);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->getText(), "counter");
    EXPECT_FALSE(site.doVerb(42));
    frame->setSize(400, 30);
    EXPECT_EQ(window->getBounds(), (tk::Rectangle{0, 0, 400, 30}));

    com::OleAutomation automation(site);
    // Ids: the member's, then its parameters' positions.
    EXPECT_EQ(automation.getIDsOfNames({"Swap", "p_second", "P_FIRST"}), (std::vector<com::DispId>{0x60030002, 1, 0}));
    EXPECT_EQ(automation.invoke("Add", {{"p_amount", com::Variant(5)}}).getInt(), 5);
    EXPECT_EQ(automation.invoke(0x60030001, {com::Variant("7")}).getInt(), 12);  // positional, text converted
    EXPECT_EQ(automation.getProperty("m_count").getInt(), 12);
    automation.setProperty("m_label", com::Variant("renamed"));
    EXPECT_EQ(label->getText(), "renamed");

    // Texts passed by reference are written back, whichever order the names come in.
    std::string first = "left";
    std::string second = "right";
    automation.invoke("Swap", {{"p_second", com::Variant::byRef(second)}, {"p_first", com::Variant::byRef(first)}});
    EXPECT_EQ(first, "right");
    EXPECT_EQ(second, "left");
    bool flag = false;
    std::string yes = "TRUE";
    automation.invoke("Swap", {{"p_first", com::Variant::byRef(flag)}, {"p_second", com::Variant::byRef(yes)}});
    EXPECT_TRUE(flag);
    EXPECT_EQ(yes, "false");
}

TEST_F(ComLayer, CallsThatCannotBeMadeFailClearly) {
    com::registerModule(COM_TEST_MODULE);
    com::OleControlSite site(frame.get(), tk::NONE, "ComTest.Counter");
    com::OleAutomation automation(site);
    std::string message;
    EXPECT_EQ(errorOf([&] { automation.invoke("Subtract"); }, &message), com::ComError::UnknownName);
    EXPECT_NE(message.find("Subtract"), std::string::npos);
    EXPECT_EQ(errorOf(
                  [&] {
                      automation.invoke("Add", {{"p_amont", com::Variant(1)}});
                  },
                  &message),
              com::ComError::UnknownName);
    EXPECT_NE(message.find("p_amont"), std::string::npos);
    EXPECT_EQ(errorOf([&] { automation.invoke("Add"); }, &message), com::ComError::BadParamCount);
    EXPECT_NE(message.find("p_amount is missing"), std::string::npos);
    EXPECT_EQ(errorOf([&] {
                  automation.invoke(0x60030001, {com::Variant(1), com::Variant(2)});
              }),
              com::ComError::BadParamCount);
    EXPECT_EQ(errorOf([&] { automation.invoke(0x60030001, {com::Variant(1)}, {3}); }), com::ComError::ParamNotFound);
    EXPECT_EQ(errorOf([&] { automation.invoke(0x6003FFFF); }), com::ComError::MemberNotFound);
    EXPECT_EQ(errorOf([&] { automation.invoke(0x40030001); }), com::ComError::MemberNotFound);       // a property
    EXPECT_EQ(errorOf([&] { automation.getProperty(0x60030001); }), com::ComError::MemberNotFound);  // a method
    EXPECT_EQ(errorOf([&] { automation.setProperty("m_count", com::Variant("twelve")); }), com::ComError::TypeMismatch);
    EXPECT_EQ(errorOf([&] { automation.setProperty("m_count", com::Variant("99999999999")); }),
              com::ComError::Overflow);
    EXPECT_EQ(errorOf(
                  [&] {
                      automation.invoke("Fail", {{"p_reason", com::Variant("disk full")}});
                  },
                  &message),
              com::ComError::Exception);
    EXPECT_EQ(message, "Fail failed: disk full");
    // The control is still usable after its failures.
    EXPECT_EQ(automation.invoke("Add", {{"p_amount", com::Variant(1)}}).getInt(), 1);
}

TEST_F(ComLayer, EventsArriveByIdWithTheirArgumentsByReference) {
    com::registerModule(COM_TEST_MODULE);
    com::OleControlSite site(frame.get(), tk::NONE, "ComTest.Counter");
    site.doVerb(com::OLEIVERB_SHOW);
    com::OleAutomation automation(site);
    automation.invoke("Add", {{"p_amount", com::Variant(3)}});

    std::vector<std::string> seen;
    int other = 0;
    int first = site.addEventListener(1, [&](com::OleEvent& e) {
        ASSERT_EQ(e.arguments.size(), 2u);
        EXPECT_EQ(e.type, 1);
        EXPECT_TRUE(e.arguments[0].isByRef());
        seen.push_back(e.arguments[0].getString() + "/" + e.arguments[1].getString());
        e.arguments[0].set(com::Variant("written by the host"));
    });
    site.addEventListener(2, [&](com::OleEvent&) { ++other; });
    site.addEventListener(1, [&](com::OleEvent& e) { seen.push_back("second:" + e.arguments[0].getString()); });
    automation.invoke("RaiseChanged");
    EXPECT_EQ(seen, (std::vector<std::string>{"counter/3", "second:written by the host"}));
    EXPECT_EQ(other, 0);
    EXPECT_EQ(automation.getProperty("m_label").getString(), "written by the host");

    site.removeEventListener(1, first);
    seen.clear();
    automation.invoke("RaiseChanged");
    EXPECT_EQ(seen, (std::vector<std::string>{"second:written by the host"}));
}

TEST_F(ComLayer, CreationFailuresAreClearAndLeaveNothingBehind) {
    std::string message;
    EXPECT_EQ(errorOf([&] { com::OleControlSite site(frame.get(), tk::NONE, "Nobody.Registered"); }, &message),
              com::ComError::ClassNotRegistered);
    EXPECT_NE(message.find("Class not registered: Nobody.Registered"), std::string::npos) << message;

    com::ClassRegistration missing;
    missing.progId = "ComTest.Missing";
    missing.classId = "{00000000-0000-0000-0000-0000000000BB}";
    missing.modulePath = work.file("gone/Missing.so");
    com::registerClass(missing);
    EXPECT_EQ(errorOf([&] { com::OleControlSite site(frame.get(), tk::NONE, "ComTest.Missing"); }, &message),
              com::ComError::ModuleNotLoaded);
    EXPECT_NE(message.find(work.file("gone/Missing.so")), std::string::npos) << message;

    EXPECT_EQ(errorOf([&] { com::registerModule(COM_ENTRYLESS_MODULE); }, &message), com::ComError::EntryPointMissing);
    EXPECT_NE(message.find("ComCanUnloadNow"), std::string::npos) << message;
    EXPECT_EQ(errorOf([&] { com::registerModule(COM_UNRESOLVED_MODULE); }, &message), com::ComError::ModuleNotLoaded);
    EXPECT_NE(message.find("rl_function_nobody_defines"), std::string::npos) << message;
    EXPECT_EQ(errorOf([&] { com::registerModule(work.file("nothing.so")); }), com::ComError::ModuleNotLoaded);
    rltest::writeFile(work.file("text.so"), "not a shared object");
    EXPECT_EQ(errorOf([&] { com::registerModule(work.file("text.so")); }), com::ComError::ModuleNotLoaded);

    // A class the module does not offer, and an object that is no control.
    com::registerModule(COM_TEST_MODULE);
    com::ClassRegistration foreign;
    foreign.progId = "ComTest.Foreign";
    foreign.classId = "{00000000-0000-0000-0000-0000000000CC}";
    foreign.modulePath = COM_TEST_MODULE;
    com::registerClass(foreign);
    EXPECT_EQ(errorOf([&] { com::OleControlSite site(frame.get(), tk::NONE, "ComTest.Foreign"); }),
              com::ComError::ClassNotAvailable);
    EXPECT_EQ(errorOf([&] { com::OleControlSite site(frame.get(), tk::NONE, "ComTest.Plain"); }),
              com::ComError::NotAControl);
    EXPECT_TRUE(frame->getChildren().empty());
    // The plain object still answers by name outside a frame.
    com::OleAutomation plain(com::createObject("ComTest.Plain"));
    EXPECT_EQ(plain.invoke("Ping").getString(), "pong");
}

TEST_F(ComLayer, DisposingTheSiteOrItsFrameEndsTheControl) {
    com::registerModule(COM_TEST_MODULE);
    {
        com::OleControlSite site(frame.get(), tk::NONE, "ComTest.Counter");
        site.doVerb(com::OLEIVERB_SHOW);
        com::OleAutomation automation(site);
        int events = 0;
        site.addEventListener(1, [&](com::OleEvent&) { ++events; });
        site.dispose();
        EXPECT_TRUE(site.isDisposed());
        EXPECT_TRUE(frame->getChildren().empty());
        EXPECT_EQ(errorOf([&] { automation.invoke("RaiseChanged"); }), com::ComError::Disposed);
        EXPECT_EQ(errorOf([&] { site.doVerb(com::OLEIVERB_SHOW); }), com::ComError::Disposed);
        EXPECT_EQ(events, 0);
    }
    com::OleControlSite site(frame.get(), tk::NONE, "ComTest.Counter");
    site.doVerb(com::OLEIVERB_SHOW);
    frame->dispose();
    EXPECT_TRUE(site.isDisposed());
}

TEST_F(ComLayer, AModuleIsUnloadedOnlyWhenAskedAndNothingOfItLives) {
    com::registerModule(COM_TEST_MODULE);
    {
        com::OleControlSite site(frame.get(), tk::NONE, "ComTest.Counter");
        EXPECT_EQ(com::freeUnusedLibraries(), 0);
        EXPECT_TRUE(com::isModuleLoaded(COM_TEST_MODULE));
    }
    // The last object went, but only the explicit call unloads.
    EXPECT_TRUE(com::isModuleLoaded(COM_TEST_MODULE));
    EXPECT_EQ(com::freeUnusedLibraries(), 1);
    EXPECT_FALSE(com::isModuleLoaded(COM_TEST_MODULE));
    // Loaded again on the next creation.
    com::OleControlSite again(frame.get(), tk::NONE, "ComTest.Counter");
    EXPECT_TRUE(again.doVerb(com::OLEIVERB_SHOW));
}

TEST(ComVariant, ConversionsAndReferences) {
    EXPECT_EQ(com::Variant().getString(), "");
    EXPECT_EQ(com::Variant(true).getString(), "true");
    EXPECT_EQ(com::Variant(" -12 ").getInt(), -12);
    EXPECT_EQ(com::Variant(true).getInt(), -1);
    EXPECT_EQ(com::Variant("FALSE").getBoolean(), false);
    EXPECT_EQ(com::Variant(int16_t{7}).getType(), com::VarType::Short);
    EXPECT_EQ(errorOf([] { com::Variant("40000").getShort(); }), com::ComError::Overflow);
    EXPECT_EQ(errorOf([] { com::Variant("1.5").getInt(); }), com::ComError::TypeMismatch);
    EXPECT_EQ(errorOf([] { com::Variant("yes").getBoolean(); }), com::ComError::TypeMismatch);

    std::string text = "a";
    com::Variant ref = com::Variant::byRef(text);
    EXPECT_EQ(ref.getType(), com::VarType::String);
    ref.set(com::Variant(42));
    EXPECT_EQ(text, "42");
    com::Variant holder("x");
    com::Variant toHolder = com::Variant::byRef(holder);
    toHolder.set(com::Variant(false));
    EXPECT_EQ(holder.getType(), com::VarType::Bool);
    EXPECT_EQ(com::describe(ref), "&\"42\"");
    EXPECT_TRUE(com::Variant("42") == ref);
}

}  // namespace
