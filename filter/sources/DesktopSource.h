#pragma once
// The desktop input: a capture thread of its own copies the whole current monitor with GDI at the stream's frame
// period, at the monitor's size of the moment, and fits it into a ready-made frame with the frame scaler; the
// stream copies the newest one.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "filter/FrameScaler.h"
#include "filter/framework/CritSec.h"
#include "filter/settings/FilterSettings.h"
#include "filter/sources/FrameInput.h"
#include "filter/sources/Workers.h"

class DesktopInput : public FrameInput {
public:
    explicit DesktopInput(const MonitorRecord& monitor) : monitor_(monitor) {}
    ~DesktopInput() override { Stop(); }

    HRESULT Start(int width, int height) override;
    // S_OK with the newest capture, S_FALSE before the first one.
    HRESULT Fill(uint8_t* frame, size_t size) override;
    void Stop() override;

    // The monitor the next capture copies.
    void SetMonitor(const MonitorRecord& monitor);
    MonitorRecord Monitor();
    // Captures made since the start, for tests.
    long Captures();

private:
    void Capture(HANDLE stop);

    CCritSec lock_;  // the fields below
    MonitorRecord monitor_;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> ready_;
    long captures_ = 0;
    FrameScaler scaler_;  // the capture thread only
    WorkerThread capture_;
};

// One capture of monitor at its current size fitted into a width x height frame; black when the monitor is gone
// or cannot be copied. False only when the frame cannot be made (no memory, no canvas).
bool CaptureMonitorFrame(const MonitorRecord& monitor, int width, int height, FrameScaler& scaler,
                         std::vector<uint8_t>& frame);

// Resolves index against MonitorList() (the primary monitor for an index outside the list), stores the position
// taken as the current DesktopIndex and gives its monitor in selected. -1 (nothing changed) with an empty list.
int32_t SelectDesktopMonitor(int32_t index, MonitorRecord* selected);
