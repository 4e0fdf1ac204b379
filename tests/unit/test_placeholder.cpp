#include <gtest/gtest.h>
#include "vrcolors.h"

TEST(Colours, NamedColoursAreBgr)
{
    EXPECT_EQ(toQColor(clTeal), QColor(0, 128, 128));
    EXPECT_EQ(toQColor(clAqua), QColor(0, 255, 255));
}
