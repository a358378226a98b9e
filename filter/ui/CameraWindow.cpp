#include "filter/ui/CameraWindow.h"

#include "filter/ui/BorderFiles.h"
#include "filter/ui/ModeRules.h"
#include "filter/ui/SettingsResources.h"

#include <utility>

namespace {

// More entries than any list of the filter holds: a guard against a list that never ends.
constexpr int32_t kMostListEntries = 1024;

}  // namespace

CCameraWindow::CCameraWindow(HWND area, IData* data, std::wstring borderFolder)
    : CModeDialog(area, data), borderFolder_(std::move(borderFolder))
{
}

std::wstring CCameraWindow::DefaultBorderFolder()
{
    return ModuleBorderFolder();
}

void CCameraWindow::ForgetControls()
{
    cameraList_ = nullptr;
    borderList_ = nullptr;
    borderCheck_ = nullptr;
}

void CCameraWindow::OnInitDialog()
{
    initGuard_ = true;
    Place();
    cameraList_ = Item(IDC_CAMERA_LIST);
    borderCheck_ = Item(IDC_USE_BORDER);
    borderList_ = Item(IDC_BORDER_LIST);

    const int32_t useBorder = ReadSettingNumber(Data(), &IData::GetUseBorder);
    SendMessageW(borderCheck_, BM_SETCHECK, useBorder ? BST_CHECKED : BST_UNCHECKED, 0);
    borderFile_ = ReadSettingString(Data(), &IData::GetBorderFile);
    activeCamera_ = ReadSettingString(Data(), &IData::GetActiveCamera);
    FillCameraList();

    if (SendMessageW(cameraList_, CB_GETCOUNT, 0, 0) > 0) {
        RECT client = {};
        if (GetClientRect(Item(IDC_BORDER_PREVIOUS), &client)) {
            // The window owns the region from here on; on failure the button keeps its rectangle.
            HRGN round = CreateEllipticRgn(0, 0, client.right, client.bottom);
            if (round && !SetWindowRgn(Item(IDC_BORDER_PREVIOUS), round, TRUE)) DeleteObject(round);
        }
        FillBorderList();
        // The border controls follow "Show border" from the start, as they do when it is clicked later.
        EnableBorderControls(useBorder != 0);
    } else {
        for (int id : {IDC_CAMERA_LIST, IDC_USE_BORDER, IDC_BORDER_PREVIOUS, IDC_BORDER_NEXT, IDC_BORDER_LIST,
                       IDC_CAMERA_PROPERTIES})
            ShowItem(id, false);
        ShowItem(IDC_NO_CAMERAS, true);
    }
    initGuard_ = false;
}

void CCameraWindow::FillCameraList()
{
    for (int32_t index = 0; Data() && index < kMostListEntries; ++index) {
        wchar_t name[kIDataBufferChars] = {};
        if (FAILED(Data()->GetCameraName(name, index))) break;
        name[kIDataBufferChars - 1] = L'\0';
        if (!name[0]) break;
        SendMessageW(cameraList_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        cameraNames_.emplace_back(name);
        if (cameraNames_.back() == activeCamera_) SendMessageW(cameraList_, CB_SETCURSEL, index, 0);
    }
}

void CCameraWindow::FillBorderList()
{
    BorderFiles borders = ListBorderFiles(borderFolder_);
    for (const std::wstring& name : borders.names)
        SendMessageW(borderList_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    borderPaths_ = std::move(borders.paths);

    for (size_t i = 0; i < borderPaths_.size(); ++i) {
        if (borderPaths_[i] != borderFile_) continue;
        SendMessageW(borderList_, CB_SETCURSEL, i, 0);
        break;
    }
}

int CCameraWindow::Selection(HWND list) const
{
    return static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
}

void CCameraWindow::EnableBorderControls(bool shown)
{
    const BorderArrows arrows = ArrowsWhenBorderShown(Selection(borderList_), static_cast<int>(borderPaths_.size()));
    EnableItem(IDC_BORDER_PREVIOUS, shown && arrows.previous);
    EnableItem(IDC_BORDER_NEXT, shown && arrows.next);
    EnableItem(IDC_BORDER_LIST, shown);
}

void CCameraWindow::BorderSelectionChanged()
{
    if (initGuard_) return;
    NotifySettingChanged();
    const int index = Selection(borderList_);
    const BorderArrows arrows = ArrowsAfterSelection(index, static_cast<int>(borderPaths_.size()));
    EnableItem(IDC_BORDER_PREVIOUS, arrows.previous);
    EnableItem(IDC_BORDER_NEXT, arrows.next);
    if (index >= 0 && static_cast<size_t>(index) < borderPaths_.size() && Data())
        (void)Data()->SetBorderFile(borderPaths_[static_cast<size_t>(index)].c_str());  // always S_OK
}

bool CCameraWindow::OnCommand(int id, int code)
{
    if (id == IDC_CAMERA_LIST && code == CBN_SELCHANGE) {
        if (initGuard_) return true;
        const int index = Selection(cameraList_);
        if (index < 0 || static_cast<size_t>(index) >= cameraNames_.size()) return true;
        // "Camera Properties" shows the pages of the camera chosen here.
        activeCamera_ = cameraNames_[static_cast<size_t>(index)];
        if (Data()) (void)Data()->SetActiveCamera(activeCamera_.c_str());  // always S_OK
        NotifySettingChanged();
        return true;
    }
    if (code != BN_CLICKED && id != IDC_BORDER_LIST) return false;
    switch (id) {
    case IDC_USE_BORDER: {
        if (initGuard_) return true;
        const LRESULT state = SendMessageW(borderCheck_, BM_GETCHECK, 0, 0);
        if (state == BST_UNCHECKED || state == BST_CHECKED) {
            EnableBorderControls(state == BST_CHECKED);
            if (Data()) (void)Data()->SetUseBorder(state == BST_CHECKED ? 1 : 0);  // always S_OK
        }
        NotifySettingChanged();
        return true;
    }
    case IDC_BORDER_PREVIOUS:
    case IDC_BORDER_NEXT: {
        const int step = id == IDC_BORDER_NEXT ? 1 : -1;
        SendMessageW(borderList_, CB_SETCURSEL, Selection(borderList_) + step, 0);
        BorderSelectionChanged();
        return true;
    }
    case IDC_BORDER_LIST:
        if (code != CBN_SELCHANGE) return false;
        BorderSelectionChanged();
        return true;
    case IDC_CAMERA_PROPERTIES: {
        const ModalLoopGuard guard(*this);
        ShowCameraProperties();
        if (!Window()) return true;  // the page went away while the camera's frame was open
        NotifySettingChanged();
        return true;
    }
    default:
        return false;
    }
}

void CCameraWindow::ShowCameraProperties()
{
    if (!Data()) return;
    // A settings interface that cannot take an owner opens the frame unowned.
    ComRef<IOwnedCameraProperties> owned;
    if (SUCCEEDED(Data()->QueryInterface(IID_IOwnedCameraProperties, owned.PutVoid())) && owned)
        (void)owned->ShowCameraPropertiesOwnedBy(activeCamera_.c_str(), GetAncestor(Window(), GA_ROOT));  // S_OK
    else
        (void)Data()->ShowCameraProperties(activeCamera_.c_str());  // always S_OK
}
