#pragma once
// Windows tests of the settings store start from a missing HKCU\SOFTWARE\Veltrane key (the registry is the
// private Wine prefix's) and write and inspect raw values there.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

constexpr const wchar_t* kTestSettingsKey = L"SOFTWARE\\Veltrane";

inline void DeleteSettingsKey()
{
    // Absent already is the usual outcome; any other failure shows up as a wrong value in the test.
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestSettingsKey);
}

inline bool SettingsKeyExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kTestSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

inline void StoreRaw(const wchar_t* name, DWORD type, const void* data, size_t bytes)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    // Strings are stored from a copy followed by a non-NUL character, so that the system adds no terminator
    // the test did not ask for.
    std::vector<uint8_t> copy(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + bytes);
    copy.insert(copy.end(), {'z', 0, 'z', 0});
    LSTATUS status = RegSetValueExW(key, name, 0, type, copy.data(), static_cast<DWORD>(bytes));
    RegCloseKey(key);
    ASSERT_EQ(status, ERROR_SUCCESS);
}

inline void StoreNumber(const wchar_t* name, DWORD value) { StoreRaw(name, REG_DWORD, &value, sizeof value); }

inline void StoreString(const wchar_t* name, const std::wstring& text, bool terminator, DWORD type = REG_SZ)
{
    StoreRaw(name, type, text.c_str(), (text.size() + (terminator ? 1 : 0)) * sizeof(wchar_t));
}

struct RawValue {
    bool found = false;
    DWORD type = 0;
    std::vector<uint8_t> bytes;
};

inline RawValue ReadRaw(const wchar_t* name)
{
    RawValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kTestSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        value.found = RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size) == ERROR_SUCCESS;
        value.bytes.resize(size);
    }
    RegCloseKey(key);
    return value;
}

class SettingsKeyTest : public testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
};
