#pragma once
// The mouse rules of the skinned buttons and links, free of any window: which state a record takes for a mouse
// message, and when a release is a click.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace MyBitmapBtn {

enum SkinState : int32_t { Normal = 0, Pressed = 1, Hover = 2 };

struct SkinRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// Left and top edges inside, right and bottom edges outside (the system's rule); an empty rectangle holds nothing.
bool Contains(const SkinRect& rect, int32_t x, int32_t y);

enum class MouseMessage { Move, LeftDown, LeftUp };

struct SkinStep {
    SkinState state;
    bool changed;  // the record must be repainted
    bool click;    // the record's command is posted
};

// One record's answer to one message; `leftHeld` (the left button down at that moment) matters for moves only.
SkinStep StepSkin(SkinState state, MouseMessage message, bool inside, bool leftHeld);

// What a collection does for one message, record by record in registration order.
struct SkinEffect {
    std::size_t record;
    bool click;  // after the repaint of the record, its command is posted
};
std::vector<SkinEffect> ApplyMouse(std::vector<SkinState>& states, const std::vector<SkinRect>& rects,
                                   MouseMessage message, int32_t x, int32_t y, bool leftHeld);

// A placeholder control's rectangle in the dialog's drawing coordinates, from the screen rectangles of the
// dialog, of the control and of the dialog's title bar: the title bar's distance from the window's top edge is
// taken as the frame's thickness on the left too.
SkinRect ControlRectInDialog(const SkinRect& dialog, const SkinRect& control, const SkinRect& titleBar);

}  // namespace MyBitmapBtn
