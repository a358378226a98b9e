#include "app/Placement.h"

#include <gtest/gtest.h>

namespace {

TEST(Placement, CentredEdge)
{
    const struct {
        const char* what;
        int32_t refLow, refHigh, size, boundLow, boundHigh, expected;
    } rows[] = {
        {"centred in the work area", 0, 1000, 200, 0, 1000, 400},
        {"centred over an owner", 300, 500, 100, 0, 1000, 350},
        {"owner near the right edge: moved back inside", 850, 1000, 300, 0, 1000, 700},
        {"owner near the left edge: set to the left bound", 0, 100, 300, 0, 1000, 0},
        {"larger than the work area: starts at its left edge", 0, 800, 1000, 0, 800, 0},
        {"work area not at the origin", 1920, 3840, 600, 1920, 3840, 2580},
        {"monitor left of the primary", -1280, 0, 400, -1280, 0, -840},
        {"odd sizes round as integers", 0, 101, 51, 0, 101, 25},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CentredEdge(row.refLow, row.refHigh, row.size, row.boundLow, row.boundHigh), row.expected)
            << row.what;
}

TEST(Placement, CentredOriginFollowsTheOwnerOnlyWhenItIsShown)
{
    const Box window{0, 0, 300, 200}, owner{1000, 100, 1600, 500}, ownerWork{0, 0, 1920, 1040},
        selfWork{-1280, 0, 0, 1000};
    const struct {
        const char* what;
        bool ownerShown;
        Box window;
        Origin expected;
    } rows[] = {
        {"over a shown owner", true, window, {1150, 200}},
        {"owner hidden, minimised or missing: the window's own work area", false, window, {-790, 400}},
        {"larger than the owner's work area", true, Box{0, 0, 2000, 1200}, {0, 0}},
    };
    for (const auto& row : rows) {
        const Origin o = CentredOrigin(row.window, row.ownerShown, owner, ownerWork, selfWork);
        EXPECT_EQ(o.x, row.expected.x) << row.what;
        EXPECT_EQ(o.y, row.expected.y) << row.what;
    }
}

TEST(Placement, RotItemNameIsZeroPaddedLowerCaseHex)
{
    const struct {
        uint32_t graph, pid;
        const wchar_t* expected;
    } rows[] = {
        {0x0012ABCDu, 0x20u, L"FilterGraph 0012abcd pid 00000020"},
        {0u, 0u, L"FilterGraph 00000000 pid 00000000"},
        {0xFFFFFFFFu, 0xDEADBEEFu, L"FilterGraph ffffffff pid deadbeef"},
    };
    for (const auto& row : rows) {
        const std::wstring name = RotItemName(row.graph, row.pid);
        EXPECT_EQ(name, row.expected);
        EXPECT_EQ(name.size(), 33u);
    }
}

}  // namespace
