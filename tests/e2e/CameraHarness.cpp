#include "CameraHarness.h"

#include <algorithm>

#ifndef VELTRANE_CAMERA_DIR
#error "VELTRANE_CAMERA_DIR must name the built module's folder"
#endif

namespace {

const wchar_t kSettingsKey[] = L"SOFTWARE\\Veltrane";

constexpr DWORD kPollMs = 20;

}  // namespace

std::wstring CameraFolder()
{
    std::wstring path = VELTRANE_CAMERA_DIR;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

SavedSettingsKey::SavedSettingsKey()
{
    // Absent already is what is wanted.
    (void)RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
}

SavedSettingsKey::~SavedSettingsKey()
{
    (void)RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
}

bool SavedSettingsKey::Number(const wchar_t* name, DWORD value)
{
    return RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof value) ==
           ERROR_SUCCESS;
}

bool SavedSettingsKey::String(const wchar_t* name, const std::wstring& value)
{
    return RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::vector<CapturedFrame> FrameRecorder::TakeNew()
{
    CAutoLock lock(&lock_);
    std::vector<CapturedFrame> taken;
    taken.swap(frames_);
    return taken;
}

bool FrameRecorder::WaitFor(const std::function<bool(const CapturedFrame&)>& check, DWORD timeoutMs,
                            CapturedFrame* found)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        for (CapturedFrame& frame : TakeNew()) {
            if (check(frame)) {
                if (found) *found = std::move(frame);
                return true;
            }
        }
        if (GetTickCount64() >= deadline) return false;
        Sleep(kPollMs);
    }
}

bool FrameRecorder::WaitForCount(size_t count, DWORD timeoutMs, std::vector<CapturedFrame>* frames)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    frames->clear();
    for (;;) {
        for (CapturedFrame& frame : TakeNew()) {
            if (frames->size() < count) frames->push_back(std::move(frame));
        }
        if (frames->size() >= count) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(kPollMs);
    }
}

HRESULT STDMETHODCALLTYPE FrameRecorder::SampleCB(double, IMediaSample* sample)
{
    if (!sample) return E_POINTER;
    BYTE* data = nullptr;
    const long length = sample->GetActualDataLength();
    if (FAILED(sample->GetPointer(&data)) || !data || length < 0) return S_OK;
    REFERENCE_TIME start = 0, end = 0;
    const HRESULT times = sample->GetTime(&start, &end);
    CapturedFrame frame;
    frame.hasStart = SUCCEEDED(times);
    frame.hasEnd = times == S_OK;
    frame.start = start;
    frame.end = end;
    frame.bytes.assign(data, data + length);
    CAutoLock lock(&lock_);
    frames_.push_back(std::move(frame));
    return S_OK;
}

HRESULT CameraGraph::Open(const std::wstring& name)
{
    HRESULT hr = OpenVideoInput(name, device);
    if (FAILED(hr)) return hr;
    hr = graph.Create(device.Get());
    if (FAILED(hr)) return hr;
    return FindCapturePin(device.Get(), pin);
}

HRESULT CameraGraph::Connect(ISampleGrabberCB* recorder)
{
    HRESULT hr = graph.Connect(pin.Get(), recorder);
    if (FAILED(hr)) return hr;
    return graph.ConnectedSize(&width, &height);
}
