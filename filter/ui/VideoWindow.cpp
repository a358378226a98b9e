#include "filter/ui/VideoWindow.h"

#include "filter/ui/ModeRules.h"
#include "filter/ui/SettingsResources.h"

#include <commdlg.h>

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
    wchar_t file[kIDataBufferChars] = {};
    if (Data() && SUCCEEDED(Data()->GetVideoFile(file))) file[kIDataBufferChars - 1] = L'\0';
    else file[0] = L'\0';

    static const wchar_t kFilter[] = L"All Files\0*.*\0";
    OPENFILENAMEW open = {};
    open.lStructSize = sizeof(open);
    open.hwndOwner = Window();
    open.lpstrFilter = kFilter;
    open.nFilterIndex = 1;
    open.lpstrFile = file;
    open.nMaxFile = kIDataBufferChars;
    open.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (GetOpenFileNameW(&open)) {
        if (Data()) (void)Data()->SetVideoFile(file);  // always S_OK
        SetItemText(IDC_VIDEO_FILE, std::wstring(L"File: ") + file);
    }
    // A cancelled choice still marks the page as changed, as every press of the button does.
    NotifySettingChanged();
}
