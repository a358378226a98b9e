#pragma once
// Decodes slideshow pictures on a worker thread, so that a large photo never holds up the streaming thread for
// longer than a short wait. Small pictures are usually ready within that wait and show at once, exactly as if they
// had been decoded in place; a larger one shows from a later frame.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "filter/framework/CritSec.h"
#include "filter/sources/Slideshow.h"

class BackgroundPictureLoader : public PictureLoader {
public:
    BackgroundPictureLoader();
    ~BackgroundPictureLoader() override;
    BackgroundPictureLoader(const BackgroundPictureLoader&) = delete;
    BackgroundPictureLoader& operator=(const BackgroundPictureLoader&) = delete;

    bool LoadPicture(const std::wstring& path, int width, int height, std::vector<uint8_t>& frame) override;

    // Forgets every request and result (a new picture list); a decode under way finishes unseen.
    void Forget();
    // How long LoadPicture waits for a picture before it answers "not ready" (INFINITE: decode in place, in effect);
    // sets the wait for the first picture of a list too.
    void SetWaitMilliseconds(DWORD milliseconds);
    // How long the first LoadPicture after construction or Forget waits (once, whether or not the picture comes).
    void SetFirstWaitMilliseconds(DWORD milliseconds);
    // Waits until no decode is queued or under way; false when the timeout passed first.
    bool WaitUntilIdle(DWORD milliseconds);

private:
    struct Request {
        std::wstring path;
        int width = 0;
        int height = 0;
        bool started = false;
        bool done = false;
        std::vector<uint8_t> frame;
    };

    void Work();
    std::shared_ptr<Request> FindOrQueue(const std::wstring& path, int width, int height);
    bool StartWorkerLocked();
    bool IsIdleLocked() const;

    CCritSec lock_;
    CONDITION_VARIABLE changed_;  // signalled when a request is done and when the worker ends
    std::deque<std::shared_ptr<Request>> requests_;
    bool workerRunning_ = false;
    DWORD waitMilliseconds_;
    DWORD firstWaitMilliseconds_;
    bool firstOfList_ = true;
};
