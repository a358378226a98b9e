// The camera's "Settings" page created from the registered module, as a host's property frame creates it: its
// changes move the live picture at once, Apply saves them, leaving without Apply restores the saved input; and a
// real property frame shows the page and closes with Cancel.
#include "CameraEndToEnd.h"

#include "filter/IData.h"
#include "filter/ui/SettingsResources.h"
#include "filter/ui/FakeData.h"

#include <commctrl.h>

#include <ocidl.h>
#include <olectl.h>

#include <thread>

namespace {

// {B4E61C03-2F7A-48D9-8C35-E19A6D0472F5}
constexpr CLSID kSettingsPageClass = {0xb4e61c03, 0x2f7a, 0x48d9, {0x8c, 0x35, 0xe1, 0x9a, 0x6d, 0x04, 0x72, 0xf5}};

DWORD SavedMode()
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, L"SOFTWARE\\Veltrane", L"GlobalType", RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

int32_t RunningMode(IBaseFilter* device)
{
    ComRef<IData> data;
    int32_t mode = 0;
    if (SUCCEEDED(device->QueryInterface(IID_IData, data.PutVoid()))) (void)data->GetGlobalType(&mode);
    return mode;
}

bool IsRed(const CapturedFrame& frame)
{
    if (frame.bytes.size() != kFrameBytes) return false;
    const uint8_t* pixel = PixelAt(frame, kWidth / 2, kHeight / 2);
    return pixel[2] > 200 && pixel[1] < 50 && pixel[0] < 50;
}

class SettingsPageEndToEnd : public CameraEndToEnd {
protected:
    // Opens the page on the running device inside `host` (the page is then the host's only child dialog).
    HWND OpenPage(IBaseFilter* device)
    {
        EXPECT_EQ(CoCreateInstance(kSettingsPageClass, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                   page_.PutVoid()),
                  S_OK);
        if (!page_) return nullptr;
        IUnknown* object = device;
        EXPECT_EQ(page_->SetPageSite(&site_), S_OK);
        EXPECT_EQ(page_->SetObjects(1, &object), S_OK);
        const RECT rect = {0, 0, 640, 360};
        EXPECT_EQ(page_->Activate(host_.Window(), &rect, FALSE), S_OK);
        return ChildDialogWith(host_.Window(), IDC_MODE_CAMERA);
    }
    void ClosePage()
    {
        EXPECT_EQ(page_->Deactivate(), S_OK);
        EXPECT_EQ(page_->SetObjects(0, nullptr), S_OK);
        EXPECT_EQ(page_->SetPageSite(nullptr), S_OK);
        page_.Reset();
    }

    HostWindow host_{660, 380};
    TestPageSite site_;
    ComRef<IPropertyPage> page_;
};

TEST_F(SettingsPageEndToEnd, ChangesActAtOnceApplySavesAndCancelRestores)
{
    ASSERT_TRUE(WriteSolidPicture(folder_.File(L"red.png"), kWidth, kHeight, 0xFFFF0000u));
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 600000, 100, 3));
    ASSERT_TRUE(settings_.Number(L"GlobalType", kVideoMode));  // no video file: the "no file" picture
    CameraGraph camera;
    ASSERT_NO_FATAL_FAILURE(Start(camera));
    std::vector<CapturedFrame> first;
    ASSERT_TRUE(recorder_.WaitForCount(1, kFirstFrameMs, &first));
    ASSERT_FALSE(IsRed(first[0]));

    HWND window = OpenPage(camera.device.Get());
    ASSERT_TRUE(window);
    EXPECT_TRUE(IsChecked(window, IDC_MODE_VIDEO));
    Click(window, IDC_MODE_PICTURES);
    EXPECT_TRUE(recorder_.WaitFor(IsRed, kFirstFrameMs));
    Click(window, IDC_MODE_DESKTOP);
    EXPECT_EQ(RunningMode(camera.device.Get()), kDesktopMode);
    ClosePage();  // without Apply
    EXPECT_EQ(RunningMode(camera.device.Get()), kVideoMode);
    EXPECT_EQ(SavedMode(), kVideoMode);

    window = OpenPage(camera.device.Get());
    ASSERT_TRUE(window);
    Click(window, IDC_MODE_PICTURES);
    EXPECT_EQ(page_->Apply(), S_OK);
    EXPECT_EQ(SavedMode(), kPicturesMode);
    Click(window, IDC_MODE_DESKTOP);
    ClosePage();
    EXPECT_EQ(RunningMode(camera.device.Get()), kPicturesMode);
    recorder_.TakeNew();
    EXPECT_TRUE(recorder_.WaitFor(IsRed, kFirstFrameMs));
    camera.graph.Stop();
}

struct FrameSearch {
    HWND frame = nullptr;
    HWND page = nullptr;
};

BOOL CALLBACK FindPageFrame(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<FrameSearch*>(context);
    HWND tab = FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr);
    if (!IsWindowVisible(window) || !tab) return TRUE;
    search->frame = window;
    return FALSE;
}

BOOL CALLBACK FindPage(HWND window, LPARAM context)
{
    if (!GetDlgItem(window, IDC_MODE_CAMERA)) return TRUE;
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
}

std::wstring TabText(HWND tab, int index)
{
    wchar_t text[64] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    if (!SendMessageW(tab, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item))) return std::wstring();
    return text;
}

TEST_F(SettingsPageEndToEnd, APropertyFrameShowsThePageAndClosesWithCancel)
{
    ASSERT_TRUE(settings_.Number(L"GlobalType", kPicturesMode));
    ComRef<IBaseFilter> watcher;  // keeps the settings alive to read after the frame has gone
    ASSERT_EQ(BindVideoInputDevice(L"Veltrane", watcher.Put()), S_OK);

    // The frame runs modal on a user-interface thread of its own, as in a host.
    DWORD frameThreadId = 0;
    HRESULT frameResult = E_FAIL;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread frameThread([&] {
        frameThreadId = GetCurrentThreadId();
        if (SUCCEEDED(OleInitialize(nullptr))) {
            ComRef<IBaseFilter> device;
            if (SUCCEEDED(BindVideoInputDevice(L"Veltrane", device.Put()))) {
                IUnknown* object = device.Get();
                CLSID pageClass = kSettingsPageClass;
                frameResult = OleCreatePropertyFrame(nullptr, 0, 0, L"Veltrane", 1, &object, 1, &pageClass, 0, 0,
                                                     nullptr);
            }
            device.Reset();
            OleUninitialize();
        }
        SetEvent(done);
    });

    FrameSearch search;
    for (DWORD start = GetTickCount(); !search.frame && GetTickCount() - start < 15000; Sleep(100)) {
        if (frameThreadId) EnumThreadWindows(frameThreadId, &FindPageFrame, reinterpret_cast<LPARAM>(&search));
    }
    if (search.frame) {
        Sleep(300);
        EXPECT_EQ(TabText(FindWindowExW(search.frame, nullptr, WC_TABCONTROLW, nullptr), 0), L"Settings");
        // The page: the frame's descendant holding the mode buttons.
        HWND page = nullptr;
        EnumChildWindows(search.frame, &FindPage, reinterpret_cast<LPARAM>(&page));
        EXPECT_TRUE(page);
        if (page) {
            EXPECT_EQ(TextOf(page, IDC_MODE_CAMERA), L"Use the camera");
            EXPECT_TRUE(IsChecked(page, IDC_MODE_PICTURES));
            SendMessageW(GetDlgItem(page, IDC_MODE_DESKTOP), BM_CLICK, 0, 0);
            EXPECT_EQ(RunningMode(watcher.Get()), kDesktopMode);
        }
        PostMessageW(search.frame, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(search.frame, IDCANCEL)));
    }
    EXPECT_TRUE(search.frame) << "no property frame appeared";
    // A frame that does not close fails the test rather than hanging the run.
    const bool closed = WaitForSingleObject(done, 15000) == WAIT_OBJECT_0;
    EXPECT_TRUE(closed) << "the property frame did not close";
    if (closed) {
        frameThread.join();
    } else {
        if (search.frame) PostMessageW(search.frame, WM_CLOSE, 0, 0);
        frameThread.detach();
    }
    CloseHandle(done);
    EXPECT_EQ(frameResult, S_OK);
    // Cancel deactivated the page, which restored the saved input, and released it with its frame.
    EXPECT_EQ(RunningMode(watcher.Get()), kPicturesMode);
    watcher.Reset();
    EXPECT_EQ(Module().CanUnloadNow(), S_OK);
}

}  // namespace
