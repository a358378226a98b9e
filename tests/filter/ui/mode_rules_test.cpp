// The window-free rules of the mode dialogs.
#include "filter/ui/ModeRules.h"

#include <gtest/gtest.h>

namespace {

TEST(ModeRules, LabelsAndChangeTime)
{
    EXPECT_EQ(PathLabel(L"File: ", L""), L"File: none");
    EXPECT_EQ(PathLabel(L"Directory: ", L"D:"), L"Directory: none");
    EXPECT_EQ(PathLabel(L"Directory: ", L"D:\\"), L"Directory: D:\\");

    struct Case {
        const wchar_t* text;
        int32_t milliseconds;
    };
    for (const Case& c : {Case{L"", 0}, Case{L"0", 0}, Case{L"250", 250000}, Case{L"12ab", 12000},
                          Case{L"-5", 0}, Case{L" 7", 0}, Case{L"2147483", 2147483000},
                          Case{L"2147484", 2147483647}, Case{L"999999999", 2147483647}})
        EXPECT_EQ(ChangedTimeFromText(c.text), c.milliseconds) << c.text;
}

TEST(ModeRules, MonitorNamesAndBorderArrows)
{
    EXPECT_EQ(MonitorDisplayName("\\\\.\\DISPLAY1"), "DISPLAY1");
    EXPECT_EQ(MonitorDisplayName("\\\\.\\"), "\\\\.\\");
    EXPECT_EQ(MonitorDisplayName("ab"), "ab");
    EXPECT_EQ(MonitorDisplayName(""), "");

    struct Case {
        int index, count;
        bool afterPrevious, afterNext, shownPrevious, shownNext;
    };
    for (const Case& c : {Case{0, 3, false, true, false, true}, Case{1, 3, true, true, true, true},
                          Case{2, 3, true, false, true, false}, Case{-1, 3, true, true, true, true},
                          Case{-1, 0, true, false, true, false}, Case{0, 1, false, false, false, false}}) {
        const BorderArrows after = ArrowsAfterSelection(c.index, c.count);
        const BorderArrows shown = ArrowsWhenBorderShown(c.index, c.count);
        EXPECT_EQ(after.previous, c.afterPrevious) << c.index << "/" << c.count;
        EXPECT_EQ(after.next, c.afterNext) << c.index << "/" << c.count;
        EXPECT_EQ(shown.previous, c.shownPrevious) << c.index << "/" << c.count;
        EXPECT_EQ(shown.next, c.shownNext) << c.index << "/" << c.count;
    }
}

}  // namespace
