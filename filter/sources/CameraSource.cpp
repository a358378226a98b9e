#include "filter/sources/CameraSource.h"

#include <dshow.h>

#include <cstring>

#include "filter/framework/ComRef.h"
#include "filter/settings/DeviceEnumeration.h"
#include "filter/settings/DeviceLists.h"
#include "filter/sources/BorderPicture.h"
#include "filter/sources/CameraBorder.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/GraphOperations.h"

namespace {

struct CameraInput {
    CCritSec lock;
    CameraBorder border;
    BorderPicture borderPicture;
    std::wstring name;  // empty while no camera graph exists
    int width = kFrameWidth;
    int height = kFrameHeight;

    ComRef<IGraphBuilder> graph;
    ComRef<IMediaControl> control;
    ComRef<IMediaEventEx> events;
    ComRef<IBaseFilter> camera;
    ComRef<IBaseFilter> grabberFilter;
    ComRef<ISampleGrabber> grabber;
    ComRef<IBaseFilter> renderer;
    ComRef<IEnumPins> pins;
    ComRef<IPin> lastPin;
};

CameraInput& Input()
{
    static CameraInput input;
    return input;
}

// Binds the device named name; when several carry the name, the last one counts.
HRESULT FindCameraFilter(const std::wstring& name, ComRef<IBaseFilter>& filter)
{
    ForEachVideoInputDevice([&](IMoniker* moniker, const std::wstring& deviceName) {
        if (deviceName == name) {
            ComRef<IBaseFilter> bound;
            if (SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, bound.PutVoid())) && bound) {
                bound->AddRef();
                *filter.Put() = bound.Get();
            }
        }
        return true;
    });
    return filter ? S_OK : E_FRAME_NOCAMERA;
}

HRESULT BuildCameraGraph(CameraInput& in)
{
    HRESULT hr = FindCameraFilter(in.name, in.camera);
    if (FAILED(hr)) return hr;
    hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, in.graph.PutVoid());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = in.graph->QueryInterface(IID_IMediaControl, in.control.PutVoid()))) return hr;
    if (FAILED(hr = in.graph->QueryInterface(IID_IMediaEventEx, in.events.PutVoid()))) return hr;
    if (FAILED(hr = in.graph->AddFilter(in.camera.Get(), nullptr))) return hr;
    if (FAILED(hr = AddSampleGrabber(in.graph.Get(), in.grabberFilter, in.grabber))) return hr;
    hr = ConnectFirstConnectablePin(in.graph.Get(), in.camera.Get(), in.grabberFilter.Get(), in.pins, in.lastPin);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = AddNullRenderer(in.graph.Get(), in.renderer))) return hr;
    if (FAILED(hr = ConnectFilters(in.graph.Get(), in.grabberFilter.Get(), in.renderer.Get()))) return hr;
    // The grabber keeps a copy of the newest sample, which the producer takes when it needs a frame.
    if (FAILED(hr = in.grabber->SetBufferSamples(TRUE))) return hr;
    // A live camera paces itself, so the graph needs no reference clock: without one the Null Renderer takes each
    // sample as it comes, and no clock thread is started (Wine's system clock can hang while it is released).
    ComRef<IMediaFilter> timing;
    if (SUCCEEDED(in.graph->QueryInterface(IID_IMediaFilter, timing.PutVoid())) && timing) {
        if (FAILED(hr = timing->SetSyncSource(nullptr))) return hr;
    }
    return in.control->Run();
}

// Draws the grabbed picture into the width x height sample: fitted on a black canvas, or as it is when it already
// has the frame's size, with the active border over it.
HRESULT DrawGrabbedPicture(CameraInput& in, GrabbedSample& grabbed, CameraFramePath path, BYTE* data)
{
    StreamBitmap picture;
    HRESULT hr = grabbed.Decode(&picture);
    if (FAILED(hr)) return hr;

    if (path == CameraFramePath::BorderOnly && picture) {
        GpGraphicsPtr graphics = CanvasGraphics(picture.Get());
        if (graphics) in.borderPicture.Draw(graphics.get(), in.border.Active(), in.width, in.height);
        graphics.reset();
        CanvasToFrame(picture.Get(), in.width, in.height, data);
        return S_OK;
    }

    GpBitmapPtr canvas = CreateCanvas(in.width, in.height);
    if (!canvas) return E_OUTOFMEMORY;
    DrawImageFitted(canvas.get(), picture.Get(), in.width, in.height);
    if (!in.border.Active().empty()) {
        GpGraphicsPtr graphics = CanvasGraphics(canvas.get());
        if (graphics) in.borderPicture.Draw(graphics.get(), in.border.Active(), in.width, in.height);
    }
    CanvasToFrame(canvas.get(), in.width, in.height, data);
    return S_OK;
}

// The camera already delivers packed 24-bit frames of the output's size and no border is wanted: the grabber copies
// its newest sample straight into the output sample, the one copy the frame needs. S_FALSE when that does not
// apply (the caller then takes the general path), otherwise the grabber's result.
HRESULT CopyUnscaled(CameraInput& in, BYTE* data, size_t size)
{
    if (!in.border.Active().empty()) return S_FALSE;
    AM_MEDIA_TYPE type{};
    HRESULT hr = in.grabber->GetConnectedMediaType(&type);
    if (FAILED(hr)) return S_FALSE;
    bool applies = type.formattype == FORMAT_VideoInfo && type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER);
    if (applies) {
        const BITMAPINFOHEADER& header = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
        applies = ChooseCameraFramePath(header.biWidth, header.biHeight, in.width, in.height, false) ==
                      CameraFramePath::Copy &&
                  header.biBitCount == 24 && header.biCompression == BI_RGB;
    }
    FreeMediaTypeFields(type);
    if (!applies) return S_FALSE;

    long bytes = 0;
    hr = in.grabber->GetCurrentBuffer(&bytes, nullptr);
    if (FAILED(hr)) return hr;
    if (bytes <= 0 || static_cast<size_t>(bytes) != size) return S_FALSE;
    hr = in.grabber->GetCurrentBuffer(&bytes, reinterpret_cast<long*>(data));
    // A sample that grew between the two calls is refused by the grabber without writing; the general path
    // handles it on this very frame.
    return SUCCEEDED(hr) && static_cast<size_t>(bytes) == size ? S_OK : S_FALSE;
}

}  // namespace

CCritSec& CameraLock() { return Input().lock; }

HRESULT StartCameraSource(const std::wstring& name, int32_t useBorder, const std::wstring& borderFile, int width,
                          int height)
{
    CameraInput& in = Input();
    CAutoLock lock(&in.lock);
    in.border.Arm(useBorder != 0, borderFile);
    in.width = width;
    in.height = height;
    if (name.empty()) return E_FRAME_NOCAMERA;
    if (name == in.name) return S_OK;
    in.name = name;
    // The virtual camera inside its own graph would feed on itself.
    if (name == kOwnDeviceName) return E_FRAME_NOCAMERA;
    return BuildCameraGraph(in);
}

void StopCameraSource()
{
    CameraInput& in = Input();
    CAutoLock lock(&in.lock);
    // Stop the graph's threads before the filters go; a graph that never ran answers Stop at once.
    if (in.control) in.control->Stop();
    in.graph.Reset();
    in.control.Reset();
    in.events.Reset();
    in.grabberFilter.Reset();
    in.grabber.Reset();
    in.camera.Reset();
    in.pins.Reset();
    in.lastPin.Reset();
    in.renderer.Reset();
    in.name.clear();
    in.border.Disarm();
    in.borderPicture.Forget();
}

bool CameraBorderPictureHeld()
{
    CameraInput& in = Input();
    CAutoLock lock(&in.lock);
    return in.borderPicture.HoldsPicture();
}

HRESULT FillCameraFrame(BYTE* data, size_t size)
{
    CameraInput& in = Input();
    CAutoLock lock(&in.lock);
    if (in.name.empty()) return E_FRAME_NOCAMERA;
    if (!in.grabber) return S_FALSE;

    if (data != nullptr && size == FrameBytes(in.width, in.height)) {
        HRESULT copied = CopyUnscaled(in, data, size);
        if (copied != S_FALSE) return copied;
    }

    GrabbedSample grabbed;
    HRESULT hr = FetchGrabbedSample(in.grabber.Get(), &grabbed);
    if (hr != S_OK) return hr;
    if (data == nullptr || size != FrameBytes(in.width, in.height)) return S_FALSE;

    const BITMAPINFOHEADER& header = grabbed.format.bmiHeader;
    CameraFramePath path = ChooseCameraFramePath(header.biWidth, header.biHeight, in.width, in.height,
                                                 !in.border.Active().empty());
    // The grabbed bytes are the frame only when they are packed 24-bit rows of exactly the sample's size.
    const bool packed24 = header.biBitCount == 24 && header.biCompression == BI_RGB;
    if (path == CameraFramePath::Copy && packed24 && grabbed.pixels->PixelBytes() >= size) {
        std::memcpy(data, grabbed.pixels->Pixels(), size);
        return S_OK;
    }
    if (path == CameraFramePath::Copy) path = CameraFramePath::Fitted;
    return DrawGrabbedPicture(in, grabbed, path, data);
}

HRESULT ShowCameraProperties(const std::wstring& name, HWND owner)
{
    HRESULT result = S_OK;
    if (name == kOwnDeviceName) return result;
    ForEachVideoInputDevice([&](IMoniker* moniker, const std::wstring& deviceName) {
        if (deviceName != name) return true;
        ComRef<IBaseFilter> filter;
        HRESULT hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid());
        if (FAILED(hr) || !filter) {
            result = FAILED(hr) ? hr : S_FALSE;
            return false;
        }
        ComRef<ISpecifyPropertyPages> specify;
        if (FAILED(filter->QueryInterface(IID_ISpecifyPropertyPages, specify.PutVoid()))) return true;
        CAUUID pages{};
        if (SUCCEEDED(specify->GetPages(&pages)) && pages.cElems > 0 && pages.pElems) {
            IUnknown* object = filter.Get();
            // The frame is modal; its result (the user closed it, or it could not be shown) changes nothing here.
            OleCreatePropertyFrame(owner, 30, 30, nullptr, 1, &object, pages.cElems, pages.pElems, 0, 0, nullptr);
        }
        CoTaskMemFree(pages.pElems);
        return true;
    });
    return result;
}

void SetBorderEnabled(int32_t on)
{
    CAutoLock lock(&Input().lock);
    Input().border.SetEnabled(on != 0);
}

void AssignBorderPath(const std::wstring& path)
{
    CAutoLock lock(&Input().lock);
    Input().border.Assign(path);
}

std::wstring ActiveBorderPath()
{
    CAutoLock lock(&Input().lock);
    return Input().border.Active();
}

std::wstring HeldBorderPath()
{
    CAutoLock lock(&Input().lock);
    return Input().border.Held();
}

std::wstring CurrentCameraName()
{
    CAutoLock lock(&Input().lock);
    return Input().name;
}
