#include "filter/settings/SettingsRegistry.h"

#include "filter/settings/FilterSettings.h"
#include "filter/settings/SettingsStore.h"

#include <cstring>
#include <vector>

static_assert(kSettingTypeString == REG_SZ && kSettingTypeExpandString == REG_EXPAND_SZ &&
                  kSettingTypeNumber == REG_DWORD,
              "registry type numbers");

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept
{
    if (this != &other) {
        Close();
        key_ = other.key_;
        other.key_ = nullptr;
    }
    return *this;
}

void RegistryKey::Close()
{
    if (key_) {
        // Closing a key we opened cannot fail in a way we could act on.
        RegCloseKey(key_);
        key_ = nullptr;
    }
}

RegistryKey OpenSettingsKey(REGSAM access)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, access, &key) != ERROR_SUCCESS) return RegistryKey();
    return RegistryKey(key);
}

bool RegistrySettingsReader::ReadValue(const wchar_t* name, void* buffer, uint32_t capacity, uint32_t& size,
                                       uint32_t& type)
{
    DWORD bytes = capacity;
    DWORD stored = REG_NONE;
    LSTATUS status = RegQueryValueExW(key_, name, nullptr, &stored, static_cast<BYTE*>(buffer), &bytes);
    if (status != ERROR_SUCCESS) return false;
    size = bytes;
    type = stored;
    return true;
}

bool RegistrySettingsReader::ExpandEnvironment(const std::wstring& text, std::wstring& expanded)
{
    wchar_t buffer[kSettingBufferChars];
    // The count includes the terminator; a result that does not fit gives the size it would need instead.
    DWORD count = ExpandEnvironmentStringsW(text.c_str(), buffer, static_cast<DWORD>(kSettingBufferChars));
    if (count == 0 || count > kSettingBufferChars) return false;
    expanded.assign(buffer);
    return true;
}

void RegistrySettingsWriter::WriteValue(const wchar_t* name, const void* data, uint32_t type, uint32_t bytes)
{
    WriteSettingValue(name, data, type, bytes);
}

namespace {

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// For string types RegSetValueExW looks at the character after the given bytes (and, for a single byte, the
// one before) and stores a terminator it finds there as well. Writing from a private copy framed by non-NUL
// units keeps those looks inside our own memory and stores exactly BYTES bytes.
void SetStringValue(HKEY key, const wchar_t* name, const void* data, DWORD type, DWORD bytes)
{
    std::vector<uint16_t> framed(bytes / 2 + 3, 0xFFFF);
    std::memcpy(framed.data() + 1, data, bytes);
    // Write failures are not reported to anyone; the saved copy is kept regardless.
    RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(framed.data() + 1), bytes);
}

}  // namespace

int WriteSettingValue(const wchar_t* name, const void* data, DWORD type, DWORD bytes)
{
    RegistryKey key = OpenSettingsKey(KEY_READ | KEY_WRITE);
    if (!key) {
        HKEY created = nullptr;
        if (RegCreateKeyW(HKEY_CURRENT_USER, kSettingsKeyPath, &created) == ERROR_SUCCESS) key = RegistryKey(created);
    }
    if (!key || (!data && bytes != 0)) return 1;
    if (IsStringType(type) && bytes != 0) {
        SetStringValue(key.Get(), name, data, type, bytes);
    } else {
        // As above: a failed write is deliberately not reported.
        RegSetValueExW(key.Get(), name, 0, type, static_cast<const BYTE*>(data), bytes);
    }
    return 1;
}
