#include "filter/sources/PicturesSource.h"

#include <atomic>
#include <cstring>
#include <utility>

#include "filter/sources/BackgroundPictureLoader.h"
#include "filter/sources/FolderScan.h"
#include "filter/sources/Slideshow.h"
#include "filter/sources/Workers.h"

namespace {

uint32_t SystemTick() { return GetTickCount(); }

std::atomic<TickSource> g_tick{&SystemTick};

// One loader per process: its decodes may outlive the input that asked for them.
BackgroundPictureLoader& Loader()
{
    static BackgroundPictureLoader* const loader = [] {
        auto* made = new BackgroundPictureLoader();
        // A frame never waits for a decode unless a program asks for it: the stream repeats its last frame.
        made->SetWaitMilliseconds(0);
        return made;
    }();
    return *loader;
}

}  // namespace

struct PicturesInput::State {
    CCritSec lock;
    CONDITION_VARIABLE scanned;
    Slideshow show{Loader()};
    // Each start or folder change takes a new number; a scan only installs its list if no later one began.
    uint64_t generation = 0;
    bool scanning = false;
    bool running = false;

    State() { InitializeConditionVariable(&scanned); }
};

PicturesInput::PicturesInput(const FilterSettings& settings) : settings_(settings), state_(std::make_shared<State>())
{
}

HRESULT PicturesInput::Start(int width, int height)
{
    {
        CAutoLock lock(&state_->lock);
        SlideshowSettings show;
        show.changedTime = settings_.ChangedTime;
        show.morphingTime = settings_.MorphingTime;
        show.picChType = settings_.PicChType;
        show.repeat = settings_.RepeatPicturesShowing;
        show.width = width;
        show.height = height;
        state_->show.Start(show);
        state_->running = true;
    }
    Loader().Forget();
    BeginScan(settings_.PicturesDirectory);
    return settings_.PicturesDirectory.empty() ? E_FRAME_NOPICTURES : S_OK;
}

void PicturesInput::Stop()
{
    {
        CAutoLock lock(&state_->lock);
        // A scan under way finishes unseen.
        ++state_->generation;
        state_->scanning = false;
        state_->running = false;
        state_->show.SetPictureList({});
        WakeAllConditionVariable(&state_->scanned);
    }
}

void PicturesInput::BeginScan(const std::wstring& folder)
{
    uint64_t generation;
    {
        CAutoLock lock(&state_->lock);
        state_->show.SetPictureList({});
        generation = ++state_->generation;
        state_->scanning = !folder.empty();
        WakeAllConditionVariable(&state_->scanned);
        if (folder.empty()) return;
    }
    std::weak_ptr<State> weak = state_;
    auto install = [weak, generation](std::vector<std::wstring> pictures) {
        const std::shared_ptr<State> state = weak.lock();
        if (!state) return;
        CAutoLock lock(&state->lock);
        if (generation != state->generation) return;
        Loader().Forget();
        state->show.SetPictureList(std::move(pictures));
        state->scanning = false;
        WakeAllConditionVariable(&state->scanned);
    };
    const bool started = StartModuleWorker([folder, install] {
        std::vector<std::wstring> pictures;
        ScanPictureFolder(folder, pictures);
        install(std::move(pictures));
    });
    // No thread to be had: scan here rather than never.
    if (!started) {
        std::vector<std::wstring> pictures;
        ScanPictureFolder(folder, pictures);
        install(std::move(pictures));
    }
}

void PicturesInput::SetFolder(const std::wstring& folder)
{
    settings_.PicturesDirectory = folder;
    {
        CAutoLock lock(&state_->lock);
        if (!state_->running) return;
    }
    BeginScan(folder);
}

void PicturesInput::SetChangedTime(int32_t milliseconds)
{
    CAutoLock lock(&state_->lock);
    state_->show.SetChangedTime(milliseconds);
}

void PicturesInput::SetChangeType(int32_t picChType)
{
    CAutoLock lock(&state_->lock);
    state_->show.SetPicChType(picChType);
}

std::vector<std::wstring> PicturesInput::Pictures()
{
    CAutoLock lock(&state_->lock);
    return state_->show.Pictures();
}

bool PicturesInput::WaitUntilScanned(DWORD milliseconds)
{
    CAutoLock lock(&state_->lock);
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    while (state_->scanning) {
        DWORD left = INFINITE;
        if (milliseconds != INFINITE) {
            const ULONGLONG now = GetTickCount64();
            if (now >= deadline) return false;
            left = static_cast<DWORD>(deadline - now);
        }
        (void)SleepConditionVariableCS(&state_->scanned, state_->lock.Native(), left);
    }
    return true;
}

HRESULT PicturesInput::Fill(uint8_t* frame, size_t size)
{
    CAutoLock lock(&state_->lock);
    if (!state_->running) return S_FALSE;
    if (state_->scanning) {
        // Black until the first picture is ready.
        if (!frame) return S_FALSE;
        std::memset(frame, 0, size);
        return S_OK;
    }
    return state_->show.FillFrame(frame, size, g_tick.load()());
}

void SetPicturesTickSource(TickSource source) { g_tick.store(source ? source : &SystemTick); }

void SetPicturesLoadWait(DWORD milliseconds) { Loader().SetWaitMilliseconds(milliseconds); }

bool WaitForPictureLoads(DWORD milliseconds) { return Loader().WaitUntilIdle(milliseconds); }
