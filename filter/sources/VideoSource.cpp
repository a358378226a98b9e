#include "filter/sources/VideoSource.h"

#include <cstring>
#include <utility>

#include "filter/sources/FrameFormat.h"

HRESULT VideoInput::Build()
{
    return graph_.BuildFromFile(path_, kLargestFrameSide,
                                [this](const VIDEOINFOHEADER& format, const uint8_t* data, size_t bytes) {
                                    OnSample(format, data, bytes);
                                });
}

HRESULT VideoInput::Start(int width, int height)
{
    Stop();
    width_ = width;
    height_ = height;
    HRESULT hr = width > 0 && height > 0 ? Build() : E_INVALIDARG;
    if (SUCCEEDED(hr)) hr = graph_.Run();
    if (FAILED(hr)) graph_.Release();
    {
        CAutoLock lock(&lock_);
        status_ = hr;
        ready_.clear();
    }
    if (SUCCEEDED(hr)) (void)events_.Start([this](HANDLE stop) { WatchEvents(stop); });
    return hr;
}

void VideoInput::Stop()
{
    events_.Stop();
    graph_.Release();
    CAutoLock lock(&lock_);
    status_ = S_OK;
    ready_.clear();
    ready_.shrink_to_fit();
}

long VideoInput::Loops()
{
    CAutoLock lock(&lock_);
    return loops_;
}

void VideoInput::OnSample(const VIDEOINFOHEADER& format, const uint8_t* data, size_t bytes)
{
    std::vector<uint8_t> frame;
    if (!ConvertSampleToFrame(format, data, bytes, width_, height_, scaler_, frame)) return;
    CAutoLock lock(&lock_);
    ready_.swap(frame);
}

void VideoInput::WatchEvents(HANDLE stop)
{
    for (;;) {
        HANDLE events = graph_.EventHandle();
        HANDLE waits[2] = {stop, events};
        // Without an event handle (a rebuild that failed) the file is tried again every second.
        const DWORD woken = WaitForMultipleObjects(events ? 2 : 1, waits, FALSE, events ? INFINITE : 1000);
        if (woken == WAIT_OBJECT_0) return;
        bool ended = !events;
        long code = 0;
        while (graph_.NextEvent(&code)) ended = ended || code == EC_COMPLETE;
        if (!ended) continue;
        // Played to its end: the file starts again from its beginning, whatever the repeat flag says. The
        // newest frame stays meanwhile.
        HRESULT hr = events ? graph_.SeekToStart() : E_FAIL;
        if (FAILED(hr)) {
            hr = Build();
            if (SUCCEEDED(hr)) hr = graph_.Run();
            if (FAILED(hr)) graph_.Release();
        }
        CAutoLock lock(&lock_);
        ++loops_;
        // A rebuild that failed shows as its placeholder; one that works again shows the video.
        status_ = hr;
    }
}

HRESULT VideoInput::Fill(uint8_t* frame, size_t size)
{
    CAutoLock lock(&lock_);
    if (FAILED(status_)) return status_;
    if (ready_.empty() || !frame || size != ready_.size()) return S_FALSE;
    std::memcpy(frame, ready_.data(), size);
    return S_OK;
}
