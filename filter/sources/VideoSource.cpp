#include "filter/sources/VideoSource.h"

#include <atomic>
#include <cstring>
#include <new>
#include <vector>

#include "filter/framework/ComRef.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/GdiplusCanvas.h"
#include "filter/sources/GraphOperations.h"
#include "filter/sources/VideoFetchPacing.h"

namespace {

constexpr int kLargestFrameSide = 8192;

uint32_t SystemTick() { return GetTickCount(); }

struct VideoGraph {
    ComRef<IGraphBuilder> graph;
    ComRef<IMediaControl> control;
    ComRef<IMediaEventEx> events;
    ComRef<IBaseFilter> source;
    ComRef<IBaseFilter> grabberFilter;
    ComRef<ISampleGrabber> grabber;
    ComRef<IBaseFilter> nullRenderer;
    ComRef<IEnumPins> sourcePins;
    ComRef<IPin> lastPin;

    // The pins and the interfaces on filters go before the graph that holds the filters; releasing the graph
    // last stops it and lets its threads end.
    void Release()
    {
        lastPin.Reset();
        sourcePins.Reset();
        grabber.Reset();
        grabberFilter.Reset();
        nullRenderer.Reset();
        source.Reset();
        events.Reset();
        control.Reset();
        graph.Reset();
    }
};

struct VideoInput {
    CCritSec lock;
    std::wstring path;
    HRESULT status = S_OK;
    int32_t repeat = 0;
    int width = kFrameWidth;
    int height = kFrameHeight;
    VideoGraph graph;
    VideoFetchPacing pacing;
    std::vector<uint8_t> frame;        // the last converted picture, empty or width * height * 3 bytes
    uint64_t frameFingerprint = 0;     // of the grabbed sample the frame was made from
    std::atomic<uint32_t (*)()> tick{&SystemTick};
};

VideoInput& Input()
{
    static VideoInput input;
    return input;
}

HRESULT BuildGraph(VideoInput& in)
{
    VideoGraph& g = in.graph;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  g.graph.PutVoid());
    if (FAILED(hr)) return hr;
    hr = g.graph->QueryInterface(IID_IMediaControl, g.control.PutVoid());
    if (FAILED(hr)) return hr;
    hr = g.graph->QueryInterface(IID_IMediaEventEx, g.events.PutVoid());
    if (FAILED(hr)) return hr;
    hr = AddSampleGrabber(g.graph.Get(), g.grabberFilter, g.grabber);
    if (FAILED(hr)) return hr;

    if (in.path.empty() || FAILED(g.graph->AddSourceFilter(in.path.c_str(), L"Source", g.source.Put())) ||
        !g.source)
        return E_FRAME_NOFILE;
    // Intelligent connect puts the splitter and decoder the file needs between a source pin and the grabber.
    if (FAILED(ConnectFirstConnectablePin(g.graph.Get(), g.source.Get(), g.grabberFilter.Get(), g.sourcePins,
                                          g.lastPin))) {
        in.status = E_FRAME_NOTSUPPORTED;
        return E_FRAME_NOTSUPPORTED;
    }

    hr = AddNullRenderer(g.graph.Get(), g.nullRenderer);
    if (FAILED(hr)) return hr;
    hr = ConnectFilters(g.graph.Get(), g.grabberFilter.Get(), g.nullRenderer.Get());
    if (FAILED(hr)) return hr;
    // The grabber keeps a copy of the newest sample; no callback, not one-shot.
    hr = g.grabber->SetBufferSamples(TRUE);
    if (FAILED(hr)) return hr;
    // The file plays at its own pace against a clock; without the shared one the graph would keep its default.
    (void)UseSharedSystemClock(g.graph.Get());
    return g.control->Run();
}

// Whether the graph has played the file to its end. A time-out of 0 only asks; it never waits.
bool ReachedEnd(VideoInput& in)
{
    if (!in.graph.events) return false;
    long code = 0;
    return SUCCEEDED(in.graph.events->WaitForCompletion(0, &code)) && code == EC_COMPLETE;
}

// Copies the grabber's newest sample and, when it is not the one the held frame was made from, draws it fitted
// on a black canvas and converts that into the held frame. S_OK with the held frame current (or unchanged when the
// grabber had nothing new to give); a failure leaves the held frame as it was.
HRESULT FetchVideoPicture(VideoInput& in)
{
    if (!in.graph.grabber) return E_UNEXPECTED;
    GrabbedSample sample;
    HRESULT hr = FetchGrabbedSample(in.graph.grabber.Get(), &sample);
    if (hr != S_OK) return hr;
    in.pacing.SetFrameInterval(FrameIntervalMilliseconds(sample.format.AvgTimePerFrame));

    const uint64_t fingerprint = SampleFingerprint(sample.pixels->Pixels(), sample.pixels->PixelBytes()) ^
                                 (static_cast<uint64_t>(static_cast<uint32_t>(sample.format.bmiHeader.biWidth)) << 32) ^
                                 static_cast<uint32_t>(sample.format.bmiHeader.biHeight);
    if (!in.frame.empty() && fingerprint == in.frameFingerprint) return S_OK;

    StreamBitmap picture;
    hr = sample.Decode(&picture);
    if (FAILED(hr)) return hr;
    GpBitmapPtr canvas = CreateCanvas(in.width, in.height);
    if (!canvas) return E_OUTOFMEMORY;
    // A sample GDI+ cannot decode gives no picture: the canvas, and so the frame, stays black.
    DrawImageFitted(canvas.get(), picture.Get(), in.width, in.height);

    const bool hadFrame = !in.frame.empty();
    try {
        in.frame.resize(FrameBytes(in.width, in.height));
    } catch (const std::bad_alloc&) {
        in.frame.clear();
        return E_OUTOFMEMORY;
    }
    if (!CanvasToFrame(canvas.get(), in.width, in.height, in.frame.data())) {
        if (!hadFrame) in.frame.clear();
        return E_FAIL;
    }
    in.frameFingerprint = fingerprint;
    return S_OK;
}

}  // namespace

CCritSec& VideoLock() { return Input().lock; }

HRESULT StartVideoSource(const std::wstring& path, int32_t repeat, int width, int height)
{
    VideoInput& in = Input();
    CAutoLock lock(&in.lock);
    in.width = width;
    in.height = height;
    in.status = S_OK;
    in.repeat = repeat;
    in.path = path;
    in.frame.clear();
    in.frameFingerprint = 0;
    in.pacing.Reset();
    if (width <= 0 || height <= 0 || width > kLargestFrameSide || height > kLargestFrameSide) return E_INVALIDARG;
    // A graph left by an earlier start that the caller did not stop is released rather than leaked.
    in.graph.Release();
    return BuildGraph(in);
}

void StopVideoSource()
{
    VideoInput& in = Input();
    CAutoLock lock(&in.lock);
    in.graph.Release();
    in.frame.clear();
    in.frame.shrink_to_fit();
}

HRESULT FillVideoFrame(BYTE* data, size_t size)
{
    VideoInput& in = Input();
    CAutoLock lock(&in.lock);
    if (in.status == E_FRAME_NOTSUPPORTED) return E_FRAME_NOTSUPPORTED;
    if (in.path.empty() || !in.graph.source) return E_FRAME_NOFILE;
    if (!in.graph.nullRenderer) return E_FRAME_NOTSUPPORTED;

    if (ReachedEnd(in)) {
        // Played to its end: the file starts again from its beginning, whatever the repeat flag says. A start
        // that fails shows as the matching placeholder from the next frame on.
        const std::wstring path = in.path;
        StopVideoSource();
        (void)StartVideoSource(path, in.repeat, in.width, in.height);
    }

    if (!data || size != FrameBytes(in.width, in.height)) return S_FALSE;
    const uint32_t now = in.tick.load()();
    if (in.pacing.ShouldFetch(!in.frame.empty(), now)) {
        in.pacing.Fetched(now);
        if (FAILED(FetchVideoPicture(in))) return S_FALSE;
    }
    if (in.frame.size() != size) return S_FALSE;
    std::memcpy(data, in.frame.data(), size);
    return S_OK;
}

void SetVideoTickSource(uint32_t (*tick)()) { Input().tick.store(tick ? tick : &SystemTick); }
