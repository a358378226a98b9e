// The settings store against the registry: defaults, malformed values and what a save leaves behind.
#include "filter/settings/SettingsStore.h"

#include "SettingsKeyFixture.h"

#include <cstring>

namespace {

void ExpectDefaultNumbers(const FilterSettings& s)
{
    EXPECT_EQ(s.GlobalType, 1);
    EXPECT_EQ(s.UseBorder, 1);
    EXPECT_EQ(s.ChangedTime, 3000);
    EXPECT_EQ(s.MorphingTime, 1000);
    EXPECT_EQ(s.RepeatPicturesShowing, 1);
    EXPECT_EQ(s.PicChType, 2);
    EXPECT_EQ(s.RepeatVideo, 1);
    EXPECT_EQ(s.DesktopIndex, PrimaryMonitorPosition());
}

std::wstring FirstCameraOrEmpty() { return CameraList().empty() ? std::wstring() : CameraList().front(); }

std::wstring DefaultBorder() { return ModuleDirectory() + L"Borders\\border6.png"; }

std::vector<uint8_t> BytesOf(const std::wstring& text)
{
    const uint8_t* begin = reinterpret_cast<const uint8_t*>(text.data());
    return std::vector<uint8_t>(begin, begin + text.size() * sizeof(wchar_t));
}

}  // namespace

TEST_F(SettingsKeyTest, WithoutKeyLoadGivesDefaultsAndCreatesNothing)
{
    ProcessSettings().SetString(&FilterSettings::VideoFile, L"kept.avi");
    ProcessSettings().SetNumber(&FilterSettings::GlobalType, 3);
    LoadSettings();
    const FilterSettings s = CurrentSettings();
    ExpectDefaultNumbers(s);
    EXPECT_EQ(s.BorderFile, DefaultBorder());
    EXPECT_EQ(s.VideoFile, L"kept.avi");
    EXPECT_EQ(SavedSettings(), s);
    EXPECT_FALSE(SettingsKeyExists());
}

TEST_F(SettingsKeyTest, EmptyKeyGivesDefaultsAndEmptyPaths)
{
    StoreNumber(L"Unrelated", 1);
    ProcessSettings().SetString(&FilterSettings::VideoFile, L"old.avi");
    ProcessSettings().SetString(&FilterSettings::PicturesDirectory, L"C:\\old");
    LoadSettings();
    const FilterSettings s = CurrentSettings();
    ExpectDefaultNumbers(s);
    EXPECT_EQ(s.ActiveCamera, FirstCameraOrEmpty());
    EXPECT_EQ(s.BorderFile, DefaultBorder());
    EXPECT_EQ(s.VideoFile, L"");
    EXPECT_EQ(s.PicturesDirectory, L"");
}

TEST_F(SettingsKeyTest, NumbersOfTheWrongSizeOrTypeTakeTheirDefaults)
{
    StoreString(L"GlobalType", L"7", true, REG_SZ);             // 4 bytes with its terminator: not a number
    StoreString(L"ChangedTime", L"12345", true, REG_SZ);        // too long
    const uint8_t twoBytes[] = {5, 0};
    StoreRaw(L"MorphingTime", REG_BINARY, twoBytes, sizeof twoBytes);
    const uint8_t fourBytes[] = {3, 0, 0, 0};
    StoreRaw(L"PicChType", REG_BINARY, fourBytes, sizeof fourBytes);
    StoreNumber(L"DesktopIndex", 5);
    StoreNumber(L"UseBorder", 0);
    const uint8_t eightBytes[] = {0, 0, 0, 0, 0, 0, 0, 0};
    StoreRaw(L"RepeatVideo", REG_QWORD, eightBytes, sizeof eightBytes);
    LoadSettings();
    const FilterSettings s = CurrentSettings();
    EXPECT_EQ(s.GlobalType, 1);
    EXPECT_EQ(s.ChangedTime, 3000);
    EXPECT_EQ(s.MorphingTime, 1000);
    EXPECT_EQ(s.PicChType, 2);
    EXPECT_EQ(s.DesktopIndex, PrimaryMonitorPosition());
    EXPECT_EQ(s.UseBorder, 0);
    EXPECT_EQ(s.RepeatVideo, 1);
}

TEST_F(SettingsKeyTest, StringsLoadUpToTheirFirstNulAndOnlyUpTo259Characters)
{
    const DWORD letters = 0x00420041;  // "AB" when read as UTF-16
    StoreRaw(L"VideoFile", REG_DWORD, &letters, sizeof letters);
    StoreString(L"ActiveCamera", L"Cam", false);
    StoreString(L"BorderFile", std::wstring(259, L'b'), false);
    StoreString(L"PicturesDirectory", std::wstring(260, L'p'), false);
    LoadSettings();
    EXPECT_EQ(CurrentSettings().VideoFile, L"");
    EXPECT_EQ(CurrentSettings().ActiveCamera, L"Cam");
    EXPECT_EQ(CurrentSettings().BorderFile, std::wstring(259, L'b'));
    EXPECT_EQ(CurrentSettings().PicturesDirectory, L"");

    StoreString(L"VideoFile", std::wstring(300, L'v'), true);
    StoreString(L"ActiveCamera", std::wstring(260, L'c'), true);
    StoreString(L"BorderFile", std::wstring(300, L'b'), false);
    StoreString(L"PicturesDirectory", std::wstring(259, L'p'), true);
    LoadSettings();
    EXPECT_EQ(CurrentSettings().VideoFile, L"");
    EXPECT_EQ(CurrentSettings().ActiveCamera, FirstCameraOrEmpty());
    EXPECT_EQ(CurrentSettings().BorderFile, DefaultBorder());
    EXPECT_EQ(CurrentSettings().PicturesDirectory, std::wstring(259, L'p'));

    ASSERT_TRUE(SetEnvironmentVariableW(L"VELTRANE_TEST_LONG", std::wstring(250, L'x').c_str()));
    StoreString(L"PicturesDirectory", L"%VELTRANE_TEST_LONG%\\12345678", true, REG_EXPAND_SZ);
    StoreString(L"BorderFile", L"%VELTRANE_TEST_LONG%\\123456789", false, REG_EXPAND_SZ);
    LoadSettings();
    EXPECT_EQ(CurrentSettings().PicturesDirectory, std::wstring(250, L'x') + L"\\12345678");
    EXPECT_EQ(CurrentSettings().BorderFile, DefaultBorder()) << "260 characters once expanded";
    SetEnvironmentVariableW(L"VELTRANE_TEST_LONG", nullptr);
}

TEST_F(SettingsKeyTest, SaveCreatesTheKeyWithNumbersAndUnterminatedStrings)
{
    FilterSettings s;
    s.GlobalType = 2;
    s.UseBorder = 0;
    s.ChangedTime = 4000;
    s.MorphingTime = 500;
    s.RepeatPicturesShowing = 0;
    s.PicChType = 3;
    s.RepeatVideo = 0;
    s.DesktopIndex = -7;
    s.VideoFile = L"D:\\clip.avi";
    s.ActiveCamera = L"";
    s.BorderFile = std::wstring(259, L'b');
    s.PicturesDirectory = L"D:\\Pictures";
    ProcessSettings().SetCurrent(s);
    ASSERT_FALSE(SettingsKeyExists());
    EXPECT_EQ(SaveSettings(), S_OK);
    EXPECT_EQ(SavedSettings(), s);

    const std::pair<const wchar_t*, int32_t> numbers[] = {
        {L"GlobalType", 2},   {L"UseBorder", 0},   {L"ChangedTime", 4000}, {L"MorphingTime", 500},
        {L"RepeatPicturesShowing", 0}, {L"PicChType", 3}, {L"RepeatVideo", 0}, {L"DesktopIndex", -7}};
    for (const auto& number : numbers) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(number.first)));
        RawValue value = ReadRaw(number.first);
        ASSERT_TRUE(value.found);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD));
        ASSERT_EQ(value.bytes.size(), 4u);
        int32_t stored = 0;
        std::memcpy(&stored, value.bytes.data(), 4);
        EXPECT_EQ(stored, number.second);
    }
    const std::pair<const wchar_t*, std::wstring> strings[] = {{L"VideoFile", L"D:\\clip.avi"},
                                                               {L"ActiveCamera", L""},
                                                               {L"BorderFile", std::wstring(259, L'b')},
                                                               {L"PicturesDirectory", L"D:\\Pictures"}};
    for (const auto& string : strings) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(string.first)));
        RawValue value = ReadRaw(string.first);
        ASSERT_TRUE(value.found);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(value.bytes, BytesOf(string.second));
    }
}

TEST_F(SettingsKeyTest, SaveThenLoadGivesBackTheSameValues)
{
    LoadSettings();  // the monitor list, so that the stored DesktopIndex is a valid one
    FilterSettings saved = CurrentSettings();
    saved.GlobalType = 4;
    saved.ChangedTime = 1234;
    saved.PicChType = 1;
    saved.DesktopIndex = static_cast<int32_t>(MonitorList().size()) - 1;
    saved.VideoFile = L"C:\\v.avi";
    saved.ActiveCamera = L"Some Camera";
    saved.BorderFile = L"C:\\b.png";
    saved.PicturesDirectory = std::wstring(259, L'p');
    ProcessSettings().SetCurrent(saved);
    SaveSettings();

    FilterSettings changed;
    changed.ActiveCamera = L"changed";
    ProcessSettings().SetCurrent(changed);
    LoadSettings();
    EXPECT_EQ(CurrentSettings(), saved);
    EXPECT_EQ(SavedSettings(), saved);
}

TEST_F(SettingsKeyTest, WriteSettingValueStoresExactlyTheGivenBytes)
{
    const wchar_t text[] = L"abc";
    EXPECT_EQ(WriteSettingValue(L"Text", text, REG_SZ, 6), 1);  // the terminator right behind is not counted
    EXPECT_TRUE(SettingsKeyExists());
    EXPECT_EQ(ReadRaw(L"Text").bytes, BytesOf(L"abc"));

    EXPECT_EQ(WriteSettingValue(L"Text", text, REG_SZ, 8), 1);
    EXPECT_EQ(ReadRaw(L"Text").bytes.size(), 8u);

    EXPECT_EQ(WriteSettingValue(L"Odd", text, REG_SZ, 1), 1);
    EXPECT_EQ(ReadRaw(L"Odd").bytes, std::vector<uint8_t>{'a'});

    const DWORD number = 42;
    EXPECT_EQ(WriteSettingValue(L"Number", &number, REG_DWORD, 4), 1);
    RawValue value = ReadRaw(L"Number");
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value.bytes, (std::vector<uint8_t>{42, 0, 0, 0}));

    // Nothing to write from: no crash, and the result is still 1.
    EXPECT_EQ(WriteSettingValue(L"Null", nullptr, REG_SZ, 4), 1);
}
