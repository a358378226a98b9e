#include "filter/settings/SettingsSequence.h"

#include <cstring>
#include <optional>

namespace {

constexpr uint32_t kNumberBytes = 4;
constexpr uint32_t kStringBufferBytes = kSettingBufferChars * 2;

// A number is taken only when it is stored as a number of exactly four bytes: the bytes of a string or of binary
// data would give a value nobody chose ("2" stored as a string would be 50).
std::optional<int32_t> ReadNumber(SettingsReader& reader, const wchar_t* name)
{
    uint8_t bytes[kNumberBytes] = {};
    uint32_t size = 0;
    uint32_t type = 0;
    if (!reader.ReadValue(name, bytes, sizeof bytes, size, type) || type != kSettingTypeNumber ||
        size != kNumberBytes)
        return std::nullopt;
    int32_t value = 0;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

int32_t ReadNumberOr(SettingsReader& reader, const wchar_t* name, int32_t fallback)
{
    return ReadNumber(reader, name).value_or(fallback);
}

// A string is made of the stored UTF-16 units up to the first NUL (no terminator needed, an odd last byte is
// dropped), stored as a string or as an expandable string, whose environment references are then expanded. One
// longer than 259 characters, before or after expansion, could not be handed out whole and counts as missing.
std::optional<std::wstring> ReadString(SettingsReader& reader, const wchar_t* name)
{
    uint8_t bytes[kStringBufferBytes] = {};
    uint32_t size = 0;
    uint32_t type = 0;
    if (!reader.ReadValue(name, bytes, sizeof bytes, size, type) ||
        (type != kSettingTypeString && type != kSettingTypeExpandString))
        return std::nullopt;
    size_t units = (size < kStringBufferBytes ? size : kStringBufferBytes) / 2;
    std::wstring text;
    for (size_t i = 0; i < units; ++i) {
        uint16_t unit = static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (unit == 0) break;
        text.push_back(static_cast<wchar_t>(unit));
    }
    if (type == kSettingTypeExpandString && text.size() <= kMaxSettingChars) {
        std::wstring expanded;
        if (!reader.ExpandEnvironment(text, expanded)) return std::nullopt;
        text.swap(expanded);
    }
    if (text.size() > kMaxSettingChars) return std::nullopt;
    return text;
}

std::wstring ReadStringOr(SettingsReader& reader, const wchar_t* name, const std::wstring& fallback)
{
    std::optional<std::wstring> text = ReadString(reader, name);
    return text ? *text : fallback;
}

std::wstring FirstCameraOrEmpty(const SettingsState& state)
{
    return state.Cameras.empty() ? std::wstring() : ClampSettingString(state.Cameras.front());
}

void ApplyDefaultsWithoutKey(SettingsState& state)
{
    FilterSettings& s = state.Current;
    s.GlobalType = SettingDefaults::GlobalType;
    if (!state.Cameras.empty()) s.ActiveCamera = FirstCameraOrEmpty(state);
    s.UseBorder = SettingDefaults::UseBorder;
    s.BorderFile = DefaultBorderFile(state.ModuleDirectory);
    s.ChangedTime = SettingDefaults::ChangedTime;
    s.MorphingTime = SettingDefaults::MorphingTime;
    s.RepeatPicturesShowing = SettingDefaults::RepeatPicturesShowing;
    s.PicChType = SettingDefaults::PicChType;
    s.RepeatVideo = SettingDefaults::RepeatVideo;
    s.DesktopIndex = state.PrimaryPosition;
    // VideoFile and PicturesDirectory keep whatever they hold.
}

void ReadFromKey(SettingsState& state, SettingsReader& reader)
{
    FilterSettings& s = state.Current;
    s.GlobalType = ReadNumberOr(reader, L"GlobalType", SettingDefaults::GlobalType);
    s.ChangedTime = ReadNumberOr(reader, L"ChangedTime", SettingDefaults::ChangedTime);
    s.MorphingTime = ReadNumberOr(reader, L"MorphingTime", SettingDefaults::MorphingTime);
    s.PicChType = ReadNumberOr(reader, L"PicChType", SettingDefaults::PicChType);
    std::optional<int32_t> desktop = ReadNumber(reader, L"DesktopIndex");
    s.DesktopIndex =
        ResolveDesktopIndex(desktop.has_value(), desktop.value_or(0), state.Monitors.size(), state.PrimaryPosition);
    s.UseBorder = ReadNumberOr(reader, L"UseBorder", SettingDefaults::UseBorder);
    s.RepeatPicturesShowing = ReadNumberOr(reader, L"RepeatPicturesShowing", SettingDefaults::RepeatPicturesShowing);
    s.RepeatVideo = ReadNumberOr(reader, L"RepeatVideo", SettingDefaults::RepeatVideo);
    s.ActiveCamera = ReadStringOr(reader, L"ActiveCamera", FirstCameraOrEmpty(state));
    s.VideoFile = ReadStringOr(reader, L"VideoFile", std::wstring());
    s.BorderFile = ReadStringOr(reader, L"BorderFile", DefaultBorderFile(state.ModuleDirectory));
    s.PicturesDirectory = ReadStringOr(reader, L"PicturesDirectory", std::wstring());
}

void WriteNumber(SettingsWriter& writer, const wchar_t* name, int32_t value)
{
    uint8_t bytes[kNumberBytes];
    std::memcpy(bytes, &value, sizeof bytes);
    writer.WriteValue(name, bytes, kSettingTypeNumber, kNumberBytes);
}

void WriteString(SettingsWriter& writer, const wchar_t* name, const std::wstring& value)
{
    // UTF-16 units whatever the width of wchar_t; the byte count leaves the terminator out.
    std::vector<uint16_t> units(value.begin(), value.end());
    units.push_back(0);
    writer.WriteValue(name, units.data(), kSettingTypeString, static_cast<uint32_t>(2 * value.size()));
}

}  // namespace

int32_t ResolveDesktopIndex(bool stored, int32_t value, size_t monitorCount, int32_t primaryPosition)
{
    if (!stored || value < 0 || static_cast<size_t>(value) >= monitorCount) return primaryPosition;
    return value;
}

void LoadSettingsRecord(SettingsState& state, SettingsReader* reader)
{
    if (reader)
        ReadFromKey(state, *reader);
    else
        ApplyDefaultsWithoutKey(state);
    state.Saved = state.Current;
}

void SaveSettingsRecord(SettingsState& state, SettingsWriter& writer)
{
    const FilterSettings& s = state.Current;
    WriteNumber(writer, L"GlobalType", s.GlobalType);
    WriteNumber(writer, L"UseBorder", s.UseBorder);
    WriteNumber(writer, L"ChangedTime", s.ChangedTime);
    WriteNumber(writer, L"MorphingTime", s.MorphingTime);
    WriteNumber(writer, L"RepeatPicturesShowing", s.RepeatPicturesShowing);
    WriteNumber(writer, L"PicChType", s.PicChType);
    WriteNumber(writer, L"RepeatVideo", s.RepeatVideo);
    WriteNumber(writer, L"DesktopIndex", s.DesktopIndex);
    WriteString(writer, L"VideoFile", s.VideoFile);
    WriteString(writer, L"ActiveCamera", s.ActiveCamera);
    WriteString(writer, L"BorderFile", s.BorderFile);
    WriteString(writer, L"PicturesDirectory", s.PicturesDirectory);
    state.Saved = state.Current;
}
