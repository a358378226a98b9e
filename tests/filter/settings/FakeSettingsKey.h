#pragma once
// An in-memory settings key: answers reads as the registry does (a value larger than the caller's buffer
// cannot be read) and records every read and write in order.
#include "filter/settings/SettingsValueIo.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

// UTF-16 bytes of TEXT (one unit per character, little-endian), optionally followed by a terminator.
inline std::vector<uint8_t> Utf16Bytes(const std::wstring& text, bool terminator)
{
    std::vector<uint8_t> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
    }
    if (terminator) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

inline std::vector<uint8_t> NumberBytes(int32_t value)
{
    std::vector<uint8_t> bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

class FakeSettingsKey : public SettingsReader, public SettingsWriter {
public:
    struct Write {
        std::wstring Name;
        uint32_t Type;
        std::vector<uint8_t> Bytes;
    };

    std::map<std::wstring, std::vector<uint8_t>> Values;
    std::map<std::wstring, uint32_t> Types;  // a value without an entry here has no type (REG_NONE)
    std::map<std::wstring, std::wstring> Environment;  // what %NAME% expands to
    std::vector<std::wstring> Reads;
    std::vector<Write> Writes;

    void SetRaw(const std::wstring& name, uint32_t type, std::vector<uint8_t> bytes)
    {
        Values[name] = std::move(bytes);
        Types[name] = type;
    }
    void SetNumber(const std::wstring& name, int32_t value) { SetRaw(name, kSettingTypeNumber, NumberBytes(value)); }
    void SetString(const std::wstring& name, const std::wstring& text, bool terminator = true,
                   uint32_t type = kSettingTypeString)
    {
        SetRaw(name, type, Utf16Bytes(text, terminator));
    }

    bool ReadValue(const wchar_t* name, void* buffer, uint32_t capacity, uint32_t& size, uint32_t& type) override
    {
        Reads.push_back(name);
        auto found = Values.find(name);
        if (found == Values.end() || found->second.size() > capacity) return false;
        if (!found->second.empty()) std::memcpy(buffer, found->second.data(), found->second.size());
        size = static_cast<uint32_t>(found->second.size());
        type = Types.count(name) ? Types[name] : 0;
        return true;
    }

    bool ExpandEnvironment(const std::wstring& text, std::wstring& expanded) override
    {
        expanded = text;
        for (const auto& variable : Environment) {
            const std::wstring reference = L"%" + variable.first + L"%";
            for (size_t at = expanded.find(reference); at != std::wstring::npos;
                 at = expanded.find(reference, at + variable.second.size()))
                expanded.replace(at, reference.size(), variable.second);
        }
        return true;
    }

    void WriteValue(const wchar_t* name, const void* data, uint32_t type, uint32_t bytes) override
    {
        const uint8_t* begin = static_cast<const uint8_t*>(data);
        std::vector<uint8_t> stored(begin, begin + bytes);
        Writes.push_back(Write{name, type, stored});
        SetRaw(name, type, stored);
    }
};
