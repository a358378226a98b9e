#include "filter/ui/CameraProperties.h"

#include "filter/ui/CameraWindow.h"
#include "filter/ui/MonitorsWindow.h"
#include "filter/ui/PicturesWindow.h"
#include "filter/ui/SettingsResources.h"
#include "filter/ui/VideoWindow.h"

#include <commctrl.h>

#include <new>

namespace {

constexpr int32_t kCameraMode = 1;
constexpr int32_t kPicturesMode = 2;
constexpr int32_t kVideoMode = 3;
constexpr int32_t kDesktopMode = 4;

// Creates a mode dialog over the page's mode area, hidden until its mode is chosen.
template <class Window>
std::shared_ptr<Window> MakeModeDialog(HWND page, IData* data, int templateId)
{
    auto dialog = std::make_shared<Window>(GetDlgItem(page, IDC_MODE_AREA), data);
    // A dialog that cannot be made leaves its mode without settings to edit; the page still works.
    (void)dialog->Create(templateId, page);
    return dialog;
}

void DestroyModeDialog(std::shared_ptr<CModeDialog> dialog)
{
    if (!dialog) return;
    dialog->ForgetControls();
    dialog->Destroy();
}

}  // namespace

CUnknown* CCameraProperties::CreateInstance(IUnknown* outer, HRESULT* hr)
{
    auto* page = new (std::nothrow) CCameraProperties(outer);
    if (!page && hr) *hr = E_OUTOFMEMORY;
    return page;
}

CCameraProperties::CCameraProperties(IUnknown* outer) : CBasePropertyPage(outer, IDD_SETTINGS_PAGE, IDS_SETTINGS_TITLE)
{
    // The pictures dialog's up-down control.
    InitCommonControls();
}

CCameraProperties::~CCameraProperties() = default;

HRESULT CCameraProperties::OnConnect(IUnknown* object)
{
    const HRESULT hr = object->QueryInterface(IID_IData, data_.PutVoid());
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CCameraProperties::OnDisconnect()
{
    data_.Reset();
    return S_OK;
}

HRESULT CCameraProperties::OnActivate()
{
    modeParent_ = PageWindow();
    cameraWindow_ = MakeModeDialog<CCameraWindow>(modeParent_, data_.Get(), IDD_CAMERA_MODE);
    videoWindow_ = MakeModeDialog<CVideoWindow>(modeParent_, data_.Get(), IDD_VIDEO_MODE);
    picturesWindow_ = MakeModeDialog<CPicturesWindow>(modeParent_, data_.Get(), IDD_PICTURES_MODE);
    monitorsWindow_ = MakeModeDialog<CMonitorsWindow>(modeParent_, data_.Get(), IDD_DESKTOP_MODE);

    int32_t mode = 0;
    if (data_) (void)data_->GetGlobalType(&mode);  // S_OK for a real pointer
    SelectMode(mode, false);
    // A mode outside the four leaves every button clear.
    for (int id = IDC_MODE_CAMERA; id <= IDC_MODE_DESKTOP; ++id)
        SendDlgItemMessageW(modeParent_, id, BM_SETCHECK,
                            id == IDC_MODE_CAMERA - 1 + mode ? BST_CHECKED : BST_UNCHECKED, 0);
    inactive_ = FALSE;
    return S_OK;
}

HRESULT CCameraProperties::OnDeactivate()
{
    DestroyModeDialog(std::move(cameraWindow_));
    DestroyModeDialog(std::move(videoWindow_));
    DestroyModeDialog(std::move(picturesWindow_));
    DestroyModeDialog(std::move(monitorsWindow_));
    if (data_) (void)data_->RevertSettings();  // always S_OK
    inactive_ = TRUE;
    return S_OK;
}

HRESULT CCameraProperties::OnApplyChanges()
{
    if (data_) (void)data_->SaveSettings();  // always S_OK: write failures are not the user's to handle
    return S_OK;
}

void CCameraProperties::SelectMode(int32_t mode, bool mark)
{
    mode_ = mode;
    if (mark) MarkDirty();
    if (!cameraWindow_ || !videoWindow_ || !picturesWindow_ || !monitorsWindow_) return;
    if (mode >= kCameraMode && mode <= kDesktopMode) {
        const struct {
            CModeDialog* dialog;
            int32_t mode;
        } dialogs[] = {{cameraWindow_.get(), kCameraMode},
                       {picturesWindow_.get(), kPicturesMode},
                       {videoWindow_.get(), kVideoMode},
                       {monitorsWindow_.get(), kDesktopMode}};
        for (const auto& entry : dialogs) {
            // Answers the previous visibility.
            if (entry.dialog->Window()) (void)ShowWindow(entry.dialog->Window(), entry.mode == mode ? SW_SHOW : SW_HIDE);
        }
    }
    // Held for the call: the page may be disconnected while the filter switches its input.
    const ComRef<IData> data = data_;
    if (data) (void)data->SetGlobalType(mode);  // always S_OK; the filter switches its input at once
}

INT_PTR CCameraProperties::OnReceiveMessage(HWND /*window*/, UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    if (inactive_) return FALSE;
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id >= IDC_MODE_CAMERA && id <= IDC_MODE_DESKTOP) SelectMode(id - (IDC_MODE_CAMERA - 1), true);
        return TRUE;
    }
    case kSettingChangedMessage:
        MarkDirty();
        return TRUE;
    case WM_DESTROY:
    case WM_VSCROLL:
        return TRUE;
    default:
        return FALSE;
    }
}
