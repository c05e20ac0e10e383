// The source row, source pane and queue pane tests share one fixture in one test
// executable, so it is instantiated once, here: every pane test runs light and dark.
#include "PaneTestSupport.h"

using namespace panetest;

INSTANTIATE_TEST_SUITE_P(Appearance, PaneTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });
