#include "filter/sources/BackgroundPictureLoader.h"

#include <algorithm>
#include <utility>

#include "filter/sources/GdiplusCanvas.h"
#include "filter/sources/Workers.h"

namespace {

// A frame period of a fast host is about 33 ms; waiting a little less keeps the stream fluent.
constexpr DWORD kDefaultWaitMilliseconds = 25;
// The first picture of a new list is waited for longer, once: a host's first frames then show it rather than
// black, as a camera that takes a moment to start would; a photo that takes longer still does not stall the
// stream for more than this.
constexpr DWORD kDefaultFirstWaitMilliseconds = 400;
// The slideshow asks for two pictures at a time (current and next); older requests are left behind by a restart.
constexpr size_t kMaxRequests = 4;

bool SleepOn(CONDITION_VARIABLE* condition, CCritSec& lock, DWORD milliseconds)
{
    return SleepConditionVariableCS(condition, lock.Native(), milliseconds) != FALSE;
}

}  // namespace

BackgroundPictureLoader::BackgroundPictureLoader()
    : waitMilliseconds_(kDefaultWaitMilliseconds), firstWaitMilliseconds_(kDefaultFirstWaitMilliseconds)
{
    InitializeConditionVariable(&changed_);
}

// No wait for the worker here: while it runs it holds a reference on the module, so this object can only go with
// the module at process exit, when the worker is already gone. Programs that own a loader wait for it themselves.
BackgroundPictureLoader::~BackgroundPictureLoader() { Forget(); }

void BackgroundPictureLoader::SetWaitMilliseconds(DWORD milliseconds)
{
    CAutoLock lock(&lock_);
    waitMilliseconds_ = milliseconds;
    firstWaitMilliseconds_ = milliseconds;
}

void BackgroundPictureLoader::SetFirstWaitMilliseconds(DWORD milliseconds)
{
    CAutoLock lock(&lock_);
    firstWaitMilliseconds_ = milliseconds;
}

void BackgroundPictureLoader::Forget()
{
    CAutoLock lock(&lock_);
    requests_.clear();
    firstOfList_ = true;
}

bool BackgroundPictureLoader::IsIdleLocked() const { return !workerRunning_; }

bool BackgroundPictureLoader::WaitUntilIdle(DWORD milliseconds)
{
    CAutoLock lock(&lock_);
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    while (!IsIdleLocked()) {
        DWORD left = INFINITE;
        if (milliseconds != INFINITE) {
            ULONGLONG now = GetTickCount64();
            if (now >= deadline) return false;
            left = static_cast<DWORD>(deadline - now);
        }
        SleepOn(&changed_, lock_, left);
    }
    return true;
}

std::shared_ptr<BackgroundPictureLoader::Request> BackgroundPictureLoader::FindOrQueue(const std::wstring& path,
                                                                                       int width, int height)
{
    for (const auto& request : requests_) {
        if (request->path == path && request->width == width && request->height == height) return request;
    }
    auto request = std::make_shared<Request>();
    request->path = path;
    request->width = width;
    request->height = height;
    requests_.push_back(request);
    while (requests_.size() > kMaxRequests) requests_.pop_front();
    return request;
}

bool BackgroundPictureLoader::LoadPicture(const std::wstring& path, int width, int height,
                                          std::vector<uint8_t>& frame)
{
    CAutoLock lock(&lock_);
    std::shared_ptr<Request> request = FindOrQueue(path, width, height);
    if (!request->done && !workerRunning_ && !StartWorkerLocked()) {
        // No thread to be had: decode here rather than never.
        request->started = true;
        LoadPictureFrame(path, width, height, request->frame);
        request->done = true;
    }
    const DWORD wait = firstOfList_ ? firstWaitMilliseconds_ : waitMilliseconds_;
    firstOfList_ = false;
    const ULONGLONG deadline = GetTickCount64() + wait;
    while (!request->done) {
        DWORD left = INFINITE;
        if (wait != INFINITE) {
            ULONGLONG now = GetTickCount64();
            if (now >= deadline) return false;
            left = static_cast<DWORD>(deadline - now);
        }
        SleepOn(&changed_, lock_, left);
    }
    frame = std::move(request->frame);
    requests_.erase(std::remove(requests_.begin(), requests_.end(), request), requests_.end());
    return true;
}

bool BackgroundPictureLoader::StartWorkerLocked()
{
    // A module worker: the module is not unloaded under a decode that is still running after the last camera
    // object went away.
    if (!StartModuleWorker([this] { Work(); })) return false;
    workerRunning_ = true;
    return true;
}

void BackgroundPictureLoader::Work()
{
    for (;;) {
        std::shared_ptr<Request> request;
        {
            CAutoLock lock(&lock_);
            for (const auto& queued : requests_) {
                if (!queued->started) {
                    request = queued;
                    break;
                }
            }
            if (!request) {
                // Ending is decided under the lock, so a request queued from now on starts a new worker.
                workerRunning_ = false;
                WakeAllConditionVariable(&changed_);
                return;
            }
            request->started = true;
        }
        std::vector<uint8_t> frame;
        LoadPictureFrame(request->path, request->width, request->height, frame);
        CAutoLock lock(&lock_);
        request->frame = std::move(frame);
        request->done = true;
        WakeAllConditionVariable(&changed_);
    }
}
