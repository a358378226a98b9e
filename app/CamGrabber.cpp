#include "app/CamGrabber.h"

#include "app/Placement.h"

#include <olectl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

namespace {

const wchar_t kCameraName[] = L"Veltrane";
const DWORD kInProcess = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;

void ShowNoDeviceMessage()
{
    wchar_t text[1024] = L"";
    (void)swprintf(text, 1024, L"%ls",
                   L"No video capture device was detected.\r\n\r\nThis sample requires a video capture device, such "
                   L"as a USB WebCam,\r\nto be installed and working properly.  The sample will now close.");
    (void)MessageBoxW(nullptr, text, L"PlayCap Message", MB_OK | MB_ICONERROR);
}

// The graph is paced by one system clock that lives as long as the process and is never released: under Wine,
// releasing a system clock whose advise thread has run can wait forever, which would hang the program's exit.
void UseProcessClock(IGraphBuilder* graph)
{
    static IReferenceClock* clock = [] {
        IReferenceClock* created = nullptr;
        if (FAILED(CoCreateInstance(CLSID_SystemClock, nullptr, kInProcess, IID_IReferenceClock,
                                    reinterpret_cast<void**>(&created))))
            return static_cast<IReferenceClock*>(nullptr);
        return created;
    }();
    if (!clock) return;  // the graph keeps the clock it chose itself
    ComRef<IMediaFilter> filter;
    if (SUCCEEDED(graph->QueryInterface(IID_IMediaFilter, filter.PutVoid())))
        (void)filter->SetSyncSource(clock);  // on failure the graph keeps its own clock and still previews
}

// Moves the settings frame to the main dialog's corner once it appears. It stops looking when the frame call
// has returned, and after 10 seconds at most. Systems title the frame differently ("Veltrane Properties",
// "Properties for Veltrane") and do not all make the main dialog its owner: a dialog of this process that is owned
// by the main dialog or names the camera in its title is taken too.
struct FramePosition {
    int32_t x;
    int32_t y;
};

struct FrameSearch {
    FramePosition position;
    HWND mainDialog;
    DWORD processId;
    std::atomic<bool> done{false};
    HWND found = nullptr;
};

BOOL CALLBACK FindOwnedFrame(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<FrameSearch*>(lParam);
    DWORD process = 0;
    wchar_t className[16] = L"";
    (void)GetWindowThreadProcessId(window, &process);
    wchar_t title[128] = L"";
    (void)GetWindowTextW(window, title, 128);  // no title: only the owner can tell
    const bool frameLike = GetWindow(window, GW_OWNER) == search->mainDialog || wcsstr(title, L"Veltrane") != nullptr;
    if (process == search->processId && window != search->mainDialog && frameLike &&
        GetClassNameW(window, className, 16) > 0 && lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

void PlaceSettingsFrame(std::shared_ptr<FrameSearch> search)
{
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (!search->done && GetTickCount64() < deadline) {
        // The system titles the frame "<caption> Properties" on most systems; others word it differently.
        HWND frame = FindWindowW(L"#32770", L"Veltrane Properties");
        if (!frame) {
            search->found = nullptr;
            (void)EnumWindows(&FindOwnedFrame, reinterpret_cast<LPARAM>(search.get()));
            frame = search->found;
        }
        if (frame) {
            (void)SetWindowPos(frame, HWND_TOP, search->position.x, search->position.y, 0, 0, SWP_NOSIZE);
            return;
        }
        Sleep(100);
    }
}

// True when at least one of the pages can be created; a frame without any page cannot be closed on some systems.
bool AnyPageCreatable(const CAUUID& pages)
{
    for (ULONG i = 0; i < pages.cElems; ++i) {
        ComRef<IPropertyPage> page;
        if (SUCCEEDED(CoCreateInstance(pages.pElems[i], nullptr, kInProcess, IID_IPropertyPage, page.PutVoid())))
            return true;
    }
    return false;
}

}  // namespace

CamGrabber::~CamGrabber()
{
    source_.Reset();
    builder_.Reset();
    graph_.Reset();
    events_.Reset();
    control_.Reset();
    videoWindow_.Reset();
}

HRESULT CamGrabber::StartPreview(HWND owner)
{
    owner_ = owner;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, kInProcess, IID_IGraphBuilder, graph_.PutVoid());
    if (FAILED(hr)) return hr;
    hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, kInProcess, IID_ICaptureGraphBuilder2,
                          builder_.PutVoid());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = graph_.QueryInterface(IID_IMediaControl, control_))) return hr;
    if (FAILED(hr = graph_.QueryInterface(IID_IVideoWindow, videoWindow_))) return hr;
    if (FAILED(hr = graph_.QueryInterface(IID_IMediaEventEx, events_))) return hr;
    if (FAILED(hr = builder_->SetFiltergraph(graph_.Get()))) return hr;

    ComRef<IBaseFilter> camera;
    hr = FindCamera(camera);
    if (hr != S_OK) return hr;
    if (FAILED(hr = graph_->AddFilter(camera.Get(), L"Video Capture"))) return hr;
    hr = builder_->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera.Get(), nullptr, nullptr);
    if (FAILED(hr)) return hr;
    UseProcessClock(graph_.Get());

    if (FAILED(hr = videoWindow_->put_Owner(reinterpret_cast<OAHWND>(owner)))) return hr;
    if (FAILED(hr = videoWindow_->put_WindowStyle(WS_CHILD | WS_CLIPCHILDREN))) return hr;
    RECT client{};
    (void)GetClientRect(owner, &client);  // an owner without a client area gets a window of no size
    if (FAILED(hr = videoWindow_->SetWindowPosition(0, 0, client.right, client.bottom))) return hr;
    if (FAILED(hr = videoWindow_->put_Visible(OATRUE))) return hr;

    // The table entry is for graph inspection tools only. Right after installation the system's RPC service may
    // still be starting and the registration fails: the preview runs without the entry then.
    if (FAILED(RegisterInRunningObjectTable())) rotCookie_ = 0;
    hr = control_->Run();
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CamGrabber::FindCamera(ComRef<IBaseFilter>& camera)
{
    ComRef<ICreateDevEnum> devices;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, kInProcess, IID_ICreateDevEnum, devices.PutVoid());
    if (FAILED(hr)) return hr;
    ComRef<IEnumMoniker> monikers;
    hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Put(), 0);
    if (FAILED(hr)) return hr;
    if (hr != S_OK || !monikers) {  // S_FALSE: the category holds no device at all
        ShowNoDeviceMessage();
        return S_FALSE;
    }
    ComRef<IMoniker> moniker;
    bool first = true;
    while (monikers->Next(1, moniker.Put(), nullptr) == S_OK) {
        ComRef<IPropertyBag> bag;
        const HRESULT bound = moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid());
        if (!bag) return S_FALSE;
        first = false;
        if (FAILED(bound)) continue;
        VARIANT name;
        VariantInit(&name);
        bool match = false;
        if (SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR && name.bstrVal)
            match = std::wstring(name.bstrVal, SysStringLen(name.bstrVal)) == kCameraName;
        (void)VariantClear(&name);  // a string variant always clears
        if (!match) continue;
        if (FAILED(hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, source_.PutVoid()))) return hr;
        camera = source_;
        return S_OK;
    }
    if (first) ShowNoDeviceMessage();
    return S_FALSE;
}

HRESULT CamGrabber::RegisterInRunningObjectTable()
{
    ComRef<IRunningObjectTable> table;
    HRESULT hr = GetRunningObjectTable(0, table.Put());
    if (FAILED(hr)) return hr;
    const std::wstring name = RotItemName(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(graph_.Get())),
                                          GetCurrentProcessId());
    ComRef<IMoniker> moniker;
    if (FAILED(hr = CreateItemMoniker(L"!", name.c_str(), moniker.Put()))) return hr;
    return table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, graph_.Get(), moniker.Get(), &rotCookie_);
}

void CamGrabber::StopPreview()
{
    // Results are ignored: stopping is best effort, and a stopped or never-run graph answers harmlessly.
    if (control_) (void)control_->StopWhenReady();
    if (videoWindow_) {
        (void)videoWindow_->put_Visible(OAFALSE);
        (void)videoWindow_->put_Owner(0);
    }
    if (rotCookie_) {
        ComRef<IRunningObjectTable> table;
        if (SUCCEEDED(GetRunningObjectTable(0, table.Put()))) (void)table->Revoke(rotCookie_);
    }
}

HRESULT CamGrabber::ShowCameraSettings(HWND mainDialog)
{
    if (!source_) return S_FALSE;
    RECT dialog{};
    (void)GetWindowRect(mainDialog, &dialog);  // a failure places the frame at the screen's corner
    ComRef<ISpecifyPropertyPages> specify;
    HRESULT hr = source_.QueryInterface(IID_ISpecifyPropertyPages, specify);
    if (FAILED(hr)) return hr;
    CAUUID pages{0, nullptr};
    hr = specify->GetPages(&pages);
    if (FAILED(hr) || pages.cElems == 0 || !AnyPageCreatable(pages)) {
        CoTaskMemFree(pages.pElems);
        return FAILED(hr) ? hr : S_OK;
    }

    auto search = std::make_shared<FrameSearch>();
    search->position = FramePosition{dialog.left, dialog.top};
    search->mainDialog = mainDialog;
    search->processId = GetCurrentProcessId();
    std::thread(PlaceSettingsFrame, search).detach();

    IUnknown* objects[] = {source_.Get()};
    hr = OleCreatePropertyFrame(mainDialog, 0, 0, L"Veltrane", 1, objects, pages.cElems, pages.pElems, 0, 0,
                                nullptr);
    search->done = true;
    CoTaskMemFree(pages.pElems);
    return hr;
}
