#pragma once
// The desktop input: one per process, guarded by the desktop lock. Copies the whole current monitor with GDI at
// most once every 40 ms, fits it into the frame with GDI+ (which the caller keeps started) and keeps the result as
// a ready-made frame that every call of the producer copies into the sample.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "filter/framework/CritSec.h"
#include "filter/settings/FilterSettings.h"

CCritSec& DesktopLock();

// Makes monitor the current one for width x height frames; the next frame takes a fresh capture. The frame kept
// from an earlier start stays until that capture replaces it.
void StartDesktopSource(const MonitorRecord& monitor, int width, int height);

// Selects the monitor at index of MonitorList(), or the primary monitor for an index outside the list; stores the
// position taken as the current DesktopIndex and makes that monitor the current one (seen by the next capture).
// With an empty list nothing changes and -1 is returned; otherwise the position taken.
int32_t SelectDesktopMonitor(int32_t index);

// Frame producer of the desktop input: S_OK with the kept frame copied into data, or S_FALSE (nothing written)
// when no monitor was started or selected, or size is not width * height * 3 of the start.
HRESULT FillDesktopFrame(BYTE* data, size_t size);

// The next frame takes a fresh capture (all inputs were stopped).
void ResetDesktopCaptureClock();

// The millisecond clock of the capture pacing: GetTickCount unless replaced (tests, tools); null restores it.
using DesktopTickSource = uint32_t (*)();
void SetDesktopTickSource(DesktopTickSource tick);

// The current monitor, if any.
std::optional<MonitorRecord> CurrentDesktopMonitor();

// Back to the state before any start: no monitor, no kept frame, clock reset (tests and tools).
void ForgetDesktopSource();
