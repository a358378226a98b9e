#pragma once
// What the end-to-end tests of the "Veltrane" camera stand on: the user's saved settings in the registry, a
// Sample Grabber callback recording every frame, and a host's graph around the device.
#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "filter/framework/CritSec.h"
#include "tools/CaptureGraph.h"

// The built module's folder (with Data\ and Borders\ next to Veltrane.ax), as a Windows path ending in '\'.
std::wstring CameraFolder();

// HKCU\SOFTWARE\Veltrane as a user's saved settings leave it; the key is emptied on construction and removed on
// destruction.
class SavedSettingsKey {
public:
    SavedSettingsKey();
    ~SavedSettingsKey();
    SavedSettingsKey(const SavedSettingsKey&) = delete;
    SavedSettingsKey& operator=(const SavedSettingsKey&) = delete;
    bool Number(const wchar_t* name, DWORD value);
    bool String(const wchar_t* name, const std::wstring& value);
};

// Records the frames the grabber sees; the test takes them as they come.
class FrameRecorder : public OwnedGrabberCallback {
public:
    // Moves out the frames recorded since the last call.
    std::vector<CapturedFrame> TakeNew();
    // Takes frames until `check` accepts one (true) or timeoutMs passed (false). Polls; frames are not lost.
    bool WaitFor(const std::function<bool(const CapturedFrame&)>& check, DWORD timeoutMs,
                 CapturedFrame* found = nullptr);
    // Takes frames until `count` arrived (all of them in order in `frames`) or timeoutMs passed.
    bool WaitForCount(size_t count, DWORD timeoutMs, std::vector<CapturedFrame>* frames);

    HRESULT STDMETHODCALLTYPE SampleCB(double sampleTime, IMediaSample* sample) override;

private:
    CCritSec lock_;
    std::vector<CapturedFrame> frames_;
};

// The "Veltrane" device opened as a host opens it, connected to the grabber (RGB24) and a Null Renderer.
struct CameraGraph {
    ComRef<IBaseFilter> device;
    ComRef<IPin> pin;
    CaptureGraph graph;
    int width = 0;
    int height = 0;

    // Opens the device and finds its capture pin (then SetFormat may be called on it).
    HRESULT Open(const std::wstring& name = L"Veltrane");
    // Connects the pin to the grabber with `recorder`, and reads the connected size.
    HRESULT Connect(ISampleGrabberCB* recorder);
};
