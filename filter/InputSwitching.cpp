#include "filter/InputSwitching.h"

#include "filter/FrameDispatch.h"
#include "filter/framework/CritSec.h"
#include "filter/settings/SettingsStore.h"
#include "filter/sources/CameraSource.h"
#include "filter/sources/DesktopSource.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/PicturesSource.h"
#include "filter/sources/VideoSource.h"
#include "filter/ui/Tray.h"

#include <atomic>
#include <new>
#include <utility>

namespace {

struct Inputs {
    CCritSec switchLock;  // serialises switches and the camera commands; never taken by the streaming thread
    CCritSec activeLock;  // held only to copy or swap `active`
    std::shared_ptr<FrameInput> active;
    int32_t activeMode = 0;                  // under switchLock
    std::shared_ptr<CameraInput> sideCamera;  // under switchLock: turned on beside another mode
    std::atomic<long> starts{0};
    std::atomic<int32_t> cameraOn{0};
    // The render size, packed as width << 16 | height so that the streaming thread reads it in one go.
    std::atomic<uint32_t> renderSize{static_cast<uint32_t>(kFrameWidth) << 16 | kFrameHeight};
};

Inputs& State()
{
    static Inputs inputs;
    return inputs;
}

// Serialises attaching and detaching filter objects, so that a last object's teardown and a new object's start
// never interleave. Never taken by the tray thread or the streaming thread.
struct FilterObjects {
    CCritSec lock;
    long count = 0;
};

FilterObjects& Objects()
{
    static FilterObjects objects;
    return objects;
}

std::shared_ptr<FrameInput> SwapActive(std::shared_ptr<FrameInput> fresh)
{
    Inputs& inputs = State();
    CAutoLock lock(&inputs.activeLock);
    inputs.active.swap(fresh);
    return fresh;
}

std::shared_ptr<CameraInput> ActiveCamera()
{
    return ActiveInputAs<CameraInput>();
}

// Under the switch lock: what the tray's camera entry shows.
void UpdateCameraFlag()
{
    Inputs& inputs = State();
    const std::shared_ptr<CameraInput> active = ActiveCamera();
    const bool running = (active && active->Running()) || (inputs.sideCamera && inputs.sideCamera->Running());
    inputs.cameraOn.store(running ? 1 : 0);
}

// Starts an input for the render size. One that fails from its start shows its placeholder through its own
// result; that placeholder is drawn here, on the switching thread, so that the stream shows it at once.
void StartInput(FrameInput& input)
{
    const RenderSize size = InputRenderSize();
    const HRESULT started = input.Start(size.width, size.height);
    if (FAILED(started)) PreparePlaceholder(started, size.width, size.height);
}

std::shared_ptr<CameraInput> StartedCamera(const FilterSettings& settings)
{
    auto camera = std::make_shared<CameraInput>(settings.ActiveCamera, settings.UseBorder, settings.BorderFile);
    StartInput(*camera);
    return camera;
}

// The input of the settings' mode, started; null for a mode without one (or no monitor to show).
std::shared_ptr<FrameInput> StartedInput(const FilterSettings& settings, std::shared_ptr<CameraInput>& side)
{
    std::shared_ptr<FrameInput> input;
    switch (settings.GlobalType) {
    case Camera:
        if (side && side->Running() && side->Name() == settings.ActiveCamera) return std::move(side);
        return StartedCamera(settings);
    case Pictures:
        input = std::make_shared<PicturesInput>(settings);
        break;
    case Video:
        input = std::make_shared<VideoInput>(settings.VideoFile);
        break;
    case Desktop: {
        const std::vector<MonitorRecord> monitors = MonitorList();
        if (settings.DesktopIndex < 0 || static_cast<size_t>(settings.DesktopIndex) >= monitors.size()) return nullptr;
        input = std::make_shared<DesktopInput>(monitors[static_cast<size_t>(settings.DesktopIndex)]);
        break;
    }
    default:
        return nullptr;
    }
    StartInput(*input);
    return input;
}

}  // namespace

void AttachFilterObject()
{
    FilterObjects& objects = Objects();
    CAutoLock lock(&objects.lock);
    if (objects.count++ != 0) return;
    LoadSettings();
    // Whether this call started the tray or another filter object already had, there is one now.
    (void)StartTrayIfAbsent();
    SwitchToSelectedInput();
}

void DetachFilterObject()
{
    FilterObjects& objects = Objects();
    CAutoLock lock(&objects.lock);
    if (objects.count <= 0) return;
    if (--objects.count != 0) return;
    // The tray first: a tray command under way may be waiting for the switch lock.
    EndTray();
    StopAllInputs();
}

long AttachedFilterObjects()
{
    FilterObjects& objects = Objects();
    CAutoLock lock(&objects.lock);
    return objects.count;
}

void SwitchToSelectedInput()
{
    Inputs& inputs = State();
    CAutoLock lock(&inputs.switchLock);
    ++inputs.starts;
    try {
        const FilterSettings settings = CurrentSettings();
        std::shared_ptr<CameraInput> side = std::move(inputs.sideCamera);
        std::shared_ptr<FrameInput> fresh = StartedInput(settings, side);
        inputs.activeMode = settings.GlobalType;
        const std::shared_ptr<FrameInput> old = SwapActive(std::move(fresh));
        if (old) old->Stop();
        if (side) side->Stop();
    } catch (const std::bad_alloc&) {
        // No memory for the new input: the old one goes on showing what it shows.
    }
    UpdateCameraFlag();
}

void StopAllInputs()
{
    Inputs& inputs = State();
    CAutoLock lock(&inputs.switchLock);
    const std::shared_ptr<FrameInput> old = SwapActive(nullptr);
    if (old) old->Stop();
    if (inputs.sideCamera) inputs.sideCamera->Stop();
    inputs.sideCamera.reset();
    inputs.activeMode = 0;
    UpdateCameraFlag();
}

long ActiveSourceStarts() { return State().starts.load(); }

RenderSize InputRenderSize()
{
    const uint32_t packed = State().renderSize.load();
    return RenderSize{static_cast<int>(packed >> 16), static_cast<int>(packed & 0xFFFF)};
}

void UseRenderSize(RenderSize size)
{
    Inputs& inputs = State();
    if (size.width <= 0 || size.height <= 0 || size.width > 0xFFFF || size.height > 0xFFFF) return;
    const uint32_t packed = static_cast<uint32_t>(size.width) << 16 | static_cast<uint32_t>(size.height);
    if (inputs.renderSize.exchange(packed) == packed) return;
    // The running input starts again at the new size; with none running there is nothing to restart.
    bool running;
    {
        CAutoLock lock(&inputs.switchLock);
        running = inputs.activeMode != 0;
    }
    if (running) SwitchToSelectedInput();
}

std::shared_ptr<FrameInput> ActiveInput()
{
    Inputs& inputs = State();
    CAutoLock lock(&inputs.activeLock);
    return inputs.active;
}

std::vector<std::shared_ptr<CameraInput>> CameraInputs()
{
    Inputs& inputs = State();
    CAutoLock lock(&inputs.switchLock);
    std::vector<std::shared_ptr<CameraInput>> cameras;
    if (std::shared_ptr<CameraInput> active = ActiveCamera()) cameras.push_back(std::move(active));
    if (inputs.sideCamera) cameras.push_back(inputs.sideCamera);
    return cameras;
}

void TurnCameraOn()
{
    Inputs& inputs = State();
    CAutoLock lock(&inputs.switchLock);
    try {
        const FilterSettings settings = CurrentSettings();
        if (inputs.activeMode == Camera) {
            const std::shared_ptr<CameraInput> active = ActiveCamera();
            if (!active || !active->Running()) {
                const std::shared_ptr<FrameInput> old = SwapActive(StartedCamera(settings));
                if (old) old->Stop();
            }
        } else if (!inputs.sideCamera || !inputs.sideCamera->Running()) {
            std::shared_ptr<CameraInput> camera = StartedCamera(settings);
            if (camera->Running()) {
                inputs.sideCamera = std::move(camera);
            } else {
                camera->Stop();
            }
        }
    } catch (const std::bad_alloc&) {
        // The camera stays off.
    }
    UpdateCameraFlag();
}

void TurnCameraOff()
{
    Inputs& inputs = State();
    CAutoLock lock(&inputs.switchLock);
    if (inputs.sideCamera) inputs.sideCamera->Stop();
    inputs.sideCamera.reset();
    // Stopped where it is: the mode stays Camera and the stream shows the "no camera" picture.
    if (const std::shared_ptr<CameraInput> active = ActiveCamera()) active->Stop();
    UpdateCameraFlag();
}

int32_t CameraOnFlag() { return State().cameraOn.load(); }
