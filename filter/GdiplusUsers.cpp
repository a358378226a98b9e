#include "filter/GdiplusUsers.h"

#include "filter/framework/CritSec.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace {

struct GdiplusState {
    CCritSec lock;
    long users = 0;
    ULONG_PTR token = 0;
};

GdiplusState& State()
{
    static GdiplusState state;
    return state;
}

}  // namespace

bool AcquireGdiplus()
{
    GdiplusState& state = State();
    CAutoLock lock(&state.lock);
    if (state.users == 0) {
        Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread and codecs on
        if (Gdiplus::GdiplusStartup(&state.token, &input, nullptr) != Gdiplus::Ok) {
            state.token = 0;
            return false;
        }
    }
    ++state.users;
    return true;
}

void ReleaseGdiplus()
{
    GdiplusState& state = State();
    CAutoLock lock(&state.lock);
    if (state.users <= 0) return;
    if (--state.users == 0) {
        Gdiplus::GdiplusShutdown(state.token);
        state.token = 0;
    }
}

long GdiplusUserCount()
{
    GdiplusState& state = State();
    CAutoLock lock(&state.lock);
    return state.users;
}
