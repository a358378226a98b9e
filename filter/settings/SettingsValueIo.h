#pragma once
// The narrow view of the settings key that loading and saving need, so that the order of reads and writes, the
// defaults and the value rules run the same against the registry and against a test double.
#include <cstdint>
#include <string>

// Registry value types (the numbers of REG_SZ, REG_EXPAND_SZ and REG_DWORD). The settings are written as strings
// and numbers; a string is also read from an expandable string.
constexpr uint32_t kSettingTypeString = 1;
constexpr uint32_t kSettingTypeExpandString = 2;
constexpr uint32_t kSettingTypeNumber = 4;

// An opened settings key.
class SettingsReader {
public:
    virtual ~SettingsReader() = default;
    // Copies the stored bytes of value NAME into BUFFER, which holds CAPACITY bytes, and sets SIZE to their
    // count and TYPE to their registry type. False when the value cannot be read for any reason (absent, larger
    // than CAPACITY, ...); BUFFER, SIZE and TYPE are then meaningless.
    virtual bool ReadValue(const wchar_t* name, void* buffer, uint32_t capacity, uint32_t& size, uint32_t& type) = 0;
    // TEXT with its %NAME% references to environment variables replaced as the system does; false when it cannot
    // be expanded.
    virtual bool ExpandEnvironment(const std::wstring& text, std::wstring& expanded) = 0;
};

class SettingsWriter {
public:
    virtual ~SettingsWriter() = default;
    // Stores BYTES bytes of DATA under NAME with the registry type TYPE; failures are not reported.
    virtual void WriteValue(const wchar_t* name, const void* data, uint32_t type, uint32_t bytes) = 0;
};
