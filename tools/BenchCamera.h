#pragma once
// Measures the registered virtual camera as a host sees it: frames per second that a graph without a reference
// clock pulls from it in each input mode, and the time from binding the device to its first sample.
#include <string>
#include <vector>

struct CameraModeRun {
    std::string mode;
    double framesPerSecond = 0;
    double firstSampleMs = 0;
    bool delivered = false;
};

struct CameraBenchInputs {
    std::wstring module;    // Veltrane.ax, registered for the run
    std::wstring pictures;  // folder for pictures mode
    std::wstring camera;    // friendly name of a (test) camera for camera mode, may be empty
    std::wstring video;     // clip for video mode, may be empty
};

// Runs every mode for about two seconds each. The user's saved camera settings are put back afterwards.
std::vector<CameraModeRun> MeasureRegisteredCamera(const CameraBenchInputs& inputs);
