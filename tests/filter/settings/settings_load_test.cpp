#include "filter/settings/SettingsSequence.h"

#include "FakeSettingsKey.h"

#include <gtest/gtest.h>

namespace {

SettingsState StateWith(std::vector<std::wstring> cameras, size_t monitors, int32_t primary)
{
    SettingsState state;
    state.Cameras = std::move(cameras);
    for (size_t i = 0; i < monitors; ++i)
        state.Monitors.push_back(MonitorRecord{"\\\\.\\DISPLAY" + std::to_string(i + 1), 1024, 768});
    state.PrimaryPosition = primary;
    state.ModuleDirectory = L"C:\\Program Files\\Veltrane\\";
    return state;
}

// Values a previous load or the user left in the record.
void FillWithOldValues(FilterSettings& s)
{
    s.GlobalType = 4;
    s.UseBorder = 0;
    s.ChangedTime = 11;
    s.MorphingTime = 12;
    s.RepeatPicturesShowing = 0;
    s.PicChType = 3;
    s.RepeatVideo = 0;
    s.DesktopIndex = 9;
    s.VideoFile = L"old.avi";
    s.ActiveCamera = L"Old Camera";
    s.BorderFile = L"old.png";
    s.PicturesDirectory = L"C:\\Old";
}

void ExpectDefaultNumbers(const FilterSettings& s, int32_t desktopIndex)
{
    EXPECT_EQ(s.GlobalType, 1);
    EXPECT_EQ(s.UseBorder, 1);
    EXPECT_EQ(s.ChangedTime, 3000);
    EXPECT_EQ(s.MorphingTime, 1000);
    EXPECT_EQ(s.RepeatPicturesShowing, 1);
    EXPECT_EQ(s.PicChType, 2);
    EXPECT_EQ(s.RepeatVideo, 1);
    EXPECT_EQ(s.DesktopIndex, desktopIndex);
}

const wchar_t* const kDefaultBorder = L"C:\\Program Files\\Veltrane\\Borders\\border6.png";

}  // namespace

TEST(SettingsLoad, WithoutKeyAppliesDefaultsButKeepsPathsOfVideoAndPictures)
{
    SettingsState state = StateWith({L"USB Camera", L"Other Camera"}, 2, 1);
    FillWithOldValues(state.Current);
    LoadSettingsRecord(state, nullptr);
    ExpectDefaultNumbers(state.Current, 1);
    EXPECT_EQ(state.Current.ActiveCamera, L"USB Camera");
    EXPECT_EQ(state.Current.BorderFile, kDefaultBorder);
    EXPECT_EQ(state.Current.VideoFile, L"old.avi");
    EXPECT_EQ(state.Current.PicturesDirectory, L"C:\\Old");
    EXPECT_EQ(state.Saved, state.Current);
}

TEST(SettingsLoad, WithoutKeyAndWithoutCamerasActiveCameraKeepsItsValue)
{
    SettingsState state = StateWith({}, 1, 0);
    FillWithOldValues(state.Current);
    LoadSettingsRecord(state, nullptr);
    EXPECT_EQ(state.Current.ActiveCamera, L"Old Camera");
    ExpectDefaultNumbers(state.Current, 0);
}

TEST(SettingsLoad, EmptyKeyGivesDefaultsAndEmptyPaths)
{
    SettingsState state = StateWith({L"USB Camera"}, 2, 1);
    FillWithOldValues(state.Current);
    FakeSettingsKey key;
    LoadSettingsRecord(state, &key);
    ExpectDefaultNumbers(state.Current, 1);
    EXPECT_EQ(state.Current.ActiveCamera, L"USB Camera");
    EXPECT_EQ(state.Current.BorderFile, kDefaultBorder);
    EXPECT_EQ(state.Current.VideoFile, L"");
    EXPECT_EQ(state.Current.PicturesDirectory, L"");
    EXPECT_EQ(state.Saved, state.Current);

    SettingsState noCameras = StateWith({}, 2, 1);
    FillWithOldValues(noCameras.Current);
    LoadSettingsRecord(noCameras, &key);
    EXPECT_EQ(noCameras.Current.ActiveCamera, L"");
}

TEST(SettingsLoad, ReadsTheValuesInTheirFixedOrder)
{
    SettingsState state = StateWith({}, 1, 0);
    FakeSettingsKey key;
    LoadSettingsRecord(state, &key);
    std::vector<std::wstring> expected = {L"GlobalType",   L"ChangedTime",  L"MorphingTime", L"PicChType",
                                          L"DesktopIndex", L"UseBorder",    L"RepeatPicturesShowing",
                                          L"RepeatVideo",  L"ActiveCamera", L"VideoFile",    L"BorderFile",
                                          L"PicturesDirectory"};
    EXPECT_EQ(key.Reads, expected);
}

TEST(SettingsLoad, StoredValuesAreTakenAsStoredAndMissingOnesDefaultAlone)
{
    SettingsState state = StateWith({L"USB Camera"}, 3, 0);
    FakeSettingsKey key;
    key.SetNumber(L"GlobalType", 7);  // no such mode: kept anyway
    key.SetNumber(L"MorphingTime", -5);
    key.SetNumber(L"PicChType", 1);
    key.SetNumber(L"DesktopIndex", 2);
    key.SetNumber(L"UseBorder", 0);
    key.SetNumber(L"RepeatVideo", 0);
    key.SetString(L"ActiveCamera", L"Unplugged Camera");
    key.SetString(L"VideoFile", L"D:\\clip.avi");
    key.SetString(L"PicturesDirectory", L"D:\\Pictures");
    // Missing: ChangedTime, RepeatPicturesShowing, BorderFile.
    LoadSettingsRecord(state, &key);
    const FilterSettings& s = state.Current;
    EXPECT_EQ(s.GlobalType, 7);
    EXPECT_EQ(s.ChangedTime, 3000);
    EXPECT_EQ(s.MorphingTime, -5);
    EXPECT_EQ(s.PicChType, 1);
    EXPECT_EQ(s.DesktopIndex, 2);
    EXPECT_EQ(s.UseBorder, 0);
    EXPECT_EQ(s.RepeatPicturesShowing, 1);
    EXPECT_EQ(s.RepeatVideo, 0);
    EXPECT_EQ(s.ActiveCamera, L"Unplugged Camera");
    EXPECT_EQ(s.VideoFile, L"D:\\clip.avi");
    EXPECT_EQ(s.BorderFile, kDefaultBorder);
    EXPECT_EQ(s.PicturesDirectory, L"D:\\Pictures");
}

TEST(SettingsLoad, DesktopIndexOutsideTheMonitorListBecomesThePrimaryPosition)
{
    struct Case {
        bool stored;
        int32_t value;
        size_t monitors;
        int32_t expected;
    };
    const Case cases[] = {
        {true, 5, 2, 1},   // beyond the list
        {true, 2, 2, 1},   // one past the end
        {true, -1, 2, 1},  // negative
        {true, 0, 2, 0},   // in range
        {true, 1, 2, 1},   // in range, the primary itself
        {false, 0, 2, 1},  // missing
        {true, 0, 0, 1},   // no monitor at all
    };
    for (const Case& c : cases) {
        SettingsState state = StateWith({}, c.monitors, 1);
        FakeSettingsKey key;
        if (c.stored) key.SetNumber(L"DesktopIndex", c.value);
        LoadSettingsRecord(state, &key);
        EXPECT_EQ(state.Current.DesktopIndex, c.expected) << "stored " << c.stored << " value " << c.value
                                                          << " monitors " << c.monitors;
    }
}

TEST(SettingsLoad, NumberCountsOnlyWhenExactlyFourBytesAreStored)
{
    SettingsState state = StateWith({}, 1, 0);
    FakeSettingsKey key;
    key.SetRaw(L"GlobalType", kSettingTypeNumber, {3, 0});                     // too short
    key.SetRaw(L"ChangedTime", kSettingTypeNumber, {1, 0, 0, 0, 0, 0, 0, 0});  // too long for the variable
    key.SetRaw(L"MorphingTime", kSettingTypeNumber, {});                       // empty
    key.SetString(L"PicChType", L"7", true);  // four bytes, but a string: not the number 0x37
    key.SetRaw(L"UseBorder", kSettingTypeNumber, {0xFF, 0xFF, 0xFF, 0xFF});
    LoadSettingsRecord(state, &key);
    EXPECT_EQ(state.Current.GlobalType, 1);
    EXPECT_EQ(state.Current.ChangedTime, 3000);
    EXPECT_EQ(state.Current.MorphingTime, 1000);
    EXPECT_EQ(state.Current.PicChType, 2);
    EXPECT_EQ(state.Current.UseBorder, -1);
}

TEST(SettingsLoad, ValuesOfAnotherRegistryTypeCountAsMissingAndExpandableStringsAreExpanded)
{
    constexpr uint32_t kNone = 0, kBinary = 3, kBigEndian = 5, kMultiString = 7;
    SettingsState state = StateWith({L"USB Camera"}, 2, 1);
    FakeSettingsKey key;
    key.SetRaw(L"GlobalType", kSettingTypeString, Utf16Bytes(L"2", true));  // its bytes would be 50
    key.SetRaw(L"ChangedTime", kSettingTypeExpandString, Utf16Bytes(L"5", true));
    key.SetRaw(L"PicChType", kBigEndian, {0, 0, 0, 1});
    key.SetRaw(L"DesktopIndex", kBinary, NumberBytes(0));
    key.SetRaw(L"ActiveCamera", kMultiString, Utf16Bytes(L"Cam", true));
    key.SetRaw(L"VideoFile", kBinary, Utf16Bytes(L"clip.avi", true));
    key.SetRaw(L"BorderFile", kSettingTypeNumber, NumberBytes(0x00420041));  // "AB" if read as a string
    key.SetRaw(L"PicturesDirectory", kNone, Utf16Bytes(L"D:\\Pictures", true));
    LoadSettingsRecord(state, &key);
    ExpectDefaultNumbers(state.Current, 1);
    EXPECT_EQ(state.Current.ActiveCamera, L"USB Camera");
    EXPECT_EQ(state.Current.VideoFile, L"");
    EXPECT_EQ(state.Current.BorderFile, kDefaultBorder);
    EXPECT_EQ(state.Current.PicturesDirectory, L"");

    key.Environment = {{L"PICTURES", L"C:\\Pictures"}, {L"LONG", std::wstring(250, L'x')}};
    key.SetRaw(L"PicturesDirectory", kSettingTypeExpandString, Utf16Bytes(L"%PICTURES%\\Holiday", true));
    key.SetRaw(L"VideoFile", kSettingTypeExpandString, Utf16Bytes(L"%LONG%\\12345678", false));  // 259 expanded
    key.SetRaw(L"BorderFile", kSettingTypeExpandString, Utf16Bytes(L"%LONG%\\123456789", true));  // 260 expanded
    key.SetString(L"ActiveCamera", L"%PICTURES%");  // a plain string is not expanded
    LoadSettingsRecord(state, &key);
    EXPECT_EQ(state.Current.PicturesDirectory, L"C:\\Pictures\\Holiday");
    EXPECT_EQ(state.Current.VideoFile, std::wstring(250, L'x') + L"\\12345678");
    EXPECT_EQ(state.Current.BorderFile, kDefaultBorder);
    EXPECT_EQ(state.Current.ActiveCamera, L"%PICTURES%");
}

TEST(SettingsLoad, StringsOf259CharactersLoadLongerOnesCountAsMissing)
{
    SettingsState state = StateWith({L"USB Camera"}, 1, 0);
    FakeSettingsKey key;
    key.SetString(L"VideoFile", std::wstring(259, L'v'), true);          // 520 bytes: fills the buffer
    key.SetString(L"PicturesDirectory", std::wstring(259, L'p'), false);
    key.SetString(L"ActiveCamera", std::wstring(260, L'c'), false);      // fits the buffer, no room to end it
    key.SetString(L"BorderFile", std::wstring(300, L'b'), true);
    LoadSettingsRecord(state, &key);
    EXPECT_EQ(state.Current.VideoFile, std::wstring(259, L'v'));
    EXPECT_EQ(state.Current.PicturesDirectory, std::wstring(259, L'p'));
    EXPECT_EQ(state.Current.ActiveCamera, L"USB Camera");
    EXPECT_EQ(state.Current.BorderFile, kDefaultBorder);

    key.SetString(L"ActiveCamera", std::wstring(260, L'c'), true);
    key.SetString(L"VideoFile", std::wstring(300, L'v'), false);
    LoadSettingsRecord(state, &key);
    EXPECT_EQ(state.Current.ActiveCamera, L"USB Camera");
    EXPECT_EQ(state.Current.VideoFile, L"");
}

TEST(SettingsLoad, StringEndsAtItsFirstNulAndNeedsNoTerminator)
{
    SettingsState state = StateWith({}, 1, 0);
    FakeSettingsKey key;
    key.SetString(L"VideoFile", std::wstring(L"clip.avi\0tail", 13), true);
    key.SetString(L"ActiveCamera", L"Cam", false);
    std::vector<uint8_t> odd = Utf16Bytes(L"Bo", false);
    odd.push_back('x');  // a half character at the end
    key.SetRaw(L"BorderFile", kSettingTypeString, odd);
    key.SetRaw(L"PicturesDirectory", kSettingTypeString, NumberBytes(0x00420041));  // "AB" without terminator
    LoadSettingsRecord(state, &key);
    EXPECT_EQ(state.Current.VideoFile, L"clip.avi");
    EXPECT_EQ(state.Current.ActiveCamera, L"Cam");
    EXPECT_EQ(state.Current.BorderFile, L"Bo");
    EXPECT_EQ(state.Current.PicturesDirectory, L"AB");

    // A string starting with NUL is an empty string, not a missing one.
    key.SetString(L"BorderFile", std::wstring(L"\0x", 2), false);
    key.SetRaw(L"PicturesDirectory", kSettingTypeString, NumberBytes(0x41));
    LoadSettingsRecord(state, &key);
    EXPECT_EQ(state.Current.BorderFile, L"");
    EXPECT_EQ(state.Current.PicturesDirectory, L"A");
}
