#include "filter/settings/FilterSettings.h"

#include <algorithm>

bool operator==(const FilterSettings& a, const FilterSettings& b)
{
    return a.GlobalType == b.GlobalType && a.UseBorder == b.UseBorder && a.ChangedTime == b.ChangedTime &&
           a.MorphingTime == b.MorphingTime && a.RepeatPicturesShowing == b.RepeatPicturesShowing &&
           a.PicChType == b.PicChType && a.RepeatVideo == b.RepeatVideo && a.DesktopIndex == b.DesktopIndex &&
           a.VideoFile == b.VideoFile && a.ActiveCamera == b.ActiveCamera && a.BorderFile == b.BorderFile &&
           a.PicturesDirectory == b.PicturesDirectory;
}

bool operator!=(const FilterSettings& a, const FilterSettings& b) { return !(a == b); }

std::wstring ClampSettingString(const wchar_t* text)
{
    if (!text) return std::wstring();
    // Stops at the limit without looking further, so an unterminated or huge input costs nothing more.
    size_t length = 0;
    while (length < kMaxSettingChars && text[length] != L'\0') ++length;
    return std::wstring(text, length);
}

std::wstring ClampSettingString(const std::wstring& text)
{
    return ClampSettingString(text.c_str());
}

std::wstring DefaultBorderFile(const std::wstring& moduleDirectory)
{
    return ClampSettingString(moduleDirectory + SettingDefaults::BorderFileInModule);
}

void CopySettingString(const std::wstring& value, wchar_t* buffer)
{
    if (!buffer) return;
    size_t length = std::min(value.size(), kMaxSettingChars);
    std::copy_n(value.begin(), length, buffer);
    buffer[length] = L'\0';
}

void CopyMonitorName(const std::string& name, char* buffer)
{
    if (!buffer) return;
    size_t length = std::min(name.size(), kMaxSettingChars);
    std::copy_n(name.begin(), length, buffer);
    buffer[length] = '\0';
}
