#pragma once
// An in-memory settings key: answers reads as the registry does (a value larger than the caller's buffer
// cannot be read) and records every read and write in order.
#include "filter/settings/SettingsValueIo.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <new>
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
    std::map<std::wstring, uint32_t> Types;
    std::map<std::wstring, std::wstring> Environment;  // what %NAME% expands to
    std::wstring Failing;                              // reading or writing this value runs out of memory
    std::vector<std::wstring> Reads;
    std::vector<Write> Writes;

    void SetRaw(const std::wstring& name, uint32_t type, std::vector<uint8_t> bytes)
    {
        Values[name] = std::move(bytes);
        Types[name] = type;
    }
    void SetNumber(const std::wstring& name, int32_t value) { SetRaw(name, kSettingTypeNumber, NumberBytes(value)); }
    void SetString(const std::wstring& name, const std::wstring& text, bool terminator = true)
    {
        SetRaw(name, kSettingTypeString, Utf16Bytes(text, terminator));
    }

    bool ReadValue(const wchar_t* name, void* buffer, uint32_t capacity, uint32_t& size, uint32_t& type) override
    {
        Reads.push_back(name);
        if (name == Failing) throw std::bad_alloc();
        auto found = Values.find(name);
        if (found == Values.end() || found->second.size() > capacity) return false;
        if (!found->second.empty()) std::memcpy(buffer, found->second.data(), found->second.size());
        size = static_cast<uint32_t>(found->second.size());
        type = Types[name];
        return true;
    }

    bool ExpandEnvironment(const std::wstring& text, std::wstring& expanded) override
    {
        expanded = text;
        for (const auto& variable : Environment)
            for (size_t at; (at = expanded.find(L"%" + variable.first + L"%")) != std::wstring::npos;)
                expanded.replace(at, variable.first.size() + 2, variable.second);
        return true;
    }

    void WriteValue(const wchar_t* name, const void* data, uint32_t type, uint32_t bytes) override
    {
        if (name == Failing) throw std::bad_alloc();
        const uint8_t* begin = static_cast<const uint8_t*>(data);
        std::vector<uint8_t> stored(begin, begin + bytes);
        Writes.push_back(Write{name, type, stored});
        SetRaw(name, type, stored);
    }
};
