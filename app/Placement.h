#pragma once
// Window-free arithmetic of the application: where a centred dialog goes, and the name under which the preview
// graph is listed in the running object table.
#include <cstdint>
#include <string>

// The left (or top) edge of a window `size` long centred on [refLow, refHigh), kept inside [boundLow, boundHigh):
// moved back to end at boundHigh when it sticks out there, and to start at boundLow when it lies before it (so a
// window larger than the bounds starts at boundLow).
int32_t CentredEdge(int32_t refLow, int32_t refHigh, int32_t size, int32_t boundLow, int32_t boundHigh);

struct Box {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct Origin {
    int32_t x = 0;
    int32_t y = 0;
};

// Where a centred window's top-left corner goes: over `owner` within `ownerWork` (the work area of the monitor
// nearest to the owner) when the owner is shown; otherwise (no owner, or one hidden or minimised) in `selfWork`,
// the work area of the monitor nearest to the window itself.
Origin CentredOrigin(const Box& window, bool ownerShown, const Box& owner, const Box& ownerWork, const Box& selfWork);

// "FilterGraph %08x pid %08x": both numbers as eight lower-case hexadecimal digits, so the name always has the
// same length. Graph inspection tools list the graphs of the running object table by this name.
std::wstring RotItemName(uint32_t graphAddress, uint32_t processId);
