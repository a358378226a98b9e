#include "filter/ui/VideoWindow.h"

#include "filter/ui/ModeRules.h"
#include "filter/ui/SettingsResources.h"
#include "filter/ui/VideoFileDialog.h"

void CVideoWindow::OnInitDialog()
{
    Place();
    SetItemText(IDC_VIDEO_FILE, PathLabel(L"File: ", ReadSettingString(Data(), &IData::GetVideoFile)));
}

bool CVideoWindow::OnCommand(int id, int code)
{
    if (id != IDC_SELECT_VIDEO || code != BN_CLICKED) return false;
    ChooseVideoFile();
    return true;
}

void CVideoWindow::ChooseVideoFile()
{
    const ModalLoopGuard guard(*this);
    wchar_t file[kIDataBufferChars] = {};
    if (Data() && SUCCEEDED(Data()->GetVideoFile(file))) file[kIDataBufferChars - 1] = L'\0';
    else file[0] = L'\0';

    const bool chosen = ::ChooseVideoFile(Window(), file);
    if (!Window()) return;  // the page went away meanwhile: its settings were reverted, a choice comes too late
    if (chosen) {
        if (Data()) (void)Data()->SetVideoFile(file);  // always S_OK
        SetItemText(IDC_VIDEO_FILE, std::wstring(L"File: ") + file);
    }
    // A cancelled choice still marks the page as changed, as every press of the button does.
    NotifySettingChanged();
}
