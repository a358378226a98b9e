// The tray of the running filter: its commands posted to the tray window as the menu posts them, checked against
// the settings, the frames and the registry; the real menu opened by the icon's callback; the teardown with a
// menu or a dialog open and under a stream of commands; the icon given back to a restarted shell.
#include "FilterObjectFixture.h"

#include "filter/FrameDispatch.h"
#include "filter/InputSwitching.h"
#include "filter/settings/SettingsStore.h"
#include "filter/sources/CameraSource.h"
#include "filter/ui/BorderFiles.h"
#include "filter/ui/MenuParentWindow.h"
#include "filter/ui/Tray.h"
#include "filter/ui/Screenshot.h"
#include "filter/ui/SystemDialogs.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <thread>
#include <vector>

namespace {

constexpr size_t kFrameBytes = 640 * 480 * 3;

// Two messages sent after a posted one: the second is handled only once the tray thread came back for more, after
// the posted message (when that message's handler pumps none).
void Settle(HWND tray)
{
    DWORD_PTR ignored = 0;
    for (int i = 0; i < 2; ++i) SendMessageTimeoutW(tray, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
}

// The command as the menu delivers it, but sent: a command that calls COM may handle sent messages while it waits,
// so only its own answer tells that it has ended.
void RunCommand(HWND tray, int id)
{
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(tray, WM_COMMAND, id, 0, SMTO_NORMAL, 20000, &ignored));
}

std::vector<BYTE> Frame()
{
    // The first frame of a failure has its placeholder drawn; the next one shows it.
    std::vector<BYTE> frame(kFrameBytes);
    RenderFrame(frame.data(), kFrameWidth, kFrameHeight);
    EXPECT_TRUE(WaitForPlaceholders(10000));
    RenderFrame(frame.data(), kFrameWidth, kFrameHeight);
    return frame;
}

bool IconKnownToShell(HWND tray)
{
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = tray;
    icon.uID = CMenuParentWindow::kIconId;
    icon.uFlags = NIF_TIP;
    lstrcpynW(icon.szTip, L"Veltrane", 128);
    return Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE;
}

HWND FindThreadWindow(DWORD thread, const wchar_t* className, DWORD timeoutMs = 5000)
{
    struct Search {
        const wchar_t* className;
        HWND found;
    } search = {className, nullptr};
    const DWORD start = GetTickCount();
    do {
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM context) -> BOOL {
                auto* s = reinterpret_cast<Search*>(context);
                wchar_t name[16] = {};
                if (!IsWindowVisible(window) || !GetClassNameW(window, name, 16) || lstrcmpW(name, s->className))
                    return TRUE;
                s->found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

// The tray thread makes its window by itself, after the filter object's creation has returned.
HWND WaitForTrayWindow()
{
    HWND window = nullptr;
    WaitUntil([&] { return (window = TrayWindow()) != nullptr; }, 5000);
    return window;
}

// A visible window of this process in the foreground, as the user's window is while the pointer crosses the icon.
struct ForegroundWindow {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 99, 99, 0, 0, 0, 0);
    ForegroundWindow() { SetForegroundWindow(window); }
    ~ForegroundWindow() { DestroyWindow(window); }
};

// While set, a tray thread hooked with this waits for it (20 s at most) whenever it takes a message.
std::atomic<HANDLE> g_holdTray{nullptr};
LRESULT CALLBACK HoldingHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && g_holdTray.load()) WaitForSingleObject(g_holdTray.load(), 20000);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class TrayTest : public FilterObjectTest {
protected:
    void SetUp() override
    {
        FilterObjectTest::SetUp();
        tray_ = WaitForTrayWindow();
        ASSERT_TRUE(tray_);
        trayThread_ = GetWindowThreadProcessId(tray_, nullptr);
    }
    // A save shows as the settings key written again.
    void ForgetSaved() { DeleteSettingsKey(); }

    HWND tray_ = nullptr;
    DWORD trayThread_ = 0;
};

TEST_F(TrayTest, CommandsActOnTheRunningFilterAndSaveWhereTheyShould)
{
    // The placeholder each mode shows here: no camera, no pictures folder, no video file.
    std::map<int32_t, std::vector<BYTE>> frames;
    for (int32_t mode : {Camera, Video, Pictures}) {
        ASSERT_EQ(data_->SetGlobalType(mode), S_OK);
        frames[mode] = Frame();
    }
    ASSERT_NE(frames[Camera], frames[Pictures]);
    const BorderFiles borders = ListBorderFiles(ModuleBorderFolder());
    ASSERT_GE(borders.paths.size(), 2u);
    const int pastBorders = 1324 + static_cast<int>(borders.paths.size());

    struct Case {
        const char* name;
        std::function<void()> before;
        int id;
        int32_t mode;
        bool saved;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"Set Active of the camera", nullptr, 1026, Camera, true,
         [] { EXPECT_TRUE(ActiveInputAs<CameraInput>()); }},
        {"Set Active of the video", nullptr, 1028, Video, true, nullptr},
        {"the pictures folder entry", nullptr, 1032, Pictures, true, nullptr},
        {"a transition", nullptr, 1036, Pictures, true, [] { EXPECT_EQ(CurrentSettings().PicChType, 1); }},
        {"the video file entry", nullptr, 1033, Video, true, nullptr},
        {"camera off keeps the mode and saves nothing", nullptr, 1031, Video, false,
         [] { EXPECT_EQ(CameraOnFlag(), 0); }},
        {"camera on with an unknown camera leaves it off",
         [this] { ASSERT_EQ(data_->SetActiveCamera(L"No Such Camera"), S_OK); }, 1030, Video, false,
         [] { EXPECT_EQ(CameraOnFlag(), 0); }},
        {"Use Border in desktop mode flips it and switches to the camera",
         [this] { ASSERT_EQ(data_->SetGlobalType(Desktop), S_OK); }, 1034, Camera, true,
         [] { EXPECT_EQ(CurrentSettings().UseBorder, 0); }},
        {"a border while a video plays", [this] { ASSERT_EQ(data_->SetGlobalType(Video), S_OK); }, 1325, Camera,
         true, [&] { EXPECT_EQ(CurrentSettings().BorderFile, borders.paths[1]); }},
        {"an id past the border list", nullptr, pastBorders, Camera, false, nullptr},
        {"an unknown id", nullptr, 1040, Camera, false, nullptr},
        {"a monitor past the list takes the primary one", nullptr, 1323, Desktop, true,
         [] { EXPECT_EQ(CurrentSettings().DesktopIndex, PrimaryMonitorPosition()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.before) c.before();
        ForgetSaved();
        RunCommand(tray_, c.id);
        EXPECT_EQ(CurrentSettings().GlobalType, c.mode);
        EXPECT_EQ(SettingsKeyExists(), c.saved);
        if (c.saved) {
            EXPECT_EQ(SavedSettings(), CurrentSettings());
        }
        if (frames.count(c.mode)) {
            EXPECT_TRUE(Frame() == frames[c.mode]);
        }
        if (c.check) c.check();
    }
}

TEST_F(TrayTest, ChoosingACameraMakesItActiveAndADeletedBorderShowsNone)
{
    const std::vector<std::wstring> cameras = CameraList();
    if (!cameras.empty()) {
        ForgetSaved();
        RunCommand(tray_, 1124 + static_cast<int>(cameras.size()) - 1);
        EXPECT_EQ(CurrentSettings().ActiveCamera, cameras.back());
        EXPECT_EQ(CurrentSettings().GlobalType, Camera);
        EXPECT_TRUE(SettingsKeyExists());
    }
    // A border listed when the tray started but gone since: chosen, it is stored and the camera shows none.
    const std::wstring folder = ModuleBorderFolder();
    const std::wstring gone = folder + L"zz-gone.png";
    ASSERT_TRUE(CopyFileW((folder + L"border6.png").c_str(), gone.c_str(), FALSE));
    filter_.Reset();
    data_.Reset();
    filter_ = MakeFilterObject();
    tray_ = WaitForTrayWindow();
    ASSERT_TRUE(DeleteFileW(gone.c_str()));
    const BorderFiles borders = ListBorderFiles(folder);
    RunCommand(tray_, 1324 + static_cast<int>(borders.paths.size()));
    EXPECT_EQ(CurrentSettings().BorderFile, gone);
    EXPECT_EQ(CurrentSettings().GlobalType, Camera);
    const auto camera = ActiveInputAs<CameraInput>();
    ASSERT_TRUE(camera);
    EXPECT_FALSE(camera->BorderPictureHeld());
    Frame();
}

TEST_F(TrayTest, CancelledFolderBrowserStillShowsPicturesButCancelledFileDialogChangesNothing)
{
    ASSERT_EQ(data_->SetPicturesDirectory(L"C:\\old pictures"), S_OK);
    ASSERT_EQ(data_->SetGlobalType(Video), S_OK);
    struct Case {
        int id;
        int32_t mode;
        bool saved;
    };
    for (const Case& c : {Case{1035, Pictures, true}, Case{1039, Pictures, false}}) {
        ForgetSaved();
        ASSERT_TRUE(PostMessageW(tray_, WM_COMMAND, c.id, 0));
        const HWND dialog = FindThreadWindow(trayThread_, L"#32770");
        ASSERT_TRUE(dialog) << c.id;
        // Another right click on the icon brings the open dialog to the front, and no second menu.
        ForegroundWindow user;
        PostMessageW(tray_, CMenuParentWindow::kCallbackMessage, CMenuParentWindow::kIconId, WM_RBUTTONUP);
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog; }, 3000)) << c.id;
        EXPECT_FALSE(FindThreadWindow(trayThread_, L"#32768", 0)) << c.id;
        PressCancel(dialog);
        for (DWORD start = GetTickCount(); FindThreadWindow(trayThread_, L"#32770", 0);) {
            ASSERT_LT(GetTickCount() - start, 5000u);
            Sleep(20);
        }
        Settle(tray_);
        EXPECT_EQ(CurrentSettings().GlobalType, c.mode) << c.id;
        EXPECT_EQ(SettingsKeyExists(), c.saved) << c.id;
        EXPECT_EQ(CurrentSettings().PicturesDirectory, L"C:\\old pictures");
    }
}

TEST_F(TrayTest, TheIconsMenuOpensOnRightButtonUpAndItsEntryActs)
{
    ASSERT_TRUE(IconKnownToShell(tray_));
    {
        // The pointer crossing the icon and a left click on it leave the user's window in the foreground.
        ForegroundWindow user;
        ASSERT_EQ(GetForegroundWindow(), user.window);
        for (LPARAM mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP})
            PostMessageW(tray_, CMenuParentWindow::kCallbackMessage, CMenuParentWindow::kIconId, mouse);
        Settle(tray_);
        EXPECT_EQ(GetForegroundWindow(), user.window);
    }
    PostMessageW(tray_, CMenuParentWindow::kCallbackMessage, CMenuParentWindow::kIconId, WM_RBUTTONUP);
    HWND popup = FindThreadWindow(trayThread_, L"#32768");
    ASSERT_TRUE(popup);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    ASSERT_TRUE(menu);
    std::wstring captions;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
        captions += text + std::wstring(L"|");
    }
    EXPECT_EQ(captions, L"Use the camera|Show Pictures|Play video|Show Desktop|");
    EXPECT_EQ(GetMenuState(menu, 1, MF_BYPOSITION) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));

    // Down to "Play video", into its submenu, "Set Active".
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}) PostMessageW(popup, WM_KEYDOWN, key, 0);
    Sleep(500);
    SaveWindowPicture(GetDesktopWindow(), VELTRANE_SCREENSHOT_DIR L"/tray-menu.png");
    ForgetSaved();
    PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
    for (DWORD start = GetTickCount(); CurrentSettings().GlobalType != Video && GetTickCount() - start < 5000;)
        Sleep(20);
    EXPECT_EQ(CurrentSettings().GlobalType, Video);
    Settle(tray_);
    EXPECT_TRUE(SettingsKeyExists());
    EXPECT_FALSE(FindThreadWindow(trayThread_, L"#32768", 0));
}

TEST_F(TrayTest, ARestartedShellGetsTheIconBack)
{
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = tray_;
    icon.uID = CMenuParentWindow::kIconId;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
    ASSERT_FALSE(IconKnownToShell(tray_));
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 5000,
                        &ignored);
    Settle(tray_);
    EXPECT_TRUE(IconKnownToShell(tray_));
}

// Ends the tray by releasing the filter and checks that nothing of it stays: thread, window, icon.
void ExpectTeardownWithin(ComRef<IData>& data, ComRef<IUnknown>& filter, HWND tray, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    data.Reset();
    filter.Reset();
    EXPECT_LT(GetTickCount() - start, limitMs);
    EXPECT_FALSE(IsTrayRunning());
    EXPECT_FALSE(IsWindow(tray));
    EXPECT_FALSE(IconKnownToShell(tray));
}

TEST_F(TrayTest, TeardownClosesAnOpenMenuOrDialog)
{
    PostMessageW(tray_, CMenuParentWindow::kCallbackMessage, CMenuParentWindow::kIconId, WM_RBUTTONUP);
    ASSERT_TRUE(FindThreadWindow(trayThread_, L"#32768"));
    ExpectTeardownWithin(data_, filter_, tray_, 1000);

    for (int id : {1035, 1039}) {
        filter_ = MakeFilterObject();
        tray_ = WaitForTrayWindow();
        const DWORD thread = GetWindowThreadProcessId(tray_, nullptr);
        ForgetSaved();
        PostMessageW(tray_, WM_COMMAND, id, 0);
        ASSERT_TRUE(FindThreadWindow(thread, L"#32770")) << id;
        ExpectTeardownWithin(data_, filter_, tray_, 1000);
        // A dialog closed by the teardown was no choice of the user's: nothing saved.
        EXPECT_FALSE(SettingsKeyExists()) << id;
    }

    // A tray thread that does not come back (here: held in a message hook, as a host's hook may hold it) holds the
    // last release kTrayEndWaitMs at most. The thread ends by itself once it is let go, beside a new tray.
    filter_ = MakeFilterObject();
    tray_ = WaitForTrayWindow();
    const HANDLE hold = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_holdTray.store(hold);
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, &HoldingHook, nullptr, GetWindowThreadProcessId(tray_, nullptr));
    ASSERT_TRUE(hold && hook);
    PostMessageW(tray_, WM_NULL, 0, 0);
    filter_.Reset();
    EXPECT_FALSE(IsTrayRunning());
    filter_ = MakeFilterObject();
    const HWND newTray = WaitForTrayWindow();
    EXPECT_NE(newTray, tray_);
    SetEvent(hold);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(tray_) && !IconKnownToShell(tray_); }, 5000));
    EXPECT_EQ(TrayWindow(), newTray);
    UnhookWindowsHookEx(hook);  // fails when it went with its thread
    g_holdTray.store(nullptr);
    CloseHandle(hold);
}

TEST(TrayLifetime, ObjectsComeAndGoWhileCommandsRun)
{
    DeleteSettingsKey();
    StoreNumber(L"GlobalType", 2);
    std::atomic<bool> done{false};
    std::thread commands([&] {
        const int ids[] = {1036, 1037, 1038, 1027, 1031, 1032, 1029, 1224};
        for (unsigned i = 0; !done.load(); ++i) {
            if (HWND tray = TrayWindow()) PostMessageW(tray, WM_COMMAND, ids[i % 8], 0);
            Sleep(1);
        }
    });
    for (int i = 0; i < 200; ++i) {
        ComRef<IUnknown> filter = MakeFilterObject();
        ASSERT_TRUE(IsTrayRunning());  // ended, now and then, before its window exists
    }
    done.store(true);
    commands.join();
    EXPECT_FALSE(IsTrayRunning());
    EXPECT_FALSE(TrayWindow());
    DeleteSettingsKey();
}

}  // namespace

namespace {

constexpr const wchar_t* kChildReady = L"VeltraneTrayTestChildReady";
constexpr const wchar_t* kChildEnd = L"VeltraneTrayTestChildEnd";

// Run by the test below in a second process: holds a filter object, and so an icon, until told to end.
TEST(TrayLifetime, DISABLED_HoldAnIconForTheOtherProcess)
{
    ComRef<IUnknown> filter = MakeFilterObject();
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, kChildReady);
    HANDLE end = OpenEventW(SYNCHRONIZE, FALSE, kChildEnd);
    ASSERT_TRUE(ready && end && WaitForTrayWindow());
    SetEvent(ready);
    WaitForSingleObject(end, 20000);
    CloseHandle(ready);
    CloseHandle(end);
}

HWND TrayWindowOfProcess(DWORD process)
{
    struct Search {
        DWORD process;
        HWND found;
    } search = {process, nullptr};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            wchar_t name[16] = {};
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->process || !GetClassNameW(window, name, 16) || lstrcmpW(name, L"#32770")) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(TrayLifetime, TwoProcessesShowAnIconEach)
{
    ComRef<IUnknown> filter = MakeFilterObject();
    HWND own = WaitForTrayWindow();
    ASSERT_TRUE(own);
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, kChildReady);
    HANDLE end = CreateEventW(nullptr, TRUE, FALSE, kChildEnd);
    wchar_t exe[MAX_PATH] = {};
    ASSERT_TRUE(GetModuleFileNameW(nullptr, exe, MAX_PATH));
    std::wstring command = std::wstring(L"\"") + exe +
        L"\" --gtest_also_run_disabled_tests --gtest_filter=TrayLifetime.DISABLED_HoldAnIconForTheOtherProcess";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(CreateProcessW(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child));
    EXPECT_EQ(WaitForSingleObject(ready, 20000), WAIT_OBJECT_0);
    HWND other = TrayWindowOfProcess(child.dwProcessId);
    EXPECT_TRUE(other && other != own);
    EXPECT_TRUE(IconKnownToShell(own));
    EXPECT_TRUE(IconKnownToShell(other));
    SetEvent(end);
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(IconKnownToShell(other));
    EXPECT_TRUE(IconKnownToShell(own));
    for (HANDLE handle : {child.hProcess, child.hThread, ready, end}) CloseHandle(handle);
}

}  // namespace
