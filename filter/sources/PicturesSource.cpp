#include "filter/sources/PicturesSource.h"

#include <atomic>
#include <utility>

#include "filter/sources/BackgroundPictureLoader.h"
#include "filter/sources/FolderScan.h"
#include "filter/sources/Slideshow.h"

namespace {

uint32_t SystemTick() { return GetTickCount(); }

struct PicturesInput {
    CCritSec lock;
    BackgroundPictureLoader loader;
    Slideshow show{loader};
    // Each start or folder change takes a new number; a scan only installs its list if no later one began.
    uint64_t scanGeneration = 0;
    std::atomic<TickSource> tick{&SystemTick};
};

PicturesInput& Input()
{
    static PicturesInput input;
    return input;
}

// Scans outside the pictures lock, so that a large or slow folder never holds up the streaming thread, then
// installs the list unless a newer start or folder change has come in meanwhile.
bool ScanAndInstall(const std::wstring& folder, uint64_t generation)
{
    std::vector<std::wstring> pictures;
    if (!folder.empty()) ScanPictureFolder(folder, pictures);
    bool found = !pictures.empty();
    CAutoLock lock(&Input().lock);
    if (generation == Input().scanGeneration) {
        Input().loader.Forget();
        Input().show.SetPictureList(std::move(pictures));
    }
    return found;
}

}  // namespace

CCritSec& PicturesLock() { return Input().lock; }

HRESULT StartPicturesSource(const std::wstring& folder, int32_t changedTime, int32_t morphingTime,
                            int32_t picChType, int32_t repeat, int width, int height)
{
    uint64_t generation;
    {
        CAutoLock lock(&Input().lock);
        SlideshowSettings settings;
        settings.changedTime = changedTime;
        settings.morphingTime = morphingTime;
        settings.picChType = picChType;
        settings.repeat = repeat;
        settings.width = width;
        settings.height = height;
        Input().show.Start(settings);
        Input().loader.Forget();
        generation = ++Input().scanGeneration;
    }
    if (folder.empty()) return E_FRAME_NOPICTURES;
    return ScanAndInstall(folder, generation) ? S_OK : E_FRAME_NOPICTURES;
}

void SetPicturesFolder(const std::wstring& folder)
{
    uint64_t generation;
    {
        CAutoLock lock(&Input().lock);
        Input().show.SetPictureList({});
        generation = ++Input().scanGeneration;
    }
    ScanAndInstall(folder, generation);
}

void ClearPicturesFrames()
{
    CAutoLock lock(&Input().lock);
    Input().show.ClearFrames();
}

void SetPicturesChangedTime(int32_t milliseconds)
{
    CAutoLock lock(&Input().lock);
    Input().show.SetChangedTime(milliseconds);
}

void SetPicturesChangeType(int32_t picChType)
{
    CAutoLock lock(&Input().lock);
    Input().show.SetPicChType(picChType);
}

HRESULT FillPicturesFrame(BYTE* data, size_t size)
{
    CAutoLock lock(&Input().lock);
    return Input().show.FillFrame(data, size, Input().tick.load()());
}

void SetPicturesTickSource(TickSource source) { Input().tick.store(source ? source : &SystemTick); }

std::vector<std::wstring> PicturesList()
{
    CAutoLock lock(&Input().lock);
    return Input().show.Pictures();
}

void SetPicturesLoadWait(DWORD milliseconds) { Input().loader.SetWaitMilliseconds(milliseconds); }

bool WaitForPictureLoads(DWORD milliseconds) { return Input().loader.WaitUntilIdle(milliseconds); }
