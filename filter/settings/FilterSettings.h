#pragma once
// The record of everything the user chooses about the virtual camera, persisted per user as twelve registry
// values, and the small rules every reader and writer of the record shares.
#include <cstddef>
#include <cstdint>
#include <string>

// The value of GlobalType: which input feeds the camera. Other stored values are kept as they are and start
// no input.
enum InputMode : int32_t { Camera = 1, Pictures = 2, Video = 3, Desktop = 4 };

// Strings cross the settings interface in buffers of 260 characters, terminator included.
constexpr size_t kSettingBufferChars = 260;
constexpr size_t kMaxSettingChars = kSettingBufferChars - 1;

struct FilterSettings {
    int32_t GlobalType = 0;
    int32_t UseBorder = 0;
    int32_t ChangedTime = 0;
    int32_t MorphingTime = 0;
    int32_t RepeatPicturesShowing = 0;
    int32_t PicChType = 0;
    int32_t RepeatVideo = 0;
    int32_t DesktopIndex = 0;
    std::wstring VideoFile;
    std::wstring ActiveCamera;
    std::wstring BorderFile;
    std::wstring PicturesDirectory;
};

bool operator==(const FilterSettings& a, const FilterSettings& b);
bool operator!=(const FilterSettings& a, const FilterSettings& b);

// One monitor of the desktop: its display device name (as "\\.\DISPLAY1") and its current mode's size.
struct MonitorRecord {
    std::string DeviceName;
    int32_t Width = 0;
    int32_t Height = 0;
};

namespace SettingDefaults {
constexpr int32_t GlobalType = Camera;
constexpr int32_t UseBorder = 1;
constexpr int32_t ChangedTime = 3000;
constexpr int32_t MorphingTime = 1000;
constexpr int32_t RepeatPicturesShowing = 1;
constexpr int32_t PicChType = 2;
constexpr int32_t RepeatVideo = 1;
// Relative to the module directory.
constexpr const wchar_t* BorderFileInModule = L"Borders\\border6.png";
}  // namespace SettingDefaults

// The first 259 characters of TEXT (up to its terminator); empty for a null pointer. Setters store strings
// through this so that every getter's 260-character copy is complete.
std::wstring ClampSettingString(const wchar_t* text);
std::wstring ClampSettingString(const std::wstring& text);

// The default border image: MODULEDIRECTORY (which ends in a backslash) + "Borders\border6.png".
std::wstring DefaultBorderFile(const std::wstring& moduleDirectory);

// Terminated copies into a caller's buffer of kSettingBufferChars characters, cut to fit. A null buffer is
// left alone.
void CopySettingString(const std::wstring& value, wchar_t* buffer);
void CopyMonitorName(const std::string& name, char* buffer);
