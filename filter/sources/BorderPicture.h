#pragma once
// The camera input's border picture, prepared on a worker thread: decoded and stretched to the frame's size once,
// converted into premultiplied alpha, so that a frame costs one blend of our own and the streaming side never
// decodes, scales or touches the file. The worker decodes again when the path changes and, at most once a second,
// when the file was replaced (its time stamp or size changed). Until a picture is ready, frames go without border.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "filter/framework/CritSec.h"
#include "filter/sources/Workers.h"

class BorderPicture {
public:
    using Pixels = std::vector<uint8_t>;  // width * height * 4 bytes, rows bottom-up

    BorderPicture() = default;
    ~BorderPicture();
    BorderPicture(const BorderPicture&) = delete;
    BorderPicture& operator=(const BorderPicture&) = delete;

    // Starts the worker for frames of width x height with the border at path (empty: none).
    void Start(int width, int height, const std::wstring& path);
    // The border to show from now on (empty: none); decoded on the worker.
    void SetPath(const std::wstring& path);
    // Ends the worker and lets go of the picture.
    void Stop();
    // The picture to lay over frames now, or null.
    std::shared_ptr<const Pixels> Current();
    bool HoldsPicture();

private:
    void Work(HANDLE stop);
    // The file's time stamp and size, or false when it cannot be read.
    static bool ReadStamp(const std::wstring& path, FILETIME* written, uint64_t* bytes);

    CCritSec lock_;
    std::wstring path_;  // under lock_
    std::shared_ptr<const Pixels> ready_;  // under lock_
    HANDLE changed_ = nullptr;  // auto reset: the path changed
    int width_ = 0;
    int height_ = 0;
    WorkerThread worker_;
};

// Decodes the picture at path stretched over width x height into premultiplied BGRA rows, bottom-up. False when
// it cannot be decoded (or is too large to be).
bool LoadPremultipliedPicture(const std::wstring& path, int width, int height, BorderPicture::Pixels& pixels);
