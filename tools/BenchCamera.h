#pragma once
// Measures the registered virtual camera as a host sees it: frames per second that a graph without a reference
// clock pulls from it in each input mode, the time from binding the device to its first sample, and the rate and
// processor time of the camera paced by a graph's clock.
#include <string>
#include <vector>

struct CameraModeRun {
    std::string mode;
    int width = 640;
    int height = 480;
    double framesPerSecond = 0;
    double firstSampleMs = 0;
    bool delivered = false;
};

// The camera in a graph with its clock, delivering to a sink that takes every sample at once.
struct CameraPacedRun {
    std::string mode;
    int width = 640;
    int height = 480;
    double formatRate = 0;       // frames per second of the format set (AvgTimePerFrame)
    double framesPerSecond = 0;  // received
    double processorShare = 0;   // this process's processor time over the wall time of the measurement
    bool delivered = false;
};

struct CameraBenchResults {
    std::vector<CameraModeRun> modes;
    std::vector<CameraPacedRun> paced;
};

struct CameraBenchInputs {
    std::wstring module;    // Veltrane.ax, registered for the run
    std::wstring pictures;  // folder for pictures mode
    std::wstring camera;    // friendly name of a (test) camera for camera mode, may be empty
    std::wstring hdCamera;  // a 1920 x 1080 (test) camera for camera mode at that size, may be empty
    std::wstring video;     // clip for video mode, may be empty
};

// Runs every mode for about two seconds each (pictures mode also at 1920 x 1080), then the pictures mode paced at
// 10 and at 30 frames per second and the pictures, camera and video modes at 1920 x 1080 and 30 frames per second,
// for about three seconds each. The user's saved camera settings are put back afterwards. Nothing when the module
// cannot be registered.
CameraBenchResults MeasureRegisteredCamera(const CameraBenchInputs& inputs);
