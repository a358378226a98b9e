// The settings model one call at a time: what each change reports, the GlobalType every way of changing the
// current settings leaves for the streaming thread, and the list entries it hands out.
#include "filter/settings/SettingsModel.h"

#include "FakeSettingsKey.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

SettingsState Devices(std::vector<std::wstring> cameras, size_t monitors, int32_t primary)
{
    SettingsState devices;
    devices.Cameras = std::move(cameras);
    for (size_t i = 0; i < monitors; ++i)
        devices.Monitors.push_back(MonitorRecord{"\\\\.\\DISPLAY" + std::to_string(i + 1), 800, 600});
    devices.PrimaryPosition = primary;
    devices.ModuleDirectory = L"C:\\Veltrane\\";
    return devices;
}

FilterSettings WithGlobalType(int32_t mode)
{
    FilterSettings settings;
    settings.GlobalType = mode;
    return settings;
}

bool TakeAll(FilterSettings& current, const FilterSettings& saved)
{
    const bool changed = current != saved;
    current = saved;
    return changed;
}

TEST(SettingsModelChanges, ReportWhetherTheValueDiffered)
{
    SettingsModel model;
    struct Step {
        const char* what;
        std::function<bool()> change;
        bool changed;
    };
    const Step steps[] = {
        {"same number", [&] { return model.SetNumber(&FilterSettings::ChangedTime, 0); }, false},
        {"new number", [&] { return model.SetNumber(&FilterSettings::ChangedTime, 2500); }, true},
        {"that number again", [&] { return model.SetNumber(&FilterSettings::ChangedTime, 2500); }, false},
        {"same string", [&] { return model.SetString(&FilterSettings::ActiveCamera, L""); }, false},
        {"new string", [&] { return model.SetString(&FilterSettings::ActiveCamera, L"Cam"); }, true},
        {"other case", [&] { return model.SetString(&FilterSettings::ActiveCamera, L"cam"); }, true},
        {"that string again", [&] { return model.SetString(&FilterSettings::ActiveCamera, L"cam"); }, false},
    };
    for (const Step& step : steps) EXPECT_EQ(step.change(), step.changed) << step.what;
    EXPECT_EQ(model.CurrentNumber(&FilterSettings::ChangedTime), 2500);
    EXPECT_EQ(model.CurrentString(&FilterSettings::ActiveCamera), L"cam");
    EXPECT_EQ(model.Current().ChangedTime, 2500);
    EXPECT_EQ(model.Saved(), FilterSettings());
}

TEST(SettingsModelChanges, GlobalTypeSeenWithoutTheLockFollowsEveryChange)
{
    SettingsModel model;
    FakeSettingsKey key;
    key.SetNumber(L"GlobalType", Video);
    FakeSettingsKey failing;
    failing.SetNumber(L"GlobalType", Video);
    failing.Failing = L"VideoFile";
    struct Step {
        const char* what;
        std::function<void()> change;
        int32_t globalType;
    };
    const Step steps[] = {
        {"number setter", [&] { model.SetNumber(&FilterSettings::GlobalType, Desktop); }, Desktop},
        {"another number", [&] { model.SetNumber(&FilterSettings::UseBorder, 7); }, Desktop},
        {"whole record", [&] { model.SetCurrent(WithGlobalType(Pictures)); }, Pictures},
        {"load from the key", [&] { model.Load(Devices({}, 1, 0), &key); }, Video},
        {"changed after load", [&] { model.SetNumber(&FilterSettings::GlobalType, 9); }, 9},
        {"revert", [&] { model.Revert(TakeAll); }, Video},
        {"load without key", [&] { model.Load(Devices({}, 1, 0), nullptr); }, SettingDefaults::GlobalType},
        {"changed once more", [&] { model.SetNumber(&FilterSettings::GlobalType, 9); }, 9},
        {"load failing midway: defaults", [&] { model.Load(Devices({}, 1, 0), &failing); }, 1},
        {"changed before a save", [&] { model.SetNumber(&FilterSettings::GlobalType, 9); }, 9},
        {"save failing midway", [&] { model.Save(failing); }, 9},
        {"revert to the last complete load", [&] { model.Revert(TakeAll); }, 1},
    };
    for (const Step& step : steps) {
        step.change();
        EXPECT_EQ(model.CurrentGlobalType(), step.globalType) << step.what;
        EXPECT_EQ(model.Current().GlobalType, step.globalType) << step.what;
    }
}

TEST(SettingsModelLists, EntriesOutsideTheListsAreEmpty)
{
    SettingsModel model;
    model.Load(Devices({L"First", L"Second"}, 1, 0), nullptr);
    const struct {
        int32_t index;
        const wchar_t* camera;
        const char* monitor;
    } cases[] = {
        {-1, L"", ""},
        {0, L"First", "\\\\.\\DISPLAY1"},
        {1, L"Second", ""},
        {2, L"", ""},
        {INT32_MAX, L"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(model.Camera(c.index), c.camera) << c.index;
        EXPECT_EQ(model.Monitor(c.index).DeviceName, c.monitor) << c.index;
    }
    EXPECT_EQ(model.Monitor(0).Width, 800);
    EXPECT_EQ(model.Monitor(5).Width, 0);
}

}  // namespace
