// One settings model changed and read by several threads at once, as the settings interface, the tray, the
// inputs and the streaming thread use it. Every value read must be whole and one of those written. Built into
// settings_logic_tests (natively and under Wine) and into settings_tsan_tests (ThreadSanitizer).
#include "filter/settings/SettingsModel.h"

#include "FakeSettingsKey.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <type_traits>
#include <vector>

namespace {

// Lengths 5 and 250: replacing one by the other reallocates, which is what frees a buffer under a reader.
const std::wstring kShort = L"short";
const std::wstring kLong = L"long:" + std::wstring(245, L'#');

constexpr std::chrono::milliseconds kRunTime{1000};
constexpr long kMaxRounds = 100000;

bool Allowed(const std::wstring& text) { return text == kShort || text == kLong; }

bool AllowedNumber(int32_t mode) { return mode == Pictures || mode == Desktop; }

bool AllowedRecord(const FilterSettings& s)
{
    return Allowed(s.VideoFile) && Allowed(s.ActiveCamera) && Allowed(s.BorderFile) &&
           Allowed(s.PicturesDirectory) && AllowedNumber(s.GlobalType);
}

// The two device sets the loads alternate between.
SettingsState DevicesA()
{
    SettingsState devices;
    devices.Cameras = {kShort};
    devices.Monitors = {MonitorRecord{"\\\\.\\DISPLAY1", 640, 480}};
    devices.PrimaryPosition = 0;
    devices.ModuleDirectory = L"C:\\A\\";
    return devices;
}

SettingsState DevicesB()
{
    SettingsState devices;
    devices.Cameras = {kLong, kShort, L"third"};
    devices.Monitors = {MonitorRecord{"\\\\.\\DISPLAY1", 640, 480}, MonitorRecord{"\\\\.\\DISPLAY2", 800, 600},
                        MonitorRecord{"\\\\.\\DISPLAY3", 1024, 768}};
    devices.PrimaryPosition = 2;
    devices.ModuleDirectory = std::wstring(200, L'B') + L"\\";
    return devices;
}

FakeSettingsKey KeyWithAllowedValues()
{
    FakeSettingsKey key;
    key.SetNumber(L"GlobalType", Pictures);
    key.SetString(L"VideoFile", kLong);
    key.SetString(L"ActiveCamera", kShort);
    key.SetString(L"BorderFile", kShort);
    key.SetString(L"PicturesDirectory", kLong);
    return key;
}

bool TakeAll(FilterSettings& current, const FilterSettings& saved)
{
    const bool changed = current != saved;
    current = saved;
    return changed;
}

// Runs every worker on its own thread, all starting together, each round after round until kRunTime has passed or
// it did kMaxRounds. Returns how many rounds each did.
std::vector<long> RunTogether(const std::vector<std::function<void(long)>>& workers)
{
    std::atomic<bool> go{false};
    const auto deadline = std::chrono::steady_clock::now() + kRunTime;
    std::vector<long> rounds(workers.size(), 0);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < workers.size(); ++i) {
        threads.emplace_back([&, i] {
            while (!go.load()) std::this_thread::yield();
            long round = 0;
            while (round < kMaxRounds && std::chrono::steady_clock::now() < deadline) workers[i](round++);
            rounds[i] = round;
        });
    }
    go.store(true);
    for (std::thread& thread : threads) thread.join();
    return rounds;
}

TEST(SettingsModelThreads, ReadersSeeOnlyWholeValuesThatWereWritten)
{
    SettingsModel model;
    FakeSettingsKey loaderKey = KeyWithAllowedValues();
    model.Load(DevicesA(), &loaderKey);
    ASSERT_TRUE(AllowedRecord(model.Current()));

    const SettingsState a = DevicesA();
    const SettingsState b = DevicesB();
    std::atomic<long> badStrings{0}, badNumbers{0}, badRecords{0}, badLists{0};
    auto check = [](std::atomic<long>& faults, bool good) {
        if (!good) ++faults;
    };
    auto alternate = [](long round, const std::wstring& first, const std::wstring& second) {
        return round % 2 == 0 ? first : second;
    };
    auto sameEntry = [](const auto& entry, const auto& list, int32_t index) {
        using Entry = std::decay_t<decltype(entry)>;
        return index >= 0 && static_cast<size_t>(index) < list.size() ? entry == list[static_cast<size_t>(index)]
                                                                      : entry == Entry();
    };

    const std::vector<std::function<void(long)>> workers = {
        // The settings interface's string setters.
        [&](long round) {
            model.SetString(&FilterSettings::BorderFile, alternate(round, kLong, kShort));
            model.SetString(&FilterSettings::PicturesDirectory, alternate(round, kShort, kLong));
        },
        [&](long round) {
            model.SetString(&FilterSettings::VideoFile, alternate(round, kShort, kLong));
            model.SetString(&FilterSettings::ActiveCamera, alternate(round, kLong, kShort));
        },
        // Its getters.
        [&](long) {
            check(badStrings, Allowed(model.CurrentString(&FilterSettings::BorderFile)));
            check(badStrings, Allowed(model.CurrentString(&FilterSettings::VideoFile)));
            check(badRecords, AllowedRecord(model.Current()));
            check(badRecords, AllowedRecord(model.Saved()));
        },
        // Mode changes, and the streaming thread's reads.
        [&](long round) {
            model.SetNumber(&FilterSettings::GlobalType, round % 2 == 0 ? Desktop : Pictures);
            check(badNumbers, AllowedNumber(model.CurrentGlobalType()));
            check(badNumbers, AllowedNumber(model.CurrentNumber(&FilterSettings::GlobalType)));
        },
        [&](long) { check(badNumbers, AllowedNumber(model.CurrentGlobalType())); },
        // Revert and save.
        [&](long round) {
            if (round % 2 == 0) {
                check(badRecords, AllowedRecord(model.Revert(TakeAll).current));
                return;
            }
            FakeSettingsKey written;
            model.Save(written);
            check(badStrings, written.Values[L"BorderFile"] == Utf16Bytes(kShort, false) ||
                                  written.Values[L"BorderFile"] == Utf16Bytes(kLong, false));
        },
        // Loads with another set of devices each time, and the readers of the lists.
        [&](long round) {
            loaderKey.Reads.clear();
            model.Load(round % 2 == 0 ? b : a, &loaderKey);
        },
        [&](long round) {
            const int32_t index = static_cast<int32_t>(round % 5) - 1;
            const std::vector<std::wstring> cameras = model.Cameras();
            check(badLists, cameras == a.Cameras || cameras == b.Cameras);
            const std::wstring camera = model.Camera(index);
            check(badLists, sameEntry(camera, a.Cameras, index) || sameEntry(camera, b.Cameras, index));
            const MonitorRecord monitor = model.Monitor(index);
            check(badLists, monitor.DeviceName.empty() || monitor.DeviceName.rfind("\\\\.\\DISPLAY", 0) == 0);
            const size_t monitors = model.Monitors().size();
            check(badLists, monitors == a.Monitors.size() || monitors == b.Monitors.size());
            const std::wstring directory = model.ModuleDirectory();
            check(badLists, directory == a.ModuleDirectory || directory == b.ModuleDirectory);
            const int32_t primary = model.PrimaryPosition();
            check(badLists, primary == a.PrimaryPosition || primary == b.PrimaryPosition);
        },
    };
    const std::vector<long> rounds = RunTogether(workers);

    for (size_t i = 0; i < rounds.size(); ++i) EXPECT_GT(rounds[i], 0) << "worker " << i << " never ran";
    EXPECT_EQ(badStrings.load(), 0);
    EXPECT_EQ(badNumbers.load(), 0);
    EXPECT_EQ(badRecords.load(), 0);
    EXPECT_EQ(badLists.load(), 0);
    EXPECT_TRUE(AllowedRecord(model.Current()));
    EXPECT_EQ(model.CurrentGlobalType(), model.Current().GlobalType);
}

}  // namespace
