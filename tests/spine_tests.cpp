#include <gtest/gtest.h>

#include "plugin/plugin.h"

TEST(PluginInfo, Basic) { EXPECT_STREQ("QVPeruser 0.0.3", pluginInfo(0)); }
