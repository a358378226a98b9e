#include "filter/sources/GraphOperations.h"

#include <new>
#include <utility>

HRESULT FindFreePin(IBaseFilter* filter, PIN_DIRECTION direction, bool connected, IPin** pin)
{
    if (!filter || !pin) return E_POINTER;
    *pin = nullptr;
    ComRef<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.Put());
    if (FAILED(hr)) return hr;
    if (!pins) return E_UNEXPECTED;

    for (;;) {
        ComRef<IPin> candidate;
        hr = pins->Next(1, candidate.Put(), nullptr);
        if (FAILED(hr)) return hr;
        if (hr != S_OK || !candidate) return VFW_E_NOT_FOUND;
        PIN_DIRECTION candidateDirection;
        if (FAILED(candidate->QueryDirection(&candidateDirection)) || candidateDirection != direction) continue;
        ComRef<IPin> peer;
        const bool isFree = candidate->ConnectedTo(peer.Put()) == VFW_E_NOT_CONNECTED;
        if (isFree != connected) {
            *pin = candidate.Get();
            (*pin)->AddRef();
            return S_OK;
        }
    }
}

HRESULT ConnectToFreeInput(IGraphBuilder* graph, IPin* output, IBaseFilter* filter)
{
    if (!graph || !output || !filter) return E_POINTER;
    ComRef<IPin> input;
    HRESULT hr = FindFreePin(filter, PINDIR_INPUT, false, input.Put());
    if (FAILED(hr)) return hr;
    return graph->Connect(output, input.Get());
}

HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* upstream, IBaseFilter* downstream)
{
    if (!graph || !upstream || !downstream) return E_POINTER;
    ComRef<IPin> output;
    HRESULT hr = FindFreePin(upstream, PINDIR_OUTPUT, false, output.Put());
    if (FAILED(hr)) return hr;
    return ConnectToFreeInput(graph, output.Get(), downstream);
}

HRESULT ConnectFirstConnectablePin(IGraphBuilder* graph, IBaseFilter* source, IBaseFilter* target,
                                   ComRef<IEnumPins>& pins, ComRef<IPin>& lastPin)
{
    if (!graph || !source || !target) return E_POINTER;
    HRESULT hr = source->EnumPins(pins.Put());
    if (FAILED(hr)) return hr;
    if (!pins) return E_UNEXPECTED;
    HRESULT result = VFW_E_NOT_FOUND;
    for (;;) {
        hr = pins->Next(1, lastPin.Put(), nullptr);
        if (FAILED(hr)) return hr;
        if (hr != S_OK || !lastPin) return result;
        result = ConnectToFreeInput(graph, lastPin.Get(), target);
        if (SUCCEEDED(result)) return result;
    }
}

HRESULT AddSampleGrabber(IGraphBuilder* graph, ComRef<IBaseFilter>& filter, ComRef<ISampleGrabber>& grabber)
{
    if (!graph) return E_POINTER;
    HRESULT hr =
        CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.PutVoid());
    if (FAILED(hr)) return hr;
    hr = graph->AddFilter(filter.Get(), L"Sample Grabber");
    if (FAILED(hr)) return hr;
    hr = filter->QueryInterface(IID_ISampleGrabber, grabber.PutVoid());
    if (FAILED(hr)) return hr;
    // 24-bit RGB video in whatever format block the upstream filter offers; the rest stays zero.
    AM_MEDIA_TYPE wanted{};
    wanted.majortype = MEDIATYPE_Video;
    wanted.subtype = MEDIASUBTYPE_RGB24;
    wanted.formattype = GUID_NULL;
    return grabber->SetMediaType(&wanted);
}

HRESULT AddNullRenderer(IGraphBuilder* graph, ComRef<IBaseFilter>& renderer)
{
    if (!graph) return E_POINTER;
    HRESULT hr =
        CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, renderer.PutVoid());
    if (FAILED(hr)) return hr;
    return graph->AddFilter(renderer.Get(), L"Null Filter");
}

void FreeMediaTypeFields(AM_MEDIA_TYPE& type)
{
    if (type.pbFormat) CoTaskMemFree(type.pbFormat);
    type.pbFormat = nullptr;
    type.cbFormat = 0;
    if (type.pUnk) type.pUnk->Release();
    type.pUnk = nullptr;
}

HRESULT GrabbedSample::Decode(StreamBitmap* bitmap)
{
    if (!bitmap) return E_POINTER;
    if (!pixels) {
        bitmap->Reset();
        return E_UNEXPECTED;
    }
    return pixels->Decode(format.bmiHeader, bitmap);
}

HRESULT FetchGrabbedSample(ISampleGrabber* grabber, GrabbedSample* sample)
{
    if (!grabber || !sample) return E_POINTER;
    sample->pixels.reset();
    LONG size = 0;
    HRESULT hr = grabber->GetCurrentBuffer(&size, nullptr);
    if (FAILED(hr)) return hr;
    if (size <= 0) return S_FALSE;

    auto pixels = std::unique_ptr<DibImage>(new (std::nothrow) DibImage(static_cast<size_t>(size)));
    if (!pixels || !pixels->Pixels()) return E_OUTOFMEMORY;
    LONG copied = size;
    hr = grabber->GetCurrentBuffer(&copied, reinterpret_cast<LONG*>(pixels->Pixels()));
    // A sample that grew since the size query does not fit (the grabber refuses the copy); one that shrank leaves
    // part of the buffer unwritten. Both mean a new sample arrived in between: there is a fresher one next time.
    if (hr == E_OUTOFMEMORY || (SUCCEEDED(hr) && copied != size)) return S_FALSE;
    if (FAILED(hr)) return hr;

    AM_MEDIA_TYPE connected{};
    hr = grabber->GetConnectedMediaType(&connected);
    if (FAILED(hr)) return hr;
    const bool videoInfo = connected.formattype == FORMAT_VideoInfo && connected.pbFormat != nullptr &&
                           connected.cbFormat >= sizeof(VIDEOINFOHEADER);
    if (videoInfo) sample->format = *reinterpret_cast<const VIDEOINFOHEADER*>(connected.pbFormat);
    FreeMediaTypeFields(connected);
    if (!videoInfo) return VFW_E_INVALIDMEDIATYPE;
    sample->pixels = std::move(pixels);
    return S_OK;
}

IReferenceClock* SharedSystemClock()
{
    // Created by the first caller (thread-safe static initialisation); the reference is kept for the life of the
    // process on purpose.
    static IReferenceClock* const clock = [] {
        IReferenceClock* created = nullptr;
        if (FAILED(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                                    reinterpret_cast<void**>(&created))))
            return static_cast<IReferenceClock*>(nullptr);
        return created;
    }();
    return clock;
}

HRESULT UseSharedSystemClock(IGraphBuilder* graph)
{
    if (!graph) return E_POINTER;
    IReferenceClock* clock = SharedSystemClock();
    if (!clock) return S_FALSE;
    ComRef<IMediaFilter> filter;
    HRESULT hr = graph->QueryInterface(IID_IMediaFilter, filter.PutVoid());
    if (FAILED(hr)) return hr;
    return filter->SetSyncSource(clock);
}
