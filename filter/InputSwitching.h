#pragma once
// Process-wide switching of the inputs, shared by every filter object of the module and by the tray menu.
// Lock order: the filter's state lock, the filter objects' lock (attach and detach only), the source lock, at
// most one input lock, the settings' own lock.
#include <cstdint>

// Filter objects of one process share the running inputs. The first to attach loads the settings, starts the
// tray and the stored input; later ones join what runs (no reload, no restart). The last to detach stops the
// inputs and ends the tray.
void AttachFilterObject();
void DetachFilterObject();
long AttachedFilterObjects();

// Under the source lock: with `reload`, loads the settings (and starts the tray when the process has none);
// then starts the input selected by GlobalType. A camera or video input that fails to start is stopped again.
void StartActiveSource(bool reload);
// With `closeTray`, ends the tray first, outside the source lock (a tray command may be waiting for that lock);
// then, under the source lock, stops every input: desktop capture clock reset, video stopped, slideshow frames
// dropped, camera stopped.
void StopAllSources(bool closeTray);
// The switch used by every change of mode, camera or video file: reconfiguring flag raised, all inputs stopped,
// the selected one started, flag lowered. A caller that stores a new mode raises the flag before storing it.
void RestartActiveSource();

// How many times StartActiveSource has run in this process (tests see restarts through it).
long ActiveSourceStarts();

// The camera-on flag of the tray menu: 1 when the module is loaded, set by choosing the camera mode.
int32_t CameraOnFlag();
void SetCameraOnFlag(int32_t on);
