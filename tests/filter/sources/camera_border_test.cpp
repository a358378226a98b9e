#include "filter/sources/CameraBorder.h"

#include <gtest/gtest.h>

TEST(CameraBorder, SwitchingOffAndOnRestoresTheSameBorder)
{
    CameraBorder border;
    border.Arm(true, L"C:\\b\\frame.png");
    EXPECT_EQ(border.Active(), L"C:\\b\\frame.png");
    border.SetEnabled(false);
    EXPECT_EQ(border.Active(), L"");
    border.SetEnabled(true);
    EXPECT_EQ(border.Active(), L"C:\\b\\frame.png");
}

TEST(CameraBorder, ArmingWithBordersOffHoldsTheFileAndNextStartFollowsTheSettingsAgain)
{
    CameraBorder border;
    border.Arm(false, L"a.png");
    EXPECT_EQ(border.Active(), L"");
    EXPECT_EQ(border.Held(), L"a.png");

    border.Assign(L"b.png");
    EXPECT_EQ(border.Active(), L"b.png") << "a chosen border shows at once, even with borders off";

    border.Disarm();
    border.Arm(false, L"b.png");
    EXPECT_EQ(border.Active(), L"") << "gone again after the next start";
}

TEST(CameraBorder, SwitchingOffTwiceStillRestoresTheBorder)
{
    CameraBorder border;
    border.Arm(true, L"a.png");
    border.SetEnabled(false);
    border.SetEnabled(false);
    border.SetEnabled(true);
    EXPECT_EQ(border.Active(), L"a.png");

    border.Disarm();
    border.SetEnabled(false);
    border.SetEnabled(true);
    EXPECT_EQ(border.Active(), L"a.png") << "a stopped camera input keeps the held border";
}
