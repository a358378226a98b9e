#include "filter/SettingChanges.h"

#include "filter/InputSwitching.h"
#include "filter/RevertPlan.h"
#include "filter/settings/SettingsStore.h"
#include "filter/sources/CameraSource.h"
#include "filter/sources/DesktopSource.h"
#include "filter/sources/PicturesSource.h"

#include <windows.h>

namespace {

void ApplyBorderEnabled(int32_t use)
{
    for (const auto& camera : CameraInputs()) camera->SetBorderEnabled(use != 0);
}

void ApplyBorderPath(const std::wstring& path)
{
    for (const auto& camera : CameraInputs()) camera->AssignBorder(path);
}

void ApplyPicturesFolder(const std::wstring& folder)
{
    if (const auto pictures = ActiveInputAs<PicturesInput>()) pictures->SetFolder(folder);
}

void ApplyChangedTime(int32_t milliseconds)
{
    if (const auto pictures = ActiveInputAs<PicturesInput>()) pictures->SetChangedTime(milliseconds);
}

void ApplyPicChType(int32_t kind)
{
    if (const auto pictures = ActiveInputAs<PicturesInput>()) pictures->SetChangeType(kind);
}

void ApplyDesktopIndex(int32_t index)
{
    MonitorRecord monitor;
    // With no monitor at all nothing changes.
    if (SelectDesktopMonitor(index, &monitor) < 0) return;
    if (const auto desktop = ActiveInputAs<DesktopInput>()) {
        desktop->SetMonitor(monitor);
    } else if (CurrentGlobalType() == Desktop) {
        // The desktop mode had no monitor to show; now it has one.
        SwitchToSelectedInput();
    }
}

}  // namespace

void ChangeActiveCamera(const wchar_t* name)
{
    std::wstring value = ClampSettingString(name);
    if (value == ProcessSettings().CurrentString(&FilterSettings::ActiveCamera)) return;
    if (!ProcessSettings().SetString(&FilterSettings::ActiveCamera, std::move(value))) return;
    SwitchToSelectedInput();
}

void ChangeGlobalType(int32_t mode)
{
    if (mode == ProcessSettings().CurrentNumber(&FilterSettings::GlobalType)) {
        // The camera mode chosen again after the camera was turned off starts it again.
        if (mode == Camera && !CameraOnFlag()) SwitchToSelectedInput();
        return;
    }
    if (!ProcessSettings().SetNumber(&FilterSettings::GlobalType, mode)) return;
    SwitchToSelectedInput();
}

void ChangeUseBorder(int32_t use)
{
    ProcessSettings().SetNumber(&FilterSettings::UseBorder, use);
    ApplyBorderEnabled(use);
}

void ChangeBorderFile(const wchar_t* path)
{
    const std::wstring value = ClampSettingString(path);
    ProcessSettings().SetString(&FilterSettings::BorderFile, value);
    ApplyBorderPath(value);
}

void ChangePicturesDirectory(const wchar_t* path)
{
    const std::wstring value = ClampSettingString(path);
    ProcessSettings().SetString(&FilterSettings::PicturesDirectory, value);
    ApplyPicturesFolder(value);
}

void ChangeChangedTime(int32_t milliseconds)
{
    ProcessSettings().SetNumber(&FilterSettings::ChangedTime, milliseconds);
    ApplyChangedTime(milliseconds);
}

void ChangePicChType(int32_t kind)
{
    ProcessSettings().SetNumber(&FilterSettings::PicChType, kind);
    ApplyPicChType(kind);
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
    ProcessSettings().SetString(&FilterSettings::VideoFile, ClampSettingString(path));
    SwitchToSelectedInput();
}

void ChangeDesktopIndex(int32_t index)
{
    // Stores the position it took as DesktopIndex.
    ApplyDesktopIndex(index);
}

namespace {

// The current settings take the saved values; the running inputs follow each difference.
void RestoreSavedSettings()
{
    const RevertOutcome<RevertPlan> reverted = ProcessSettings().Revert(TakeSavedSettings);
    const RevertPlan& plan = reverted.plan;
    const FilterSettings& current = reverted.current;
    if (plan.useBorder) ApplyBorderEnabled(current.UseBorder);
    if (plan.borderFile) ApplyBorderPath(current.BorderFile);
    if (plan.picturesFolder && !plan.restart) ApplyPicturesFolder(current.PicturesDirectory);
    if (plan.changedTime) ApplyChangedTime(current.ChangedTime);
    if (plan.picChType) ApplyPicChType(current.PicChType);
    if (plan.desktopIndex) ApplyDesktopIndex(current.DesktopIndex);
    if (plan.restart) SwitchToSelectedInput();
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
