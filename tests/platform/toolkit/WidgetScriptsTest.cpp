// Every widget script on the headless backend.

#include "tests/platform/toolkit/WidgetScripts.h"

namespace {

class WidgetScripts : public ::testing::TestWithParam<rltest::widgetscripts::Script> {};

TEST_P(WidgetScripts, Headless) {
    tk::Display display("headless");
    GetParam().second(display);
}

INSTANTIATE_TEST_SUITE_P(All, WidgetScripts, ::testing::ValuesIn(rltest::widgetscripts::allScripts()),
                         [](const auto& info) { return std::string(info.param.first); });

}  // namespace
