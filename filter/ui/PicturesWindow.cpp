#include "filter/ui/PicturesWindow.h"

#include "filter/ui/BrowseForFolder.h"
#include "filter/ui/ModeRules.h"
#include "filter/ui/SettingsResources.h"

#include <commctrl.h>

namespace {

constexpr int kSecondsLow = 1;
constexpr int kSecondsHigh = 100;
// The edit's text is read up to this many characters (the value's digits).
constexpr int kChangedTimeDigits = 9;

}  // namespace

void CPicturesWindow::OnInitDialog()
{
    Place();
    const int32_t milliseconds = ReadSettingNumber(Data(), &IData::GetChangedTime);
    SendItem(IDC_CHANGED_TIME_SPIN, UDM_SETRANGE32, kSecondsLow, kSecondsHigh);
    SendItem(IDC_CHANGED_TIME_SPIN, UDM_SETPOS32, 0, milliseconds / 1000);
    initGuard_ = false;

    SetItemText(IDC_PICTURES_DIRECTORY,
                PathLabel(L"Directory: ", ReadSettingString(Data(), &IData::GetPicturesDirectory)));
    const int32_t kind = ReadSettingNumber(Data(), &IData::GetPicChType);
    // A stored transition outside the three leaves all buttons clear.
    for (int id = IDC_CHANGE_WIPE; id <= IDC_CHANGE_CUT; ++id)
        SendItem(id, BM_SETCHECK, id == IDC_CHANGE_WIPE - 1 + kind ? BST_CHECKED : BST_UNCHECKED);
}

bool CPicturesWindow::OnCommand(int id, int code)
{
    if (id == IDC_CHANGED_TIME && code == EN_CHANGE) {
        if (initGuard_) return true;
        wchar_t text[kChangedTimeDigits + 1] = {};
        if (!GetDlgItemTextW(Window(), IDC_CHANGED_TIME, text, kChangedTimeDigits + 1)) text[0] = L'\0';
        if (Data()) (void)Data()->SetChangedTime(ChangedTimeFromText(text));  // always S_OK
        NotifySettingChanged();
        return true;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_SELECT_DIRECTORY:
        ChooseFolder();
        return true;
    case IDC_CHANGE_WIPE:
    case IDC_CHANGE_STRIPS:
    case IDC_CHANGE_CUT:
        if (Data()) (void)Data()->SetPicChType(id - (IDC_CHANGE_WIPE - 1));  // always S_OK
        NotifySettingChanged();
        return true;
    default:
        return false;
    }
}

void CPicturesWindow::ChooseFolder()
{
    const ModalLoopGuard guard(*this);
    wchar_t folder[kIDataBufferChars] = {};
    if (Data() && SUCCEEDED(Data()->GetPicturesDirectory(folder))) folder[kIDataBufferChars - 1] = L'\0';
    else folder[0] = L'\0';
    const bool chosen = BrowseForFolder(nullptr, folder, nullptr, Window());
    if (!Window()) return;  // the page went away meanwhile: its settings were reverted, a choice comes too late
    if (chosen) {
        if (Data()) (void)Data()->SetPicturesDirectory(folder);  // always S_OK
        NotifySettingChanged();
        SetItemText(IDC_PICTURES_DIRECTORY, std::wstring(L"Directory: ") + folder);
    }
    NotifySettingChanged();
}
