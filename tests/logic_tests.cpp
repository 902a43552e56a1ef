#include <gtest/gtest.h>

#include "settings/settings.h"
#include "settings/state.h"
#include "settings/text.h"
#include "support/test_files.h"

TEST(Text, CutToFolder) {
    char path[64] = "C:\\shell\\plugins\\qvperuser.dll";
    cutToFolder(path);
    EXPECT_STREQ("C:\\shell\\plugins\\", path);
}

// A module name cut to the buffer must not name a folder above the plugin's.
TEST(Text, PluginFolderIsUnknownWhenTheModuleNameDoesNotFit) {
    state.hInstance = GetModuleHandleA(NULL);
    char folder[MAX_PATH];
    ASSERT_TRUE(getPluginFolder(folder, sizeof folder));
    EXPECT_EQ(programFolder(), folder);
    EXPECT_FALSE(getPluginFolder(folder, (int)programFolder().size()));
    EXPECT_STREQ("", folder);
}
