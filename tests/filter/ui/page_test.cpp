// The settings page hosted as a property frame hosts it: the IPropertyPage contract with its reference counts,
// the mode buttons and mode dialogs driven by messages, the layout of every dialog, and a picture of each.
#include "FakeData.h"
#include "Screenshot.h"
#include "SystemDialogs.h"

#include "filter/framework/ComRef.h"
#include "filter/framework/ModuleObjects.h"
#include "filter/settings/FilterSettings.h"
#include "filter/ui/CameraProperties.h"
#include "filter/ui/Dialog.h"
#include "filter/ui/ModeDialog.h"
#include "filter/ui/SettingsResources.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>

namespace {

using Calls = std::vector<std::wstring>;

// The page with its message hook in reach.
class ProbePage : public CCameraProperties {
public:
    ProbePage() : CCameraProperties(nullptr) {}
    using CCameraProperties::OnReceiveMessage;
};

ComRef<IPropertyPage> MakePage()
{
    HRESULT hr = S_OK;
    CUnknown* object = CCameraProperties::CreateInstance(nullptr, &hr);
    ComRef<IPropertyPage> page;
    EXPECT_EQ(hr, S_OK);
    if (object) {
        EXPECT_EQ(object->NonDelegatingQueryInterface(IID_IPropertyPage, page.PutVoid()), S_OK);
    }
    return page;
}

HWND PageWindowIn(const HostWindow& host)
{
    return ChildDialogWith(host.Window(), IDC_MODE_CAMERA);
}

// The visible mode dialog of the page, or null.
HWND VisibleModeDialog(HWND page)
{
    HWND shown = nullptr;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (wcscmp(name, L"#32770") == 0 && IsWindowVisible(child)) shown = child;
    }
    return shown;
}

// A key pressed in the focused control, as the frame's message loop hands it to the dialog manager.
void PressKey(HWND dialog, WPARAM key)
{
    MSG message = {};
    message.hwnd = GetFocus();
    message.message = WM_KEYDOWN;
    message.wParam = key;
    IsDialogMessageW(dialog, &message);
}

class SettingsPage : public testing::Test {
protected:
    void Connect(IPropertyPage* page)
    {
        IUnknown* object = static_cast<IData*>(&data_);
        ASSERT_EQ(page->SetPageSite(&site_), S_OK);
        ASSERT_EQ(page->SetObjects(1, &object), S_OK);
    }
    HWND Activate(IPropertyPage* page)
    {
        const RECT rect = {0, 0, 640, 360};
        EXPECT_EQ(page->Activate(host_.Window(), &rect, FALSE), S_OK);
        Pump();
        return PageWindowIn(host_);
    }

    HostWindow host_{660, 380};
    FakeData data_;
    TestPageSite site_;
};

TEST_F(SettingsPage, FollowsTheDocumentedCallSequence)
{
    const long objectsBefore = ModuleObjectCount();
    ComRef<IPropertyPage> page = MakePage();
    ASSERT_TRUE(page);
    const RECT rect = {0, 0, 640, 360};
    IUnknown* none = nullptr;
    IUnknown* object = static_cast<IData*>(&data_);

    // Before anything is set: the title, and refusals.
    PROPPAGEINFO info = {};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, L"Settings");
    EXPECT_EQ(info.cb, sizeof(PROPPAGEINFO));
    EXPECT_GT(info.size.cx, 316);  // 316 x 168 dialog units are more pixels than that
    EXPECT_GT(info.size.cy, 168);
    CoTaskMemFree(info.pszTitle);
    EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);
    EXPECT_EQ(page->Activate(host_.Window(), &rect, FALSE), E_UNEXPECTED);
    EXPECT_EQ(page->SetPageSite(nullptr), E_UNEXPECTED);
    EXPECT_EQ(page->SetObjects(2, &object), E_UNEXPECTED);
    EXPECT_EQ(page->SetObjects(1, &none), E_POINTER);
    EXPECT_EQ(page->SetObjects(1, nullptr), E_POINTER);

    ASSERT_NO_FATAL_FAILURE(Connect(page.Get()));
    EXPECT_EQ(page->SetPageSite(&site_), E_UNEXPECTED);
    EXPECT_EQ(data_.references, 2);
    EXPECT_EQ(site_.references, 2);
    EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);

    const HWND window = Activate(page.Get());
    ASSERT_TRUE(window);
    EXPECT_EQ(page->Activate(host_.Window(), &rect, FALSE), E_UNEXPECTED);
    EXPECT_EQ(page->Show(SW_MAXIMIZE), E_INVALIDARG);
    EXPECT_EQ(page->Move(nullptr), E_POINTER);
    EXPECT_EQ(page->Help(nullptr), E_NOTIMPL);
    EXPECT_EQ(page->TranslateAccelerator(nullptr), E_NOTIMPL);
    EXPECT_TRUE(IsChecked(window, IDC_MODE_PICTURES));
    EXPECT_TRUE(ChildDialogWith(window, IDC_SELECT_DIRECTORY) == VisibleModeDialog(window));
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Apply(), S_OK);  // nothing to save
    EXPECT_EQ(data_.Take(), Calls{L"SetGlobalType(2)"});
    // Enter makes the dialog manager ask the page for its default button (DM_GETDEFID): no change.
    SetFocus(GetDlgItem(window, IDC_MODE_PICTURES));
    PressKey(window, VK_RETURN);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_TRUE(site_.statusChanges.empty());

    // A mode button switches the filter at once, shows its dialog and marks the page dirty, even for the mode
    // already shown.
    Click(window, IDC_MODE_DESKTOP);
    Click(window, IDC_MODE_DESKTOP);
    EXPECT_EQ(data_.Take(), (Calls{L"SetGlobalType(4)", L"SetGlobalType(4)"}));
    EXPECT_EQ(site_.statusChanges, (std::vector<DWORD>{PROPPAGESTATUS_DIRTY, PROPPAGESTATUS_DIRTY}));
    EXPECT_TRUE(ChildDialogWith(window, IDC_MONITOR_LIST) == VisibleModeDialog(window));
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(data_.Take(), Calls{L"SaveSettings()"});
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);

    // A change in a mode dialog marks the page dirty too.
    ChooseEntry(ChildDialogWith(window, IDC_MONITOR_LIST), IDC_MONITOR_LIST, 0);
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    EXPECT_EQ(site_.statusChanges.size(), 3u);

    // Leaving reverts; the page may be activated again with fresh dialogs.
    data_.Take();
    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(data_.Take(), Calls{L"RevertSettings()"});
    EXPECT_EQ(page->IsPageDirty(), S_OK);  // deactivation keeps the dirty state
    data_.globalType = 3;
    const HWND again = Activate(page.Get());
    EXPECT_TRUE(ChildDialogWith(again, IDC_SELECT_VIDEO) == VisibleModeDialog(again));
    EXPECT_EQ(page->Deactivate(), S_OK);

    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(page->Apply(), E_UNEXPECTED);
    EXPECT_EQ(page->SetPageSite(nullptr), S_OK);
    EXPECT_EQ(data_.references, 1);
    EXPECT_EQ(site_.references, 1);
    page.Reset();
    EXPECT_EQ(ModuleObjectCount(), objectsBefore);
}

TEST_F(SettingsPage, MessagesOutsideActivationAreIgnored)
{
    auto* probe = new ProbePage();
    ComRef<IPropertyPage> page;
    ASSERT_EQ(probe->NonDelegatingQueryInterface(IID_IPropertyPage, page.PutVoid()), S_OK);
    ASSERT_NO_FATAL_FAILURE(Connect(page.Get()));
    const WPARAM desktop = MAKEWPARAM(IDC_MODE_DESKTOP, BN_CLICKED);
    EXPECT_EQ(probe->OnReceiveMessage(nullptr, WM_COMMAND, desktop, 0), FALSE);
    EXPECT_EQ(probe->OnReceiveMessage(nullptr, kSettingChangedMessage, 0, 0), FALSE);
    ASSERT_TRUE(Activate(page.Get()));
    EXPECT_EQ(probe->OnReceiveMessage(nullptr, kSettingChangedMessage, 0, 0), TRUE);
    EXPECT_EQ(page->Deactivate(), S_OK);
    data_.Take();
    site_.statusChanges.clear();
    EXPECT_EQ(probe->OnReceiveMessage(nullptr, WM_COMMAND, desktop, 0), FALSE);
    EXPECT_EQ(probe->OnReceiveMessage(nullptr, kSettingChangedMessage, 0, 0), FALSE);
    EXPECT_EQ(data_.Take(), Calls{});
    EXPECT_TRUE(site_.statusChanges.empty());
}

TEST_F(SettingsPage, AStoredModeOutsideTheFourShowsNoDialog)
{
    data_.globalType = 7;
    ComRef<IPropertyPage> page = MakePage();
    ASSERT_NO_FATAL_FAILURE(Connect(page.Get()));
    const HWND window = Activate(page.Get());
    for (int id = IDC_MODE_CAMERA; id <= IDC_MODE_DESKTOP; ++id) EXPECT_FALSE(IsChecked(window, id)) << id;
    EXPECT_EQ(VisibleModeDialog(window), nullptr);
    EXPECT_EQ(data_.Take(), Calls{L"SetGlobalType(7)"});
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
}

TEST_F(SettingsPage, ReleasedWhileActiveLeavesNoWindowBehind)
{
    ComRef<IPropertyPage> page = MakePage();
    ASSERT_NO_FATAL_FAILURE(Connect(page.Get()));
    const HWND window = Activate(page.Get());
    ASSERT_TRUE(window);
    page.Reset();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(data_.Take(), (Calls{L"SetGlobalType(2)", L"RevertSettings()"}));
    EXPECT_EQ(data_.references, 1);
    EXPECT_EQ(site_.references, 1);
}

// A mode dialog's own dialog (the open-file dialog, the folder browser, a camera's frame) during which the frame
// closes and lets go of the page: a choice made after that changes nothing, and nothing is left.
TEST_F(SettingsPage, SurvivesItsFrameClosingDuringAModeDialogsOwnDialog)
{
    TempDir folder;
    ASSERT_TRUE(WriteBytesFile(folder.File(L"clip.avi"), "not really a video"));
    data_.cameras = {L"Cam A"};
    data_.activeCamera = L"Cam A";
    const struct {
        int32_t mode;
        int button;
        Calls calls;
    } rows[] = {{Video, IDC_SELECT_VIDEO, {L"RevertSettings()"}},
                {Pictures, IDC_SELECT_DIRECTORY, {L"RevertSettings()"}},
                {Camera, IDC_CAMERA_PROPERTIES, {L"ShowCameraProperties(Cam A)", L"RevertSettings()"}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        data_.globalType = row.mode;
        ComRef<IPropertyPage> page = MakePage();
        ASSERT_NO_FATAL_FAILURE(Connect(page.Get()));
        const HWND modeDialog = VisibleModeDialog(Activate(page.Get()));
        data_.Take();
        std::function<void()> closeFrame = [&] { page.Reset(); };
        data_.whileCameraPropertiesOpen = closeFrame;
        std::future<bool> answered = AnswerNextDialog(GetCurrentThreadId(), host_.Window(), [&](HWND dialog) {
            SendMessageW(host_.Window(), HostWindow::kRunMessage, 0, reinterpret_cast<LPARAM>(&closeFrame));
            TypeFileNameAndOpen(dialog, folder.File(L"clip.avi").c_str());  // the browser takes it as OK
        }, row.mode == Camera ? 0 : 15000);
        Click(modeDialog, row.button);
        EXPECT_EQ(answered.get(), row.mode != Camera);
        EXPECT_FALSE(IsWindow(modeDialog));
        EXPECT_EQ(data_.Take(), row.calls);
        EXPECT_EQ(data_.references, 1);
    }
}

// Controls of `dialog` that lie outside `bounds` (in the dialog's client coordinates), or whose one-line text
// does not fit, described for the failure message.
std::wstring LayoutFaults(HWND dialog, const RECT& bounds)
{
    std::wstring faults;
    HDC dc = GetDC(dialog);
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        wchar_t className[32] = {};
        GetClassNameW(control, className, 32);
        if (wcscmp(className, L"#32770") == 0) continue;  // a mode dialog: checked on its own
        const RECT rect = RectInParent(control, dialog);
        const std::wstring text = WindowText(control);
        const std::wstring name = std::to_wstring(GetDlgCtrlID(control)) + L" \"" + text + L"\"";
        if (rect.left < bounds.left || rect.top < bounds.top || rect.right > bounds.right ||
            rect.bottom > bounds.bottom)
            faults += name + L" outside; ";
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        const bool button = wcscmp(className, L"Button") == 0;
        if (text.empty() || (button && (style & BS_TYPEMASK) == BS_GROUPBOX)) continue;
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        SIZE extent = {};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        SelectObject(dc, old);
        const bool boxed = button && ((style & BS_TYPEMASK) == BS_AUTORADIOBUTTON ||
                                      (style & BS_TYPEMASK) == BS_AUTOCHECKBOX);
        const LONG needed = extent.cx + (boxed ? GetSystemMetrics(SM_CXMENUCHECK) + 3 : 0);
        const bool oneLine = rect.bottom - rect.top < 2 * extent.cy;
        if (oneLine && needed > rect.right - rect.left) faults += name + L" clipped; ";
    }
    ReleaseDC(dialog, dc);
    return faults;
}

RECT GroupRect(HWND dialog, const wchar_t* caption)
{
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        if (WindowText(control) == caption) return RectInParent(control, dialog);
    }
    return RECT{};
}

bool Inside(HWND dialog, int id, const RECT& group)
{
    const RECT rect = RectInParent(GetDlgItem(dialog, id), dialog);
    return rect.left >= group.left && rect.top >= group.top && rect.right <= group.right && rect.bottom <= group.bottom;
}

TEST_F(SettingsPage, EveryModeFitsThePageAndIsPictured)
{
    const std::wstring pictures = VELTRANE_SCREENSHOT_DIR;
    CreateDirectoryW(pictures.c_str(), nullptr);  // may exist already
    data_.cameras = {L"Integrated Camera"};
    data_.activeCamera = L"Integrated Camera";
    data_.picturesDirectory = L"C:\\users\\Public\\Pictures\\Holiday";
    data_.videoFile = L"C:\\users\\Public\\Videos\\A long walk along the coast.avi";
    data_.monitors = {"\\\\.\\DISPLAY1", "\\\\.\\DISPLAY2"};
    const wchar_t* names[] = {L"", L"camera", L"pictures", L"video", L"desktop"};
    for (int32_t mode = 1; mode <= 4; ++mode) {
        SCOPED_TRACE(mode);
        data_.globalType = mode;
        ComRef<IPropertyPage> page = MakePage();
        ASSERT_NO_FATAL_FAILURE(Connect(page.Get()));
        PROPPAGEINFO info = {};
        ASSERT_EQ(page->GetPageInfo(&info), S_OK);
        CoTaskMemFree(info.pszTitle);
        const RECT rect = {0, 0, info.size.cx, info.size.cy};
        ASSERT_EQ(page->Activate(host_.Window(), &rect, FALSE), S_OK);
        const HWND window = PageWindowIn(host_);
        const HWND modeDialog = VisibleModeDialog(window);
        ASSERT_TRUE(modeDialog);

        RECT client = {};
        GetClientRect(window, &client);
        EXPECT_EQ(LayoutFaults(window, client), L"");
        const RECT area = RectInParent(GetDlgItem(window, IDC_MODE_AREA), window);
        const RECT placed = RectInParent(modeDialog, window);
        EXPECT_TRUE(EqualRect(&area, &placed));
        GetClientRect(modeDialog, &client);
        EXPECT_EQ(LayoutFaults(modeDialog, client), L"");
        // Tab from the mode's button reaches every control of the mode dialog that takes the focus.
        SetFocus(GetDlgItem(window, IDC_MODE_CAMERA - 1 + mode));
        std::set<HWND> reached;
        for (int step = 0; step < 20; ++step, reached.insert(GetFocus())) PressKey(window, VK_TAB);
        for (HWND control = GetWindow(modeDialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
            const bool tabStop = (GetWindowLongW(control, GWL_STYLE) & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) ==
                                 (WS_TABSTOP | WS_VISIBLE);
            // A combo box gives the focus to its edit.
            const bool focused = std::any_of(reached.begin(), reached.end(),
                                             [&](HWND f) { return f == control || GetParent(f) == control; });
            if (tabStop) {
                EXPECT_TRUE(focused) << GetDlgCtrlID(control);
            }
        }
        const RECT modes = GroupRect(window, L"Select Mode");
        for (int id = IDC_MODE_CAMERA; id <= IDC_MODE_DESKTOP; ++id) EXPECT_TRUE(Inside(window, id, modes)) << id;
        if (mode == 2) {
            const RECT morphing = GroupRect(modeDialog, L"Morphing type");
            for (int id = IDC_CHANGE_WIPE; id <= IDC_CHANGE_CUT; ++id)
                EXPECT_TRUE(Inside(modeDialog, id, morphing)) << id;
        }

        RedrawWindow(host_.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump();
        Sleep(300);  // until the X server shows what Wine drew
        Pump();
        EXPECT_TRUE(SaveWindowPicture(window, pictures + L"\\settings-" + names[mode] + L".png"));
        EXPECT_EQ(page->Deactivate(), S_OK);
    }
}

}  // namespace
