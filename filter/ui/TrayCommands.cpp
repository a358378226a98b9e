#include "filter/ui/TrayCommands.h"

#include "filter/InputSwitching.h"
#include "filter/SettingChanges.h"
#include "filter/settings/SettingsStore.h"
#include "filter/ui/BrowseForFolder.h"
#include "filter/ui/Tray.h"
#include "filter/ui/TrayMenu.h"
#include "filter/ui/VideoFileDialog.h"

namespace {

void ActivateAndSave(int32_t mode)
{
    ChangeGlobalType(mode);
    (void)SaveSettings();  // always S_OK
}

// The buffer of MAX_PATH characters a dialog starts from.
void CopyToBuffer(const std::wstring& text, wchar_t (&buffer)[MAX_PATH])
{
    const size_t length = text.size() < MAX_PATH - 1 ? text.size() : MAX_PATH - 1;
    text.copy(buffer, length);
    buffer[length] = L'\0';
}

}  // namespace

void RunTrayCommand(WPARAM id, HWND owner, const std::vector<std::wstring>& borderPaths)
{
    const std::vector<std::wstring> cameras = CameraList();
    const TrayAction action = TrayActionOf(id, cameras.size(), borderPaths.size());
    using A = TrayAction::Kind;
    switch (action.kind) {
    case A::Activate:
        ActivateAndSave(action.index);
        break;
    case A::CameraOn:
        // Started beside whatever the mode shows; the mode and the registry stay as they are.
        TurnCameraOn();
        break;
    case A::CameraOff:
        TurnCameraOff();
        break;
    case A::ToggleBorder:
        ChangeUseBorder(CurrentSettings().UseBorder ? 0 : 1);
        ActivateAndSave(Camera);
        break;
    case A::SelectDirectory: {
        wchar_t folder[MAX_PATH];
        CopyToBuffer(CurrentSettings().PicturesDirectory, folder);
        if (BrowseForFolder(nullptr, folder, nullptr, owner)) ChangePicturesDirectory(folder);
        // A browser closed by the tray's end was no choice of the user's.
        if (!TrayStopping()) ActivateAndSave(Pictures);
        break;
    }
    case A::Transition:
        ChangePicChType(action.index);
        ActivateAndSave(Pictures);
        break;
    case A::SelectVideoFile: {
        wchar_t file[MAX_PATH];
        CopyToBuffer(CurrentSettings().VideoFile, file);
        if (!ChooseVideoFile(owner, file) || TrayStopping()) break;
        ChangeVideoFile(file);
        ActivateAndSave(Video);
        break;
    }
    case A::ChooseCamera:
        ChangeActiveCamera(cameras[static_cast<size_t>(action.index)].c_str());
        ActivateAndSave(Camera);
        break;
    case A::ChooseMonitor:
        ChangeDesktopIndex(action.index);
        ActivateAndSave(Desktop);
        break;
    case A::ChooseBorder:
        ChangeBorderFile(borderPaths[static_cast<size_t>(action.index)].c_str());
        ActivateAndSave(Camera);
        break;
    case A::None:
        break;
    }
}
