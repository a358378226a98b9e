#include "filter/settings/SettingsSequence.h"

#include "FakeSettingsKey.h"

#include <gtest/gtest.h>

namespace {

FilterSettings SampleSettings()
{
    FilterSettings s;
    s.GlobalType = 3;
    s.UseBorder = 0;
    s.ChangedTime = 4500;
    s.MorphingTime = -1;
    s.RepeatPicturesShowing = 0;
    s.PicChType = 1;
    s.RepeatVideo = 7;
    s.DesktopIndex = 1;
    s.VideoFile = L"D:\\Videos\\clip.avi";
    s.ActiveCamera = L"";
    s.BorderFile = std::wstring(259, L'b');
    s.PicturesDirectory = L"D:\\Pictures";
    return s;
}

}  // namespace

TEST(SettingsSave, WritesEightNumbersThenFourUnterminatedStrings)
{
    SettingsState state;
    state.Current = SampleSettings();
    FakeSettingsKey key;
    SaveSettingsRecord(state, key);

    struct Expected {
        const wchar_t* name;
        uint32_t type;
        std::vector<uint8_t> bytes;
    };
    const Expected expected[] = {
        {L"GlobalType", 4, NumberBytes(3)},
        {L"UseBorder", 4, NumberBytes(0)},
        {L"ChangedTime", 4, NumberBytes(4500)},
        {L"MorphingTime", 4, NumberBytes(-1)},
        {L"RepeatPicturesShowing", 4, NumberBytes(0)},
        {L"PicChType", 4, NumberBytes(1)},
        {L"RepeatVideo", 4, NumberBytes(7)},
        {L"DesktopIndex", 4, NumberBytes(1)},
        {L"VideoFile", 1, Utf16Bytes(L"D:\\Videos\\clip.avi", false)},
        {L"ActiveCamera", 1, {}},
        {L"BorderFile", 1, Utf16Bytes(std::wstring(259, L'b'), false)},
        {L"PicturesDirectory", 1, Utf16Bytes(L"D:\\Pictures", false)},
    };
    ASSERT_EQ(key.Writes.size(), std::size(expected));
    for (size_t i = 0; i < key.Writes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(key.Writes[i].Name, expected[i].name);
        EXPECT_EQ(key.Writes[i].Type, expected[i].type);
        EXPECT_EQ(key.Writes[i].Bytes, expected[i].bytes);
    }
    EXPECT_EQ(key.Writes[10].Bytes.size(), 518u);
}

TEST(SettingsSave, SavedSettingsFollowEachLoadAndSaveOnly)
{
    SettingsState state;
    state.Monitors.resize(2);
    FakeSettingsKey key;
    key.SetNumber(L"ChangedTime", 2000);
    LoadSettingsRecord(state, &key);
    EXPECT_EQ(state.Saved.ChangedTime, 2000);

    state.Current.ChangedTime = 5000;
    state.Current.VideoFile = L"new.avi";
    EXPECT_EQ(state.Saved.ChangedTime, 2000);
    EXPECT_EQ(state.Saved.VideoFile, L"");

    SaveSettingsRecord(state, key);
    EXPECT_EQ(state.Saved, state.Current);
    EXPECT_EQ(state.Saved.VideoFile, L"new.avi");
}

TEST(SettingsSave, SaveThenLoadGivesBackTheSameTwelveValues)
{
    SettingsState first;
    first.Current = SampleSettings();
    FakeSettingsKey key;
    SaveSettingsRecord(first, key);

    SettingsState second;
    second.Monitors.resize(2);
    second.Cameras = {L"USB Camera"};
    second.Current.ActiveCamera = L"stale";
    LoadSettingsRecord(second, &key);
    EXPECT_EQ(second.Current, first.Current);
    EXPECT_EQ(second.Saved, first.Current);
}
