#include "filter/sources/CameraSource.h"

#include <dshow.h>

#include <atomic>
#include <cstring>
#include <utility>

#include "filter/framework/ComRef.h"
#include "filter/settings/DeviceEnumeration.h"
#include "filter/settings/DeviceLists.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/FrameGeometry.h"

namespace {

uint32_t SystemTick() { return GetTickCount(); }

std::atomic<uint32_t (*)()> g_tick{&SystemTick};

uint32_t Now() { return g_tick.load()(); }

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

}  // namespace

CameraInput::CameraInput(const std::wstring& name, int32_t useBorder, const std::wstring& borderFile) : name_(name)
{
    border_.Arm(useBorder != 0, borderFile);
}

void CameraInput::SetTickSource(uint32_t (*tick)()) { g_tick.store(tick ? tick : &SystemTick); }

HRESULT CameraInput::Start(int width, int height)
{
    Stop();
    std::wstring border;
    {
        CAutoLock lock(&lock_);
        width_ = width;
        height_ = height;
        status_ = E_FRAME_NOCAMERA;
        ready_.clear();
        deviceLost_ = false;
        started_ = Now();
        border = border_.Active();
    }
    // The virtual camera inside its own graph would feed on itself.
    if (name_.empty() || name_ == kOwnDeviceName) return E_FRAME_NOCAMERA;
    ComRef<IBaseFilter> camera;
    HRESULT hr = FindCameraFilter(name_, camera);
    if (SUCCEEDED(hr)) {
        borderPicture_.Start(width, height, border);
        hr = graph_.BuildFromDevice(camera.Get(), [this](const VIDEOINFOHEADER& format, const uint8_t* data,
                                                         size_t bytes) { OnSample(format, data, bytes); });
    }
    if (SUCCEEDED(hr)) hr = graph_.Run();
    if (FAILED(hr)) {
        // Whatever failed, the input shows that there is no camera.
        Stop();
        return E_FRAME_NOCAMERA;
    }
    (void)events_.Start([this](HANDLE stop) { WatchEvents(stop); });
    CAutoLock lock(&lock_);
    status_ = S_OK;
    started_ = Now();
    return S_OK;
}

void CameraInput::Stop()
{
    events_.Stop();
    graph_.Release();
    borderPicture_.Stop();
    CAutoLock lock(&lock_);
    status_ = E_FRAME_NOCAMERA;
    ready_.clear();
    ready_.shrink_to_fit();
}

bool CameraInput::Running()
{
    CAutoLock lock(&lock_);
    return status_ == S_OK;
}

void CameraInput::OnSample(const VIDEOINFOHEADER& format, const uint8_t* data, size_t bytes)
{
    std::vector<uint8_t> frame;
    if (!ConvertSampleToFrame(format, data, bytes, width_, height_, scaler_, frame)) return;
    if (const auto border = borderPicture_.Current()) {
        if (border->size() == frame.size() / 3 * 4) BlendPremultipliedOver(frame.data(), border->data(), frame.size() / 3);
    }
    CAutoLock lock(&lock_);
    ready_.swap(frame);
    lastSample_ = Now();
    deviceLost_ = false;
}

void CameraInput::WatchEvents(HANDLE stop)
{
    HANDLE events = graph_.EventHandle();
    for (;;) {
        HANDLE waits[2] = {stop, events};
        // Without an event handle the events are looked at ten times a second.
        const DWORD woken = WaitForMultipleObjects(events ? 2 : 1, waits, FALSE, events ? INFINITE : 100);
        if (woken == WAIT_OBJECT_0) return;
        long code = 0;
        while (graph_.NextEvent(&code)) {
            if (code != EC_DEVICE_LOST) continue;
            CAutoLock lock(&lock_);
            deviceLost_ = true;
        }
    }
}

HRESULT CameraInput::Fill(uint8_t* frame, size_t size)
{
    CAutoLock lock(&lock_);
    if (status_ != S_OK || deviceLost_) return E_FRAME_NOCAMERA;
    const uint32_t now = Now();
    if (ready_.empty()) return now - started_ > kStallMilliseconds ? E_FRAME_NOCAMERA : S_FALSE;
    if (now - lastSample_ > kStallMilliseconds) return E_FRAME_NOCAMERA;
    if (!frame || size != ready_.size()) return S_FALSE;
    std::memcpy(frame, ready_.data(), size);
    return S_OK;
}

void CameraInput::SetBorderEnabled(bool on)
{
    std::wstring active;
    {
        CAutoLock lock(&lock_);
        border_.SetEnabled(on);
        active = border_.Active();
    }
    borderPicture_.SetPath(active);
}

void CameraInput::AssignBorder(const std::wstring& path)
{
    {
        CAutoLock lock(&lock_);
        border_.Assign(path);
    }
    borderPicture_.SetPath(path);
}

std::wstring CameraInput::ActiveBorder()
{
    CAutoLock lock(&lock_);
    return border_.Active();
}

std::wstring CameraInput::HeldBorder()
{
    CAutoLock lock(&lock_);
    return border_.Held();
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

