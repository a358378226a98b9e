#pragma once
// The tray menu without windows: which entries it shows, in which order, checked or grayed and with which
// command, built from one copy of the current settings, the device lists and the border files; and what a
// command id chosen from it means. The tray window turns the entries into popup menus.
#include "filter/settings/FilterSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace TrayCommand {
constexpr int Inert = 1024;  // separators and entries that do nothing
constexpr int ActivateCamera = 1026;
constexpr int ActivatePictures = 1027;
constexpr int ActivateVideo = 1028;
constexpr int ActivateDesktop = 1029;
constexpr int CameraOn = 1030;
constexpr int CameraOff = 1031;
constexpr int PicturesFolder = 1032;
constexpr int VideoFileEntry = 1033;
constexpr int ToggleBorder = 1034;
constexpr int SelectDirectory = 1035;
constexpr int TransitionWipe = 1036;
constexpr int TransitionStrips = 1037;
constexpr int TransitionCut = 1038;
constexpr int SelectVideoFile = 1039;
constexpr int FirstCamera = 1124;
constexpr int FirstMonitor = 1224;
constexpr int FirstBorder = 1324;
// Cameras and monitors each have a hundred ids before the next range begins.
constexpr int RangeSize = 100;
}  // namespace TrayCommand

struct TrayMenuEntry {
    enum class Kind { Command, Separator, Submenu };
    Kind kind = Kind::Command;
    std::wstring caption;
    int command = TrayCommand::Inert;
    bool checked = false;
    bool grayed = false;
    std::vector<TrayMenuEntry> entries;  // of a submenu
};

struct TrayMenuInput {
    FilterSettings settings;
    int32_t cameraOn = 0;
    std::vector<std::wstring> cameras;
    std::vector<MonitorRecord> monitors;
    std::vector<std::wstring> borderNames;
    std::vector<std::wstring> borderPaths;  // same order as borderNames
};

// The entries of the top menu, each with its submenu.
std::vector<TrayMenuEntry> BuildTrayMenu(const TrayMenuInput& input);

// What a command id asks for; `index` is the camera, monitor or border position. Ids past the border list, past
// the hundred cameras or monitors, and every other unknown id are None.
struct TrayAction {
    enum class Kind {
        None,
        Activate,        // index: the input mode
        CameraOn,
        CameraOff,
        ToggleBorder,
        SelectDirectory,
        Transition,      // index: PicChType
        SelectVideoFile,
        ChooseCamera,
        ChooseMonitor,
        ChooseBorder,
    };
    Kind kind = Kind::None;
    int32_t index = 0;
};
TrayAction TrayActionOf(uintptr_t id, size_t cameraCount, size_t borderCount);
