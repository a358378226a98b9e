#include "app/skin/SkinRules.h"

namespace MyBitmapBtn {

bool Contains(const SkinRect& rect, int32_t x, int32_t y)
{
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

SkinStep StepSkin(SkinState state, MouseMessage message, bool inside, bool leftHeld)
{
    SkinState next = state;
    bool click = false;
    switch (message) {
    case MouseMessage::LeftDown:
        if (inside && state != Pressed) next = Pressed;
        else if (!inside && state == Pressed) next = Normal;
        break;
    case MouseMessage::LeftUp:
        if (inside && state != Normal) {
            next = Normal;
            click = true;
        } else if (!inside && state == Pressed) {
            next = Normal;
        }
        break;
    case MouseMessage::Move: {
        // A record left in the other non-normal state keeps it until a move with the button as it was then.
        const SkinState target = leftHeld ? Pressed : Hover;
        if (inside && state != target) next = target;
        else if (!inside && state == target) next = Normal;
        break;
    }
    }
    return SkinStep{next, next != state, click};
}

std::vector<SkinEffect> ApplyMouse(std::vector<SkinState>& states, const std::vector<SkinRect>& rects,
                                   MouseMessage message, int32_t x, int32_t y, bool leftHeld)
{
    std::vector<SkinEffect> effects;
    for (std::size_t i = 0; i < states.size() && i < rects.size(); ++i) {
        const SkinStep step = StepSkin(states[i], message, Contains(rects[i], x, y), leftHeld);
        states[i] = step.state;
        if (step.changed) effects.push_back(SkinEffect{i, step.click});
    }
    return effects;
}

SkinRect ControlRectInDialog(const SkinRect& dialog, const SkinRect& control, const SkinRect& titleBar)
{
    const int32_t dx = dialog.left + (titleBar.top - dialog.top);
    const int32_t dy = titleBar.bottom;
    return SkinRect{control.left - dx, control.top - dy, control.right - dx, control.bottom - dy};
}

}  // namespace MyBitmapBtn
