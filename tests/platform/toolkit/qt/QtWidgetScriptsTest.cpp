// The widget scripts that the headless backend runs, on real Qt windows.

#include "tests/platform/toolkit/WidgetScripts.h"
#include "tests/platform/toolkit/qt/QtTestSupport.h"

namespace {

class QtWidgetScripts : public ::testing::TestWithParam<rltest::widgetscripts::Script> {};

TEST_P(QtWidgetScripts, OnRealWindows) {
    RL_REQUIRE_DISPLAY();
    tk::Display display("qt");
    ASSERT_TRUE(tk::qt::isQt(display));
    GetParam().second(display);
}

INSTANTIATE_TEST_SUITE_P(All, QtWidgetScripts, ::testing::ValuesIn(rltest::widgetscripts::allScripts()),
                         [](const auto& info) { return std::string(info.param.first); });

}  // namespace
