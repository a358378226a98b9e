#pragma once
// The settings key HKEY_CURRENT_USER\SOFTWARE\Veltrane as the loading and saving sequence sees it.
#include "filter/settings/SettingsValueIo.h"

#include <windows.h>

constexpr const wchar_t* kSettingsKeyPath = L"SOFTWARE\\Veltrane";

// Owner of an open registry key, closed when the owner goes.
class RegistryKey {
public:
    RegistryKey() = default;
    explicit RegistryKey(HKEY key) : key_(key) {}
    ~RegistryKey() { Close(); }
    RegistryKey(RegistryKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY Get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }
    void Close();

private:
    HKEY key_ = nullptr;
};

// The settings key opened with ACCESS; empty when it cannot be opened (absent, no access).
RegistryKey OpenSettingsKey(REGSAM access);

class RegistrySettingsReader : public SettingsReader {
public:
    explicit RegistrySettingsReader(HKEY key) : key_(key) {}
    bool ReadValue(const wchar_t* name, void* buffer, uint32_t capacity, uint32_t& size, uint32_t& type) override;
    // Expanded into a buffer of the settings' 260 characters: a longer result cannot be expanded.
    bool ExpandEnvironment(const std::wstring& text, std::wstring& expanded) override;

private:
    HKEY key_;
};

// Writes each value through WriteSettingValue, which opens and closes the key per value.
class RegistrySettingsWriter : public SettingsWriter {
public:
    void WriteValue(const wchar_t* name, const void* data, uint32_t type, uint32_t bytes) override;
};
