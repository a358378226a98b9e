#pragma once
// An in-memory settings key: answers reads as the registry does (a value larger than the caller's buffer
// cannot be read) and records every read and write in order.
#include "filter/settings/SettingsValueIo.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
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
    std::vector<std::wstring> Reads;
    std::vector<Write> Writes;

    void SetNumber(const std::wstring& name, int32_t value) { Values[name] = NumberBytes(value); }
    void SetString(const std::wstring& name, const std::wstring& text, bool terminator = true)
    {
        Values[name] = Utf16Bytes(text, terminator);
    }

    bool ReadValue(const wchar_t* name, void* buffer, uint32_t capacity, uint32_t& size) override
    {
        Reads.push_back(name);
        auto found = Values.find(name);
        if (found == Values.end() || found->second.size() > capacity) return false;
        if (!found->second.empty()) std::memcpy(buffer, found->second.data(), found->second.size());
        size = static_cast<uint32_t>(found->second.size());
        return true;
    }

    void WriteValue(const wchar_t* name, const void* data, uint32_t type, uint32_t bytes) override
    {
        const uint8_t* begin = static_cast<const uint8_t*>(data);
        std::vector<uint8_t> stored(begin, begin + bytes);
        Writes.push_back(Write{name, type, stored});
        Values[name] = stored;
    }
};
