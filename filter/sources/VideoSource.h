#pragma once
// The video file input: the file plays in a private graph on its own threads; each decoded picture is fitted
// into the frame on the graph's thread and the stream copies the newest one. A worker watches the graph: at the
// end of the file it seeks back to the start, and only when that fails builds the graph again, while the stream
// repeats the last frame.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "filter/framework/CritSec.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/FrameInput.h"
#include "filter/sources/PrivateGraph.h"
#include "filter/sources/Workers.h"

class VideoInput : public FrameInput {
public:
    // Videos whose frames are larger than this on a side are not played.
    static constexpr int kLargestFrameSide = 4096;

    explicit VideoInput(const std::wstring& path) : path_(path) {}
    ~VideoInput() override { Stop(); }

    // S_OK (or the non-negative result of running the graph); E_FRAME_NOFILE when no source filter opens the file
    // (missing, unreadable or an empty path); E_FRAME_NOTSUPPORTED when no stream of the file connects as video or
    // its frames are too large; E_INVALIDARG for a frame size that is not positive; another failure of a graph
    // step unchanged. Fill reports the same.
    HRESULT Start(int width, int height) override;
    HRESULT Fill(uint8_t* frame, size_t size) override;
    void Stop() override;

    // How many times the file was started again from its beginning (seeks and rebuilds), for tests.
    long Loops();

private:
    HRESULT Build();
    void OnSample(const VIDEOINFOHEADER& format, const uint8_t* data, size_t bytes);
    void WatchEvents(HANDLE stop);

    const std::wstring path_;
    int width_ = 0;
    int height_ = 0;
    CCritSec lock_;  // the fields below
    HRESULT status_ = S_OK;
    std::vector<uint8_t> ready_;
    long loops_ = 0;

    FrameScaler scaler_;  // the graph's thread only
    PrivateGraph graph_;  // built by Start and by the worker, released by Stop once the worker has ended
    WorkerThread events_;
};
