#include "filter/sources/PrivateGraph.h"

#include <cstring>
#include <new>
#include <utility>

#include "filter/framework/CritSec.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/FrameGeometry.h"
#include "filter/sources/GdiplusCanvas.h"
#include "filter/sources/GraphOperations.h"

// Hands each sample to the owner's handler. Reference counted, as the grabber holds it; the handler is dropped
// under the lock before the owner goes, so a late call from the graph finds nothing to call.
class GrabberCallback final : public ISampleGrabberCB {
public:
    GrabberCallback(PrivateGraph::SampleHandler handler, const VIDEOINFOHEADER& format)
        : handler_(std::move(handler)), format_(format)
    {
    }
    void Detach()
    {
        CAutoLock lock(&lock_);
        handler_ = nullptr;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ISampleGrabberCB)) return E_NOINTERFACE;
        *object = static_cast<ISampleGrabberCB*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = InterlockedDecrement(&refs_);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }
    HRESULT STDMETHODCALLTYPE SampleCB(double, IMediaSample* sample) override
    {
        if (!sample) return S_OK;
        BYTE* data = nullptr;
        const long bytes = sample->GetActualDataLength();
        if (FAILED(sample->GetPointer(&data)) || !data || bytes <= 0) return S_OK;
        CAutoLock lock(&lock_);
        if (!handler_) return S_OK;
        try {
            handler_(format_, data, static_cast<size_t>(bytes));
        } catch (...) {
            // A sample that could not be converted (no memory) is skipped; the next one may fare better.
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BufferCB(double, BYTE*, long) override { return E_NOTIMPL; }

private:
    ~GrabberCallback() = default;
    CCritSec lock_;
    PrivateGraph::SampleHandler handler_;
    VIDEOINFOHEADER format_;
    volatile LONG refs_ = 1;
};

HRESULT PrivateGraph::CreateGraph()
{
    Release();
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  graph_.PutVoid());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = graph_->QueryInterface(IID_IMediaControl, control_.PutVoid()))) return hr;
    if (FAILED(hr = graph_->QueryInterface(IID_IMediaEventEx, events_.PutVoid()))) return hr;
    return AddSampleGrabber(graph_.Get(), grabberFilter_, grabber_);
}

HRESULT PrivateGraph::Finish(SampleHandler onSample, int maxSide)
{
    HRESULT hr = AddNullRenderer(graph_.Get(), renderer_);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = ConnectFilters(graph_.Get(), grabberFilter_.Get(), renderer_.Get()))) return hr;

    AM_MEDIA_TYPE connected{};
    if (FAILED(hr = grabber_->GetConnectedMediaType(&connected))) return hr;
    const bool videoInfo = connected.formattype == FORMAT_VideoInfo && connected.pbFormat &&
                           connected.cbFormat >= sizeof(VIDEOINFOHEADER);
    if (videoInfo) format_ = *reinterpret_cast<const VIDEOINFOHEADER*>(connected.pbFormat);
    FreeMediaTypeFields(connected);
    if (!videoInfo) return E_FRAME_NOTSUPPORTED;
    const BITMAPINFOHEADER& header = format_.bmiHeader;
    const long height = header.biHeight < 0 ? -static_cast<long>(header.biHeight) : header.biHeight;
    if (header.biWidth <= 0 || height <= 0 || header.biWidth > maxSide || height > maxSide) return E_FRAME_NOTSUPPORTED;

    callback_ = new (std::nothrow) GrabberCallback(std::move(onSample), format_);
    if (!callback_) return E_OUTOFMEMORY;
    if (FAILED(hr = grabber_->SetBufferSamples(FALSE))) return hr;
    return grabber_->SetCallback(callback_, 0);
}

HRESULT PrivateGraph::BuildFromDevice(IBaseFilter* source, SampleHandler onSample)
{
    if (!source) return E_POINTER;
    HRESULT hr = CreateGraph();
    if (FAILED(hr)) return hr;
    source_.CopyFrom(source);
    if (FAILED(hr = graph_->AddFilter(source, nullptr))) return hr;
    hr = ConnectFirstConnectablePin(graph_.Get(), source, grabberFilter_.Get(), sourcePins_, lastPin_);
    if (FAILED(hr)) return hr;
    // No clock: no clock thread is started either (Wine's system clock can hang while it is released).
    ComRef<IMediaFilter> timing;
    if (SUCCEEDED(graph_->QueryInterface(IID_IMediaFilter, timing.PutVoid())) && timing) {
        if (FAILED(hr = timing->SetSyncSource(nullptr))) return hr;
    }
    // Any size a camera delivers is fitted into the frame.
    return Finish(std::move(onSample), 1 << 15);
}

HRESULT PrivateGraph::BuildFromFile(const std::wstring& path, int maxSide, SampleHandler onSample)
{
    HRESULT hr = CreateGraph();
    if (FAILED(hr)) return hr;
    if (path.empty() || FAILED(graph_->AddSourceFilter(path.c_str(), L"Source", source_.Put())) || !source_)
        return E_FRAME_NOFILE;
    // Intelligent connect puts the splitter and decoder the file needs between a source pin and the grabber.
    if (FAILED(ConnectFirstConnectablePin(graph_.Get(), source_.Get(), grabberFilter_.Get(), sourcePins_, lastPin_)))
        return E_FRAME_NOTSUPPORTED;
    hr = Finish(std::move(onSample), maxSide);
    if (FAILED(hr)) return hr;
    // The file plays at its own pace against a clock, set once every filter is in the graph; without the shared
    // one the graph would keep its default.
    (void)UseSharedSystemClock(graph_.Get());
    return S_OK;
}

HRESULT PrivateGraph::Run()
{
    return control_ ? control_->Run() : E_UNEXPECTED;
}

HRESULT PrivateGraph::SeekToStart()
{
    if (!graph_) return E_UNEXPECTED;
    ComRef<IMediaSeeking> seeking;
    HRESULT hr = graph_->QueryInterface(IID_IMediaSeeking, seeking.PutVoid());
    if (FAILED(hr)) return hr;
    LONGLONG start = 0;
    hr = seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    if (FAILED(hr)) return hr;
    // A graph that stopped by itself at the end runs again; one still running goes on from the start.
    return control_->Run();
}

HANDLE PrivateGraph::EventHandle()
{
    OAEVENT handle = 0;
    if (!events_ || FAILED(events_->GetEventHandle(&handle))) return nullptr;
    return reinterpret_cast<HANDLE>(handle);
}

bool PrivateGraph::NextEvent(long* code)
{
    if (!events_) return false;
    LONG_PTR first = 0;
    LONG_PTR second = 0;
    if (events_->GetEvent(code, &first, &second, 0) != S_OK) return false;
    // Frees what the event carried; nothing to do should it fail.
    (void)events_->FreeEventParams(*code, first, second);
    return true;
}

void PrivateGraph::Release()
{
    // Stop the graph's threads before the filters go; a graph that never ran answers Stop at once.
    if (control_) (void)control_->Stop();
    if (callback_) {
        callback_->Detach();
        if (grabber_) (void)grabber_->SetCallback(nullptr, 0);
        callback_->Release();
        callback_ = nullptr;
    }
    // The pins and the interfaces on filters go before the graph that holds the filters.
    lastPin_.Reset();
    sourcePins_.Reset();
    grabber_.Reset();
    grabberFilter_.Reset();
    renderer_.Reset();
    source_.Reset();
    events_.Reset();
    control_.Reset();
    graph_.Reset();
    format_ = VIDEOINFOHEADER{};
}

bool ConvertSampleToFrame(const VIDEOINFOHEADER& format, const uint8_t* data, size_t bytes, int width, int height,
                          FrameScaler& scaler, std::vector<uint8_t>& frame)
{
    const BITMAPINFOHEADER& header = format.bmiHeader;
    if (!data || width <= 0 || height <= 0 || header.biWidth <= 0 || header.biHeight == 0) return false;
    const size_t frameBytes = FrameBytes(width, height);
    const size_t stride = (static_cast<size_t>(header.biWidth) * header.biBitCount + 31) / 32 * 4;
    const size_t rows = static_cast<size_t>(header.biHeight < 0 ? -static_cast<long>(header.biHeight) : header.biHeight);
    const bool uncompressed = header.biCompression == BI_RGB;
    if (uncompressed && bytes < stride * rows) return false;
    std::vector<uint8_t> made(frameBytes, 0);
    const int sourceHeight = static_cast<int>(rows);
    if (uncompressed && header.biBitCount == 24 && header.biWidth == width && header.biHeight == height &&
        stride == FrameRowBytes(width)) {
        std::memcpy(made.data(), data, frameBytes);
    } else if (uncompressed && header.biBitCount == 24) {
        const FitRect rect = FitRectangle(width, height, SourceAspect(header.biWidth, sourceHeight));
        if (rect.width <= 0 || rect.height <= 0) return false;
        if (!scaler.IsPreparedFor(header.biWidth, sourceHeight, rect.width, rect.height) &&
            !scaler.Prepare(header.biWidth, sourceHeight, rect.width, rect.height))
            return false;
        // A top-down sample (a negative height) is read from its last row up, so it lands upright.
        const ptrdiff_t sourceStride = static_cast<ptrdiff_t>(stride);
        const uint8_t* first = header.biHeight < 0 ? data + sourceStride * (sourceHeight - 1) : data;
        const ptrdiff_t frameStride = static_cast<ptrdiff_t>(FrameRowBytes(width));
        // The rectangle is measured from the top; the frame's rows are stored bottom-up.
        uint8_t* corner = made.data() + frameStride * (height - rect.y - rect.height) +
                          static_cast<ptrdiff_t>(FrameRowBytes(rect.x));
        scaler.Scale(first, header.biHeight < 0 ? -sourceStride : sourceStride, corner, frameStride);
    } else {
        StreamBitmap picture;
        if (FAILED(DecodeDibFrame(header, data, uncompressed ? stride * rows : bytes, &picture))) return false;
        GpBitmapPtr canvas = CreateCanvas(width, height);
        if (!canvas) return false;
        // A sample GDI+ cannot decode gives no picture: the canvas, and so the frame, stays black.
        DrawImageFitted(canvas.get(), picture.Get(), width, height);
        if (!CanvasToFrame(canvas.get(), width, height, made.data())) return false;
    }
    frame.swap(made);
    return true;
}
