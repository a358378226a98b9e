#pragma once
// The process's inputs, shared by every filter object of the module and by the tray menu. One input is active at
// a time. A switch builds and starts the new input outside every lock the streaming thread takes, swaps it in
// under a short lock and stops the old one, on the calling thread (a host's or the tray's, never the streaming
// thread); the stream meanwhile goes on with the old input, then repeats its last frame until the new one has a
// frame.
// Lock order: the filter's state lock, the filter objects' lock (attach and detach only), the switch lock, the
// active-input lock (held only to copy or swap the pointer), an input's own lock, the settings' own lock.
#include <cstdint>
#include <memory>
#include <vector>

class FrameInput;
class CameraInput;

// Filter objects of one process share the running inputs. The first to attach loads the settings, starts the
// tray and the stored input; later ones join what runs (no reload, no restart). The last to detach ends the tray
// and stops the inputs.
void AttachFilterObject();
void DetachFilterObject();
long AttachedFilterObjects();

// Starts the input selected by the current GlobalType (none for another value) in place of the active one; a
// camera turned on beside another mode is stopped, or taken over when it is the camera to show.
void SwitchToSelectedInput();
// Stops every input; none is active afterwards.
void StopAllInputs();
// How many switches have run in this process (tests see restarts through it).
long ActiveSourceStarts();

// The size the inputs render: 640 x 480 until a stream connects at an HD size. A stream that connects at a size
// of another render size makes it the render size (the running input starts again at it); streams of other sizes
// scale the frames they get.
struct RenderSize {
    int width;
    int height;
};
RenderSize InputRenderSize();
void UseRenderSize(RenderSize size);

// The active input, or null. Holding it keeps it alive, not running: a switch may stop it at any time.
std::shared_ptr<FrameInput> ActiveInput();
template <class T>
std::shared_ptr<T> ActiveInputAs()
{
    return std::dynamic_pointer_cast<T>(ActiveInput());
}
// The camera inputs that exist: the active one and one turned on beside another mode.
std::vector<std::shared_ptr<CameraInput>> CameraInputs();

// The tray's camera commands. On: a camera input is started (shown when the mode is Camera, running beside the
// mode otherwise); off: every camera input stops (in Camera mode the "no camera" picture shows). Neither changes
// the mode or the registry.
void TurnCameraOn();
void TurnCameraOff();
// 1 while a camera input runs, 0 otherwise: what the tray's entry offers to change.
int32_t CameraOnFlag();
