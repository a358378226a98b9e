#pragma once
// Process-wide switching of the inputs, shared by every filter object of the module and by the tray menu.
// Lock order: the caller may hold the filter's state lock; these take the source lock, then at most one input
// lock at a time.
#include <cstdint>

// Under the source lock: with `reload`, loads the settings (and starts the tray when the process has none);
// then starts the input selected by GlobalType. A camera or video input that fails to start is stopped again.
void StartActiveSource(bool reload);
// Under the source lock: with `closeTray`, ends the tray (a filter object is being destroyed); then stops every
// input: desktop capture clock reset, video stopped, slideshow frames dropped, camera stopped.
void StopAllSources(bool closeTray);
// The switch used by every change of mode, camera or video file: reconfiguring flag raised, all inputs stopped,
// the selected one started, flag lowered.
void RestartActiveSource();

// How many times StartActiveSource has run in this process (tests see restarts through it).
long ActiveSourceStarts();

// The camera-on flag of the tray menu: 1 when the module is loaded, set by choosing the camera mode.
int32_t CameraOnFlag();
void SetCameraOnFlag(int32_t on);
