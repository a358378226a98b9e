#pragma once
// The settings of one process shared between threads: the current and saved records, the device lists and the
// module directory behind one small lock of their own.
//
// The lock is the innermost of the module: it may be taken while the source lock or an input lock is held, and it
// is held only to copy values in or out, never while anything else is called (the revert rule excepted, which
// only compares and assigns values). Readers get copies: a string or list replaced by another thread never goes
// away under them.
#include "filter/settings/FilterSettings.h"
#include "filter/settings/SettingsSequence.h"
#include "filter/settings/SettingsValueIo.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// What a revert rule decided, with the current settings it left.
template <class Plan>
struct RevertOutcome {
    Plan plan;
    FilterSettings current;
};

class SettingsModel {
public:
    using NumberField = int32_t FilterSettings::*;
    using StringField = std::wstring FilterSettings::*;

    SettingsModel() = default;
    SettingsModel(const SettingsModel&) = delete;
    SettingsModel& operator=(const SettingsModel&) = delete;

    FilterSettings Current() const;
    FilterSettings Saved() const;
    int32_t CurrentNumber(NumberField field) const;
    std::wstring CurrentString(StringField field) const;

    // GlobalType of the current settings without taking the lock: the streaming thread reads it for every frame.
    int32_t CurrentGlobalType() const { return globalType_.load(); }

    // Store VALUE in FIELD of the current settings; true when it differed from what was there.
    bool SetNumber(NumberField field, int32_t value);
    bool SetString(StringField field, std::wstring value);
    void SetCurrent(FilterSettings settings);

    // Applies RULE(current, saved) (TakeSavedSettings) under the lock; returns its plan with the current settings
    // it left.
    template <class Rule>
    auto Revert(Rule&& rule) -> RevertOutcome<decltype(rule(std::declval<FilterSettings&>(),
                                                            std::declval<const FilterSettings&>()))>
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto plan = rule(state_.Current, static_cast<const FilterSettings&>(state_.Saved));
        PublishGlobalType();
        return {std::move(plan), state_.Current};
    }

    // Builds a new record from READER (null when there is no settings key) as LoadSettingsRecord does, with the
    // device lists, primary position and module directory of DEVICES, then installs all of it at once. Values
    // the record keeps when nothing is stored are those current when the load began. READER is used outside the
    // lock. When READER or the memory fails midway, the defaults of a missing key are loaded instead; nothing
    // is thrown.
    void Load(SettingsState devices, SettingsReader* reader) noexcept;
    // Writes a copy of the current settings to WRITER outside the lock, then makes that copy the saved settings.
    // A failure midway leaves the saved settings as they were; nothing is thrown.
    void Save(SettingsWriter& writer) noexcept;

    // Entry INDEX of a list; empty outside it.
    std::wstring Camera(int32_t index) const;
    MonitorRecord Monitor(int32_t index) const;
    std::vector<std::wstring> Cameras() const;
    std::vector<MonitorRecord> Monitors() const;
    int32_t PrimaryPosition() const;
    std::wstring ModuleDirectory() const;

private:
    // Call with the lock held, after any change of the current settings.
    void PublishGlobalType() { globalType_.store(state_.Current.GlobalType); }

    mutable std::mutex mutex_;
    SettingsState state_;
    std::atomic<int32_t> globalType_{0};
};
