#include <gtest/gtest.h>

#include "settings/text.h"

TEST(Text, CutToFolder) {
    char path[64] = "C:\\shell\\plugins\\qvperuser.dll";
    cutToFolder(path);
    EXPECT_STREQ("C:\\shell\\plugins\\", path);
}
