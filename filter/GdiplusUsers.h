#pragma once
// GDI+ kept started while any filter object lives: one GdiplusStartup when the count of users leaves 0, the
// matching GdiplusShutdown when it returns to 0.

// Adds a user; false (and no user added) when GDI+ could not be started.
bool AcquireGdiplus();
// Drops a user added by a successful AcquireGdiplus.
void ReleaseGdiplus();
long GdiplusUserCount();
