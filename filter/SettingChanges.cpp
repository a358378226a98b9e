#include "filter/SettingChanges.h"

#include "filter/FrameDispatch.h"
#include "filter/InputSwitching.h"
#include "filter/RevertPlan.h"
#include "filter/settings/SettingsStore.h"
#include "filter/sources/CameraSource.h"
#include "filter/sources/DesktopSource.h"
#include "filter/sources/PicturesSource.h"

#include <windows.h>

void ChangeActiveCamera(const wchar_t* name)
{
    std::wstring value = ClampSettingString(name);
    if (value == ProcessSettings().CurrentString(&FilterSettings::ActiveCamera)) return;
    ReconfiguringScope switching;
    if (!ProcessSettings().SetString(&FilterSettings::ActiveCamera, std::move(value))) return;
    RestartActiveSource();
}

void ChangeGlobalType(int32_t mode)
{
    if (mode == Camera) SetCameraOnFlag(1);
    if (mode == ProcessSettings().CurrentNumber(&FilterSettings::GlobalType)) return;
    // Raised before the mode is stored, so that the streaming thread never fills from an input not yet started.
    ReconfiguringScope switching;
    if (!ProcessSettings().SetNumber(&FilterSettings::GlobalType, mode)) return;
    RestartActiveSource();
}

void ChangeUseBorder(int32_t use)
{
    ProcessSettings().SetNumber(&FilterSettings::UseBorder, use);
    SetBorderEnabled(use);
}

void ChangeBorderFile(const wchar_t* path)
{
    const std::wstring value = ClampSettingString(path);
    ProcessSettings().SetString(&FilterSettings::BorderFile, value);
    AssignBorderPath(value);
}

void ChangePicturesDirectory(const wchar_t* path)
{
    const std::wstring value = ClampSettingString(path);
    ProcessSettings().SetString(&FilterSettings::PicturesDirectory, value);
    SetPicturesFolder(value);
}

void ChangeChangedTime(int32_t milliseconds)
{
    ProcessSettings().SetNumber(&FilterSettings::ChangedTime, milliseconds);
    SetPicturesChangedTime(milliseconds);
}

void ChangePicChType(int32_t kind)
{
    ProcessSettings().SetNumber(&FilterSettings::PicChType, kind);
    SetPicturesChangeType(kind);
}

void ChangeMorphingTime(int32_t milliseconds)
{
    ProcessSettings().SetNumber(&FilterSettings::MorphingTime, milliseconds);
}

void ChangeRepeatPicturesShowing(int32_t repeat)
{
    ProcessSettings().SetNumber(&FilterSettings::RepeatPicturesShowing, repeat);
}

void ChangeRepeatVideo(int32_t repeat)
{
    ProcessSettings().SetNumber(&FilterSettings::RepeatVideo, repeat);
}

void ChangeVideoFile(const wchar_t* path)
{
    ReconfiguringScope switching;
    ProcessSettings().SetString(&FilterSettings::VideoFile, ClampSettingString(path));
    RestartActiveSource();
}

void ChangeDesktopIndex(int32_t index)
{
    // Stores the position it took as DesktopIndex; with no monitor at all nothing changes.
    (void)SelectDesktopMonitor(index);
}

namespace {

// The current settings take the saved values; the running inputs follow each difference.
void RestoreSavedSettings()
{
    ReconfiguringScope switching;
    const RevertOutcome<RevertPlan> reverted = ProcessSettings().Revert(TakeSavedSettings);
    const RevertPlan& plan = reverted.plan;
    const FilterSettings& current = reverted.current;
    if (plan.useBorder) SetBorderEnabled(current.UseBorder);
    if (plan.borderFile) AssignBorderPath(current.BorderFile);
    if (plan.picturesFolder) SetPicturesFolder(current.PicturesDirectory);
    if (plan.changedTime) SetPicturesChangedTime(current.ChangedTime);
    if (plan.picChType) SetPicturesChangeType(current.PicChType);
    if (plan.desktopIndex) (void)SelectDesktopMonitor(current.DesktopIndex);
    if (plan.restart) {
        StopAllSources(false);
        StartActiveSource(false);
    }
}

}  // namespace

void RevertToSavedSettings()
{
    RestoreSavedSettings();
    EnableApplicationPropertiesButton();
}

void EnableApplicationPropertiesButton()
{
    HWND dialog = FindWindowW(L"#32770", L" Veltrane Settings");
    if (!dialog) return;
    HWND button = FindWindowExW(dialog, nullptr, L"Button", L"Properties");
    if (!button) return;
    // The previous state is of no interest.
    (void)EnableWindow(button, TRUE);
}
