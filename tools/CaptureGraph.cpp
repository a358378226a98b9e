#include "tools/CaptureGraph.h"

#include "filter/framework/MediaType.h"
#include "filter/settings/DeviceEnumeration.h"
#include "filter/sources/GraphOperations.h"

namespace {

// True when the pin is an output pin whose IKsPropertySet names PIN_CATEGORY_CAPTURE.
bool IsCapturePin(IPin* pin)
{
    PIN_DIRECTION direction;
    if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) return false;
    ComRef<IKsPropertySet> properties;
    if (FAILED(pin->QueryInterface(IID_IKsPropertySet, properties.PutVoid())) || !properties) return false;
    GUID category = GUID_NULL;
    DWORD returned = 0;
    return SUCCEEDED(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                                     sizeof category, &returned)) &&
           returned == sizeof category && IsEqualGUID(category, PIN_CATEGORY_CAPTURE);
}

OfferedFormat DescribeFormat(const AM_MEDIA_TYPE& type)
{
    OfferedFormat format;
    if (IsEqualGUID(type.majortype, MEDIATYPE_Video) && IsEqualGUID(type.subtype, MEDIASUBTYPE_RGB24) &&
        IsEqualGUID(type.formattype, FORMAT_VideoInfo) && type.pbFormat &&
        type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
        format.rgb24 = true;
        format.width = info->bmiHeader.biWidth;
        format.height = info->bmiHeader.biHeight;
    }
    return format;
}

}  // namespace

std::vector<std::wstring> ListVideoInputs()
{
    std::vector<std::wstring> names;
    ForEachVideoInputDevice([&names](IMoniker*, const std::wstring& name) {
        names.push_back(name);
        return true;
    });
    return names;
}

HRESULT OpenVideoInput(const std::wstring& name, ComRef<IBaseFilter>& device)
{
    device.Reset();
    HRESULT result = VFW_E_NOT_FOUND;
    ForEachVideoInputDevice([&](IMoniker* moniker, const std::wstring& deviceName) {
        if (deviceName != name) return true;
        result = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, device.PutVoid());
        if (SUCCEEDED(result) && !device) result = E_NOINTERFACE;
        return false;
    });
    return result;
}

HRESULT FindCapturePin(IBaseFilter* device, ComRef<IPin>& pin)
{
    pin.Reset();
    if (!device) return E_POINTER;
    ComRef<ICaptureGraphBuilder2> builder;
    if (SUCCEEDED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ICaptureGraphBuilder2, builder.PutVoid())) &&
        builder &&
        SUCCEEDED(builder->FindPin(device, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, nullptr, FALSE, 0, pin.Put())) &&
        pin)
        return S_OK;

    ComRef<IEnumPins> pins;
    HRESULT hr = device->EnumPins(pins.Put());
    if (FAILED(hr)) return hr;
    if (!pins) return VFW_E_NOT_FOUND;
    while (pins->Next(1, pin.Put(), nullptr) == S_OK && pin) {
        if (IsCapturePin(pin.Get())) return S_OK;
    }
    pin.Reset();
    return VFW_E_NOT_FOUND;
}

HRESULT SelectCaptureSize(IPin* pin, int width, int height, REFERENCE_TIME frameTime)
{
    if (!pin) return E_POINTER;
    ComRef<IAMStreamConfig> config;
    if (FAILED(pin->QueryInterface(IID_IAMStreamConfig, config.PutVoid())) || !config) return E_NOINTERFACE;
    int count = 0;
    int capsSize = 0;
    HRESULT hr = config->GetNumberOfCapabilities(&count, &capsSize);
    if (FAILED(hr)) return hr;
    if (count <= 0) return VFW_E_NOT_FOUND;
    // The capabilities block is at least a VIDEO_STREAM_CONFIG_CAPS, whatever size the pin claims.
    std::vector<BYTE> caps(capsSize > static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS))
                               ? static_cast<size_t>(capsSize)
                               : sizeof(VIDEO_STREAM_CONFIG_CAPS));
    std::vector<OfferedFormat> offered;
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        OfferedFormat format;
        if (SUCCEEDED(config->GetStreamCaps(i, &type, caps.data())) && type) format = DescribeFormat(*type);
        DeleteMediaType(type);
        offered.push_back(format);
    }
    const int index = FindOfferedSize(offered, width, height);
    if (index < 0) return VFW_E_NOT_FOUND;
    AM_MEDIA_TYPE* type = nullptr;
    hr = config->GetStreamCaps(index, &type, caps.data());
    if (FAILED(hr)) return hr;
    if (!type) return E_UNEXPECTED;
    if (frameTime != 0 && type->pbFormat && type->cbFormat >= sizeof(VIDEOINFOHEADER))
        reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->AvgTimePerFrame = frameTime;
    hr = config->SetFormat(type);
    DeleteMediaType(type);
    return hr;
}

FrameGrabberCallback::FrameGrabberCallback(int frames)
    : collector_(frames), complete_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

FrameGrabberCallback::~FrameGrabberCallback()
{
    if (complete_) CloseHandle(complete_);
}

bool FrameGrabberCallback::WaitForFrames(DWORD timeoutMs)
{
    const bool complete = complete_ && WaitForSingleObject(complete_, timeoutMs) == WAIT_OBJECT_0;
    CAutoLock lock(&lock_);
    collector_.Close();
    return complete;
}

std::vector<CapturedFrame> FrameGrabberCallback::TakeFrames()
{
    CAutoLock lock(&lock_);
    return collector_.Frames();
}

HRESULT STDMETHODCALLTYPE FrameGrabberCallback::SampleCB(double, IMediaSample* sample)
{
    if (!sample) return E_POINTER;
    CAutoLock lock(&lock_);
    if (collector_.Complete()) return S_OK;
    BYTE* data = nullptr;
    const long length = sample->GetActualDataLength();
    if (FAILED(sample->GetPointer(&data)) || !data || length < 0) return S_OK;  // nothing to keep of this one
    REFERENCE_TIME start = 0, end = 0;
    const HRESULT times = sample->GetTime(&start, &end);
    // S_OK: both times; VFW_S_NO_STOP_TIME: only the start; an error: none.
    collector_.Add(data, static_cast<size_t>(length), SUCCEEDED(times), start, times == S_OK, end);
    if (collector_.Complete() && complete_) SetEvent(complete_);
    return S_OK;
}

HRESULT CaptureGraph::Create(IBaseFilter* device)
{
    if (!device) return E_POINTER;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  graph_.PutVoid());
    if (FAILED(hr)) return hr;
    hr = graph_.QueryInterface(IID_IMediaControl, control_);
    if (FAILED(hr)) return hr;
    return graph_->AddFilter(device, L"Video Capture");
}

HRESULT CaptureGraph::Connect(IPin* capturePin, ISampleGrabberCB* callback)
{
    if (!graph_ || !capturePin) return E_POINTER;
    HRESULT hr = AddSampleGrabber(graph_.Get(), grabberFilter_, grabber_);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = grabber_->SetBufferSamples(FALSE)) || FAILED(hr = grabber_->SetOneShot(FALSE)) ||
        FAILED(hr = grabber_->SetCallback(callback, 0)))
        return hr;
    hr = AddNullRenderer(graph_.Get(), renderer_);
    if (FAILED(hr)) return hr;
    hr = ConnectToFreeInput(graph_.Get(), capturePin, grabberFilter_.Get());
    if (FAILED(hr)) return hr;
    hr = ConnectFilters(graph_.Get(), grabberFilter_.Get(), renderer_.Get());
    if (FAILED(hr)) return hr;
    // Paced by the process's one system clock unless the caller removes it.
    (void)UseSharedSystemClock(graph_.Get());
    return S_OK;
}

HRESULT CaptureGraph::ConnectRenderer(IPin* capturePin, IBaseFilter* renderer)
{
    if (!graph_ || !capturePin || !renderer) return E_POINTER;
    HRESULT hr = graph_->AddFilter(renderer, L"Renderer");
    if (FAILED(hr)) return hr;
    ComRef<IPin> input;
    hr = FindFreePin(renderer, PINDIR_INPUT, false, input.Put());
    if (FAILED(hr)) return hr;
    hr = graph_->ConnectDirect(capturePin, input.Get(), nullptr);
    if (FAILED(hr)) return hr;
    (void)UseSharedSystemClock(graph_.Get());
    return S_OK;
}

HRESULT CaptureGraph::RemoveClock()
{
    ComRef<IMediaFilter> filter;
    HRESULT hr = graph_.QueryInterface(IID_IMediaFilter, filter);
    if (FAILED(hr)) return hr;
    return filter->SetSyncSource(nullptr);
}

HRESULT CaptureGraph::ConnectedSize(int* width, int* height)
{
    if (!grabber_ || !width || !height) return E_POINTER;
    AM_MEDIA_TYPE type{};
    HRESULT hr = grabber_->GetConnectedMediaType(&type);
    if (FAILED(hr)) return hr;
    const OfferedFormat format = DescribeFormat(type);
    FreeMediaType(type);
    if (!format.rgb24) return VFW_E_INVALIDMEDIATYPE;
    *width = format.width;
    *height = format.height;
    return S_OK;
}

HRESULT CaptureGraph::Run()
{
    if (!control_) return E_UNEXPECTED;
    // S_FALSE: the graph is still on its way to running, which the wait for frames covers.
    return control_->Run();
}

HRESULT CaptureGraph::Pause()
{
    if (!control_) return E_UNEXPECTED;
    return control_->Pause();
}

void CaptureGraph::Stop()
{
    // A graph that fails to stop is released by its owner a moment later; the frames are already copied.
    if (control_) (void)control_->Stop();
}
