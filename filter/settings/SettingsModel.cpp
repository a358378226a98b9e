#include "filter/settings/SettingsModel.h"

namespace {

template <class T>
T EntryOrEmpty(const std::vector<T>& list, int32_t index)
{
    if (index < 0 || static_cast<size_t>(index) >= list.size()) return T();
    return list[static_cast<size_t>(index)];
}

}  // namespace

FilterSettings SettingsModel::Current() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return state_.Current;
}

FilterSettings SettingsModel::Saved() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return state_.Saved;
}

int32_t SettingsModel::CurrentNumber(NumberField field) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return state_.Current.*field;
}

std::wstring SettingsModel::CurrentString(StringField field) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return state_.Current.*field;
}

bool SettingsModel::SetNumber(NumberField field, int32_t value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_.Current.*field == value) return false;
    state_.Current.*field = value;
    PublishGlobalType();
    return true;
}

bool SettingsModel::SetString(StringField field, std::wstring value)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state_.Current.*field == value) return false;
        // The old text leaves in VALUE and is freed after the lock is released.
        (state_.Current.*field).swap(value);
    }
    return true;
}

void SettingsModel::SetCurrent(FilterSettings settings)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::swap(state_.Current, settings);
    PublishGlobalType();
}

void SettingsModel::Load(SettingsState devices, SettingsReader* reader) noexcept
{
    try {
        devices.Current = Current();
        try {
            LoadSettingsRecord(devices, reader);
        } catch (...) {
            // A key that could not be read to the end (no memory for a value) loads as a missing key does rather
            // than as a record half read.
            devices.Current = Current();
            LoadSettingsRecord(devices, nullptr);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        std::swap(state_, devices);
        PublishGlobalType();
    } catch (...) {
        // Not even the defaults could be made: the settings stay as they were.
    }
}

void SettingsModel::Save(SettingsWriter& writer) noexcept
{
    try {
        SettingsState record;
        record.Current = Current();
        SaveSettingsRecord(record, writer);
        std::lock_guard<std::mutex> lock(mutex_);
        std::swap(state_.Saved, record.Saved);
    } catch (...) {
        // The values written before the failure stay written; the saved settings keep the last complete load or
        // save, which is what a revert returns to.
    }
}

std::wstring SettingsModel::Camera(int32_t index) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return EntryOrEmpty(state_.Cameras, index);
}

MonitorRecord SettingsModel::Monitor(int32_t index) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return EntryOrEmpty(state_.Monitors, index);
}

std::vector<std::wstring> SettingsModel::Cameras() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return state_.Cameras;
}

std::vector<MonitorRecord> SettingsModel::Monitors() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return state_.Monitors;
}

int32_t SettingsModel::PrimaryPosition() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return state_.PrimaryPosition;
}

std::wstring SettingsModel::ModuleDirectory() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return state_.ModuleDirectory;
}
