#include "support/plugin_fixture.h"

TEST(PluginInfo, Basic) { EXPECT_STREQ("QVPeruser 0.0.3", pluginInfo(0)); }

TEST_F(PluginTest, StartsAndStops) {
    writeFile(watchedPath(), "hello\r\nworld\r\n");
    writeSettings("qvperuser.filePath: " + watchedPath() + "\r\n");
    ASSERT_EQ(0, start());
    ASSERT_TRUE(IsWindow(state.viewerWnd));
    char text[100] = "";
    GetWindowTextA(state.paneWnd, text, sizeof text);
    EXPECT_STREQ("hello\r\nworld\r\n", text);
    stop();
    EXPECT_FALSE(IsWindow(state.viewerWnd));
}
