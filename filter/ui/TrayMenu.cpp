#include "filter/ui/TrayMenu.h"

#include "filter/ui/ModeRules.h"

namespace {

using Kind = TrayMenuEntry::Kind;

TrayMenuEntry Command(std::wstring caption, int command, bool checked = false, bool grayed = false)
{
    TrayMenuEntry entry;
    entry.caption = std::move(caption);
    entry.command = command;
    entry.checked = checked;
    entry.grayed = grayed;
    return entry;
}

TrayMenuEntry Separator()
{
    TrayMenuEntry entry;
    entry.kind = Kind::Separator;
    return entry;
}

TrayMenuEntry Submenu(std::wstring caption, std::vector<TrayMenuEntry> entries, bool checked = false,
                      bool grayed = false)
{
    TrayMenuEntry entry = Command(std::move(caption), TrayCommand::Inert, checked, grayed);
    entry.kind = Kind::Submenu;
    entry.entries = std::move(entries);
    return entry;
}

// Display device names are plain ASCII ("\\.\DISPLAY1"); each byte becomes one character.
std::wstring Widened(const std::string& text)
{
    std::wstring wide;
    for (char c : text) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return wide;
}

std::vector<TrayMenuEntry> CameraSubmenu(const TrayMenuInput& input)
{
    const FilterSettings& s = input.settings;
    std::vector<TrayMenuEntry> cameras;
    for (size_t i = 0; i < input.cameras.size() && i < TrayCommand::RangeSize; ++i)
        cameras.push_back(Command(input.cameras[i], TrayCommand::FirstCamera + static_cast<int>(i),
                                  input.cameras[i] == s.ActiveCamera));
    std::vector<TrayMenuEntry> borders;
    std::wstring borderCaption;
    for (size_t i = 0; i < input.borderNames.size(); ++i) {
        const bool current = i < input.borderPaths.size() && input.borderPaths[i] == s.BorderFile;
        if (current) borderCaption = input.borderNames[i];
        borders.push_back(Command(input.borderNames[i], TrayCommand::FirstBorder + static_cast<int>(i), current));
    }

    std::vector<TrayMenuEntry> menu;
    menu.push_back(Command(L"Set Active", TrayCommand::ActivateCamera, false, s.GlobalType == Camera));
    menu.push_back(input.cameraOn ? Command(L"Turn Off Camera", TrayCommand::CameraOff)
                                  : Command(L"Turn On Camera", TrayCommand::CameraOn));
    menu.push_back(Separator());
    menu.push_back(input.cameras.size() >= 2 ? Submenu(s.ActiveCamera, std::move(cameras))
                                             : Command(s.ActiveCamera, TrayCommand::Inert));
    menu.push_back(Separator());
    menu.push_back(Command(L"Use Border", TrayCommand::ToggleBorder, s.UseBorder != 0));
    menu.push_back(Submenu(borderCaption, std::move(borders), false, s.UseBorder == 0));
    return menu;
}

// A chosen path, marked, or "none"; the path's entry carries `command`.
TrayMenuEntry ChosenPath(const std::wstring& path, int command)
{
    return path.empty() ? Command(L"none", TrayCommand::Inert) : Command(path, command, true);
}

std::vector<TrayMenuEntry> PicturesSubmenu(const FilterSettings& s)
{
    std::vector<TrayMenuEntry> morphing;
    morphing.push_back(Command(L"RightToLeft", TrayCommand::TransitionWipe, s.PicChType == 1));
    morphing.push_back(Command(L"ad type", TrayCommand::TransitionStrips, s.PicChType == 2));
    morphing.push_back(Command(L"none", TrayCommand::TransitionCut, s.PicChType == 3));

    std::vector<TrayMenuEntry> menu;
    menu.push_back(Command(L"Set Active", TrayCommand::ActivatePictures, false, s.GlobalType == Pictures));
    menu.push_back(Separator());
    menu.push_back(ChosenPath(s.PicturesDirectory, TrayCommand::PicturesFolder));
    menu.push_back(Separator());
    menu.push_back(Command(L"SelectDirectory", TrayCommand::SelectDirectory));
    menu.push_back(Separator());
    menu.push_back(Submenu(L"Morphing Type", std::move(morphing)));
    return menu;
}

std::vector<TrayMenuEntry> VideoSubmenu(const FilterSettings& s)
{
    std::vector<TrayMenuEntry> menu;
    menu.push_back(Command(L"Set Active", TrayCommand::ActivateVideo, false, s.GlobalType == Video));
    menu.push_back(Separator());
    menu.push_back(ChosenPath(s.VideoFile, TrayCommand::VideoFileEntry));
    menu.push_back(Separator());
    menu.push_back(Command(L"Select the Video file", TrayCommand::SelectVideoFile));
    return menu;
}

std::vector<TrayMenuEntry> DesktopSubmenu(const TrayMenuInput& input)
{
    const FilterSettings& s = input.settings;
    std::vector<TrayMenuEntry> menu;
    menu.push_back(Command(L"Set Active", TrayCommand::ActivateDesktop, false, s.GlobalType == Desktop));
    menu.push_back(Separator());
    for (size_t i = 0; i < input.monitors.size() && i < TrayCommand::RangeSize; ++i)
        menu.push_back(Command(Widened(MonitorDisplayName(input.monitors[i].DeviceName)),
                               TrayCommand::FirstMonitor + static_cast<int>(i),
                               static_cast<int32_t>(i) == s.DesktopIndex));
    return menu;
}

}  // namespace

std::vector<TrayMenuEntry> BuildTrayMenu(const TrayMenuInput& input)
{
    const FilterSettings& s = input.settings;
    std::vector<TrayMenuEntry> top;
    top.push_back(s.ActiveCamera.empty()
                      ? Command(L"Use the camera", TrayCommand::Inert, s.GlobalType == Camera, true)
                      : Submenu(L"Use the camera", CameraSubmenu(input), s.GlobalType == Camera));
    top.push_back(Submenu(L"Show Pictures", PicturesSubmenu(s), s.GlobalType == Pictures));
    top.push_back(Submenu(L"Play video", VideoSubmenu(s), s.GlobalType == Video));
    top.push_back(Submenu(L"Show Desktop", DesktopSubmenu(input), s.GlobalType == Desktop));
    return top;
}

TrayAction TrayActionOf(uintptr_t id, size_t cameraCount, size_t borderCount)
{
    using A = TrayAction::Kind;
    namespace C = TrayCommand;
    auto in = [id](int first, size_t count) {
        return id >= static_cast<uintptr_t>(first) && id - static_cast<uintptr_t>(first) < count;
    };
    auto at = [id](int first) { return static_cast<int32_t>(id - static_cast<uintptr_t>(first)); };
    if (in(C::ActivateCamera, 4)) return {A::Activate, at(C::ActivateCamera) + Camera};
    if (id == C::CameraOn) return {A::CameraOn, 0};
    if (id == C::CameraOff) return {A::CameraOff, 0};
    if (id == C::PicturesFolder) return {A::Activate, Pictures};
    if (id == C::VideoFileEntry) return {A::Activate, Video};
    if (id == C::ToggleBorder) return {A::ToggleBorder, 0};
    if (id == C::SelectDirectory) return {A::SelectDirectory, 0};
    if (in(C::TransitionWipe, 3)) return {A::Transition, at(C::TransitionWipe) + 1};
    if (id == C::SelectVideoFile) return {A::SelectVideoFile, 0};
    if (in(C::FirstCamera, cameraCount < size_t{C::RangeSize} ? cameraCount : size_t{C::RangeSize}))
        return {A::ChooseCamera, at(C::FirstCamera)};
    if (in(C::FirstMonitor, C::RangeSize)) return {A::ChooseMonitor, at(C::FirstMonitor)};
    if (in(C::FirstBorder, borderCount)) return {A::ChooseBorder, at(C::FirstBorder)};
    return {};
}
