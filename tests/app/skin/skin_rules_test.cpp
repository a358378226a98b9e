#include "app/skin/SkinRules.h"

#include <gtest/gtest.h>

namespace {

using namespace MyBitmapBtn;
using M = MouseMessage;

struct StepRow {
    const char* what;
    SkinState from;
    M message;
    bool inside;
    bool held;
    SkinState to;
    bool click;
};

const StepRow kSteps[] = {
    {"press inside a normal record", Normal, M::LeftDown, true, true, Pressed, false},
    {"press inside a hovered record", Hover, M::LeftDown, true, true, Pressed, false},
    {"press inside a pressed record", Pressed, M::LeftDown, true, true, Pressed, false},
    {"press outside a pressed record", Pressed, M::LeftDown, false, true, Normal, false},
    {"press outside keeps hover", Hover, M::LeftDown, false, true, Hover, false},
    {"press outside a normal record", Normal, M::LeftDown, false, true, Normal, false},
    {"release inside a pressed record clicks", Pressed, M::LeftUp, true, false, Normal, true},
    {"release inside a hovered record clicks", Hover, M::LeftUp, true, false, Normal, true},
    {"release inside a normal record", Normal, M::LeftUp, true, false, Normal, false},
    {"release outside a pressed record", Pressed, M::LeftUp, false, false, Normal, false},
    {"release outside keeps hover", Hover, M::LeftUp, false, false, Hover, false},
    {"move in, button up", Normal, M::Move, true, false, Hover, false},
    {"move in, button held", Normal, M::Move, true, true, Pressed, false},
    {"move over pressed, button up", Pressed, M::Move, true, false, Hover, false},
    {"move over hovered, button held", Hover, M::Move, true, true, Pressed, false},
    {"move over hovered, button up", Hover, M::Move, true, false, Hover, false},
    {"move out of hovered, button up", Hover, M::Move, false, false, Normal, false},
    {"move out of pressed, button held", Pressed, M::Move, false, true, Normal, false},
    {"hover kept while held outside", Hover, M::Move, false, true, Hover, false},
    {"pressed kept when moved out with button up", Pressed, M::Move, false, false, Pressed, false},
    {"move outside a normal record", Normal, M::Move, false, true, Normal, false},
};

TEST(SkinRules, EveryStateAnswersEveryMessage)
{
    for (const StepRow& row : kSteps) {
        const SkinStep step = StepSkin(row.from, row.message, row.inside, row.held);
        EXPECT_EQ(step.state, row.to) << row.what;
        EXPECT_EQ(step.click, row.click) << row.what;
        EXPECT_EQ(step.changed, row.from != row.to) << row.what;
    }
}

TEST(SkinRules, ContainsIncludesLeftAndTopEdgesOnly)
{
    const SkinRect r{10, 20, 30, 40};
    const struct {
        int x, y;
        bool inside;
    } points[] = {{10, 20, true}, {29, 39, true}, {30, 20, false}, {10, 40, false}, {9, 25, false}, {15, 19, false}};
    for (const auto& p : points) EXPECT_EQ(Contains(r, p.x, p.y), p.inside) << p.x << "," << p.y;
    // A button whose normal image is missing has no size and can never be hit.
    EXPECT_FALSE(Contains(SkinRect{10, 20, 10, 20}, 10, 20));
}

struct Event {
    M message;
    int x, y;
    bool held;
};

// Runs events over the records and lists the clicked records, in order.
std::vector<size_t> Clicks(std::vector<SkinState>& states, const std::vector<SkinRect>& rects,
                           const std::vector<Event>& events)
{
    std::vector<size_t> clicked;
    for (const Event& e : events)
        for (const SkinEffect& effect : ApplyMouse(states, rects, e.message, e.x, e.y, e.held))
            if (effect.click) clicked.push_back(effect.record);
    return clicked;
}

TEST(SkinRules, SequencesOfMessagesOverACollection)
{
    const std::vector<SkinRect> apart{{0, 0, 10, 10}, {20, 0, 30, 10}};
    const std::vector<SkinRect> overlapping{{0, 0, 10, 10}, {5, 0, 15, 10}};
    const struct {
        const char* what;
        const std::vector<SkinRect>* rects;
        std::vector<Event> events;
        std::vector<size_t> clicks;
        std::vector<SkinState> end;
    } rows[] = {
        {"plain click", &apart, {{M::Move, 2, 2, false}, {M::LeftDown, 2, 2, true}, {M::LeftUp, 2, 2, false}},
         {0}, {Normal, Normal}},
        {"press outside, move in held, release", &apart,
         {{M::LeftDown, 50, 50, true}, {M::Move, 22, 2, true}, {M::LeftUp, 22, 2, false}}, {1}, {Normal, Normal}},
        {"press on one, release on the other", &apart,
         {{M::LeftDown, 2, 2, true}, {M::Move, 22, 2, true}, {M::LeftUp, 22, 2, false}}, {1}, {Normal, Normal}},
        {"hover kept while held, until a move with the button up", &apart,
         {{M::Move, 2, 2, false}, {M::Move, 50, 2, true}}, {}, {Hover, Normal}},
        {"hover dropped by the next free move", &apart,
         {{M::Move, 2, 2, false}, {M::Move, 50, 2, true}, {M::Move, 50, 2, false}}, {}, {Normal, Normal}},
        {"release over a hovered record without a press", &apart, {{M::Move, 2, 2, false}, {M::LeftUp, 2, 2, false}},
         {0}, {Normal, Normal}},
        {"overlapping records change together and both click in order", &overlapping,
         {{M::Move, 7, 2, false}, {M::LeftDown, 7, 2, true}, {M::LeftUp, 7, 2, false}}, {0, 1}, {Normal, Normal}},
        {"overlap: only the record under the point", &overlapping,
         {{M::LeftDown, 12, 2, true}, {M::LeftUp, 12, 2, false}}, {1}, {Normal, Normal}},
        {"double click counted as a move with the button held presses again", &apart,
         {{M::LeftDown, 2, 2, true}, {M::LeftUp, 2, 2, false}, {M::Move, 2, 2, true}, {M::LeftUp, 2, 2, false}},
         {0, 0}, {Normal, Normal}},
        {"press that leaves the record drops it", &apart, {{M::LeftDown, 2, 2, true}, {M::Move, 50, 2, true},
                                                        {M::LeftUp, 50, 2, false}}, {}, {Normal, Normal}},
    };
    for (const auto& row : rows) {
        std::vector<SkinState> states(row.rects->size(), Normal);
        EXPECT_EQ(Clicks(states, *row.rects, row.events), row.clicks) << row.what;
        EXPECT_EQ(states, row.end) << row.what;
    }
}

TEST(SkinRules, OnlyChangedRecordsAreRepainted)
{
    std::vector<SkinState> states{Hover, Normal};
    const std::vector<SkinRect> rects{{0, 0, 10, 10}, {20, 0, 30, 10}};
    const auto effects = ApplyMouse(states, rects, M::Move, 2, 2, false);
    EXPECT_TRUE(effects.empty());
    const auto moved = ApplyMouse(states, rects, M::Move, 22, 2, false);
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_EQ(moved[0].record, 0u);
    EXPECT_EQ(moved[1].record, 1u);
}

TEST(SkinRules, ControlRectInDialog)
{
    const struct {
        const char* what;
        SkinRect dialog, control, title, expected;
    } rows[] = {
        // Frame 3 px on every side, title bar 3..22 (screen), control at client (10, 4).
        {"captioned dialog", {100, 200, 700, 645}, {113, 226, 188, 249}, {103, 203, 697, 222}, {10, 4, 85, 27}},
        {"dialog at the screen's origin", {0, 0, 300, 200}, {20, 40, 70, 60}, {4, 4, 296, 27}, {16, 13, 66, 33}},
        {"dialog left of the primary monitor", {-800, -50, -200, 400}, {-780, -20, -700, 0}, {-797, -47, -203, -28},
         {17, 8, 97, 28}},
    };
    for (const auto& row : rows) {
        const SkinRect r = ControlRectInDialog(row.dialog, row.control, row.title);
        EXPECT_EQ(r.left, row.expected.left) << row.what;
        EXPECT_EQ(r.top, row.expected.top) << row.what;
        EXPECT_EQ(r.right, row.expected.right) << row.what;
        EXPECT_EQ(r.bottom, row.expected.bottom) << row.what;
    }
}

}  // namespace
