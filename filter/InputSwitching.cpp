#include "filter/InputSwitching.h"

#include "filter/FrameDispatch.h"
#include "filter/settings/SettingsStore.h"
#include "filter/sources/CameraSource.h"
#include "filter/sources/DesktopSource.h"
#include "filter/sources/PicturesSource.h"
#include "filter/sources/VideoSource.h"
#include "filter/ui/Tray.h"

#include <atomic>

namespace {

// Every input renders this size; the stream fits it to the connected size.
constexpr int kInputWidth = 640;
constexpr int kInputHeight = 480;

std::atomic<long> g_starts{0};
std::atomic<int32_t> g_cameraOn{1};

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

void StartDesktopFromSettings(const FilterSettings& settings)
{
    const std::vector<MonitorRecord> monitors = MonitorList();
    // No monitor at that position (or none at all): the desktop input stays stopped.
    if (settings.DesktopIndex < 0 || static_cast<size_t>(settings.DesktopIndex) >= monitors.size()) return;
    StartDesktopSource(monitors[static_cast<size_t>(settings.DesktopIndex)], kInputWidth, kInputHeight);
}

}  // namespace

void AttachFilterObject()
{
    FilterObjects& objects = Objects();
    CAutoLock lock(&objects.lock);
    if (objects.count++ == 0) StartActiveSource(true);
}

void DetachFilterObject()
{
    FilterObjects& objects = Objects();
    CAutoLock lock(&objects.lock);
    if (objects.count <= 0) return;
    if (--objects.count == 0) StopAllSources(true);
}

long AttachedFilterObjects()
{
    FilterObjects& objects = Objects();
    CAutoLock lock(&objects.lock);
    return objects.count;
}

void StartActiveSource(bool reload)
{
    CAutoLock lock(&SourceLock());
    if (reload) {
        LoadSettings();
        // Whether this call started the tray or another filter object already had, there is one now.
        (void)StartTrayIfAbsent();
    }
    ++g_starts;
    const FilterSettings settings = CurrentSettings();
    switch (settings.GlobalType) {
    case Camera:
        if (FAILED(StartCameraSource(settings.ActiveCamera, settings.UseBorder, settings.BorderFile, kInputWidth,
                                     kInputHeight)))
            StopCameraSource();
        break;
    case Pictures:
        // A folder without pictures shows the placeholder through the producer's own result.
        (void)StartPicturesSource(settings.PicturesDirectory, settings.ChangedTime, settings.MorphingTime,
                                  settings.PicChType, settings.RepeatPicturesShowing, kInputWidth, kInputHeight);
        break;
    case Video:
        if (FAILED(StartVideoSource(settings.VideoFile, settings.RepeatVideo, kInputWidth, kInputHeight)))
            StopVideoSource();
        break;
    case Desktop:
        StartDesktopFromSettings(settings);
        break;
    default:
        break;
    }
}

void StopAllSources(bool closeTray)
{
    if (closeTray) EndTray();
    CAutoLock lock(&SourceLock());
    ResetDesktopCaptureClock();
    StopVideoSource();
    ClearPicturesFrames();
    StopCameraSource();
}

void RestartActiveSource()
{
    ReconfiguringScope switching;
    StopAllSources(false);
    StartActiveSource(false);
}

long ActiveSourceStarts()
{
    return g_starts.load();
}

int32_t CameraOnFlag()
{
    return g_cameraOn.load();
}

void SetCameraOnFlag(int32_t on)
{
    g_cameraOn.store(on);
}
